// Checks bytes as a signed package, the way Nimbrel checks what it is
// given: container, names, signature file, references, certificates.
// Any verdict is fine; a crash, a hang, a sanitizer report or an exception
// is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "validator/SignatureValidator.h"
#include "validator/TrustStore.h"
#include "validator/fuzz/MemoryPackageFile.h"

namespace {
// A package may hold no more than this to check, so that a small input
// that inflates to gigabytes does not stall the run.
constexpr uint64_t kMaxContentBytes = 16u << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const nimbrel::TrustStore trust;
  const nimbrel::SignatureValidator validator(trust, kMaxContentBytes);
  auto file = std::make_shared<nimbreltest::MemoryPackageFile>(
      std::string(reinterpret_cast<const char*>(data), size));
  validator.checkPackage(file);
  return 0;
}
