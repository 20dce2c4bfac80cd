#include "config/CZorbFTPExtensionMapChange.h"

#include "config/CZorbTextConfigFile.h"
#include "config/ConfigTextEdit.h"

CZorbFTPExtensionMapChange::CZorbFTPExtensionMapChange() = default;

CZorbFTPExtensionMapChange::~CZorbFTPExtensionMapChange() = default;

bool CZorbFTPExtensionMapChange::RemoveMapping(CZorbTextConfigFile& file,
                                               const CString& extension) {
  // An extension with a tab or a line end was never inserted; it must not
  // take a line of the host's that it happens to match.
  if (extension.FindOneOf(u"\t\r\n") >= 0) return false;
  const std::u16string wanted = cfgtext::Lowered(cfgtext::ToU16(extension)) + u"\t";
  cfgtext::Work work;
  cfgtext::Prepare(file, work);
  for (size_t at = work.lower.find(wanted); at != std::u16string::npos;
       at = work.lower.find(wanted, at + 1)) {
    if (at != 0 && !cfgtext::IsLineEnd(work.lower[at - 1])) continue;
    const size_t lineEnd = cfgtext::LineEnd(work.text, at);
    work.Splice(at, lineEnd - at + cfgtext::LineEndLength(work.text, lineEnd), u"");
    cfgtext::Store(file, work);
    return true;
  }
  return false;
}
