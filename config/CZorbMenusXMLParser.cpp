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
    {u"Titles.htm\"  id=\"LWMenu_MainSite_Window\">",
     u"Titles.htm\"  id=\"LWMenu_MainSite_Window\" />"},
    {u"command=\"lw.getDocumentDOM().editAttribute('ID')\"\"",
     u"command=\"lw.getDocumentDOM().editAttribute('ID')\""},
    {u"<menu name=\"Form O_bject\" id=\"LWMenu_Insert_FormObject\" />",
     u"<menu name=\"Form O_bject\" id=\"LWMenu_Insert_FormObject\" >"},
    {u"<menu name=\"Frame_s\" id=\"LWMenu_Insert_Frames\" />",
     u"<menu name=\"Frame_s\" id=\"LWMenu_Insert_Frames\" >"},
    {u"<menu name=\"_Media\" id=\"LWMenu_Insert_Media\" />",
     u"<menu name=\"_Media\" id=\"LWMenu_Insert_Media\" >"},
    {u"<menu name=\"_Head\" id=\"LWMenu_Insert_Head\" />",
     u"<menu name=\"_Head\" id=\"LWMenu_Insert_Head\" >"},
    {u"<menu name=\"_Characters\" id=\"LWMenu_Insert_Characters\" />",
     u"<menu name=\"_Characters\" id=\"LWMenu_Insert_Characters\" >"},
    {u"\"\"Enregis_trer la carte du site,,,\"\"", u"\"Enregis_trer la carte du site,,,\""},
    {u"*#\"\t\" strNamedFormat=", u"*#\"\tstrNamedFormat="},
};

// What expat hands over raw keeps the escapes of rows 1 to 12; undone in
// reverse order, they give back the source's text.
constexpr Replacement kRestore[] = {
    {kDynamicTrue, u" dynamic "},
    {u"'--&gt;'", u"'-->'"},
    {u"'&lt;!--'", u"'<!--'"},
    {u"+&gt;", u"+>"},
    {u"+&lt;", u"+<"},
    {u"%&gt;", u"%>"},
    {u"&lt;%", u"<%"},
    {u"&amp;", u"&"},
};

bool Is(const char16_t* name, const char16_t* expected) {
  return cfgxml::EqualsNoCase(CString(name), expected);
}

void ReadReferences(const char16_t* value, CZorbExtensionMenuSeparator& separator) {
  const CString text(value);
  int32_t start = 0;
  for (int32_t comma; (comma = text.Find(u',', start)) >= 0; start = comma + 1)
    separator.AddReference(text.Mid(start, comma - start));
  const CString rest = text.Mid(start);
  if (rest.GetLength() > 0) separator.AddReference(rest);
}

bool IsVisible(const char16_t* value) {
  return !Is(value, u"hidden");
}

// A text attribute and the field it fills; names compare ignoring case.
template <class Node>
struct TextAttribute {
  const char16_t* name;
  CString Node::*field;
};

