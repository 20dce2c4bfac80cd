#include "config/CZorbExtensionsChange.h"

#include "config/CZorbTextConfigFile.h"
#include "config/ConfigTextEdit.h"

CZorbExtensionsChange::CZorbExtensionsChange() = default;

CZorbExtensionsChange::~CZorbExtensionsChange() = default;

namespace {

// The next place where extension stands as a whole item of a line's list,
// on a line whose description qualifies; npos when none is left.
size_t FindItem(const cfgtext::Work& work, const std::u16string& extension,
                const std::u16string& description) {
  const std::u16string& lower = work.lower;
  for (size_t at = lower.find(extension); at != std::u16string::npos;
       at = lower.find(extension, at + 1)) {
    const size_t after = at + extension.size();
    const bool starts = at == 0 || lower[at - 1] == u',' || cfgtext::IsLineEnd(lower[at - 1]);
    const bool ends = after < lower.size() && (lower[after] == u',' || lower[after] == u':');
    if (!starts || !ends) continue;
    // Only the list before the line's first colon holds extensions.
    const size_t lineStart = cfgtext::LineStart(lower, at);
    const size_t lineEnd = cfgtext::LineEnd(lower, at);
    const size_t colon = lower.find(u':', lineStart);
    if (colon == std::u16string::npos || colon >= lineEnd || colon < after) continue;
    if (!description.empty() && lower.compare(colon + 1, lineEnd - colon - 1, description) != 0)
      continue;
    return at;
  }
  return std::u16string::npos;
}

}  // namespace

void CZorbExtensionsChange::RemoveExtension(CZorbTextConfigFile& file, const CString& extension,
                                            const CString& description) {
  const std::u16string wanted = cfgtext::Lowered(cfgtext::ToU16(extension));
  const std::u16string lowerDescription = cfgtext::Lowered(cfgtext::ToU16(description));
  if (wanted.empty()) return;
  cfgtext::Work work;
  cfgtext::Prepare(file, work);
  bool removed = false;
  for (size_t at = FindItem(work, wanted, lowerDescription); at != std::u16string::npos;
       at = FindItem(work, wanted, lowerDescription)) {
    const size_t after = at + wanted.size();
    removed = true;
    if (at > 0 && work.text[at - 1] == u',') {
      work.Splice(at - 1, wanted.size() + 1, u"");
    } else if (work.text[after] == u',') {
      work.Splice(at, wanted.size() + 1, u"");
    } else {
      const size_t lineStart = cfgtext::LineStart(work.text, at);
      const size_t lineEnd = cfgtext::LineEnd(work.text, at);
      work.Splice(lineStart, lineEnd - lineStart + cfgtext::LineEndLength(work.text, lineEnd), u"");
    }
  }
  if (removed) cfgtext::Store(file, work);
}
