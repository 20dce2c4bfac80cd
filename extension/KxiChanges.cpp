#include "extension/KxiChanges.h"

#include <cstdint>
#include <iterator>
#include <string>
#include <typeinfo>

#include "config/CZorbConfigChange.h"
#include "config/CZorbDataSourceChanges.h"
#include "config/CZorbDocumentTypeChangeInsert.h"
#include "config/CZorbDocumentTypeChangeRemove.h"
#include "config/CZorbDocumentTypeConfigChanges.h"
#include "config/CZorbExtensionButton.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionsChangeInsert.h"
#include "config/CZorbExtensionsChangeRemove.h"
#include "config/CZorbExtensionsChanges.h"
#include "config/CZorbFTPExtensionMapChangeInsert.h"
#include "config/CZorbFTPExtensionMapChangeRemove.h"
#include "config/CZorbFTPExtensionMapChanges.h"
#include "config/CZorbHelpBookChangeInsert.h"
#include "config/CZorbHelpBookChangeRemove.h"
#include "config/CZorbHelpBookChanges.h"
#include "config/CZorbHelpChange.h"
#include "config/CZorbInsertbarChangeInsert.h"
#include "config/CZorbInsertbarChangeRemove.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbInsertbarItemChangeInsert.h"
#include "config/CZorbInsertbarItemChangeRemove.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbMenuChangeInsert.h"
#include "config/CZorbMenuChangeRemove.h"
#include "config/CZorbServerBehaviorChanges.h"
#include "config/CZorbServerConfigChanges.h"
#include "config/CZorbServerFormatChanges.h"
#include "config/CZorbServerFormatDefinitionChanges.h"
#include "config/CZorbShortcutChangeInsert.h"
#include "config/CZorbShortcutChangeRemove.h"
#include "config/CZorbSourceFormatChangeAttributeInsert.h"
#include "config/CZorbSourceFormatChangeAttributeRemove.h"
#include "config/CZorbSourceFormatChangeElementInsert.h"
#include "config/CZorbSourceFormatChangeElementRemove.h"
#include "config/CZorbSourceFormatChanges.h"
#include "config/CZorbStandardHelpChanges.h"
#include "config/CZorbTagLibraryChangeInsert.h"
#include "config/CZorbTagLibraryChangeRemove.h"
#include "config/CZorbTagLibraryConfigChanges.h"
#include "config/CZorbToolbarChangeInsert.h"
#include "config/CZorbToolbarChangeRemove.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "config/CZorbToolbarItemChangeInsert.h"
#include "config/CZorbToolbarItemChangeRemove.h"
#include "config/CZorbToolpanelConfigChanges.h"
#include "config/ConfigNodeTable.h"
#include "config/ConfigXml.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/CZorbExtensionSignInfo.h"
#include "extension/CZorbExtensionToken.h"
#include "extension/CZorbExtensionUpdateInfo.h"
#include "foundation/CZorbXmlObject.h"
#include "platform/widechar/WideChar.h"

