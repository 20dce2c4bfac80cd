#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A file's resource fork lives beside it in an AppleDouble file "._<name>".
// Ours hold one entry, the resource fork, which runs to the end of the file;
// sidecars made elsewhere are read as they are and rewritten in our layout
// before they are changed.
inline constexpr uint32_t kAppleDoubleMagic = 0x00051607;
inline constexpr uint32_t kAppleDoubleVersion = 0x00020000;
// The first version's files are read as well.
inline constexpr uint32_t kAppleDoubleVersion1 = 0x00010000;
inline constexpr uint32_t kAppleDoubleResourceForkId = 2;
inline constexpr uint32_t kAppleDoubleHeaderSize = 26;
inline constexpr uint32_t kAppleDoubleEntrySize = 12;
// Our layout: the header, one entry, then the fork's bytes.
inline constexpr uint32_t kAppleDoubleForkOffset = kAppleDoubleHeaderSize + kAppleDoubleEntrySize;
inline constexpr uint32_t kAppleDoubleLengthField = kAppleDoubleHeaderSize + 8;

// Where the resource fork sits in a sidecar.
struct AppleDoubleLayout {
  uint64_t forkOffset = 0;
  uint64_t forkLength = 0;
  bool hasFork = false;  // the file has a resource-fork entry
  uint64_t lengthFieldOffset = 0;
  bool forkRunsToEnd = false;  // the fork is the last thing in the file
};

// Big-endian 32-bit fields, as sidecars and Finder info hold them.
uint32_t readBigEndian32(const uint8_t* p);
void writeBigEndian32(uint8_t* p, uint32_t v);

// "._<name>" in the folder of the path.
std::string sidecarPath(const std::string& path);

// Reads and checks a sidecar's header and entries (every entry must lie
// inside the file). Returns 0, an errno, or EINVAL for a file that is not a
// valid AppleDouble file.
[[nodiscard]] int parseAppleDouble(int fd, AppleDoubleLayout& layout);

// The header of an empty sidecar in our layout.
std::vector<uint8_t> appleDoubleHeader(uint32_t forkLength);

// True when the file at the path starts with the AppleDouble magic and version.
bool hasAppleDoubleMagic(const std::string& path);
// The same, telling a missing or short file (valid false, result 0) from one
// that cannot be read (an errno).
[[nodiscard]] int checkAppleDoubleMagic(const std::string& path, bool& valid);

// True when name is "._x", its file has the AppleDouble magic and x exists in
// the folder: only then is it a sidecar, any other "._" file is ordinary.
bool isSidecar(const std::string& folder, const std::string& name);

// True when the path's sidecar exists and is a valid sidecar of it.
bool hasSidecar(const std::string& path);
// The same, reporting a sidecar that cannot be read as an errno, so that a
// fork is never taken for absent because of a read error.
[[nodiscard]] int checkSidecar(const std::string& path, bool& present);

}  // namespace platform
