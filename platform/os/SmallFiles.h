#pragma once

#include <sys/types.h>

#include <cstddef>
#include <limits>
#include <string>

// Whole-file reads and writes of small files, through the file-system seam.
// Functions return 0 or an errno value.
namespace platform {

// Whether the path names an existing item; links are followed.
bool pathExists(const std::string& path);

// Reads the whole file into out. EFBIG when it holds more than limit bytes
// (out is then empty).
[[nodiscard]] int readWholeFile(const std::string& path, std::string& out,
                                size_t limit = std::numeric_limits<size_t>::max());

// Creates the file with the given mode, or empties an existing one, and
// writes the n bytes.
[[nodiscard]] int writeWholeFile(const std::string& path, const void* data, size_t n, mode_t mode);

// Puts a file holding the n bytes at path unless something is there already.
// The bytes go to a temporary sibling first, which is flushed and then renamed
// into place without replacing, so no reader ever sees the file half-written
// and of several processes racing to make it exactly one succeeds. EEXIST
// when the name was taken; the temporary file is removed whatever happens.
[[nodiscard]] int createFileExclusively(const std::string& path, const void* data, size_t n,
                                        mode_t mode);

}  // namespace platform
