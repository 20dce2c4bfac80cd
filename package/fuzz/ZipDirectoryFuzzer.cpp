// Reads bytes as the YXP pre-check reads an archive before the unpacking
// tool may see it: once with the default limits and a folder the names must
// fit below, once with limits tight enough to make it inflate the data.
// Anything but a refusal or an acceptance (a crash, a hang, a sanitizer
// report, an exception) is a finding.
#include <cstddef>
#include <cstdint>

#include "foundation/CString.h"
#include "package/CZorbPackage.h"
#include "package/CZorbZipDirectory.h"
#include "pkg/tests/ZipTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const CString folder(u"Disk:tmp:ZDR1:plexo_raw.zip_UNPACK");
  constexpr CZorbPackage::UnpackLimits kTight = {64 * 1024, 64};
  pkgtest::MemoryFile file(data, size);
  CZorbZipDirectory directory;
  if (directory.Read(file, CZorbPackage::kDefaultUnpackLimits, folder)) {
    // What it accepts, it describes.
    if (!directory.GetReason().empty()) __builtin_trap();
  } else if (directory.GetReason().empty()) {
    __builtin_trap();
  }
  directory.Read(file, kTight);
  return 0;
}