namespace kxi {

namespace {

// How an attribute is read and written.
enum class Form : uint8_t {
  kText,          // written when not empty
  kTextAlways,    // written also when empty
  kFileName,      // a toolbar file name: written unless it is the default one
  kPosition,      // an insert's place: the row's position, and the reference id as text
  kFlag,          // boolean; written "true" when set
  kTriState,      // boolean kept as 1 (true) or 2 (false); 0 is not written
  kNumber,        // decimal, always written
  kTransfer,      // "ascii" 1 or "binary" 0 (another value leaves it); written in capitals
  kServerFolder,  // the server-model folder, set through SetServerModelFolder
};

// What happens to an attribute a kind does not know.
enum class Others : uint8_t {
  kNotRead,  // the kind reads no attribute at all
  kIgnored,  // skipped silently
  kWarned,   // skipped with the warning "Unknown attribute"
};

struct Row {
  const char16_t* name;
  Form form;
  // The spelling the writer uses; synonyms are read only.
  bool written;
  int32_t position;
  CString* (*text)(CZorbXmlObject& node);
  int32_t* (*number)(CZorbXmlObject& node);
  bool* (*flag)(CZorbXmlObject& node);
};

template <class Owner, auto Member>
CString* Text(CZorbXmlObject& node) {
  auto* owner = dynamic_cast<Owner*>(&node);
  return owner ? &(owner->*Member) : nullptr;
}

template <class Owner, auto Member>
int32_t* Number(CZorbXmlObject& node) {
  auto* owner = dynamic_cast<Owner*>(&node);
  return owner ? &(owner->*Member) : nullptr;
}

template <class Owner, auto Member>
bool* Flag(CZorbXmlObject& node) {
  auto* owner = dynamic_cast<Owner*>(&node);
  return owner ? &(owner->*Member) : nullptr;
}

// The xml:lang of a configuration or help change.
CString* Locale(CZorbXmlObject& node) {
  if (auto* change = dynamic_cast<CZorbConfigChange*>(&node)) return &change->m_locale;
  if (auto* change = dynamic_cast<CZorbHelpChange*>(&node)) return &change->m_locale;
  return nullptr;
}

constexpr Row LocaleRow() {
  return Row{u"xml:lang", Form::kText, true, 0, &Locale, nullptr, nullptr};
}

template <class Owner, auto Member>
constexpr Row TextRow(const char16_t* name, Form form = Form::kText, bool written = true) {
  return Row{name, form, written, 0, &Text<Owner, Member>, nullptr, nullptr};
}

template <class Owner, auto Position, auto Reference>
constexpr Row PositionRow(const char16_t* name, int32_t position, bool written) {
  return Row{name,     Form::kPosition,         written,
             position, &Text<Owner, Reference>, &Number<Owner, Position>,
             nullptr};
}

template <class Owner, auto Member>
constexpr Row NumberRow(const char16_t* name, Form form) {
  return Row{name, form, true, 0, nullptr, &Number<Owner, Member>, nullptr};
}

template <class Owner, auto Member>
constexpr Row FlagRow(const char16_t* name) {
  return Row{name, Form::kFlag, true, 0, nullptr, nullptr, &Flag<Owner, Member>};
}

// --- change sets ----------------------------------------------------------

using Server = CZorbServerConfigChanges;

constexpr Row kToolbarSetRows[] = {
    TextRow<CZorbToolbarConfigChanges, &CZorbToolbarConfigChanges::m_fileName>(u"file",
                                                                               Form::kFileName),
};

constexpr Row kServerSetRows[] = {
    TextRow<Server, &Server::m_serverModelFolder>(u"servermodelfolder", Form::kServerFolder),
    TextRow<Server, &Server::m_serverModelFolder>(u"server", Form::kServerFolder, false),
    TextRow<Server, &Server::m_serverModelFolder>(u"servermodel", Form::kServerFolder, false),
    TextRow<Server, &Server::m_serverModelFolder>(u"folder", Form::kServerFolder, false),
};

template <class Set>
CZorbXmlObject* Create() {
  return new Set();
}

}  // namespace

struct SetKind {
  const char16_t* element;
  const std::type_info& type;
  CZorbXmlObject* (*create)();
  bool help;
  Others others;
  const Row* rows;
  size_t count;
};

struct ChangeKind {
  const char16_t* element;
  const std::type_info& type;
  CZorbXmlObject* (*create)();
  bool inSet;
  bool opens;
  Others others;
  const Row* rows;
  size_t count;
};

namespace {

template <class Set>
constexpr SetKind PlainSet(const char16_t* element, bool help = false) {
  return SetKind{element, typeid(Set), &Create<Set>, help, Others::kNotRead, nullptr, 0};
}

template <class Set>
constexpr SetKind ServerSet(const char16_t* element) {
  return SetKind{element,
                 typeid(Set),
                 &Create<Set>,
                 false,
                 Others::kWarned,
                 kServerSetRows,
                 std::size(kServerSetRows)};
}

const SetKind kSetKinds[] = {
    PlainSet<CZorbMasterConfigChanges>(u"configuration-changes"),
    PlainSet<CZorbStandardHelpChanges>(u"help-changes", true),
    SetKind{u"toolbar-changes", typeid(CZorbToolbarConfigChanges),
            &Create<CZorbToolbarConfigChanges>, false, Others::kIgnored, kToolbarSetRows,
            std::size(kToolbarSetRows)},
    PlainSet<CZorbToolpanelConfigChanges>(u"toolpanel-changes"),
    PlainSet<CZorbInsertbarConfigChanges>(u"insertbar-changes"),
    ServerSet<CZorbServerBehaviorChanges>(u"server-behavior-changes"),
    ServerSet<CZorbServerFormatChanges>(u"server-format-changes"),
    ServerSet<CZorbServerFormatDefinitionChanges>(u"server-format-definition-changes"),
    ServerSet<CZorbDataSourceChanges>(u"data-source-changes"),
    PlainSet<CZorbDocumentTypeConfigChanges>(u"documenttype-changes"),
    PlainSet<CZorbTagLibraryConfigChanges>(u"taglibrary-changes"),
    PlainSet<CZorbHelpBookChanges>(u"helpbook-changes", true),
    PlainSet<CZorbSourceFormatChanges>(u"source-format-changes"),
    PlainSet<CZorbFTPExtensionMapChanges>(u"FTP-extension-map-changes"),
    PlainSet<CZorbExtensionsChanges>(u"extensions-changes"),
};

// --- changes --------------------------------------------------------------

using MenuInsert = CZorbMenuChangeInsert;

// Four families of spellings, one per place; the first of each is written.
constexpr Row kMenuInsertRows[] = {
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"insertBefore", 1,
                                                                              true),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"insertBeforeId", 1,
                                                                              false),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"insertBeforeMenu",
                                                                              1, false),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"insertBeforeMenuId",
                                                                              1, false),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"insertAfter", 2,
                                                                              true),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"insertAfterId", 2,
                                                                              false),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"insertAfterMenu", 2,
                                                                              false),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"insertAfterMenuId",
                                                                              2, false),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"prependTo", 3,
                                                                              true),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"prependToId", 3,
                                                                              false),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"prependToMenu", 3,
                                                                              false),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"prependToMenuId", 3,
                                                                              false),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"appendTo", 4, true),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"appendToId", 4,
                                                                              false),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"appendToMenu", 4,
                                                                              false),
    PositionRow<MenuInsert, &MenuInsert::m_position, &MenuInsert::m_targetId>(u"appendToMenuId", 4,
                                                                              false),
    FlagRow<MenuInsert, &MenuInsert::m_skipSeparator>(u"skipSeparator"),
    LocaleRow(),
};

