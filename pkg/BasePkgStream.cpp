#include "pkg/BasePkgStream.h"

namespace pkg {

IPkgStream::IPkgStream() : std::iostream(nullptr) {}
IPkgStream::~IPkgStream() = default;

BasePkgStream::BasePkgStream() : std::iostream(nullptr) {}
BasePkgStream::~BasePkgStream() = default;

std::shared_ptr<IPkgStream>& operator<<(std::shared_ptr<IPkgStream>& stream, const char* text) {
  if (stream && text) *stream << text;
  return stream;
}

std::shared_ptr<IPkgStream>& operator<<(std::shared_ptr<IPkgStream>& stream, char* text) {
  return stream << static_cast<const char*>(text);
}

std::shared_ptr<IPkgStream>& operator>>(std::shared_ptr<IPkgStream>& stream, std::string& word) {
  if (stream) *stream >> word;
  return stream;
}

}  // namespace pkg
