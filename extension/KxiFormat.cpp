#include "extension/KxiFormat.h"

#include <iterator>
#include <string_view>

#include "extension/ExtensionXml.h"
#include "platform/widechar/WideChar.h"

namespace kxi {

const TypeSpelling kTypeTable[] = {
    {1, u"command"},
    {2, u"object"},
    {3, u"action"},
    {3, u"behavior"},
    {4, u"browser profile"},
    {4, u"browserprofile"},
    {5, u"translator"},
    {6, u"dictionary"},
    {7, u"encoding"},
    {8, u"floater"},
    {9, u"inspector"},
    {9, u"property Inspector"},
    {9, u"propertyInspector"},
    {10, u"js extension"},
    {10, u"javascript extension"},
    {10, u"jsextension"},
    {11, u"query"},
    {12, u"template"},
    {13, u"thirdpartytags"},
    {13, u"third party tags"},
    {13, u"thirdparty tags"},
    {13, u"third partytags"},
    {13, u"thirdpartytag"},
    {13, u"third party tag"},
    {13, u"thirdparty tag"},
    {13, u"third partytag"},
    {13, u"3rdpartytags"},
    {13, u"3rd party tags"},
    {13, u"3rdparty tags"},
    {13, u"3rd partytags"},
    {13, u"3rdpartytag"},
    {13, u"3rd party tag"},
    {13, u"3rdparty tag"},
    {13, u"3rd partytag"},
    {14, u"plugin"},
    {15, u"serverbehavior"},
    {15, u"server behavior"},
    {16, u"serverformat"},
    {16, u"server format"},
    {17, u"datasource"},
    {17, u"data source"},
    {18, u"servermodel"},
    {18, u"server model"},
    {19, u"suite"},
    {20, u"report"},
    {21, u"lumenbuttontemplate"},
    {21, u"lumen button template"},
    {21, u"lumenbutton template"},
    {21, u"lumen buttontemplate"},
    {21, u"lumenbuttonstyle"},
    {21, u"lumen button style"},
    {21, u"lumenbutton style"},
    {21, u"lumen buttonstyle"},
    {22, u"quickmold"},
    {23, u"orvian"},
    {24, u"lesson"},
    {25, u"sample"},
    {26, u"utility"},
    {27, u"library"},
    {28, u"style"},
    {29, u"texture"},
    {30, u"nubbin"},
    {31, u"pattern"},
    {32, u"keyboard shortcut"},
    {32, u"keyboard shortcuts"},
    {32, u"keyboardshortcut"},
    {32, u"keyboardshortcuts"},
    {33, u"forgeline"},
    {33, u"forgeline object"},
    {33, u"forgelineobject"},
    {34, u"publish"},
    {34, u"publish template"},
    {34, u"publishtemplate"},
    {35, u"lumen component"},
    {35, u"lumencomponent"},
    {36, u"lumen custom action"},
    {36, u"lumen customaction"},
    {36, u"lumencustom action"},
    {36, u"lumencustomaction"},
    {36, u"lumen custom orvian"},
    {36, u"lumen customorvian"},
    {36, u"lumencustom orvian"},
    {36, u"lumencustomorvian"},
    {37, u"lumen panel"},
    {37, u"lumenpanel"},
    {37, u"lumen qmv panel"},
    {37, u"lumen qmvpanel"},
    {37, u"lumenqmv panel"},
    {37, u"lumenqmvpanel"},
    {37, u"lumen dynamic panel"},
    {37, u"lumen dynamicpanel"},
    {37, u"lumendynamic panel"},
    {37, u"lumendynamicpanel"},
    {38, u"lumen importer"},
    {38, u"lumenimporter"},
    {39, u"lumen template"},
    {39, u"lumentemplate"},
    {40, u"tag library"},
    {40, u"taglibrary"},
    {41, u"tag importer"},
    {41, u"tagimporter"},
    {42, u"coloring scheme"},
    {42, u"coloringscheme"},
    {43, u"document type"},
    {43, u"documenttype"},
    {44, u"code hint"},
    {44, u"codehint"},
    {45, u"code snippet"},
    {45, u"codesnippet"},
    {46, u"site"},
    {47, u"toolbar"},
    {48, u"help book"},
    {48, u"helpbook"},
    {49, u"connection"},
    {50, u"content"},
    {50, u"sample content"},
    {50, u"samplecontent"},
    {51, u"lumen element"},
    {51, u"lumenelement"},
    {51, u"lumenlet"},
    {52, u"auto shape"},
    {52, u"autoshape"},
    {53, u"command panel"},
    {53, u"commandpanel"},
    {54, u"reference book"},
    {54, u"referencebook"},
    {55, u"Lumen Help Panel"},
    {55, u"Lumen HelpPanel"},
    {55, u"LumenHelp Panel"},
    {55, u"LumenHelpPanel"},
    {55, u"Help Panel"},
    {55, u"HelpPanel"},
    {55, u"Help QMV Panel"},
    {55, u"Help QMVPanel"},
    {55, u"HelpQMV Panel"},
    {55, u"HelpQMVPanel"},
    {56, u"Lumen Include OV"},
    {56, u"Lumen IncludeOV"},
    {56, u"LumenInclude OV"},
    {56, u"LumenIncludeOV"},
    {56, u"Include OV"},
    {56, u"IncludeOV"},
    {56, u"Lumen Include Orvian"},
    {56, u"Lumen IncludeOrvian"},
    {56, u"LumenInclude Orvian"},
    {56, u"LumenIncludeOrvian"},
    {57, u"Lumen Behavior"},
    {57, u"LumenBehavior"},
    {58, u"Lumen Command"},
    {58, u"LumenCommand"},
    {59, u"Lumen Component QMC"},
    {59, u"Lumen ComponentQMC"},
    {59, u"LumenComponent QMC"},
    {59, u"LumenComponentQMC"},
    {60, u"Lumen Data Element"},
    {60, u"Lumen DataElement"},
    {60, u"LumenData Element"},
    {60, u"LumenDataElement"},
    {61, u"Lumen Effect"},
    {61, u"LumenEffect"},
    {62, u"Lumen Screen Type"},
    {62, u"Lumen ScreenType"},
    {62, u"LumenScreen Type"},
    {62, u"LumenScreenType"},
    {63, u"Lumen Tool"},
    {63, u"LumenTool"},
    {64, u"Lumen Help Book"},
    {64, u"Lumen HelpBook"},
    {64, u"LumenHelp Book"},
    {64, u"LumenHelpBook"},
};
const size_t kTypeTableSize = std::size(kTypeTable);

int32_t TypeCode(const CString& text) {
  if (text.GetLength() == 0) return 0;
  for (const TypeSpelling& spelling : kTypeTable)
    if (text.CompareNoCase(spelling.text) == 0) return spelling.code;
  return 0;
}

void Messages::UnknownAttribute(const char16_t* name) const {
  if (!warnings) return;
  CZorbString text(u"Unknown attribute: ");
  text += name ? name : u"";
  text += u'.';
  warnings->push_back(text);
}

void Messages::InvalidValue(const char16_t* attribute, const char16_t* element,
                            const CString& value, const char16_t* allowed) const {
  Error(extxml::FormatMessage(extcode::kInvalidValueMessage, CString(attribute), CString(element),
                              value, CString(allowed)));
}

void Messages::InvalidBoolean(const char16_t* attribute, const char16_t* element,
                              const CString& value) const {
  InvalidValue(attribute, element, value, u"true,false");
}

void Messages::Error(const CString& text) const {
  if (errors) errors->push_back(CZorbString(text));
}

bool ReadBoolean(const char16_t* attribute, const char16_t* element, const CString& value,
                 const Messages& messages) {
  if (value.CompareNoCase(u"true") == 0) return true;
  if (value.CompareNoCase(u"false") != 0) messages.InvalidBoolean(attribute, element, value);
  return false;
}

namespace {

bool IsBlank(char16_t ch) {
  return ch == u' ' || ch == u'\t';
}

// A "<" the reader's line pass escapes itself: "<%" and "+<".
bool EscapedByReader(std::u16string_view text, size_t at) {
  return (at + 1 < text.size() && text[at + 1] == u'%') || (at > 0 && text[at - 1] == u'+');
}

std::u16string_view View(const CString& text) {
  return std::u16string_view(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

// The "/ >" that starts at at, if any.
bool BrokenEndAt(std::u16string_view text, size_t at) {
  return text.substr(at, 3) == u"/ >";
}

}  // namespace

bool HasBrokenEmptyTagEnd(const char16_t* text, int32_t length) {
  if (!text || length < 3) return false;
  const std::u16string_view view(text, static_cast<size_t>(length));
  return view.find(u"/ >") != std::u16string_view::npos;
}

CString AttributeValue(const CString& value) {
  const std::u16string_view in = View(value);
  if (in.find_first_of(u"\"<>") == std::u16string_view::npos) return value;
  std::u16string out;
  out.reserve(in.size() + 8);
  for (size_t i = 0; i < in.size(); ++i) {
    const char16_t ch = in[i];
    if (ch == u'"')
      out += u'\'';
    else if (ch == u'<' && !EscapedByReader(in, i))
      out += u"&lt;";
    else if (ch == u'>' && i >= 2 && BrokenEndAt(in, i - 2))
      out += u"&gt;";
    else
      out += ch;
  }
  return CString(out.data(), static_cast<uint32_t>(out.size()));
}

void AppendAttribute(CString& out, const char16_t* name, const CString& value) {
  out += u' ';
  out += name;
  out += u"=\"";
  out += AttributeValue(value);
  out += u'"';
}

bool NeedsCData(const CString& text) {
  const std::u16string_view in = View(text);
  if (in.empty()) return false;
  if (IsBlank(in.front()) || IsBlank(in.back()) || in.front() == u'\r' || in.back() == u'\r' ||
      in.front() == u'\n' || in.back() == u'\n')
    return true;
  if (in.find(u"]]>") != std::u16string_view::npos || in.find(u"/ >") != std::u16string_view::npos)
    return true;
  // With the end tag after it, a last "+" would make "+<", which the reader
  // escapes as text.
  if (in.back() == u'+') return true;
  for (size_t i = 0; i < in.size(); ++i)
    if (in[i] == u'<' && !EscapedByReader(in, i)) return true;
  return false;
}

CString CDataText(const CString& text) {
  const std::u16string_view in = View(text);
  if (in.find(u"]]>") == std::u16string_view::npos && in.find(u"/ >") == std::u16string_view::npos)
    return text;
  std::u16string out;
  out.reserve(in.size() + 16);
  for (size_t i = 0; i < in.size(); ++i) {
    // The ">" goes into a section of its own, so neither "]]>" nor "/ >"
    // stands in the text as written.
    if (in[i] == u'>' && i >= 2 && (in.substr(i - 2, 3) == u"]]>" || BrokenEndAt(in, i - 2))) {
      out += u"]]><![CDATA[>";
      continue;
    }
    out += in[i];
  }
  return CString(out.data(), static_cast<uint32_t>(out.size()));
}

}  // namespace kxi
