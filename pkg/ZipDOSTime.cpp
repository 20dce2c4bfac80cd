// The clock's side of the DOS time, apart from the records so that reading
// archives needs nothing of the platform.
#include "pkg/ZipRecords.h"
#include "platform/os/ArchiveSupport.h"

namespace pkg::zip {

DOSTime getDOSTime() {
  int64_t now = platform::wallClockSeconds();
  now = (now + 1) & ~static_cast<int64_t>(1);
  platform::LocalTimeParts t;
  if (!platform::localTimeOf(now, t)) return kDOSTimeBefore1980;
  return dostime(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

}  // namespace pkg::zip
