#pragma once

// Helpers shared by the description model's tests.

#include <cstdint>
#include <map>
#include <string>

#include "config/CZorbConfigChange.h"
#include "config/CZorbConfigChanges.h"
#include "config/CZorbHelpChange.h"
#include "config/CZorbHelpChanges.h"
#include "extension/CZorbExtension.h"
#include "foundation/CString.h"

namespace exttest {

inline std::u16string U(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

inline std::u16string Xml(const CZorbXmlObject& node) {
  CString out;
  node.BuildXml(0, out);
  return U(out);
}

inline std::u16string Num(long long n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// The locale of every change below node, in document order. The host-file
// form of a change leaves some of them out.
inline void AppendLocales(const CZorbXmlObject& node, std::u16string& out) {
  for (const CZorbXmlObject* child : node.m_children) {
    if (!child) continue;
    if (const auto* change = dynamic_cast<const CZorbConfigChange*>(child))
      out += u" [" + U(change->m_locale) + u"]";
    else if (const auto* help = dynamic_cast<const CZorbHelpChange*>(child))
      out += u" [" + U(help->m_locale) + u"]";
    AppendLocales(*child, out);
  }
}

// Every field of the extension as text; change sets and the children by
// their host-file XML (not the description writer's), with every change's
// locale.
inline std::u16string Describe(const CZorbExtension& e) {
  std::u16string d;
  const auto add = [&d](const char16_t* name, const std::u16string& value) {
    d += name;
    d += u"=";
    d += value;
    d += u"\n";
  };
  add(u"decl", U(e.m_xmlDecl));
  add(u"encoding", Num(e.m_encoding));
  add(u"plexoVersion", U(e.m_plexoVersion));
  add(u"kxiVersion", U(e.m_kxiVersion));
  add(u"id", U(e.m_id));
  add(u"name", U(e.m_name));
  add(u"nameResId", U(e.m_nameResId));
  add(u"icon", U(e.m_icon));
  add(u"version", U(e.m_version));
  add(u"description", U(e.m_description));
  add(u"descriptionResId", U(e.m_descriptionResId));
  add(u"uiAccess", U(e.m_uiAccess));
  add(u"uiAccessResId", U(e.m_uiAccessResId));
  add(u"license", U(e.m_licenseAgreement));
  add(u"licenseResId", U(e.m_licenseResId));
  add(u"defaultLanguage", U(e.m_defaultLanguage));
  add(u"type", Num(e.m_type));
  add(u"fileTypes", Num(e.m_fileTypes));
  add(u"typeText", U(e.m_typeText));
  add(u"requiresRestart", Num(e.m_requiresRestart));
  add(u"author", U(e.m_authorName));
  add(u"authorResId", U(e.m_authorResId));
  add(u"path", U(e.m_path));
  add(u"enabled", Num(e.m_enabled));
  add(u"allUsers", Num(e.m_allUsers));
  add(u"severalPrimary", Num(e.m_severalPrimaryProducts));
  add(u"windowsCharset", Num(e.m_windowsCharset));
  add(u"tokens", Xml(e.m_tokens));
  add(u"files", Xml(e.m_files) + U(e.m_files.m_language) + Num(e.m_files.m_defaultFileType) +
                    Num(e.m_files.m_defaultTypeGiven));
  add(u"products", Xml(e.m_products));
  add(u"update", Xml(e.m_updateInfo) + Num(e.m_updateInfo.m_urlGiven));
  add(u"signatures", Xml(e.m_signInfos));
  for (const CZorbConfigChanges* set : e.m_configChanges) {
    std::u16string locales;
    AppendLocales(*set, locales);
    add(u"config", Xml(*set) + u"locales" + locales);
  }
  for (const CZorbHelpChanges* set : e.m_helpChanges) {
    std::u16string locales;
    AppendLocales(*set, locales);
    add(u"help", Xml(*set) + u"locales" + locales);
  }
  add(u"forceCheck", Num(e.m_forceCheck));
  add(u"defaultLanguageGiven", Num(e.m_defaultLanguageGiven));
  add(u"filesForDefaultLanguage", Num(e.m_filesForDefaultLanguage));
  add(u"multilingual", Num(e.m_multilingual));
  for (const auto& [key, value] : e.m_resources) add(u"resource", U(key) + u"=" + U(value));
  for (const auto& [key, value] : e.m_localesWithFiles) add(u"locale", U(key) + u"=" + U(value));
  add(u"writePackageType", Num(e.m_writePackageType));
  add(u"packageType", Num(e.m_packageType));
  add(u"forceQuit", Num(e.m_forceQuit));
  add(u"locked", Num(e.m_locked));
  add(u"showFiles", Num(e.m_showFiles));
  add(u"pluginManagerType", Num(e.m_pluginManagerType));
  add(u"enabledForEnableAll", Num(e.m_enabledForEnableAll));
  add(u"timeStamp", U(e.m_timeStamp));
  return d;
}

// Puts texts of the string table in place for a test and restores the
// table afterwards. The texts name their arguments so a test sees their
// order.
class StringTable {
 public:
  StringTable() : m_saved(CString::g_DataMap) {
    CString::g_DataMap[4194] = "invalid %s|%s|%s|%s";
    CString::g_DataMap[4199] = "empty %s";
    CString::g_DataMap[4200] = "not a url %s|%s";
    CString::g_DataMap[4196] = "not for wbxs %s";
    CString::g_DataMap[4206] = "missing %s|%s";
    CString::g_DataMap[4227] = "several primary";
    CString::g_DataMap[4229] = "unreadable %s";
    CString::g_DataMap[4234] = "breaks off %s|%s|%s";
    CString::g_DataMap[4238] = "too large %s|%s";
  }
  ~StringTable() { CString::g_DataMap = m_saved; }
  StringTable(const StringTable&) = delete;
  StringTable& operator=(const StringTable&) = delete;

 private:
  std::map<uint32_t, std::string> m_saved;
};

}  // namespace exttest
