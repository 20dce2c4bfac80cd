// CZorbProduct: tokens and the attributes read from the token map.
#include <algorithm>

#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/Logger.h"
#include "products/CZoltProductInfoFromArbor.h"
#include "products/CZorbHostDiscovery.h"
#include "products/CZorbProduct.h"

namespace {

// A pass makes at most this many substitutions.
constexpr int kMaxSubstitutions = 10;
// A value that grows past this many units while it is resolved (tokens
// that name themselves) fails like an unresolved one.
constexpr int32_t kMaxResolvedLength = 32 * 1024;

constexpr char16_t kTrue[] = u"true";
constexpr char16_t kFalse[] = u"false";
constexpr char16_t kTrueOrFalse[] = u"true,false";

std::u16string Key(const CString& text) {
  return std::u16string(text.Get(), static_cast<size_t>(text.GetLength()));
}

CString Text(const std::u16string& text) {
  return CString(text.c_str(), static_cast<uint32_t>(text.size()));
}

CString Lowered(CString text) {
  text.MakeLower();
  return text;
}

void Debug(const std::u16string& message, int line) {
  Logger::write(Logger::kDebug, message, __FILE__, line);
}

// The token that starts at pos: up to the next "/" or the end.
int32_t TokenEnd(const CString& text, int32_t pos) {
  const int32_t slash = text.Find(u'/', pos);
  return slash < 0 ? text.GetLength() : slash;
}

// Replaces every occurrence of token that is a whole token (it ends at a
// "/" or the end), so "$a" leaves "$ab" alone. One pass: what is put in is
// not searched again.
void ReplaceToken(CString& value, const CString& token, const CString& with) {
  const int32_t length = token.GetLength();
  CString out;
  int32_t from = 0;
  for (int32_t at = value.Find(token.Get()); at >= 0; at = value.Find(token.Get(), at + 1)) {
    if (at < from) continue;
    const int32_t end = at + length;
    if (end < value.GetLength() && value.GetAt(end) != u'/') continue;
    out += value.Mid(from, at - from);
    out += with;
    from = end;
  }
  out += value.Mid(from);
  value = out;
}

// A POSIX path given back in colon form; any other text stays.
void ToColonPath(CString& value) {
  if (value.GetLength() == 0) return;
  CString colon;
  if (CZorbOS::convertPath(Key(value), colon, true)) value = colon;
}

}  // namespace

void CZorbProduct::SetSystemToken(const TokenMap& tokens) {
  for (const auto& [name, value] : tokens) {
    CString text = Text(value);
    // Only a colon path is a folder: a plain text such as a suite name
    // keeps its text, and nothing is created for it.
    if (text.Find(u':') > 0) {
      CString posix;
      if (CZorbOS::convertPathWithNoLog(text, posix)) text = posix;
    }
    _SystemToken.SetAt(u"$" + name, Key(text));
  }
}

void CZorbProduct::MapSystemTokenToPrivateTokenReferrence(const TokenMap& tokens) {
  for (const auto& [key, value] : tokens) m_privateTokens.SetAt(key, value);
}

bool CZorbProduct::isTokenSpecified(const CString& name) const {
  return m_privateTokens.count(Key(name)) != 0;
}

int32_t CZorbProduct::FindTokenDefinedInVornConfig(const CString& text) const {
  // No defined name is longer than this, so a longer token is not looked
  // up: a text of many "$" costs time linear in its length.
  size_t longest = 0;
  for (const auto& entry : m_vornConfigTokens)
    longest = std::max(longest, static_cast<size_t>(entry.first.GetLength()));

  int32_t pos = text.Find(u'$');
  int32_t end = -1;
  while (pos >= 0) {
    // Every "$" before the same "/" ends its token there.
    if (pos >= end) end = TokenEnd(text, pos);
    if (static_cast<size_t>(end - pos) <= longest &&
        m_vornConfigTokens.count(Lowered(text.Mid(pos, end - pos))) != 0)
      return pos;
    pos = text.Find(u'$', pos + 1);
  }
  return pos;
}

