#pragma once

#include <iostream>
#include <memory>
#include <string>

#include "pkg/PkgTypes.h"

namespace pkg {

// A standard stream over one entry's data.
class IPkgStream : public virtual std::iostream {
 public:
  IPkgStream();
  ~IPkgStream() override;
  virtual void close() = 0;
  // The file entry the stream belongs to.
  virtual SPRefType<IPkgFile> getFile() = 0;
};

// Writes text into the stream of an entry.
std::shared_ptr<IPkgStream>& operator<<(std::shared_ptr<IPkgStream>& stream, const char* text);
std::shared_ptr<IPkgStream>& operator<<(std::shared_ptr<IPkgStream>& stream, char* text);
// Reads one whitespace-delimited word.
std::shared_ptr<IPkgStream>& operator>>(std::shared_ptr<IPkgStream>& stream, std::string& word);

}  // namespace pkg