constexpr Row kMenuRemoveRows[] = {
    TextRow<CZorbMenuChangeRemove, &CZorbMenuChangeRemove::m_id>(u"id", Form::kTextAlways),
    TextRow<CZorbMenuChangeRemove, &CZorbMenuChangeRemove::m_id>(u"menuid", Form::kTextAlways,
                                                                 false),
    LocaleRow(),
};

constexpr Row kShortcutInsertRows[] = {
    TextRow<CZorbShortcutChangeInsert, &CZorbShortcutChangeInsert::m_listId>(u"listId",
                                                                             Form::kTextAlways),
    LocaleRow(),
};

// A remove that names its target by id.
template <class Remove>
constexpr Row kIdRows[] = {
    TextRow<Remove, &Remove::m_id>(u"id", Form::kTextAlways),
    LocaleRow(),
};

using ElementInsert = CZorbSourceFormatChangeElementInsert;
constexpr Row kElementInsertRows[] = {
    TextRow<ElementInsert, &ElementInsert::m_name>(u"name", Form::kTextAlways),
    TextRow<ElementInsert, &ElementInsert::m_break>(u"break"),
    NumberRow<ElementInsert, &ElementInsert::m_indent>(u"indent", Form::kTriState),
    NumberRow<ElementInsert, &ElementInsert::m_indentGroup>(u"indentGroup", Form::kNumber),
    TextRow<ElementInsert, &ElementInsert::m_namecase>(u"namecase"),
    NumberRow<ElementInsert, &ElementInsert::m_noformat>(u"noformat", Form::kTriState),
    LocaleRow(),
};

using AttributeInsert = CZorbSourceFormatChangeAttributeInsert;
constexpr Row kAttributeInsertRows[] = {
    TextRow<AttributeInsert, &AttributeInsert::m_name>(u"name", Form::kTextAlways),
    TextRow<AttributeInsert, &AttributeInsert::m_namecase>(u"namecase"),
    NumberRow<AttributeInsert, &AttributeInsert::m_samecase>(u"samecase", Form::kTriState),
    LocaleRow(),
};

// element-remove and attribute-remove.
template <class Remove>
constexpr Row kNameRows[] = {
    TextRow<Remove, &Remove::m_name>(u"name", Form::kTextAlways),
    LocaleRow(),
};

using FtpInsert = CZorbFTPExtensionMapChangeInsert;
// The locale is kept too, so a change for one language stays one.
constexpr Row kFtpInsertRows[] = {
    TextRow<FtpInsert, &FtpInsert::m_extension>(u"extension", Form::kTextAlways),
    TextRow<FtpInsert, &FtpInsert::m_macCreator>(u"mac-creator", Form::kTextAlways),
    TextRow<FtpInsert, &FtpInsert::m_macFileType>(u"mac-file-type", Form::kTextAlways),
    NumberRow<FtpInsert, &FtpInsert::m_ascii>(u"type", Form::kTransfer),
    LocaleRow(),
};