bool CZorbProduct::processTokenString(const CString& name, CString& value) const {
  if (m_vornConfigTokens.count(Lowered(name)) == 0) return true;

  // Tokens the configuration file defines, every occurrence at once.
  int count = 0;
  for (int32_t pos = FindTokenDefinedInVornConfig(value); pos >= 0;
       pos = FindTokenDefinedInVornConfig(value)) {
    if (++count > kMaxSubstitutions) return false;
    const CString token = value.Mid(pos, TokenEnd(value, pos) - pos);
    std::u16string resolved;
    if (!m_privateTokens.Lookup(Key(Lowered(token)), resolved)) return false;
    ReplaceToken(value, token, Text(resolved));
    if (value.GetLength() > kMaxResolvedLength) return false;
  }

  // Every other token, left to right.
  count = 0;
  for (int32_t pos = value.Find(u'$'); pos >= 0;) {
    if (++count > kMaxSubstitutions) return false;
    const int32_t end = TokenEnd(value, pos);
    std::u16string resolved;
    if (!m_privateTokens.Lookup(Key(Lowered(value.Mid(pos, end - pos))), resolved)) return false;
    value = value.Left(pos) + Text(resolved) + value.Mid(end);
    if (value.GetLength() > kMaxResolvedLength) return false;
    pos = value.Find(u'$', pos + static_cast<int32_t>(resolved.size()));
  }
  return true;
}

void CZorbProduct::processUserDefinedMappedToken(TokenMap& out) {
  for (const auto& [key, stored] : m_privateTokens) {
    const CString name = Text(key);
    if (IsNotDeliveredTokenString(name) || IsProductReservedTokenString(name)) continue;
    if (key.empty() || key[0] != u'$') continue;

    const std::u16string plain = key.substr(1);
    CString value = Text(stored);
    // The configuration file's names keep their "$": resolve by the name as
    // stored.
    const bool resolved = processTokenString(name, value);
    ToColonPath(value);
    if (!resolved) {
      Debug(u"Token " + plain + u" has unresolved value, contains $,the invalid value is " +
                Key(value),
            __LINE__);
      m_errorString = FormatMessage(kMsgTokenUnresolved, ProductName(), Text(plain), value);
      return;
    }
    out.SetAt(plain, Key(value));
  }
}

void CZorbProduct::mapUserDefinedMappedToken(TokenMap& out) const {
  for (const auto& [key, value] : m_userDefinedTokens) out.SetAt(key, value);
}

void CZorbProduct::GetProductLocale(CString& out) const {
  out.Empty();
  for (const auto& [key, value] : m_privateTokens) {
    if (Text(key).CompareNoCase(u"$locale") == 0) {
      out = Text(value);
      break;
    }
  }
  if (out.GetLength() == 0) Debug(u"Locale for " + Key(ProductName()) + u" is empty", __LINE__);
}

void CZorbProduct::ProcessFolderAttribute(const char16_t* key, const char16_t* logText,
                                          CString& field) {
  std::u16string value;
  bool resolved = true;
  if (m_privateTokens.Lookup(key, value)) {
    field = Text(value);
    resolved = processTokenString(key, field);
    ToColonPath(field);
  }
  Debug(logText + Key(ProductName()) + u" is " + Key(field), __LINE__);
  // A folder named after a token that could not be resolved would be the
  // wrong folder: it is dropped like one that cannot be made.
  if (!resolved) {
    field.Empty();
    return;
  }
  if (field.GetLength() == 0 || CZorbOS::DirectoryExists(field)) return;
  if (!CZorbOS::CreateDirectory(field, true) || !CZorbOS::DirectoryExists(field)) field.Empty();
}

void CZorbProduct::processPXStorePath() {
  ProcessFolderAttribute(u"pxstorepath", u"PX Store path for ", m_pxStorePath);
}

void CZorbProduct::processPreferredExtensionFolder() {
  ProcessFolderAttribute(u"preextensionfolder", u"Preferred folder for ",
                         m_preferredExtensionFolder);
}

