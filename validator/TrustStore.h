#pragma once

#include <memory>
#include <string>
#include <vector>

#include <openssl/types.h>

namespace nimbrel {

// How a signer's certificate chain stands.
struct ChainVerdict {
  bool valid = true;         // false: a forged or malformed chain
  bool untrusted = false;    // it leads to no root of the store
  bool selfSigned = false;   // the signer's certificate is its own issuer
  bool expired = false;      // a certificate of the chain is past its end
  bool notYetValid = false;  // or before its start
  std::string problem;       // why it is not valid
};

// The root certificates a signature may lead to: every PEM certificate in
// the files of one folder (Nimbrel's "TrustStore").
class TrustStore {
 public:
  TrustStore();
  ~TrustStore();
  TrustStore(TrustStore&&) noexcept;
  TrustStore& operator=(TrustStore&&) noexcept;

  // Reads every file of the folder; files that hold no certificate are
  // passed over, and a missing folder gives an empty store.
  static TrustStore fromFolder(const std::string& folder);

  // Adds the certificates of PEM text; how many there were.
  size_t addPem(const std::string& pem);
  size_t size() const { return m_roots.size(); }

  // Builds the chain from the signer's certificate through the others to a
  // root of the store, at the current time.
  ChainVerdict verify(X509* signer, const std::vector<X509*>& others) const;

 private:
  std::vector<std::shared_ptr<X509>> m_roots;
};

}  // namespace nimbrel