template <class Node, size_t N>
bool SetText(Node& node, const TextAttribute<Node> (&table)[N], const char16_t* attr,
             const char16_t* value) {
  for (const TextAttribute<Node>& row : table)
    if (Is(attr, row.name)) {
      node.*row.field = value;
      return true;
    }
  return false;
}

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
    static const TextAttribute<CZorbExtensionMenuBar> kText[] = {
        {u"name", &CZorbExtensionMenuBar::m_name},
        {u"id", &CZorbExtensionMenuBar::m_id},
        {u"platform", &CZorbExtensionMenuBar::m_platform},
        {u"app", &CZorbExtensionMenuBar::m_app},
        {u"qqstring:name", &CZorbExtensionMenuBar::m_qqStringName},
        {u"xmlns:QQString", &CZorbExtensionMenuBar::m_namespace},
    };
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      SetText(*menubar, kText, attr, value);
    });
    m_file->m_children.push_back(menubar);
    stack.push_back(menubar);
  } else if (Is(name, u"menu")) {
    auto* menu = new CZorbExtensionMenu();
    static const TextAttribute<CZorbExtensionMenu> kText[] = {
        {u"name", &CZorbExtensionMenu::m_name},
        {u"id", &CZorbExtensionMenu::m_id},
        {u"platform", &CZorbExtensionMenu::m_platform},
        {u"app", &CZorbExtensionMenu::m_app},
        {u"showif", &CZorbExtensionMenu::m_showif},
        {u"qqstring:name", &CZorbExtensionMenu::m_qqStringName},
    };
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      if (!SetText(*menu, kText, attr, value) && Is(attr, u"visibility"))
        menu->m_visible = IsVisible(value);
    });
    AppendToTopOrFile(menu);
    stack.push_back(menu);
  } else if (Is(name, u"menuitem")) {
    CZorbXmlObject* top = Top();
    if (!top) return;
    auto* item = new CZorbExtensionMenuItem();
    static const TextAttribute<CZorbExtensionMenuItem> kText[] = {
        {u"name", &CZorbExtensionMenuItem::m_name},
        {u"id", &CZorbExtensionMenuItem::m_id},
        {u"key", &CZorbExtensionMenuItem::m_key},
        {u"platform", &CZorbExtensionMenuItem::m_platform},
        {u"app", &CZorbExtensionMenuItem::m_app},
        {u"command", &CZorbExtensionMenuItem::m_command},
        {u"arguments", &CZorbExtensionMenuItem::m_arguments},
        {u"enabled", &CZorbExtensionMenuItem::m_enabled},
        {u"checked", &CZorbExtensionMenuItem::m_checked},
        {u"file", &CZorbExtensionMenuItem::m_file},
        {u"showif", &CZorbExtensionMenuItem::m_showif},
        {u"dynamic", &CZorbExtensionMenuItem::m_dynamic},
        {u"qqstring:name", &CZorbExtensionMenuItem::m_qqStringName},
    };
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      if (!SetText(*item, kText, attr, value) && Is(attr, u"domRequired"))
        item->m_domRequired = cfgxml::IsTrueValue(value);
    });
    top->m_children.push_back(item);
  } else if (Is(name, u"format")) {
    CZorbXmlObject* top = Top();
    if (!top) return;
    auto* format = new CZorbExtensionServerFormat();
    static const TextAttribute<CZorbExtensionServerFormat> kText[] = {
        {u"title", &CZorbExtensionServerFormat::m_title},
        {u"id", &CZorbExtensionServerFormat::m_id},
        {u"expression", &CZorbExtensionServerFormat::m_expression},
        {u"platform", &CZorbExtensionServerFormat::m_platform},
        {u"file", &CZorbExtensionServerFormat::m_file},
    };
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      if (SetText(*format, kText, attr, value)) return;
      if (Is(attr, u"visibility"))
        format->m_visible = IsVisible(value);
      else
        format->SetAttribute(attr, value);
    });
    top->m_children.push_back(format);
  } else if (Is(name, u"separator")) {
    CZorbXmlObject* top = Top();
    if (!top) return;
    auto* separator = new CZorbExtensionMenuSeparator();
    static const TextAttribute<CZorbExtensionMenuSeparator> kText[] = {
        {u"platform", &CZorbExtensionMenuSeparator::m_platform},
        {u"app", &CZorbExtensionMenuSeparator::m_app},
        {u"showif", &CZorbExtensionMenuSeparator::m_showif},
    };
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      if (!SetText(*separator, kText, attr, value) && Is(attr, u"references"))
        ReadReferences(value, *separator);
    });
    top->m_children.push_back(separator);
  } else if (Is(name, u"shortcutlist") || Is(name, u"snippets")) {
    auto* list = new CZorbExtensionShortcutList();
    list->m_tag = name;
    static const TextAttribute<CZorbExtensionShortcutList> kText[] = {
        {u"id", &CZorbExtensionShortcutList::m_id},
        {u"platform", &CZorbExtensionShortcutList::m_platform},
        {u"app", &CZorbExtensionShortcutList::m_app},
    };
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      SetText(*list, kText, attr, value);
    });
    AppendToTopOrFile(list);
    stack.push_back(list);
  } else if (Is(name, u"shortcut")) {
    auto* list = dynamic_cast<CZorbExtensionShortcutList*>(Top());
    if (!list) return;
    auto* shortcut = new CZorbExtensionShortcut();
    static const TextAttribute<CZorbExtensionShortcut> kText[] = {
        {u"key", &CZorbExtensionShortcut::m_key},
        {u"file", &CZorbExtensionShortcut::m_file},
        {u"arguments", &CZorbExtensionShortcut::m_arguments},
        {u"platform", &CZorbExtensionShortcut::m_platform},
        {u"app", &CZorbExtensionShortcut::m_app},
        {u"command", &CZorbExtensionShortcut::m_command},
        {u"id", &CZorbExtensionShortcut::m_id},
        {u"enabled", &CZorbExtensionShortcut::m_enabled},
        {u"name", &CZorbExtensionShortcut::m_name},
        {u"checked", &CZorbExtensionShortcut::m_checked},
        {u"qqstring:name", &CZorbExtensionShortcut::m_qqStringName},
    };
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      if (SetText(*shortcut, kText, attr, value)) return;
      if (Is(attr, u"domRequired")) shortcut->m_domRequired = cfgxml::IsTrueValue(value);
      if (Is(attr, u"dynamic")) shortcut->m_dynamic = cfgxml::IsTrueValue(value);
    });
    list->m_children.push_back(shortcut);
  } else if (Is(name, u"tool")) {
    auto* tool = new CZorbExtensionTool();
    static const TextAttribute<CZorbExtensionTool> kText[] = {
        {u"name", &CZorbExtensionTool::m_name},
        {u"id", &CZorbExtensionTool::m_id},
    };
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      SetText(*tool, kText, attr, value);
    });
    AppendToTopOrFile(tool);
    stack.push_back(tool);
  } else if (Is(name, u"activate") || Is(name, u"action") || Is(name, u"override")) {
    auto* tool = dynamic_cast<CZorbExtensionTool*>(Top());
    if (!tool) return;
    auto* action = new CZorbExtensionAction(name);
    static const TextAttribute<CZorbExtensionAction> kText[] = {
        {u"key", &CZorbExtensionAction::m_key},
        {u"command", &CZorbExtensionAction::m_command},
        {u"id", &CZorbExtensionAction::m_id},
        {u"name", &CZorbExtensionAction::m_name},
    };
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      SetText(*action, kText, attr, value);
    });
    tool->m_children.push_back(action);
  } else if (Is(name, u"menus")) {
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      if (Is(attr, u"xmlns:QQString")) m_xmlns = value;
    });
  }
}

template <class Handle>
void CZorbMenusXMLParser::ReadAttributes(const char16_t** attrs, const Handle& handle) {
  for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr())
    handle(attr, GetValue());
}

void CZorbMenusXMLParser::OnElementEnd(const char16_t* name) {
  if (!m_file || !name || m_file->m_openElements.empty()) return;
  if (Is(name, u"menubar") || Is(name, u"formats") || Is(name, u"menu") ||
      Is(name, u"shortcutlist") || Is(name, u"snippets") || Is(name, u"tool"))
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
  if (!m_file) return;
  CString markup;
  if (!cfgxml::TakeMarkup(text, length, m_pending, markup)) return;
  RestoreRawText(markup);
  AppendToTopOrFile(new CZorbXmlMisc(markup.Get()));
}
