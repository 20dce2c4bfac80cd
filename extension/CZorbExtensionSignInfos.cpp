#include "extension/CZorbExtensionSignInfos.h"

CZorbExtensionSignInfos::CZorbExtensionSignInfos() : CZorbXmlObject(u"signatures") {}

CZorbExtensionSignInfos::CZorbExtensionSignInfos(const CZorbExtensionSignInfos& other) = default;

CZorbExtensionSignInfos& CZorbExtensionSignInfos::operator=(const CZorbExtensionSignInfos& other) =
    default;

CZorbExtensionSignInfos::~CZorbExtensionSignInfos() = default;

CZorbExtensionSignInfos* CZorbExtensionSignInfos::Clone() const {
  return new CZorbExtensionSignInfos(*this);
}

void CZorbExtensionSignInfos::GetTag(CString& tag) const {
  tag = u"signatures";
}
