#pragma once

#include "foundation/CZorbXmlObject.h"

// A "comment" element of a host's XML file. It is a comment to every
// look-up, but it is written back as the element it was, so the file keeps
// its form, and its text may hold what an XML comment cannot ("--").
class CZorbXmlCommentElement : public CZorbXmlComment {
 public:
  CZorbXmlCommentElement();
  explicit CZorbXmlCommentElement(const char16_t* text);
  CZorbXmlCommentElement(const CZorbXmlCommentElement& other);
  ~CZorbXmlCommentElement() override;

  CZorbXmlObject* Clone() const override;
  // <comment>text</comment> ("<" in the text as "&lt;"), or <comment />
  // without text.
  void BuildXml(int level, CString& out) const override;
};