using FtpRemove = CZorbFTPExtensionMapChangeRemove;
constexpr Row kFtpRemoveRows[] = {
    TextRow<FtpRemove, &FtpRemove::m_extension>(u"extension", Form::kTextAlways),
    LocaleRow(),
};

// extension-insert, and extension-remove, which derives from it.
using ExtensionsInsert = CZorbExtensionsChangeInsert;
constexpr Row kExtensionsRows[] = {
    TextRow<ExtensionsInsert, &ExtensionsInsert::m_extension>(u"extension", Form::kTextAlways),
    TextRow<ExtensionsInsert, &ExtensionsInsert::m_description>(u"description", Form::kTextAlways),
    LocaleRow(),
};

constexpr Row kLocaleRows[] = {LocaleRow()};

using InsertbarInsert = CZorbInsertbarChangeInsert;
constexpr Row kInsertbarInsertRows[] = {
    PositionRow<InsertbarInsert, &InsertbarInsert::m_position, &InsertbarInsert::m_id>(
        u"insertBefore", 1, true),
    PositionRow<InsertbarInsert, &InsertbarInsert::m_position, &InsertbarInsert::m_id>(
        u"insertAfter", 2, true),
    LocaleRow(),
};

// toolbar-item-insert and insertbar-item-insert: the place, then the
// toolbar or category that takes items whose place is missing.
template <class Insert>
constexpr Row PlaceRow(const char16_t* name, int32_t position) {
  return PositionRow<Insert, &Insert::m_position, &Insert::m_id>(name, position, true);
}

using ToolbarItemInsert = CZorbToolbarItemChangeInsert;
constexpr Row kToolbarItemInsertRows[] = {
    PlaceRow<ToolbarItemInsert>(u"insertBefore", 1),
    PlaceRow<ToolbarItemInsert>(u"insertAfter", 2),
    PlaceRow<ToolbarItemInsert>(u"prependTo", 3),
    PlaceRow<ToolbarItemInsert>(u"appendTo", 4),
    TextRow<ToolbarItemInsert, &ToolbarItemInsert::m_toolbarId>(u"toolbar"),
    LocaleRow(),
};

using InsertbarItemInsert = CZorbInsertbarItemChangeInsert;
constexpr Row kInsertbarItemInsertRows[] = {
    PlaceRow<InsertbarItemInsert>(u"insertBefore", 1),
    PlaceRow<InsertbarItemInsert>(u"insertAfter", 2),
    PlaceRow<InsertbarItemInsert>(u"prependTo", 3),
    PlaceRow<InsertbarItemInsert>(u"appendTo", 4),
    TextRow<InsertbarItemInsert, &InsertbarItemInsert::m_categoryId>(u"category"),
    LocaleRow(),
};

template <class Change>
constexpr ChangeKind Kind(const char16_t* element, bool inSet, bool opens, Others others,
                          const Row* rows, size_t count) {
  return ChangeKind{element, typeid(Change), &Create<Change>, inSet, opens, others, rows, count};
}

template <class Change, size_t N>
constexpr ChangeKind Kind(const char16_t* element, bool inSet, bool opens, Others others,
                          const Row (&rows)[N]) {
  return Kind<Change>(element, inSet, opens, others, rows, N);
}

constexpr bool kInSet = true;
constexpr bool kAnyNode = false;
constexpr bool kOpens = true;
constexpr bool kAlone = false;

