#pragma once

#include <string>
#include <vector>

#include "testsupport/signing/TestCertificate.h"

namespace testsupport {

// Builds zip packages (and unpacked bundle folders) signed with a W3C XML
// signature in "META-INF/signatures.xml", as a signing tool would: one
// reference per signed entry with its SHA-256 digest, exclusive
// canonicalisation, ECDSA-SHA256 with the signer's key, and the signer's
// certificate first in the key information. The zip and the signature are
// written here, without the code under test, and each fault a check must
// catch can be built in on purpose.
class SignedPackageBuilder {
 public:
  static constexpr const char* kSignatureFile = "META-INF/signatures.xml";
  static constexpr const char* kDefaultMimetype = "application/vnd.vesko.yxp";

  // Starts with a stored, signed "mimetype" entry.
  SignedPackageBuilder();

  // A signed entry (added again, the package holds the name twice).
  SignedPackageBuilder& add(const std::string& name, const std::string& data,
                            bool compressed = false);
  // An entry that no reference covers.
  SignedPackageBuilder& addUnsigned(const std::string& name, const std::string& data);
  // The entry's bytes change after signing.
  SignedPackageBuilder& tamper(const std::string& name, const std::string& data);
  // A reference with the digest of data under any URI, entry or not.
  SignedPackageBuilder& reference(const std::string& uri, const std::string& data);
  // The mimetype entry: compressed, after another entry, or left out.
  SignedPackageBuilder& compressMimetype();
  SignedPackageBuilder& mimetypeLast();
  SignedPackageBuilder& withoutMimetype();

  // Signs with the signer's key; chain lists further certificates for the
  // key information. Without a signer the package is unsigned.
  SignedPackageBuilder& signer(const TestCertificate& signer,
                               std::vector<TestCertificate> chain = {});
  // Signs with another key than the certificate's.
  SignedPackageBuilder& signingKey(const TestCertificate& key);

  std::string signaturesXml() const;
  std::string zipBytes() const;
  void writeZip(const std::string& path) const;
  // The entries as files below folder (a later entry of a name wins).
  void writeFolder(const std::string& folder) const;

 private:
  struct Entry {
    std::string name;
    std::string data;        // what the package holds
    std::string signedData;  // what the signature's digest covers
    bool compressed = false;
    bool isSigned = true;
  };
  struct ExtraReference {
    std::string uri;
    std::string data;
  };

  // The entries as the package holds them, the signature file last.
  std::vector<Entry> packageEntries() const;

  std::vector<Entry> m_entries;
  std::vector<ExtraReference> m_references;
  bool m_hasSigner = false;
  std::vector<TestCertificate> m_certificates;  // signer first
  std::vector<TestCertificate> m_signingKey;    // empty: the signer's
};

}  // namespace testsupport
