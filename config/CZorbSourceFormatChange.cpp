#include "config/CZorbSourceFormatChange.h"

#include <string>
#include <string_view>

#include "config/CZorbTextConfigFile.h"
#include "config/ConfigTextEdit.h"
#include "config/ConfigXml.h"

const char16_t* const CZorbSourceFormatChange::kElementsMarker = u"<?elements>";
const char16_t* const CZorbSourceFormatChange::kAttributesMarker = u"<?attributes>";
const char16_t* const CZorbSourceFormatChange::kEndMarker = u"<?end>";

namespace {

constexpr size_t npos = std::u16string::npos;

struct Section {
  size_t begin = npos;
  size_t end = npos;
};

// The units between the opening marker's line and the closing marker.
Section FindSection(const std::u16string& lower, const char16_t* open, const char16_t* close) {
  Section section;
  const std::u16string openMarker = cfgtext::Lowered(open);
  const size_t marker = lower.find(openMarker);
  if (marker == npos) return section;
  const size_t after = marker + openMarker.size();
  const size_t tag = lower.find(u'<', after);
  const size_t lineEnd = lower.find_first_of(u"\r\n", after);
  size_t begin = after;
  if (tag != npos && (lineEnd == npos || tag < lineEnd))
    begin = tag;
  else if (lineEnd != npos)
    begin = lineEnd + cfgtext::LineEndLength(lower, lineEnd);
  const size_t end = lower.find(cfgtext::Lowered(close), begin);
  if (end == npos) return section;
  section.begin = begin;
  section.end = end;
  return section;
}

// Where the walk goes on after the tag that starts at at: the next tag on
// the same line, else the next line; npos when the tag has no ">".
size_t PastTag(const std::u16string& lower, size_t at) {
  const size_t close = lower.find(u'>', at);
  if (close == npos) return npos;
  const size_t next = lower.find(u'<', close + 1);
  const size_t lineEnd = lower.find_first_of(u"\r\n", close + 1);
  if (next != npos && (lineEnd == npos || next < lineEnd)) return next;
  if (lineEnd != npos) return lineEnd + cfgtext::LineEndLength(lower, lineEnd);
  return close + 1;
}

// A tag line the file can hold and the remove can find again: a name
// without blanks, quotes or angle brackets, then bare words and options
// whose values hold neither quotes, angle brackets nor line ends.
bool WritableName(const std::u16string& name) {
  static constexpr std::u16string_view kNotInName = u" \t\r\n\"<>=";
  return !name.empty() && name.find_first_of(kNotInName) == std::u16string::npos;
}

bool Writable(const std::u16string& tag, const std::u16string& name) {
  if (!WritableName(name)) return false;
  if (tag.size() < name.size() + 2 || tag.front() != u'<' || tag.back() != u'>') return false;
  const std::u16string_view rest(tag.data() + 1 + name.size(), tag.size() - name.size() - 2);
  bool inValue = false;
  for (size_t i = 0; i < rest.size(); ++i) {
    const char16_t ch = rest[i];
    if (ch == u'<' || ch == u'>' || ch == u'\r' || ch == u'\n') return false;
    if (ch != u'"') continue;
    if (inValue) {
      // A value ends where its option does.
      if (i + 1 < rest.size() && rest[i + 1] != u' ') return false;
    } else if (i == 0 || rest[i - 1] != u'=') {
      return false;
    }
    inValue = !inValue;
  }
  return !inValue;
}

bool Blank(const std::u16string& text, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i)
    if (text[i] != u' ' && text[i] != u'\t') return false;
  return true;
}

}  // namespace

CZorbSourceFormatChange::CZorbSourceFormatChange() = default;

CZorbSourceFormatChange::~CZorbSourceFormatChange() = default;

void CZorbSourceFormatChange::CreateTag(CString& tag, bool) const {
  tag.Empty();
}

void CZorbSourceFormatChange::GetTagName(CString& name) const {
  name.Empty();
}

