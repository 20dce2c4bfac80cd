#include "extension/CZorbExtensionTokens.h"

CZorbExtensionTokens::CZorbExtensionTokens() : CZorbXmlObject(u"file-tokens") {}

CZorbExtensionTokens::CZorbExtensionTokens(const CZorbExtensionTokens& other) = default;

CZorbExtensionTokens& CZorbExtensionTokens::operator=(const CZorbExtensionTokens& other) = default;

CZorbExtensionTokens::~CZorbExtensionTokens() = default;

CZorbExtensionTokens* CZorbExtensionTokens::Clone() const {
  return new CZorbExtensionTokens(*this);
}

void CZorbExtensionTokens::GetTag(CString& tag) const {
  tag = u"file-tokens";
}
