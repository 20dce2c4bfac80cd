#pragma once

#include <memory>
#include <string>
#include <vector>

namespace nimbrel {

// The bytes of one file of signed content.
class ContentReader {
 public:
  virtual ~ContentReader();
  // Up to size bytes; 0 at the end; -1 when the file can't be read further.
  virtual int read(char* buffer, int size) = 0;
};

// What a signature covers: a package's entries or an unpacked bundle's
// files, by their names inside it ("/" between folders).
class SignedContent {
 public:
  virtual ~SignedContent();
  // Every name, in the container's order; folders end in "/". A name held
  // twice is listed twice.
  virtual const std::vector<std::string>& names() const = 0;
  // Whether the name is that of a file.
  virtual bool hasFile(const std::string& name) const = 0;
  // The file's bytes; null when it can't be opened.
  virtual std::unique_ptr<ContentReader> open(const std::string& name) = 0;
};

}  // namespace nimbrel
