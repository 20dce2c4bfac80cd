#include "config/CZorbMenusXMLParser.h"

#include <array>
#include <bitset>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

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
#include "config/ConfigNodeTable.h"
#include "config/ConfigXml.h"
#include "config/XmlMarkupScanner.h"
#include "platform/widechar/WideChar.h"

namespace {

struct Replacement {
  const char16_t* find;
  const char16_t* with;
};

constexpr std::u16string_view kWordDynamic = u"dynamic";

// The pre-pass, in order. Rows 1 to 8 escape what expat would refuse; the
// rest repair single broken lines of known host files. Then the bare word
// dynamic of a start tag gets a value (GiveDynamicAValue).
constexpr Replacement kPrePass[] = {
    {u"&", u"&amp;"},
    {u"<%", u"&lt;%"},
    {u"%>", u"%&gt;"},
    {u"+<", u"+&lt;"},
    {u"+>", u"+&gt;"},
    {u"/>;", u"/>"},
    {u"'<!--'", u"'&lt;!--'"},
    {u"'-->'", u"'--&gt;'"},
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

// What expat hands over raw keeps the escapes of rows 1 to 8; undone in
// reverse order, they give back the source's text.
constexpr Replacement kRestore[] = {
    {u"'--&gt;'", u"'-->'"}, {u"'&lt;!--'", u"'<!--'"}, {u"+&gt;", u"+>"}, {u"+&lt;", u"+<"},
    {u"%&gt;", u"%>"},       {u"&lt;%", u"<%"},         {u"&amp;", u"&"},
};

bool Is(const char16_t* name, const char16_t* expected) {
  return cfgxml::NameIs(name, expected);
}

// Where an element's node goes in a menus file.
enum class Place {
  kTopLevel,   // menubars and formats sections: the file's top level; opened
  kContainer,  // menus, lists, tools: the open container, else the file; opened
  kInside,     // items, formats, separators: the open container, else dropped
  kInList,     // shortcuts: an open shortcut list, else dropped
  kInTool,     // actions: an open tool, else dropped
};

// By the node's kind, which its table names (a new node is of the kind
// itself, never derived from it).
Place PlaceOf(const CZorbXmlObject* node, const cfgnode::Table* table) {
  if (table == &CZorbExtensionMenuBar::AttributeTable()) return Place::kTopLevel;
  if (table == &CZorbExtensionMenu::AttributeTable() ||
      table == &CZorbExtensionTool::AttributeTable() ||
      table == &CZorbExtensionShortcutList::AttributeTable())
    return Place::kContainer;
  if (table == &CZorbExtensionShortcut::AttributeTable())
    return typeid(*node) == typeid(CZorbExtensionAction) ? Place::kInTool : Place::kInList;
  return Place::kInside;
}

}  // namespace

CZorbMenusXMLParser::CZorbMenusXMLParser(CZorbMenusXmlFile* file) : m_file(file) {}

CZorbMenusXMLParser::~CZorbMenusXMLParser() = default;

namespace {

constexpr size_t kPrePassRows = sizeof kPrePass / sizeof *kPrePass;

// The rows by their first unit (all ASCII), for a single scan of a line.
struct PrePassIndex {
  PrePassIndex() {
    for (size_t row = 0; row < kPrePassRows; ++row) {
      byFirst[kPrePass[row].find[0]].push_back(row);
      starts[kPrePass[row].find[0]] = true;
      lengths[row] = std::char_traits<char16_t>::length(kPrePass[row].find);
    }
  }
  // Most units start no row: one look-up skips them.
  std::array<bool, 128> starts{};
  std::array<std::vector<size_t>, 128> byFirst;
  std::array<size_t, kPrePassRows> lengths{};
};

const PrePassIndex& Index() {
  static const PrePassIndex index;
  return index;
}

}  // namespace

int CZorbMenusXMLParser::OnPreProcessLine(CString& line) const {
  // One scan finds the rows the line holds; only those are replaced. Once
  // a replacement has changed the line, the later rows are looked for in
  // the changed line by one scan again.
  if (line.GetLength() == 0) return 0;
  const PrePassIndex& index = Index();
  const auto scan = [&] {
    std::bitset<kPrePassRows> found;
    const char16_t* const text = line.Get();
    const size_t n = static_cast<size_t>(line.GetLength());
    for (size_t i = 0; i < n; ++i) {
      if (text[i] >= 128 || !index.starts[text[i]]) continue;
      for (const size_t row : index.byFirst[text[i]]) {
        const size_t k = index.lengths[row];
        if (!found.test(row) && n - i >= k && (k < 2 || text[i + 1] == kPrePass[row].find[1]) &&
            std::char_traits<char16_t>::compare(text + i, kPrePass[row].find, k) == 0)
          found.set(row);
      }
    }
    return found;
  };
  std::bitset<kPrePassRows> found = scan();
  for (size_t row = 0; row < kPrePassRows && found.any(); ++row) {
    if (!found.test(row)) continue;
    line.Replace(kPrePass[row].find, kPrePass[row].with);
    found = scan();
    // Rows already done are not done again.
    for (size_t done = 0; done <= row; ++done) found.reset(done);
  }
  GiveDynamicAValue(line);
  return 0;
}

int CZorbMenusXMLParser::OnPreProcessCDATALine(CString& line) const {
  // A line with a section is left as it is; the markup around it still
  // counts for the lines after it.
  const std::u16string_view in(line.Get(), static_cast<size_t>(line.GetLength()));
  for (size_t i = m_scan.NextStop(in, 0); i < in.size(); i = m_scan.NextStop(in, i))
    i += m_scan.Step(in, i);
  return 0;
}

void CZorbMenusXMLParser::GiveDynamicAValue(CString& line) const {
  const std::u16string_view in(line.Get(), static_cast<size_t>(line.GetLength()));
  if (in.find(kWordDynamic) == std::u16string_view::npos) {
    // Nothing to rewrite: only the markup is followed.
    for (size_t i = m_scan.NextStop(in, 0); i < in.size(); i = m_scan.NextStop(in, i))
      i += m_scan.Step(in, i);
    return;
  }
  std::u16string out;
  out.reserve(in.size() + 16);
  bool changed = false;
  for (size_t i = 0; i < in.size();) {
    if (m_scan.state() == XmlMarkupScanner::State::kStartTag &&
        XmlMarkupScanner::AttributeAt(in, i, kWordDynamic)) {
      // The word alone, not a name with a value; the tabs around it become
      // blanks, as the hosts' own repair wrote it.
      size_t next = i + kWordDynamic.size();
      while (next < in.size() && (in[next] == u' ' || in[next] == u'\t')) ++next;
      if (next == in.size() || in[next] != u'=') {
        if (!out.empty() && out.back() == u'\t') out.back() = u' ';
        out += u"dynamic=\"true\"";
        i += kWordDynamic.size();
        if (i < in.size() && in[i] == u'\t') {
          out += u' ';
          ++i;
        }
        changed = true;
        continue;
      }
    }
    const size_t taken = m_scan.Step(in, i);
    out += in.substr(i, taken);
    i += taken;
  }
  if (changed) line.Assign(out.data(), static_cast<uint32_t>(out.size()));
}

void CZorbMenusXMLParser::RestoreRawText(CString& text) {
  for (const Replacement& row : kRestore) text.Replace(row.find, row.with);
}

const char16_t* CZorbMenusXMLParser::GetValue() {
  const char16_t* value = CZorbXMLParser::GetValue();
  if (!value) return nullptr;
  // Most values hold no double quote: they are used as they stand.
  if (std::u16string_view(value).find(u'"') == std::u16string_view::npos) return value;
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
  m_justStarted = nullptr;
  if (!m_file || !name) return;
  if (Is(name, u"menus")) {
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      if (Is(attr, u"xmlns:QQString")) m_xmlns = value;
    });
    // What came before the root is written before it again.
    if (m_prologCount < 0) m_prologCount = static_cast<int32_t>(m_file->m_children.size());
    return;
  }
  // A host node is a change's own record, never part of a menus file.
  if (Is(name, u"host-node")) return;
  const cfgnode::Table* table = nullptr;
  std::unique_ptr<CZorbXmlObject> node(cfgnode::CreateNode(name, table));
  if (!node) return;

  CZorbXmlObject* top = Top();
  CZorbXmlObject* parent = nullptr;
  const Place place = PlaceOf(node.get(), table);
  switch (place) {
    case Place::kTopLevel:
      parent = m_file;
      break;
    case Place::kContainer:
      parent = top ? top : m_file;
      break;
    case Place::kInside:
      parent = top;
      break;
    case Place::kInList:
      parent = dynamic_cast<CZorbExtensionShortcutList*>(top);
      break;
    case Place::kInTool:
      parent = dynamic_cast<CZorbExtensionTool*>(top);
      break;
  }
  if (!parent) return;

  if (table)
    ReadAttributes(attrs, [&](const char16_t* attr, const char16_t* value) {
      cfgnode::ReadAttribute(*table, *node, attr, value);
    });
  CZorbXmlObject* placed = node.release();
  parent->m_children.push_back(placed);
  // An empty-element tag, with or without white space before "/>", is
  // written back as it stands.
  const std::u16string_view tag = CurrentMarkup();
  if (tag.size() >= 3 && tag.substr(tag.size() - 2) == u"/>") {
    placed->m_emptyForm = platform::iswspace(tag[tag.size() - 3])
                              ? CZorbXmlObject::EmptyForm::kSpaced
                              : CZorbXmlObject::EmptyForm::kTight;
    if (m_firstEmptyForm == CZorbXmlObject::EmptyForm::kUnread && place != Place::kTopLevel &&
        place != Place::kContainer)
      m_firstEmptyForm = placed->m_emptyForm;
  } else {
    m_justStarted = placed;
  }
  if (place == Place::kTopLevel || place == Place::kContainer)
    m_file->m_openElements.push_back(placed);
}