void CZorbProduct::evaluatePluginConfigFilePath() {
  constexpr char16_t kKey[] = u"pluginconfigfile";
  std::u16string value;
  if (!m_privateTokens.Lookup(kKey, value)) return;
  m_pluginConfigFile = Text(value);
  const bool resolved = processTokenString(kKey, m_pluginConfigFile);
  ToColonPath(m_pluginConfigFile);
  if (m_pluginConfigFile.GetLength() == 0) {
    m_errorString = FormatMessage(kMsgAttributeMissing, u"PluginConfigFile", ProductName());
  } else if (!resolved) {
    Debug(std::u16string(u"Token ") + kKey +
              u" has unresolved value, contains $,the invalid value is " + Key(m_pluginConfigFile),
          __LINE__);
    m_errorString = FormatMessage(kMsgTokenUnresolved, ProductName(), kKey, m_pluginConfigFile);
  } else {
    const CString folder = CZorbPath(m_pluginConfigFile).GetFolder();
    if (folder.GetLength() && !CZorbOS::DirectoryExists(folder) &&
        !CZorbOS::CreateDirectory(folder, true))
      Debug(u"cannot create the folder of the plug-in configuration file " + Key(folder), __LINE__);
  }
}

void CZorbProduct::EvaluateRequiredText(const char16_t* key, const char16_t* displayName,
                                        CString& field) {
  std::u16string value;
  if (m_privateTokens.Lookup(key, value)) field = Text(value);
  if (field.GetLength() == 0)
    m_errorString = FormatMessage(kMsgAttributeMissing, displayName, ProductName());
}

void CZorbProduct::evaluateHostId() {
  EvaluateRequiredText(u"hostnameforwbxs", u"HostNameForWBXS", m_hostNameForWBXS);
}

void CZorbProduct::evaluateGlobalProductName() {
  EvaluateRequiredText(u"globalproductname", u"GlobalProductName", m_globalProductName);
}

void CZorbProduct::EvaluateFlag(const char16_t* key, const char16_t* displayName, bool& flag) {
  std::u16string value;
  if (!m_privateTokens.Lookup(key, value)) return;
  if (value == kTrue) {
    flag = true;
  } else if (value != kFalse) {
    m_errorString =
        FormatMessage(kMsgAttributeValue, displayName, ProductName(), Text(value), kTrueOrFalse);
  }
}

void CZorbProduct::evaluateWhetherNeedNotification() {
  EvaluateFlag(u"needoperationnotification", u"NeedOperationNotification",
               m_needOperationNotification);
}

void CZorbProduct::evaluateWhetherNeedShowFiles() {
  EvaluateFlag(u"showinstalledfiles", u"ShowInstalledFiles", m_showInstalledFiles);
}

void CZorbProduct::evaluateWhetherSupportLockedExtensions() {
  EvaluateFlag(u"needlockableextension", u"NeedLockableExtension", m_supportsLockableExtension);
}

void CZorbProduct::evaluateAttributes() {
  evaluateWhetherNeedNotification();
  evaluateQuitMessage();
  evaluateWhetherNeedShowFiles();
  evaluateWhetherSupportLockedExtensions();
  processPreferredExtensionFolder();
  evaluateHostId();
  evaluatePluginConfigFilePath();
  evaluateGlobalProductName();
  evaluateProductBit();
}

bool CZorbProduct::readInstallation(CZoltProductInfoFromArbor& info, const CString& folder,
                                    CZorbPath& installFolder) {
  CString found;
  info.GetInstallFolderName(found);
  Logger::write(
      Logger::kDebug,
      u"Application path is " + std::u16string(found.Get(), static_cast<size_t>(found.GetLength())),
      __FILE__, __LINE__);
  if (found.GetLength() == 0) return false;
  m_privateTokens.SetAt(u"$installfolder",
                        std::u16string(found.Get(), static_cast<size_t>(found.GetLength())));
  installFolder = hostdiscovery::ColonFolder(found);
  if (installFolder.GetLength() == 0 || !CZorbOS::DirectoryExists(installFolder)) {
    Logger::write(
        Logger::kDebug,
        std::u16string(found.Get(), static_cast<size_t>(found.GetLength())) + u" does not exist",
        __FILE__, __LINE__);
    installFolder.Empty();
    return true;
  }
  const CString configFolder =
      folder.GetLength() > 0 ? hostdiscovery::ColonFolder(folder) : CString(installFolder);
  if (configFolder.GetLength() > 0 &&
      info.processTokenString(configFolder, m_vornConfigPath, false))
    return true;
  updateErrorMessageByCheckVornConfig(configFolder);
  return true;
}