const ChangeKind kChangeKinds[] = {
    Kind<CZorbMenuChangeRemove>(u"menu-remove", kInSet, kAlone, Others::kWarned, kMenuRemoveRows),
    Kind<MenuInsert>(u"menu-insert", kInSet, kOpens, Others::kWarned, kMenuInsertRows),
    Kind<CZorbShortcutChangeRemove>(u"shortcut-remove", kInSet, kAlone, Others::kWarned,
                                    kIdRows<CZorbShortcutChangeRemove>),
    Kind<CZorbShortcutChangeInsert>(u"shortcut-insert", kInSet, kOpens, Others::kWarned,
                                    kShortcutInsertRows),
    Kind<ElementInsert>(u"element-insert", kInSet, kAlone, Others::kWarned, kElementInsertRows),
    Kind<CZorbSourceFormatChangeElementRemove>(u"element-remove", kInSet, kAlone, Others::kIgnored,
                                               kNameRows<CZorbSourceFormatChangeElementRemove>),
    Kind<AttributeInsert>(u"attribute-insert", kInSet, kAlone, Others::kWarned,
                          kAttributeInsertRows),
    Kind<CZorbSourceFormatChangeAttributeRemove>(u"attribute-remove", kInSet, kAlone,
                                                 Others::kIgnored,
                                                 kNameRows<CZorbSourceFormatChangeAttributeRemove>),
    Kind<FtpInsert>(u"FTP-extension-insert", kInSet, kAlone, Others::kWarned, kFtpInsertRows),
    Kind<FtpRemove>(u"FTP-extension-remove", kInSet, kAlone, Others::kWarned, kFtpRemoveRows),
    Kind<CZorbExtensionsChangeInsert>(u"extension-insert", kInSet, kAlone, Others::kWarned,
                                      kExtensionsRows),
    Kind<CZorbExtensionsChangeRemove>(u"extension-remove", kInSet, kAlone, Others::kWarned,
                                      kExtensionsRows),
    Kind<CZorbDocumentTypeChangeRemove>(u"documenttype-remove", kInSet, kAlone, Others::kWarned,
                                        kIdRows<CZorbDocumentTypeChangeRemove>),
    Kind<CZorbDocumentTypeChangeInsert>(u"documenttype-insert", kInSet, kOpens, Others::kIgnored,
                                        kLocaleRows),
    Kind<CZorbTagLibraryChangeRemove>(u"taglibrary-remove", kInSet, kAlone, Others::kWarned,
                                      kIdRows<CZorbTagLibraryChangeRemove>),
    Kind<CZorbTagLibraryChangeInsert>(u"taglibrary-insert", kInSet, kOpens, Others::kIgnored,
                                      kLocaleRows),
    Kind<CZorbHelpBookChangeRemove>(u"helpbook-remove", kAnyNode, kAlone, Others::kWarned,
                                    kIdRows<CZorbHelpBookChangeRemove>),
    Kind<CZorbHelpBookChangeInsert>(u"helpbook-insert", kAnyNode, kOpens, Others::kIgnored,
                                    kLocaleRows),
    Kind<CZorbToolbarChangeInsert>(u"toolbar-insert", kAnyNode, kOpens, Others::kIgnored,
                                   kLocaleRows),
    Kind<InsertbarInsert>(u"insertbar-insert", kAnyNode, kOpens, Others::kIgnored,
                          kInsertbarInsertRows),
    Kind<ToolbarItemInsert>(u"toolbar-item-insert", kAnyNode, kOpens, Others::kIgnored,
                            kToolbarItemInsertRows),
    Kind<InsertbarItemInsert>(u"insertbar-item-insert", kAnyNode, kOpens, Others::kIgnored,
                              kInsertbarItemInsertRows),
    Kind<CZorbToolbarChangeRemove>(u"toolbar-remove", kAnyNode, kOpens, Others::kIgnored,
                                   kIdRows<CZorbToolbarChangeRemove>),
    Kind<CZorbToolbarItemChangeRemove>(u"toolbar-item-remove", kAnyNode, kOpens, Others::kIgnored,
                                       kIdRows<CZorbToolbarItemChangeRemove>),
    Kind<CZorbInsertbarChangeRemove>(u"insertbar-remove", kAnyNode, kOpens, Others::kIgnored,
                                     kIdRows<CZorbInsertbarChangeRemove>),
    Kind<CZorbInsertbarItemChangeRemove>(u"insertbar-item-remove", kAnyNode, kOpens,
                                         Others::kIgnored, kIdRows<CZorbInsertbarItemChangeRemove>),
};

bool Is(const char16_t* name, const char16_t* expected) {
  return name && cfgxml::NameIs(name, expected);
}

void ReadRow(const Row& row, CZorbXmlObject& node, const char16_t* element, const CString& value,
             const Messages& messages) {
  switch (row.form) {
    case Form::kText:
    case Form::kTextAlways:
    case Form::kFileName:
      if (CString* text = row.text(node)) *text = value;
      break;
    case Form::kPosition:
      if (CString* text = row.text(node)) *text = value;
      if (int32_t* number = row.number(node)) *number = row.position;
      break;
    case Form::kFlag:
      if (bool* flag = row.flag(node)) *flag = ReadBoolean(row.name, element, value, messages);
      break;
    case Form::kTriState:
      if (int32_t* number = row.number(node))
        *number = ReadBoolean(row.name, element, value, messages) ? 1 : 2;
      break;
    case Form::kNumber:
      if (int32_t* number = row.number(node))
        *number = platform::wtoi(value.Get() ? value.Get() : u"");
      break;
    case Form::kTransfer:
      if (int32_t* number = row.number(node)) {
        if (value.CompareNoCase(u"ascii") == 0) *number = 1;
        if (value.CompareNoCase(u"binary") == 0) *number = 0;
      }
      break;
    case Form::kServerFolder:
      if (auto* server = dynamic_cast<CZorbServerConfigChanges*>(&node))
        server->SetServerModelFolder(value.Get() ? value.Get() : u"");
      break;
  }
}