template <class Handle>
void CZorbMenusXMLParser::ReadAttributes(const char16_t** attrs, const Handle& handle) {
  for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr())
    handle(attr, GetValue());
}

void CZorbMenusXMLParser::OnElementEnd(const char16_t* name) {
  if (m_justStarted && !CurrentMarkup().empty())
    m_justStarted->m_emptyForm = CZorbXmlObject::EmptyForm::kPair;
  m_justStarted = nullptr;
  if (!m_file || !name || m_file->m_openElements.empty()) return;
  for (const char16_t* container :
       {u"menubar", u"formats", u"menu", u"shortcutlist", u"snippets", u"tool"})
    if (Is(name, container)) {
      m_file->m_openElements.pop_back();
      return;
    }
}

void CZorbMenusXMLParser::OnCData(const char16_t*, int) {
  m_justStarted = nullptr;
}

void CZorbMenusXMLParser::OnCDataSectionStart() {
  m_justStarted = nullptr;
}

void CZorbMenusXMLParser::OnComment(const char16_t* text) {
  m_justStarted = nullptr;
  if (!m_file) return;
  auto* comment = new CZorbXmlComment(text);
  cfgxml::Trim(comment->m_comment);
  RestoreRawText(comment->m_comment);
  AppendToTopOrFile(comment);
}

void CZorbMenusXMLParser::OnDefault(const char16_t* text, int length) {
  m_justStarted = nullptr;
  if (!m_file) return;
  CString markup;
  if (!m_markup.Take(text, length, markup)) return;
  RestoreRawText(markup);
  AppendToTopOrFile(new CZorbXmlMisc(markup.Get()));
}