int32_t CZorbSourceFormatChange::RemoveTag(CZorbXmlFile* xmlFile, const CString& name,
                                           const char16_t* open, const char16_t* close) {
  CZorbTextConfigFile* file = cfgtext::AsTextFile(xmlFile);
  if (!file) return kTagNoFile;
  if (name.GetLength() == 0) return kTagNoName;
  cfgtext::Work work;
  cfgtext::Prepare(*file, work);
  const Section section = FindSection(work.lower, open, close);
  if (section.begin == npos) return kTagNoSection;

  const std::u16string lowerName = cfgtext::Lowered(cfgtext::ToU16(name));
  // A name no insert could write names none of the host's tags either.
  if (!WritableName(lowerName)) return kTagDone;
  size_t at = work.lower.find(u"<" + lowerName + u" ", section.begin);
  if (at == npos || at >= section.end) at = work.lower.find(u"<" + lowerName + u">", section.begin);
  if (at == npos || at >= section.end) return kTagDone;

  // The tag must close on its own line and end it; a tag that runs on
  // into the next line would take that line with it.
  const size_t closing = work.lower.find(u'>', at);
  const size_t lineEnd = cfgtext::LineEnd(work.lower, at);
  if (closing == npos || closing > lineEnd || lineEnd == work.lower.size() ||
      !Blank(work.lower, closing + 1, lineEnd))
    return kTagNotAlone;
  // A tag alone on its line goes with the whole line. One that follows
  // other tags on its line goes from its "<" through the line end, which
  // is how the insert puts a tag in front of the next one on a line.
  const size_t lineStart = cfgtext::LineStart(work.lower, at);
  const size_t from = Blank(work.lower, lineStart, at) ? lineStart : at;
  work.Splice(from, lineEnd - from + cfgtext::LineEndLength(work.text, lineEnd), u"");
  cfgtext::Store(*file, work);
  return kTagDone;
}

int32_t CZorbSourceFormatChange::InsertTag(CZorbXmlFile* xmlFile, const char16_t* open,
                                           const char16_t* close) const {
  CZorbTextConfigFile* file = cfgtext::AsTextFile(xmlFile);
  if (!file) return kTagNoFile;
  CString name;
  GetTagName(name);
  if (name.GetLength() == 0) return kTagNoName;
  CString tag;
  CreateTag(tag, false);
  // A value the line cannot hold fails the insert rather than break the file.
  if (!Writable(cfgtext::ToU16(tag), cfgtext::ToU16(name))) return kTagNoName;
  RemoveTag(xmlFile, name, open, close);

  cfgtext::Work work;
  cfgtext::Prepare(*file, work);
  const Section section = FindSection(work.lower, open, close);
  if (section.begin == npos) return kTagNoSection;

  const std::u16string lowerName = cfgtext::Lowered(cfgtext::ToU16(name));
  size_t point = section.begin;
  for (size_t at = work.lower.find(u'<', section.begin); at != npos && at < section.end;
       at = work.lower.find(u'<', point)) {
    const size_t nameEnd = work.lower.find_first_of(u" >", at + 1);
    if (nameEnd == npos) break;
    const std::u16string tagName = work.lower.substr(at + 1, nameEnd - at - 1);
    if (tagName != u"!--" && tagName > lowerName) break;
    const size_t next = PastTag(work.lower, at);
    if (next == npos || next > section.end) break;
    point = next;
  }

  work.Splice(point, 0, cfgtext::ToU16(tag) + work.eol);
  cfgtext::Store(*file, work);
  return kTagDone;
}

CZorbConfigChange::ErrorCode CZorbSourceFormatChange::MapResult(int32_t result, ErrorCode noName,
                                                                ErrorCode noSection) {
  switch (result) {
    case kTagNoName:
      return noName;
    case kTagNoSection:
      return noSection;
    default:
      return static_cast<ErrorCode>(result);
  }
}

void CZorbSourceFormatChange::BuildNamedXml(const CString& options, int level, CString& out) const {
  CString tag;
  GetTag(tag);
  CString name;
  GetTagName(name);
  CString attributes;
  cfgxml::AppendAttributeAlways(attributes, u"name", name);
  attributes += options;
  AppendLocaleAttribute(attributes);
  cfgxml::AppendEmptyElement(tag, attributes, level, out);
}
