#include "extension/CZorbExtensionUpdateInfo.h"

#include "extension/ExtensionXml.h"

namespace {

// Begins with the scheme ignoring case, and holds more than it.
bool HasSchemeAndMore(const CString& url, const char16_t* scheme) {
  const CString prefix(scheme);
  return url.GetLength() > prefix.GetLength() &&
         url.Left(prefix.GetLength()).CompareNoCase(prefix) == 0;
}

}  // namespace

CZorbExtensionUpdateInfo::CZorbExtensionUpdateInfo() : CZorbXmlObject(u"update") {}

CZorbExtensionUpdateInfo::CZorbExtensionUpdateInfo(const CZorbExtensionUpdateInfo& other) = default;

CZorbExtensionUpdateInfo& CZorbExtensionUpdateInfo::operator=(
    const CZorbExtensionUpdateInfo& other) = default;

CZorbExtensionUpdateInfo::~CZorbExtensionUpdateInfo() = default;

CZorbExtensionUpdateInfo* CZorbExtensionUpdateInfo::Clone() const {
  return new CZorbExtensionUpdateInfo(*this);
}

void CZorbExtensionUpdateInfo::GetTag(CString& tag) const {
  tag = u"update";
}

void CZorbExtensionUpdateInfo::BuildXml(int level, CString& out) const {
  using namespace extxml;
  CString attributes;
  if (m_method == extcode::kUpdateMethodDirectLink)
    AppendAttributeAlways(attributes, u"method", u"directlink");
  else if (m_method == extcode::kUpdateMethodWebService)
    AppendAttributeAlways(attributes, u"method", u"webservice");
  else if (m_method != extcode::kUpdateMethodNone)
    AppendAttributeAlways(attributes, u"method", u"invalid");
  AppendAttribute(attributes, u"url", m_url);
  AppendEmptyElement(out, level, u"update", attributes);
}

bool CZorbExtensionUpdateInfo::SetUpdateMethod(const CString& text, CString& message) {
  if (text.CompareNoCase(u"directlink") == 0) {
    m_method = extcode::kUpdateMethodDirectLink;
    return true;
  }
  m_method = extcode::kUpdateMethodInvalid;
  CString tag;
  GetTag(tag);
  message = extxml::FormatMessage(extcode::kInvalidValueMessage, CString(u"method"), tag, text,
                                  CString(u"directlink"));
  return false;
}

bool CZorbExtensionUpdateInfo::SetURL(const CString& url, CString& message) {
  m_urlGiven = true;
  m_url = url;
  if (url.GetLength() == 0) {
    message = extxml::FormatMessage(extcode::kEmptyValueMessage, CString(u"url"));
    return false;
  }
  if (HasSchemeAndMore(url, u"http://") || HasSchemeAndMore(url, u"https://")) return true;
  CString tag;
  GetTag(tag);
  message = extxml::FormatMessage(extcode::kNotAnUrlMessage, CString(u"url"), tag);
  return false;
}
