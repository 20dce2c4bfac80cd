// Loads bytes as a description, writes it back, and loads and writes what
// was written. A crash, a hang, a sanitizer report or an exception is a
// finding; any result code is fine.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "extension/CZorbExtension.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/CZorbXmlFile.h"

namespace {

// A folder of its own below the system's temporary folder, removed at the
// end; the default machine has the one volume "Disk" at "/", so its colon
// path follows.
struct Workspace {
  Workspace() {
    std::error_code ec;
    folder = std::filesystem::temp_directory_path(ec) /
             ("plexar-description-fuzz-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(folder, ec);
    posix = (folder / "fuzz.kxi").string();
    std::string text = "Disk" + posix;
    for (char& ch : text)
      if (ch == '/') ch = ':';
    colon = std::u16string(text.begin(), text.end());
  }
  ~Workspace() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  std::filesystem::path folder;
  std::string posix;
  std::u16string colon;
};

void LoadAndWrite(const Workspace& space, CString& written) {
  CZorbExtension e;
  CZorbTypedList<CZorbString> errors, warnings;
  (void)e.LoadWithLoadResourceFlagAndCheck(space.colon.c_str(), false, &errors, &warnings);
  e.BuildXml(0, written);
  const CZorbExtension copy(e);
  CString installed;
  copy.DoBuildXml(0, installed, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Workspace space;
  {
    std::ofstream out(space.posix, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  CString written;
  LoadAndWrite(space, written);
  // What the writer made is read again, as a save would leave it.
  if (CZorbXmlFile::WriteDocument(space.colon.c_str(), written, CZorbUnicodeConverter::kUTF8) != 0)
    return 0;
  CString again;
  LoadAndWrite(space, again);
  return 0;
}
