#include "config/CZorbXmlCommentElement.h"

#include "config/ConfigXml.h"

CZorbXmlCommentElement::CZorbXmlCommentElement() = default;

CZorbXmlCommentElement::CZorbXmlCommentElement(const char16_t* text) : CZorbXmlComment(text) {}

CZorbXmlCommentElement::CZorbXmlCommentElement(const CZorbXmlCommentElement& other)
    : CZorbXmlComment(other) {}

CZorbXmlCommentElement::~CZorbXmlCommentElement() = default;

CZorbXmlObject* CZorbXmlCommentElement::Clone() const {
  return new CZorbXmlCommentElement(*this);
}

void CZorbXmlCommentElement::BuildXml(int level, CString& out) const {
  cfgxml::AppendIndent(out, level);
  if (m_comment.GetLength() == 0) {
    out += u"<comment />";
  } else {
    CString text(m_comment);
    text.Replace(u"<", u"&lt;");
    out += u"<comment>";
    out += text;
    out += u"</comment>";
  }
  out += cfgxml::kCR;
}
