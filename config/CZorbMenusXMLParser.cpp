#include "config/CZorbMenusXMLParser.h"

#include "config/CZorbExtensionAction.h"
#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbExtensionTool.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/ConfigXml.h"

namespace {

struct Replacement {
  const char16_t* find;
  const char16_t* with;
};

constexpr char16_t kDynamicTrue[] = u" dynamic=\"true\" ";

// The pre-pass, in order. Rows 1 to 8 escape what expat would refuse; 9 to
// 12 give the bare word dynamic a value; the rest repair single broken
// lines of known host files.
constexpr Replacement kPrePass[] = {
    {u"&", u"&amp;"},
    {u"<%", u"&lt;%"},
    {u"%>", u"%&gt;"},
    {u"+<", u"+&lt;"},
    {u"+>", u"+&gt;"},
    {u"/>;", u"/>"},
    {u"'<!--'", u"'&lt;!--'"},
    {u"'-->'", u"'--&gt;'"},
    {u" dynamic ", kDynamicTrue},
    {u"\tdynamic\t", kDynamicTrue},
    {u"\tdynamic ", kDynamicTrue},
    {u" dynamic\t", kDynamicTrue},
    {u") />", u" />"},
    {u")\t/>", u" />"},
    {u"<menu name=\"_Window\" id=\"LWMenu_MainSite_Window\"/>",
     u"<menu name=\"_Window\" id=\"LWMenu_MainSite_Window\">"},
    {u"Titles.htm\"  id=\"LWMenu_MainSite_Window\">", u"Titles.htm\"  id=\"LWMenu_MainSite_Window\" />"},
    {u"command=\"lw.getDocumentDOM().editAttribute('ID')\"\"",
     u"command=\"lw.getDocumentDOM().editAttribute('ID')\""},
    {u"<menu name=\"Form O_bject\" id=\"LWMenu_Insert_FormObject\" />",
     u"<menu name=\"Form O_bject\" id=\"LWMenu_Insert_FormObject\" >"},
    {u"<menu name=\"Frame_s\" id=\"LWMenu_Insert_Frames\" />", u"<menu name=\"Frame_s\" id=\"LWMenu_Insert_Frames\" >"},
    {u"<menu name=\"_Media\" id=\"LWMenu_Insert_Media\" />", u"<menu name=\"_Media\" id=\"LWMenu_Insert_Media\" >"},
    {u"<menu name=\"_Head\" id=\"LWMenu_Insert_Head\" />", u"<menu name=\"_Head\" id=\"LWMenu_Insert_Head\" >"},
    {u"<menu name=\"_Characters\" id=\"LWMenu_Insert_Characters\" />",
     u"<menu name=\"_Characters\" id=\"LWMenu_Insert_Characters\" >"},
    {u"\"\"Enregis_trer la carte du site,,,\"\"", u"\"Enregis_trer la carte du site,,,\""},
    {u"*#\"\t\" strNamedFormat=", u"*#\"\tstrNamedFormat="},
};

// What expat hands over raw keeps the escapes of rows 1 to 12; undone in
// reverse order, they give back the source's text.
constexpr Replacement kRestore[] = {
    {kDynamicTrue, u" dynamic "}, {u"'--&gt;'", u"'-->'"}, {u"'&lt;!--'", u"'<!--'"},
    {u"+&gt;", u"+>"},            {u"+&lt;", u"+<"},       {u"%&gt;", u"%>"},
    {u"&lt;%", u"<%"},            {u"&amp;", u"&"},
};

// The declaration ParseFile puts in front of every document.
constexpr char16_t kParserDeclaration[] = u"<?xml  version='1.0'  encoding='utf-8'  ?>";

bool Is(const char16_t* name, const char16_t* expected) { return cfgxml::EqualsNoCase(CString(name), expected); }

void ReadReferences(const char16_t* value, CZorbExtensionMenuSeparator& separator) {
  const CString text(value);
  int32_t start = 0;
  for (int32_t comma; (comma = text.Find(u',', start)) >= 0; start = comma + 1)
    separator.AddReference(text.Mid(start, comma - start));
  const CString rest = text.Mid(start);
  if (rest.GetLength() > 0) separator.AddReference(rest);
}

bool IsVisible(const char16_t* value) { return !Is(value, u"hidden"); }

}  // namespace

CZorbMenusXMLParser::CZorbMenusXMLParser(CZorbMenusXmlFile* file) : m_file(file) {}

CZorbMenusXMLParser::~CZorbMenusXMLParser() = default;

