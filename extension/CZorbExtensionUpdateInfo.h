#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// The "update" element: where a newer version of the extension is found
// and how it is fetched.
class CZorbExtensionUpdateInfo : public CZorbXmlObject {
 public:
  CZorbExtensionUpdateInfo();
  CZorbExtensionUpdateInfo(const CZorbExtensionUpdateInfo& other);
  CZorbExtensionUpdateInfo& operator=(const CZorbExtensionUpdateInfo& other);
  ~CZorbExtensionUpdateInfo() override;

  CZorbExtensionUpdateInfo* Clone() const override;
  void GetTag(CString& tag) const override;
  // One element line: method ("directlink", "webservice", "invalid"; none
  // for 0), then url when set.
  void BuildXml(int level, CString& out) const override;

  // "directlink" (ignoring case) is the one method; any other text sets -1,
  // leaves message 4194 and returns false.
  bool SetUpdateMethod(const CString& text, CString& message);
  // Keeps the text and marks the url as given, whatever it is. False with
  // message 4199 when it is empty, or 4200 unless it begins with "http://"
  // or "https://" (ignoring case) and goes on after that.
  bool SetURL(const CString& url, CString& message);

  CString m_url;
  int32_t m_method = 0;
  bool m_urlGiven = false;
};
