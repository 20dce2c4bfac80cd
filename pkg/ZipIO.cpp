#include "pkg/ZipIO.h"

#include <climits>

namespace pkg::zip {

namespace {
constexpr size_t kMaxPiece = static_cast<size_t>(INT_MAX) & ~static_cast<size_t>(0xFFFF);
}

size_t readFully(IPkgFSFileCommon& file, void* buffer, size_t n) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t got = 0;
  while (got < n) {
    size_t piece = n - got < kMaxPiece ? n - got : kMaxPiece;
    int r = file.read(out + got, static_cast<int>(piece));
    if (r <= 0) break;
    got += static_cast<size_t>(r);
  }
  return got;
}

void writeFully(IPkgFSFileCommon& file, const void* buffer, size_t n) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  while (n > 0) {
    size_t piece = n < kMaxPiece ? n : kMaxPiece;
    file.write(in, static_cast<int>(piece));
    in += piece;
    n -= piece;
  }
}

}  // namespace pkg::zip