int CZorbMenusXMLParser::OnPreProcessLine(CString& line) const {
  for (const Replacement& row : kPrePass) line.Replace(row.find, row.with);
  return 0;
}

void CZorbMenusXMLParser::RestoreRawText(CString& text) {
  for (const Replacement& row : kRestore) text.Replace(row.find, row.with);
}

const char16_t* CZorbMenusXMLParser::GetValue() {
  const char16_t* value = CZorbXMLParser::GetValue();
  if (!value) return nullptr;
  m_convertBuffer = value;
  m_convertBuffer.Replace(u'"', u'\'');
  return m_convertBuffer.Get() ? m_convertBuffer.Get() : u"";
}

CZorbXmlObject* CZorbMenusXMLParser::Top() const {
  if (!m_file || m_file->m_openElements.empty()) return nullptr;
  return m_file->m_openElements.back();
}

void CZorbMenusXMLParser::AppendToTopOrFile(CZorbXmlObject* node) {
  CZorbXmlObject* parent = Top();
  (parent ? parent : m_file)->m_children.push_back(node);
}

void CZorbMenusXMLParser::OnElementStart(const char16_t* name, const char16_t** attrs) {
  if (!m_file || !name) return;
  auto& stack = m_file->m_openElements;

  if (Is(name, u"menubar") || Is(name, u"formats")) {
    auto* menubar = new CZorbExtensionMenuBar();
    menubar->SetTag(name);
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (Is(attr, u"name")) menubar->m_name = value;
      else if (Is(attr, u"id")) menubar->m_id = value;
      else if (Is(attr, u"platform")) menubar->m_platform = value;
      else if (Is(attr, u"app")) menubar->m_app = value;
      else if (Is(attr, u"qqstring:name")) menubar->m_qqStringName = value;
      else if (Is(attr, u"xmlns:QQString")) menubar->m_namespace = value;
    }
    m_file->m_children.push_back(menubar);
    stack.push_back(menubar);
  } else if (Is(name, u"menu")) {
    auto* menu = new CZorbExtensionMenu();
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (Is(attr, u"name")) menu->m_name = value;
      else if (Is(attr, u"id")) menu->m_id = value;
      else if (Is(attr, u"platform")) menu->m_platform = value;
      else if (Is(attr, u"app")) menu->m_app = value;
      else if (Is(attr, u"showif")) menu->m_showif = value;
      else if (Is(attr, u"visibility")) menu->m_visible = IsVisible(value);
      else if (Is(attr, u"qqstring:name")) menu->m_qqStringName = value;
    }
    AppendToTopOrFile(menu);
    stack.push_back(menu);
  } else if (Is(name, u"menuitem")) {
    CZorbXmlObject* top = Top();
    if (!top) return;
    auto* item = new CZorbExtensionMenuItem();
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (Is(attr, u"name")) item->m_name = value;
      else if (Is(attr, u"id")) item->m_id = value;
      else if (Is(attr, u"key")) item->m_key = value;
      else if (Is(attr, u"platform")) item->m_platform = value;
      else if (Is(attr, u"app")) item->m_app = value;
      else if (Is(attr, u"command")) item->m_command = value;
      else if (Is(attr, u"arguments")) item->m_arguments = value;
      else if (Is(attr, u"enabled")) item->m_enabled = value;
      else if (Is(attr, u"checked")) item->m_checked = value;
      else if (Is(attr, u"file")) item->m_file = value;
      else if (Is(attr, u"showif")) item->m_showif = value;
      else if (Is(attr, u"dynamic")) item->m_dynamic = value;
      else if (Is(attr, u"domRequired")) item->m_domRequired = cfgxml::IsTrueValue(value);
      else if (Is(attr, u"qqstring:name")) item->m_qqStringName = value;
    }
    top->m_children.push_back(item);
  } else if (Is(name, u"format")) {
    CZorbXmlObject* top = Top();
    if (!top) return;
    auto* format = new CZorbExtensionServerFormat();
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (Is(attr, u"title")) format->m_title = value;
      else if (Is(attr, u"id")) format->m_id = value;
      else if (Is(attr, u"expression")) format->m_expression = value;
      else if (Is(attr, u"platform")) format->m_platform = value;
      else if (Is(attr, u"file")) format->m_file = value;
      else if (Is(attr, u"visibility")) format->m_visible = IsVisible(value);
      else format->SetAttribute(attr, value);
    }
    top->m_children.push_back(format);
  } else if (Is(name, u"separator")) {
    CZorbXmlObject* top = Top();
    if (!top) return;
    auto* separator = new CZorbExtensionMenuSeparator();
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (Is(attr, u"platform")) separator->m_platform = value;
      else if (Is(attr, u"app")) separator->m_app = value;
      else if (Is(attr, u"showif")) separator->m_showif = value;
      else if (Is(attr, u"references")) ReadReferences(value, *separator);
    }
    top->m_children.push_back(separator);
  } else if (Is(name, u"shortcutlist") || Is(name, u"snippets")) {
    auto* list = new CZorbExtensionShortcutList();
    list->m_tag = name;
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (Is(attr, u"id")) list->m_id = value;
      else if (Is(attr, u"platform")) list->m_platform = value;
      else if (Is(attr, u"app")) list->m_app = value;
    }
    AppendToTopOrFile(list);
    stack.push_back(list);
  } else if (Is(name, u"shortcut")) {
    auto* list = dynamic_cast<CZorbExtensionShortcutList*>(Top());
    if (!list) return;
    auto* shortcut = new CZorbExtensionShortcut();
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (Is(attr, u"key")) shortcut->m_key = value;
      else if (Is(attr, u"file")) shortcut->m_file = value;
      else if (Is(attr, u"arguments")) shortcut->m_arguments = value;
      else if (Is(attr, u"platform")) shortcut->m_platform = value;
      else if (Is(attr, u"app")) shortcut->m_app = value;
      else if (Is(attr, u"command")) shortcut->m_command = value;
      else if (Is(attr, u"id")) shortcut->m_id = value;
      else if (Is(attr, u"domRequired")) shortcut->m_domRequired = cfgxml::IsTrueValue(value);
      else if (Is(attr, u"enabled")) shortcut->m_enabled = value;
      else if (Is(attr, u"name")) shortcut->m_name = value;
      else if (Is(attr, u"checked")) shortcut->m_checked = value;
      else if (Is(attr, u"dynamic")) shortcut->m_dynamic = cfgxml::IsTrueValue(value);
      else if (Is(attr, u"qqstring:name")) shortcut->m_qqStringName = value;
    }
    list->m_children.push_back(shortcut);
  } else if (Is(name, u"tool")) {
    auto* tool = new CZorbExtensionTool();
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (Is(attr, u"name")) tool->m_name = value;
      else if (Is(attr, u"id")) tool->m_id = value;
    }
    AppendToTopOrFile(tool);
    stack.push_back(tool);
  } else if (Is(name, u"activate") || Is(name, u"action") || Is(name, u"override")) {
    auto* tool = dynamic_cast<CZorbExtensionTool*>(Top());
    if (!tool) return;
    auto* action = new CZorbExtensionAction(name);
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (Is(attr, u"key")) action->m_key = value;
      else if (Is(attr, u"command")) action->m_command = value;
      else if (Is(attr, u"id")) action->m_id = value;
      else if (Is(attr, u"name")) action->m_name = value;
    }
    tool->m_children.push_back(action);
  } else if (Is(name, u"menus")) {
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (Is(attr, u"xmlns:QQString")) m_xmlns = value;
    }
  }
}

