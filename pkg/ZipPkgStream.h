#pragma once

#include "pkg/BasePkgStream.h"
#include "pkg/ZipPkgStreamBuf.h"

namespace pkg::zip {

// The stream over one entry's data.
class ZipPkgStream : public BasePkgStream {
 public:
  explicit ZipPkgStream(IZipStreamOwner* owner);
  // Closes the stream and drops any failure of that close.
  ~ZipPkgStream() override;

  ZipPkgStreamBuf& buffer() { return m_buffer; }
  // Closes the buffer, then always tells the owner that the stream closed
  // and detaches the buffer; the first failure is passed on.
  void close() override;
  SPRefType<IPkgFile> getFile() override;
  // Forgets the owner (an entry going away while the stream lives).
  void detach();
  bool isClosed() const { return m_closed; }

 private:
  IZipStreamOwner* m_owner;
  ZipPkgStreamBuf m_buffer;
  bool m_closed = false;
};

}  // namespace pkg::zip