void ReadAttribute(const Row* rows, size_t count, Others others, CZorbXmlObject& node,
                   const char16_t* element, const char16_t* name, const CString& value,
                   const Messages& messages) {
  if (others == Others::kNotRead || !name) return;
  for (size_t i = 0; i < count; ++i) {
    if (!Is(name, rows[i].name)) continue;
    ReadRow(rows[i], node, element, value, messages);
    return;
  }
  if (others == Others::kWarned) messages.UnknownAttribute(name);
}

void WriteRows(const Row* rows, size_t count, const CZorbXmlObject& node, CString& out) {
  auto& field = const_cast<CZorbXmlObject&>(node);
  for (size_t i = 0; i < count; ++i) {
    const Row& row = rows[i];
    if (!row.written) continue;
    switch (row.form) {
      case Form::kText:
      case Form::kServerFolder:
        if (const CString* text = row.text(field); text && text->GetLength() > 0)
          AppendAttribute(out, row.name, *text);
        break;
      case Form::kTextAlways:
        if (const CString* text = row.text(field)) AppendAttribute(out, row.name, *text);
        break;
      case Form::kFileName:
        if (const CString* text = row.text(field);
            text && text->GetLength() > 0 &&
            text->CompareNoCase(CZorbToolbarConfigChanges::kDefaultFileName) != 0)
          AppendAttribute(out, row.name, *text);
        break;
      case Form::kPosition:
        if (const int32_t* number = row.number(field); number && *number == row.position) {
          const CString* text = row.text(field);
          AppendAttribute(out, row.name, text ? *text : CString());
        }
        break;
      case Form::kFlag:
        if (const bool* flag = row.flag(field); flag && *flag)
          AppendAttribute(out, row.name, CString(u"true"));
        break;
      case Form::kTriState:
        if (const int32_t* number = row.number(field); number && (*number == 1 || *number == 2))
          AppendAttribute(out, row.name, CString(*number == 1 ? u"true" : u"false"));
        break;
      case Form::kNumber:
        if (const int32_t* number = row.number(field)) {
          const std::string digits = std::to_string(*number);
          AppendAttribute(out, row.name,
                          CString(std::u16string(digits.begin(), digits.end()).c_str()));
        }
        break;
      case Form::kTransfer:
        if (const int32_t* number = row.number(field))
          AppendAttribute(out, row.name, CString(*number ? u"ASCII" : u"BINARY"));
        break;
    }
  }
}

void AppendIndent(CString& out, int level) {
  for (int i = 0; i < level; ++i) out += u'\t';
}

void AppendTag(const CZorbXmlObject& node, CString& tag) {
  node.GetTag(tag);
}

// An element with its children between its start and end tag, or an empty
// one without children.
void AppendContainer(const CZorbXmlObject& node, const CString& attributes, int level,
                     CString& out) {
  CString tag;
  AppendTag(node, tag);
  AppendIndent(out, level);
  out += u'<';
  out += tag;
  out += attributes;
  if (node.m_children.empty()) {
    out += u" />\r";
    return;
  }
  out += u">\r";
  AppendChildren(node, level, out);
  AppendIndent(out, level);
  out += u"</";
  out += tag;
  out += u">\r";
}

void AppendText(const CZorbXmlObject& node, int level, CString& out) {
  if (node.m_isCData || NeedsCData(node.m_text)) {
    out += u'\r';
    AppendIndent(out, level + 1);
    out += u"<![CDATA[";
    out += CDataText(node.m_text);
    out += u"]]>\r";
    AppendIndent(out, level);
  } else {
    out += node.m_text;
  }
}

// As the XML tree writes an element, with values in the description's form.
void AppendGeneric(const CZorbXmlObject& node, const CString& attributes, int level, CString& out) {
  CString tag;
  AppendTag(node, tag);
  AppendIndent(out, level);
  out += u'<';
  out += tag;
  out += attributes;
  for (const auto& [name, value] : node.m_attributes)
    AppendAttribute(out, name.c_str(), CString(value.c_str(), static_cast<uint32_t>(value.size())));

  const bool hasText = node.m_text.GetLength() > 0;
  if (!hasText && node.m_children.empty() && !node.m_hasEndTag) {
    out += u" />\r";
    return;
  }
  out += u'>';
  if (hasText)
    AppendText(node, level, out);
  else
    out += u'\r';
  AppendChildren(node, level, out);
  if (!hasText) AppendIndent(out, level);
  out += u"</";
  out += tag;
  out += u">\r";
}

