#include "pkg/ZipPkgStream.h"

#include <exception>

namespace pkg::zip {

ZipPkgStream::ZipPkgStream(IZipStreamOwner* owner)
    : std::iostream(nullptr), m_owner(owner), m_buffer(owner) {
  rdbuf(&m_buffer);
  // Failures of the entry's data reach the caller as PackageException
  // rather than only as a bad stream state.
  exceptions(std::ios_base::badbit);
}

ZipPkgStream::~ZipPkgStream() {
  try {
    close();
  } catch (...) {
    // Dropped: a destructor must not throw.
  }
}

void ZipPkgStream::close() {
  if (m_closed) return;
  m_closed = true;
  std::exception_ptr first;
  try {
    m_buffer.close();
  } catch (...) {
    first = std::current_exception();
  }
  try {
    if (m_owner) m_owner->streamClosed(this);
  } catch (...) {
    if (!first) first = std::current_exception();
  }
  exceptions(std::ios_base::goodbit);
  rdbuf(nullptr);
  if (first) std::rethrow_exception(first);
}

SPRefType<IPkgFile> ZipPkgStream::getFile() {
  return m_owner ? m_owner->streamFile() : SPRefType<IPkgFile>();
}

void ZipPkgStream::detach() {
  m_owner = nullptr;
  m_buffer.detach();
}

}  // namespace pkg::zip