void CZorbProduct::evaluateProductBit() {
  std::u16string value;
  if (!m_privateTokens.Lookup(u"bit", value)) return;
  const CString text = Text(value);
  if (text.CompareNoCase(u"32") == 0)
    m_productBit = kBit32;
  else if (text.CompareNoCase(u"64") == 0)
    m_productBit = kBit64;
  else
    m_errorString = FormatMessage(kMsgAttributeValue, u"Bit", ProductName(), text, u"32,64");
}

void CZorbProduct::evaluateQuitMessage() {
  constexpr char16_t kScript[] = u"quitscript";
  constexpr char16_t kStandard[] = u"canacceptstandardquitmessage";
  std::u16string script;
  std::u16string standard;
  const bool hasScript = m_privateTokens.Lookup(kScript, script);
  const bool hasStandard = m_privateTokens.Lookup(kStandard, standard);

  if (hasScript && hasStandard) {
    m_errorString = FormatMessage(kMsgBothQuitAttributes, u"CanAcceptStandardQuitMessage",
                                  u"QuitScript", ProductName());
    m_quitMessage.Empty();
    return;
  }
  if (hasStandard) {
    if (standard == kTrue) {
      m_quitMessage = kStandardQuitMessage;
    } else if (standard == kFalse) {
      m_quitMessage.Empty();
    } else {
      m_errorString = FormatMessage(kMsgAttributeValue, u"CanAcceptStandardQuitMessage",
                                    ProductName(), Text(standard), kTrueOrFalse);
      m_quitMessage.Empty();
      return;
    }
  }
  if (hasScript) {
    m_quitMessage = Text(script);
    if (m_quitMessage.GetLength() == 0)
      m_errorString = FormatMessage(kMsgAttributeMissing, u"QuitScript", ProductName());
  }
}

bool CZorbProduct::canBeSupportedByCurPlexo() {
  m_supportedInSuite = kPreviousSuite;
  std::u16string value;
  if (m_privateTokens.Lookup(u"supportedinsuite", value)) m_supportedInSuite = Text(value);
  const bool supported = m_supportedInSuite == kCurrentSuite;
  Debug(u"The product " + Key(m_arborName) +
            (supported ? u" is supported by " : u" is not supported by ") + kCurrentSuite,
        __LINE__);
  return supported;
}

bool CZorbProduct::IsSupportedInLastSuite() const {
  const bool supported = m_supportedInSuite == kPreviousSuite;
  Debug(u"The product " + Key(m_arborName) +
            (supported ? u" is supported by " : u" is not supported by ") + kPreviousSuite,
        __LINE__);
  return supported;
}

CString CZorbProduct::FormatMessage(unsigned int id, const CString& a) {
  CString format, text;
  if (format.LoadString(id)) text.Format(platform::RuntimeFormat(format.Get()), a);
  return text;
}

CString CZorbProduct::FormatMessage(unsigned int id, const CString& a, const CString& b) {
  CString format, text;
  if (format.LoadString(id)) text.Format(platform::RuntimeFormat(format.Get()), a, b);
  return text;
}

CString CZorbProduct::FormatMessage(unsigned int id, const CString& a, const CString& b,
                                    const CString& c) {
  CString format, text;
  if (format.LoadString(id)) text.Format(platform::RuntimeFormat(format.Get()), a, b, c);
  return text;
}

CString CZorbProduct::FormatMessage(unsigned int id, const CString& a, const CString& b,
                                    const CString& c, const CString& d) {
  CString format, text;
  if (format.LoadString(id)) text.Format(platform::RuntimeFormat(format.Get()), a, b, c, d);
  return text;
}
