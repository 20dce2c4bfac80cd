#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pkg/IPkgFileSystem.h"
#include "validator/SignedContent.h"
#include "validator/TrustStore.h"

namespace nimbrel {

class PackageContent;

// What the check of one package or bundle found.
struct SignatureVerdict {
  enum class Status { kValid, kWarning, kInvalid };

  Status status = Status::kValid;
  bool isSigned = false;
  // The signer's organisation (or, without one, its common name).
  std::string publisher;
  // "trusted", "untrusted", "self-signed", "expired", "none" (unsigned) or
  // "invalid".
  std::string certificateType;
  // Each warning or reason, a sentence without the package's name.
  std::vector<std::string> messages;
};

// Checks the signatures of packages (zip files) and unpacked bundles
// (folders). The content must be sane (for a package: a stored "mimetype"
// entry first; for both: no name twice, none absolute, with "..", a
// backslash or a zero byte). Without "META-INF/signatures.xml" it is
// unsigned: valid with a warning. Otherwise its signature must verify, and
// cover every file but the signature file itself; a signer's certificate
// that leads to no root of the trust store, is self-signed or out of date
// gives a warning. Anything else makes it invalid.
class SignatureValidator {
 public:
  static constexpr const char* kSignatureFileName = "META-INF/signatures.xml";
  static constexpr uint64_t kDefaultMaxContentBytes = uint64_t{4} << 30;

  explicit SignatureValidator(const TrustStore& trust,
                              uint64_t maxContentBytes = kDefaultMaxContentBytes);

  SignatureVerdict checkPackage(const std::string& path) const;
  SignatureVerdict checkPackage(std::shared_ptr<pkg::IPkgFSFile> file) const;
  SignatureVerdict checkFolder(const std::string& path) const;
  // A folder is checked as a bundle, anything else as a package.
  SignatureVerdict checkPath(const std::string& path) const;
  // The checks past the container's own: names, signature, coverage, chain.
  SignatureVerdict checkContent(SignedContent& content) const;

 private:
  SignatureVerdict checkOpened(const std::function<std::unique_ptr<PackageContent>()>& open) const;

  const TrustStore& m_trust;
  uint64_t m_maxContentBytes;
};

}  // namespace nimbrel