void CZorbMenusXMLParser::OnElementEnd(const char16_t* name) {
  if (!m_file || !name || m_file->m_openElements.empty()) return;
  if (Is(name, u"menubar") || Is(name, u"formats") || Is(name, u"menu") || Is(name, u"shortcutlist") ||
      Is(name, u"snippets") || Is(name, u"tool"))
    m_file->m_openElements.pop_back();
}

void CZorbMenusXMLParser::OnComment(const char16_t* text) {
  if (!m_file) return;
  auto* comment = new CZorbXmlComment(text);
  cfgxml::Trim(comment->m_comment);
  RestoreRawText(comment->m_comment);
  AppendToTopOrFile(comment);
}

void CZorbMenusXMLParser::OnDefault(const char16_t* text, int length) {
  if (!m_file || !text || length <= 0) return;
  const CString piece = cfgxml::Trimmed(text, static_cast<size_t>(length));
  if (piece.GetLength() == 0 || piece == kParserDeclaration) return;
  m_pending += piece;
  m_pending += u' ';
  if (piece.GetAt(piece.GetLength() - 1) != u'>') return;
  auto* markup = new CZorbXmlMisc(m_pending.Get());
  RestoreRawText(markup->m_markup);
  AppendToTopOrFile(markup);
  m_pending.Empty();
}
