#include "config/tests/ChangeSetReader.h"

#include <functional>
#include <map>
#include <string>

#include "config/CZorbDataSourceChanges.h"
#include "config/CZorbDocumentTypeChangeInsert.h"
#include "config/CZorbDocumentTypeConfigChanges.h"
#include "config/CZorbExtensionsChanges.h"
#include "config/CZorbFTPExtensionMapChanges.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbMenuChangeInsert.h"
#include "config/CZorbMenuChangeRemove.h"
#include "config/CZorbMenusXMLParser.h"
#include "config/CZorbServerBehaviorChanges.h"
#include "config/CZorbServerFormatChanges.h"
#include "config/CZorbServerFormatDefinitionChanges.h"
#include "config/CZorbShortcutChangeInsert.h"
#include "config/CZorbShortcutChangeRemove.h"
#include "config/CZorbSourceFormatChanges.h"
#include "config/CZorbTagLibraryChangeInsert.h"
#include "config/CZorbTagLibraryConfigChanges.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "config/CZorbToolpanelConfigChanges.h"
#include "config/ConfigNodeTable.h"
#include "config/ConfigXml.h"
#include "foundation/CZorbXMLParser.h"

namespace configtest {

namespace {

bool Is(const char16_t* name, const char16_t* expected) {
  return cfgxml::EqualsNoCase(CString(name), expected);
}

CZorbConfigChanges* NewSet(const char16_t* tag) {
  static const std::map<std::u16string, std::function<CZorbConfigChanges*()>> factories = {
      {u"configuration-changes", [] { return new CZorbMasterConfigChanges(); }},
      {u"toolbar-changes", [] { return new CZorbToolbarConfigChanges(); }},
      {u"insertbar-changes", [] { return new CZorbInsertbarConfigChanges(); }},
      {u"taglibrary-changes", [] { return new CZorbTagLibraryConfigChanges(); }},
      {u"documenttype-changes", [] { return new CZorbDocumentTypeConfigChanges(); }},
      {u"extensions-changes", [] { return new CZorbExtensionsChanges(); }},
      {u"ftp-extension-map-changes", [] { return new CZorbFTPExtensionMapChanges(); }},
      {u"source-format-changes", [] { return new CZorbSourceFormatChanges(); }},
      {u"data-source-changes", [] { return new CZorbDataSourceChanges(); }},
      {u"server-format-definition-changes",
       [] { return new CZorbServerFormatDefinitionChanges(); }},
      {u"server-format-changes", [] { return new CZorbServerFormatChanges(); }},
      {u"server-behavior-changes", [] { return new CZorbServerBehaviorChanges(); }},
      {u"toolpanel-changes", [] { return new CZorbToolpanelConfigChanges(); }},
  };
  auto it = factories.find(tag);
  return it == factories.end() ? nullptr : it->second();
}

int PositionOf(const char16_t* attr) {
  static const char16_t* const families[4] = {u"insertBefore", u"insertAfter", u"prependTo",
                                              u"appendTo"};
  static const char16_t* const suffixes[4] = {u"", u"Id", u"Menu", u"MenuId"};
  for (int family = 0; family < 4; ++family)
    for (const char16_t* suffix : suffixes) {
      CString name(families[family]);
      name += suffix;
      if (Is(attr, name.Get())) return family + 1;
    }
  return 0;
}

class Reader : public CZorbXMLParser {
 public:
  std::vector<std::unique_ptr<CZorbConfigChanges>> sets;

  void OnElementStart(const char16_t* name, const char16_t** attrs) override {
    if (m_open.empty()) {
      if (CZorbConfigChanges* set = NewSet(name)) {
        ReadSet(set, attrs);
        sets.emplace_back(set);
        m_open.push_back(set);
      }
      return;
    }
    CZorbXmlObject* top = m_open.back();
    CZorbXmlObject* object =
        top == sets.back().get() ? NewChange(name, attrs) : NewNode(name, attrs);
    if (!object) return;
    // As the description reader does: every object under the one it is in.
    top->m_children.push_back(object);
    m_open.push_back(object);
  }

