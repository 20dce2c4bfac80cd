#include "extension/ExtensionXml.h"

#include "extension/KxiFormat.h"
#include "platform/widechar/Format.h"

namespace extxml {

void AppendIndent(CString& out, int level) {
  for (int i = 0; i < level; ++i) out += u'\t';
}

void AppendAttributeAlways(CString& out, const char16_t* name, const CString& value) {
  kxi::AppendAttribute(out, name, value);
}

void AppendAttribute(CString& out, const char16_t* name, const CString& value) {
  if (value.GetLength() > 0) AppendAttributeAlways(out, name, value);
}

void AppendTrue(CString& out, const char16_t* name, bool set) {
  if (set) AppendAttributeAlways(out, name, CString(u"true"));
}

void AppendEmptyElement(CString& out, int level, const char16_t* tag, const CString& attributes) {
  AppendIndent(out, level);
  out += u'<';
  out += tag;
  out += attributes;
  out += u" />";
  out += kCR;
}

void AppendListDocument(CString& out, int level, const CString& tag,
                        std::initializer_list<std::pair<const char16_t*, const KeyMap*>> lists) {
  AppendIndent(out, level);
  out += u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  out += kCR;
  AppendIndent(out, level);
  out += u'<';
  out += tag;
  out += u'>';
  out += kCR;
  for (const auto& [element, keys] : lists) {
    for (const auto& [key, unused] : *keys) {
      AppendIndent(out, level + 1);
      out += u'<';
      out += element;
      out += u'>';
      out += key;
      out += u"</";
      out += element;
      out += u'>';
      out += kCR;
    }
  }
  AppendIndent(out, level);
  out += u"</";
  out += tag;
  out += u'>';
  out += kCR;
}

int32_t FileTypeCode(const CString& text) {
  if (text.CompareNoCase(u"wbxs") == 0) return extcode::kFileTypeWbxs;
  if (text.CompareNoCase(u"ordinary") == 0) return extcode::kFileTypeOrdinary;
  if (text.CompareNoCase(u"plugin") == 0) return extcode::kFileTypePlugin;
  return extcode::kFileTypeInvalid;
}

const char16_t* FileTypeWord(int32_t code) {
  switch (code) {
    case extcode::kFileTypeNone:
      return nullptr;
    case extcode::kFileTypeWbxs:
      return u"wbxs";
    case extcode::kFileTypeOrdinary:
      return u"ordinary";
    case extcode::kFileTypePlugin:
      return u"plugin";
    default:
      return u"invalid";
  }
}

CString FormatMessage(unsigned int id) {
  CString message;
  if (!message.LoadString(id)) message.Empty();
  return message;
}

CString FormatMessage(unsigned int id, const CString& a) {
  CString format, message;
  if (format.LoadString(id)) message.Format(platform::RuntimeFormat(format.Get()), a);
  return message;
}

CString FormatMessage(unsigned int id, const CString& a, const CString& b) {
  CString format, message;
  if (format.LoadString(id)) message.Format(platform::RuntimeFormat(format.Get()), a, b);
  return message;
}

CString FormatMessage(unsigned int id, const CString& a, const CString& b, const CString& c) {
  CString format, message;
  if (format.LoadString(id)) message.Format(platform::RuntimeFormat(format.Get()), a, b, c);
  return message;
}

CString FormatMessage(unsigned int id, const CString& a, const CString& b, const CString& c,
                      const CString& d) {
  CString format, message;
  if (format.LoadString(id)) message.Format(platform::RuntimeFormat(format.Get()), a, b, c, d);
  return message;
}

}  // namespace extxml
