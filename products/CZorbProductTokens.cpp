// CZorbProduct: tokens and the attributes read from the token map.
#include "products/CZorbProduct.h"

void CZorbProduct::GetProductLocale(CString& out) const {
  out.Empty();
}
int32_t CZorbProduct::FindTokenDefinedInVornConfig(const CString&) const {
  return -1;
}
void CZorbProduct::SetSystemToken(const TokenMap&) {}
void CZorbProduct::MapSystemTokenToPrivateTokenReferrence(const TokenMap& tokens) {
  for (const auto& [key, value] : tokens) m_privateTokens.SetAt(key, value);
}
bool CZorbProduct::isTokenSpecified(const CString& name) const {
  return m_privateTokens.count(std::u16string(name.Get(), name.GetLength())) != 0;
}
bool CZorbProduct::processTokenString(const CString&, CString&) const {
  return true;
}
void CZorbProduct::processUserDefinedMappedToken(TokenMap&) {}
void CZorbProduct::mapUserDefinedMappedToken(TokenMap& out) const {
  for (const auto& [key, value] : m_userDefinedTokens) out.SetAt(key, value);
}
void CZorbProduct::processPXStorePath() {}
void CZorbProduct::processPreferredExtensionFolder() {}
void CZorbProduct::evaluatePluginConfigFilePath() {}
void CZorbProduct::evaluateHostId() {}
void CZorbProduct::evaluateGlobalProductName() {}
void CZorbProduct::evaluateWhetherNeedNotification() {}
void CZorbProduct::evaluateWhetherNeedShowFiles() {}
void CZorbProduct::evaluateWhetherSupportLockedExtensions() {}
void CZorbProduct::evaluateProductBit() {}
void CZorbProduct::evaluateQuitMessage() {}
bool CZorbProduct::canBeSupportedByCurPlexo() {
  return false;
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