  void OnElementEnd(const char16_t* name) override {
    if (m_open.empty()) return;
    CString tag;
    m_open.back()->GetTag(tag);
    if (cfgxml::EqualsNoCase(tag, name)) m_open.pop_back();
  }

  void OnComment(const char16_t* text) override {
    if (m_open.size() < 2) return;
    auto* comment = new CZorbXmlComment(text);
    cfgxml::Trim(comment->m_comment);
    m_open.back()->m_children.push_back(comment);
  }

 private:
  void ReadSet(CZorbConfigChanges* set, const char16_t** attrs) {
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (auto* server = dynamic_cast<CZorbServerConfigChanges*>(set);
          server && Is(attr, u"servermodelfolder"))
        server->SetServerModelFolder(value);
      if (auto* toolbar = dynamic_cast<CZorbToolbarConfigChanges*>(set);
          toolbar && Is(attr, u"file"))
        toolbar->m_fileName = value;
    }
  }

  CZorbConfigChange* NewChange(const char16_t* name, const char16_t** attrs) {
    if (Is(name, u"menu-insert")) {
      auto* insert = new CZorbMenuChangeInsert();
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
        const char16_t* value = GetValue();
        if (int position = PositionOf(attr)) {
          insert->m_position = position;
          insert->m_targetId = value;
        } else if (Is(attr, u"skipSeparator")) {
          insert->m_skipSeparator = cfgxml::IsTrueValue(value);
        } else if (Is(attr, u"xml:lang")) {
          insert->m_locale = value;
        }
      }
      return insert;
    }
    CZorbConfigChange* change = nullptr;
    CString* id = nullptr;
    if (Is(name, u"menu-remove")) {
      auto* remove = new CZorbMenuChangeRemove();
      id = &remove->m_id;
      change = remove;
    } else if (Is(name, u"shortcut-insert")) {
      auto* insert = new CZorbShortcutChangeInsert();
      id = &insert->m_listId;
      change = insert;
    } else if (Is(name, u"shortcut-remove")) {
      auto* remove = new CZorbShortcutChangeRemove();
      id = &remove->m_id;
      change = remove;
    } else if (Is(name, u"documenttype-insert")) {
      change = new CZorbDocumentTypeChangeInsert();
    } else if (Is(name, u"taglibrary-insert")) {
      change = new CZorbTagLibraryChangeInsert();
    }
    if (!change) return nullptr;
    for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
      const char16_t* value = GetValue();
      if (id && (Is(attr, u"id") || Is(attr, u"listid"))) *id = value;
      if (Is(attr, u"xml:lang")) change->m_locale = value;
    }
    return change;
  }

  // The nodes of the menus files through their tables; any other element
  // (a registry's entry) as a plain element.
  CZorbXmlObject* NewNode(const char16_t* name, const char16_t** attrs) {
    CZorbXmlObject* node = cfgnode::CreateNode(name);
    if (!node) {
      node = new CZorbXmlObject(name);
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr())
        node->SetAttribute(attr, GetValue());
      return node;
    }
    if (const cfgnode::Table* table = cfgnode::TableOf(*node))
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr())
        cfgnode::ReadAttribute(*table, *node, attr, GetValue());
    return node;
  }

  std::vector<CZorbXmlObject*> m_open;
};

}  // namespace

std::vector<std::unique_ptr<CZorbConfigChanges>> ReadChangeSets(const CString& text) {
  CString document(u"<wrapper>");
  document += text;
  document += u"</wrapper>";
  // The nodes are written in the host files' own syntax (raw ampersands,
  // script fragments, the bare word dynamic): read them as the menus-file
  // reader does.
  CZorbMenusXMLParser(nullptr).OnPreProcessLine(document);
  Reader reader;
  if (reader.Parse(document.Get(), document.GetLength(), true) != 1) return {};
  return std::move(reader.sets);
}

CString Written(const CZorbXmlObject& node) {
  CString text;
  node.BuildXml(0, text);
  return text;
}

}  // namespace configtest