// A comment element, which the reader makes a comment node again.
void AppendComment(const CZorbXmlComment& comment, int level, CString& out) {
  AppendIndent(out, level);
  if (comment.m_comment.GetLength() == 0) {
    out += u"<comment />\r";
    return;
  }
  out += u"<comment>";
  if (NeedsCData(comment.m_comment)) {
    out += u"<![CDATA[";
    out += CDataText(comment.m_comment);
    out += u"]]>";
  } else {
    out += comment.m_comment;
  }
  out += u"</comment>\r";
}

const SetKind* SetKindOf(const CZorbXmlObject& node) {
  for (const SetKind& kind : kSetKinds)
    if (typeid(node) == kind.type) return &kind;
  return nullptr;
}

const ChangeKind* ChangeKindOf(const CZorbXmlObject& node) {
  for (const ChangeKind& kind : kChangeKinds)
    if (typeid(node) == kind.type) return &kind;
  return nullptr;
}

bool KeepsOthers(const cfgnode::Table& table) {
  if (table.shared && KeepsOthers(*table.shared)) return true;
  for (size_t i = 0; i < table.count; ++i)
    if (table.rows[i].form == cfgnode::Form::kOthers) return true;
  return false;
}

// A node's attributes in its table's order, each in the form the
// description reader gives back. A bare word is written with its value, so
// "false" stays "false".
void WriteNodeAttributes(const cfgnode::Table& table, const CZorbXmlObject& node, CString& out) {
  using cfgnode::Form;
  if (table.shared) WriteNodeAttributes(*table.shared, node, out);
  auto& field = const_cast<CZorbXmlObject&>(node);
  for (size_t i = 0; i < table.count; ++i) {
    const cfgnode::Attribute& row = table.rows[i];
    switch (row.form) {
      case Form::kText:
      case Form::kBareWord:
        if (const CString* text = row.text(field); text && text->GetLength() > 0)
          AppendAttribute(out, row.name, *text);
        break;
      case Form::kTextAlways:
        if (const CString* text = row.text(field)) AppendAttribute(out, row.name, *text);
        break;
      case Form::kHiddenWhenFalse:
        if (const bool* flag = row.flag(field); flag && !*flag)
          AppendAttribute(out, row.name, CString(u"hidden"));
        break;
      case Form::kFalseWhenFalse:
        if (const bool* flag = row.flag(field); flag && !*flag)
          AppendAttribute(out, row.name, CString(u"false"));
        break;
      case Form::kTrueWhenTrue:
        if (const bool* flag = row.flag(field); flag && *flag)
          AppendAttribute(out, row.name, CString(u"true"));
        break;
      case Form::kReferences:
        if (const auto* separator = dynamic_cast<const CZorbExtensionMenuSeparator*>(&node)) {
          CString joined;
          for (const CString& reference : separator->m_references) {
            if (reference.GetLength() == 0) continue;
            if (joined.GetLength() > 0) joined += u',';
            joined += reference;
          }
          if (joined.GetLength() > 0) AppendAttribute(out, row.name, joined);
        }
        break;
      case Form::kOthers:
        for (const auto& [name, value] : node.m_attributes)
          AppendAttribute(out, name.c_str(),
                          CString(value.c_str(), static_cast<uint32_t>(value.size())));
        break;
      case Form::kNotAnAttribute:
        break;
    }
  }
}

// The description children that write their own element line.
bool WritesItself(const CZorbXmlObject& node) {
  return dynamic_cast<const CZorbExtensionFile*>(&node) ||
         dynamic_cast<const CZorbExtensionProduct*>(&node) ||
         dynamic_cast<const CZorbExtensionToken*>(&node) ||
         dynamic_cast<const CZorbExtensionSignInfo*>(&node) ||
         dynamic_cast<const CZorbExtensionUpdateInfo*>(&node);
}

}  // namespace

const SetKind* FindSetKind(const char16_t* element) {
  for (const SetKind& kind : kSetKinds)
    if (Is(element, kind.element)) return &kind;
  return nullptr;
}

CZorbXmlObject* NewSet(const SetKind& kind) {
  return kind.create();
}

bool IsHelpSet(const SetKind& kind) {
  return kind.help;
}

