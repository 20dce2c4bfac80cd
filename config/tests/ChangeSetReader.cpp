#include "config/tests/ChangeSetReader.h"

#include <functional>
#include <map>
#include <string>

#include "config/CZorbDataSourceChanges.h"
#include "config/CZorbDocumentTypeConfigChanges.h"
#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbExtensionsChanges.h"
#include "config/CZorbFTPExtensionMapChanges.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbMenuChangeInsert.h"
#include "config/CZorbMenuChangeRemove.h"
#include "config/CZorbServerBehaviorChanges.h"
#include "config/CZorbServerFormatChanges.h"
#include "config/CZorbServerFormatDefinitionChanges.h"
#include "config/CZorbShortcutChangeInsert.h"
#include "config/CZorbShortcutChangeRemove.h"
#include "config/CZorbSourceFormatChanges.h"
#include "config/CZorbTagLibraryConfigChanges.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "config/CZorbToolpanelConfigChanges.h"
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
    if (!m_set) {
      if (CZorbConfigChanges* set = NewSet(name)) {
        ReadSet(set, attrs);
        sets.emplace_back(set);
        m_set = set;
      }
      return;
    }
    if (!m_change) {
      m_change = NewChange(name, attrs);
      if (m_change) m_set->m_children.push_back(m_change);
      return;
    }
    if (CZorbXmlObject* node = NewNode(name, attrs)) m_change->m_children.push_back(node);
  }

  void OnElementEnd(const char16_t* name) override {
    CString tag;
    if (m_change) {
      m_change->GetTag(tag);
      if (cfgxml::EqualsNoCase(tag, name)) m_change = nullptr;
      return;
    }
    if (m_set) {
      m_set->GetTag(tag);
      if (cfgxml::EqualsNoCase(tag, name)) m_set = nullptr;
    }
  }

  void OnComment(const char16_t* text) override {
    if (!m_change) return;
    auto* comment = new CZorbXmlComment(text);
    cfgxml::Trim(comment->m_comment);
    m_change->m_children.push_back(comment);
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
    CZorbConfigChange* change = nullptr;
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
    if (Is(name, u"menu-remove")) {
      auto* remove = new CZorbMenuChangeRemove();
      change = remove;
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
        const char16_t* value = GetValue();
        if (Is(attr, u"id")) remove->m_id = value;
        if (Is(attr, u"xml:lang")) remove->m_locale = value;
      }
    } else if (Is(name, u"shortcut-insert")) {
      auto* insert = new CZorbShortcutChangeInsert();
      change = insert;
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
        const char16_t* value = GetValue();
        if (Is(attr, u"listid")) insert->m_listId = value;
        if (Is(attr, u"xml:lang")) insert->m_locale = value;
      }
    } else if (Is(name, u"shortcut-remove")) {
      auto* remove = new CZorbShortcutChangeRemove();
      change = remove;
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
        const char16_t* value = GetValue();
        if (Is(attr, u"id")) remove->m_id = value;
        if (Is(attr, u"xml:lang")) remove->m_locale = value;
      }
    }
    return change;
  }

  // The attributes the menu nodes share.
  static bool ReadBase(CZorbExtensionMenuBase* node, const char16_t* attr, const char16_t* value) {
    if (Is(attr, u"id"))
      node->m_id = value;
    else if (Is(attr, u"qqstring:name"))
      node->m_qqStringName = value;
    else if (Is(attr, u"platform"))
      node->m_platform = value;
    else if (Is(attr, u"app"))
      node->m_app = value;
    else if (Is(attr, u"showif"))
      node->m_showif = value;
    else if (Is(attr, u"resid:name"))
      node->m_resourceName = value;
    else
      return false;
    return true;
  }

  CZorbXmlObject* NewNode(const char16_t* name, const char16_t** attrs) {
    if (Is(name, u"menubar")) {
      auto* menubar = new CZorbExtensionMenuBar();
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
        const char16_t* value = GetValue();
        if (!ReadBase(menubar, attr, value) && Is(attr, u"name")) menubar->m_name = value;
      }
      return menubar;
    }
    if (Is(name, u"menu")) {
      auto* menu = new CZorbExtensionMenu();
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
        const char16_t* value = GetValue();
        if (ReadBase(menu, attr, value)) continue;
        if (Is(attr, u"name")) menu->m_name = value;
        if (Is(attr, u"visibility")) menu->m_visible = !Is(value, u"hidden");
      }
      return menu;
    }
    if (Is(name, u"menuitem")) {
      auto* item = new CZorbExtensionMenuItem();
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
        const char16_t* value = GetValue();
        if (ReadBase(item, attr, value)) continue;
        if (Is(attr, u"name"))
          item->m_name = value;
        else if (Is(attr, u"key"))
          item->m_key = value;
        else if (Is(attr, u"enabled"))
          item->m_enabled = value;
        else if (Is(attr, u"command"))
          item->m_command = value;
        else if (Is(attr, u"checked"))
          item->m_checked = value;
        else if (Is(attr, u"file"))
          item->m_file = value;
        else if (Is(attr, u"arguments"))
          item->m_arguments = value;
        else if (Is(attr, u"dynamic"))
          item->m_dynamic = value;
        else if (Is(attr, u"domRequired"))
          item->m_domRequired = cfgxml::IsTrueValue(value);
      }
      return item;
    }
    if (Is(name, u"separator")) {
      auto* separator = new CZorbExtensionMenuSeparator();
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr())
        ReadBase(separator, attr, GetValue());
      return separator;
    }
    if (Is(name, u"format")) {
      auto* format = new CZorbExtensionServerFormat();
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
        const char16_t* value = GetValue();
        if (Is(attr, u"title"))
          format->m_title = value;
        else if (Is(attr, u"id"))
          format->m_id = value;
        else if (Is(attr, u"expression"))
          format->m_expression = value;
        else if (Is(attr, u"platform"))
          format->m_platform = value;
        else if (Is(attr, u"file"))
          format->m_file = value;
        else if (Is(attr, u"visibility"))
          format->m_visible = !Is(value, u"hidden");
        else
          format->SetAttribute(attr, value);
      }
      return format;
    }
    if (Is(name, u"shortcutlist")) {
      auto* list = new CZorbExtensionShortcutList();
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
        const char16_t* value = GetValue();
        if (Is(attr, u"id"))
          list->m_id = value;
        else if (Is(attr, u"platform"))
          list->m_platform = value;
        else if (Is(attr, u"app"))
          list->m_app = value;
      }
      return list;
    }
    if (Is(name, u"shortcut")) {
      auto* shortcut = new CZorbExtensionShortcut();
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr()) {
        const char16_t* value = GetValue();
        if (Is(attr, u"key"))
          shortcut->m_key = value;
        else if (Is(attr, u"platform"))
          shortcut->m_platform = value;
        else if (Is(attr, u"domRequired"))
          shortcut->m_domRequired = cfgxml::IsTrueValue(value);
        else if (Is(attr, u"dynamic"))
          shortcut->m_dynamic = cfgxml::IsTrueValue(value);
        else if (Is(attr, u"app"))
          shortcut->m_app = value;
        else if (Is(attr, u"file"))
          shortcut->m_file = value;
        else if (Is(attr, u"arguments"))
          shortcut->m_arguments = value;
        else if (Is(attr, u"command"))
          shortcut->m_command = value;
        else if (Is(attr, u"enabled"))
          shortcut->m_enabled = value;
        else if (Is(attr, u"name"))
          shortcut->m_name = value;
        else if (Is(attr, u"checked"))
          shortcut->m_checked = value;
        else if (Is(attr, u"qqstring:name"))
          shortcut->m_qqStringName = value;
        else if (Is(attr, u"id"))
          shortcut->m_id = value;
      }
      return shortcut;
    }
    return nullptr;
  }

  CZorbConfigChanges* m_set = nullptr;
  CZorbConfigChange* m_change = nullptr;
};

}  // namespace

std::vector<std::unique_ptr<CZorbConfigChanges>> ReadChangeSets(const CString& text) {
  CString document(u"<wrapper>");
  document += text;
  document += u"</wrapper>";
  // As the description reader does: raw ampersands are escaped, and menu
  // items carry dynamic as a bare word.
  document.Replace(u"&", u"&amp;");
  document.Replace(u" dynamic ", u" dynamic=\"true\" ");
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
