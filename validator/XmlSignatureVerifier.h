#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <openssl/types.h>

#include "validator/SignedContent.h"

namespace nimbrel {

struct XmlSignatureResult {
  enum class Outcome {
    kVerified,   // the signature value and every reference digest hold
    kMismatch,   // well-formed, but a digest or the signature value differs
    kMalformed,  // not a signature this verifier accepts
  };
  Outcome outcome = Outcome::kMalformed;
  // Why it is not verified, as a sentence fragment.
  std::string problem;
  // The entries the references read.
  std::set<std::string> covered;
  // The certificates of the signature's key information, the signer's first.
  std::vector<std::shared_ptr<X509>> certificates;
};

// Checks the one W3C XML signature of a signature file against signed
// content. References name entries of the content by relative URI, or
// elements of the signature file by "#id"; nothing else is read, and only
// the canonicalisation, digest and signature methods of the SHA-2 family
// (RSA and ECDSA) are accepted. The signature must verify with the public
// key of the first certificate of its key information; whether that
// certificate is trusted is not asked here.
class XmlSignatureVerifier {
 public:
  // Signature files larger than this are refused.
  static constexpr size_t kMaxSignatureFileBytes = 4u << 20;

  // Reading more than maxContentBytes of the content fails the check.
  static XmlSignatureResult verify(const std::string& xml, SignedContent& content,
                                   uint64_t maxContentBytes);
};

}  // namespace nimbrel