void ReadSetAttribute(const SetKind& kind, CZorbXmlObject& set, const char16_t* element,
                      const char16_t* name, const CString& value, const Messages& messages) {
  ReadAttribute(kind.rows, kind.count, kind.others, set, element, name, value, messages);
}

const ChangeKind* FindChangeKind(const char16_t* element) {
  for (const ChangeKind& kind : kChangeKinds)
    if (Is(element, kind.element)) return &kind;
  return nullptr;
}

bool NeedsSet(const ChangeKind& kind) {
  return kind.inSet;
}

bool Opens(const ChangeKind& kind) {
  return kind.opens;
}

CZorbXmlObject* NewChange(const ChangeKind& kind) {
  return kind.create();
}

void ReadChangeAttribute(const ChangeKind& kind, CZorbXmlObject& change, const char16_t* element,
                         const char16_t* name, const CString& value, const Messages& messages) {
  ReadAttribute(kind.rows, kind.count, kind.others, change, element, name, value, messages);
}

CZorbXmlObject* HostNodeOwner(CZorbXmlObject* top) {
  if (!top) return nullptr;
  if (ChangeKindOf(*top)) return top;
  if (!SetKindOf(*top) || top->m_children.empty()) return nullptr;
  CZorbXmlObject* last = top->m_children.back();
  const ChangeKind* kind = last ? ChangeKindOf(*last) : nullptr;
  return kind && !kind->opens ? last : nullptr;
}

NodeHolder HolderOf(const char16_t* element) {
  for (const char16_t* name : {u"menubar", u"menu", u"menuitem", u"format", u"separator"})
    if (Is(element, name)) return NodeHolder::kMenuInsert;
  for (const char16_t* name : {u"shortcutlist", u"shortcut"})
    if (Is(element, name)) return NodeHolder::kShortcutInsert;
  return NodeHolder::kNone;
}

CZorbXmlObject* NewNode(const char16_t* element) {
  return HolderOf(element) == NodeHolder::kNone ? nullptr : cfgnode::CreateNode(element);
}

void ReadNodeAttribute(CZorbXmlObject& node, const char16_t* name, const CString& value,
                       const Messages& messages) {
  const cfgnode::Table* table = cfgnode::TableOf(node);
  if (!table || !name) return;
  if (!cfgnode::ReadAttribute(*table, node, name, value.Get() ? value.Get() : u"") &&
      !KeepsOthers(*table))
    messages.UnknownAttribute(name);
}

void FinishNode(CZorbXmlObject& node) {
  CString* file = nullptr;
  if (auto* item = dynamic_cast<CZorbExtensionMenuItem*>(&node)) file = &item->m_file;
  if (auto* format = dynamic_cast<CZorbExtensionServerFormat*>(&node)) file = &format->m_file;
  if (auto* shortcut = dynamic_cast<CZorbExtensionShortcut*>(&node)) file = &shortcut->m_file;
  if (!file) return;
  file->Replace(u':', u'/');
  file->Replace(u'\\', u'/');
}

void AppendChildren(const CZorbXmlObject& node, int level, CString& out) {
  for (const CZorbXmlObject* child : node.m_children)
    if (child) AppendNode(*child, level + 1, out);
}

void AppendNode(const CZorbXmlObject& node, int level, CString& out) {
  if (const auto* comment = dynamic_cast<const CZorbXmlComment*>(&node)) {
    AppendComment(*comment, level, out);
    return;
  }
  if (const SetKind* kind = SetKindOf(node)) {
    CString attributes;
    WriteRows(kind->rows, kind->count, node, attributes);
    AppendContainer(node, attributes, level, out);
    return;
  }
  if (const ChangeKind* kind = ChangeKindOf(node)) {
    CString attributes;
    WriteRows(kind->rows, kind->count, node, attributes);
    AppendContainer(node, attributes, level, out);
    return;
  }
  if (const auto* button = dynamic_cast<const CZorbExtensionButton*>(&node)) {
    CString attributes;
    if (button->m_labelResId.GetLength() > 0)
      AppendAttribute(attributes, u"resid:label", button->m_labelResId);
    AppendGeneric(node, attributes, level, out);
    return;
  }
  if (const cfgnode::Table* table = cfgnode::TableOf(node)) {
    CString attributes;
    WriteNodeAttributes(*table, node, attributes);
    AppendContainer(node, attributes, level, out);
    return;
  }
  if (WritesItself(node)) {
    node.BuildXml(level, out);
    return;
  }
  AppendGeneric(node, CString(), level, out);
}

}  // namespace kxi
