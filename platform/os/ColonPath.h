#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/PlatformConfig.h"

namespace platform {

// The map between the program's colon paths ("Disk:Users:ann:file.txt",
// UTF-16) and POSIX paths (UTF-8). Pure text: nothing here touches the disk.
//
// Colon to POSIX: the first component names a volume of the table (exact
// name first, then ignoring ASCII case); the other components follow its
// mount point, "/" inside a component becoming ":". A trailing ":" (a
// folder path) gives a trailing "/", and a bare volume name or "Name:" its
// mount point. Refused: an unknown volume, a path that does not start with
// a volume (empty, or starting with ":"), an empty component other than the
// final one, "." and "..", NUL, and text that is not valid UTF-16. So no
// text from a package or a description can leave the folder it is put in.
//
// POSIX to colon: the path must be absolute; it is normalised lexically
// ("//" and "." dropped, ".." taking back one component, never above "/";
// links are not followed) and taken relative to the volume whose mount point
// is its longest prefix; ":" inside a component becomes "/". The root of a
// volume gives "Name:", and a path ending in "/" (or ".", "..") gives a
// trailing ":". Refused: a relative path, NUL, text that is not valid UTF-8,
// and a path below no volume.
enum class PathRefusal {
  None,
  NotAbsolute,     // empty, relative, or no volume name first
  UnknownVolume,   // the volume is not in the table
  EmptyComponent,  // "Disk:a::b"
  DotComponent,    // "." or ".." as a component
  NulCharacter,
  BadEncoding,  // unpaired surrogate, malformed UTF-8
  NoVolume,     // the POSIX path lies below no volume's mount point
};

// A short English description, for error messages and logs.
const char* describe(PathRefusal refusal);

// With the volume table of PlatformConfig::current().
[[nodiscard]] std::optional<std::string> colonToPosix(std::u16string_view colon,
                                                      PathRefusal* why = nullptr);
[[nodiscard]] std::optional<std::u16string> posixToColon(std::string_view posix,
                                                         PathRefusal* why = nullptr);

// With a volume table of the caller's.
[[nodiscard]] std::optional<std::string> colonToPosix(std::u16string_view colon,
                                                      const std::vector<Volume>& volumes,
                                                      PathRefusal* why = nullptr);
[[nodiscard]] std::optional<std::u16string> posixToColon(std::string_view posix,
                                                         const std::vector<Volume>& volumes,
                                                         PathRefusal* why = nullptr);

}  // namespace platform
