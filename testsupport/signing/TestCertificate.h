#pragma once

#include <memory>
#include <string>

#include <openssl/types.h>

namespace testsupport {

// A P-256 key and its X.509 certificate, made with OpenSSL when a test
// runs, so no key material lives in the tree.
class TestCertificate {
 public:
  struct Options {
    std::string commonName = "Test Signer";
    std::string organization;
    bool isCA = false;
    // Validity in days from now; negative values lie in the past.
    long notBeforeDays = -1;
    long notAfterDays = 365;
    // Key usage: digital signature (and for authorities certificate
    // signing); false leaves only key encipherment.
    bool mayDigitallySign = true;
  };

  static TestCertificate selfSigned(const Options& options);
  static TestCertificate issuedBy(const TestCertificate& issuer, const Options& options);

  X509* certificate() const { return m_certificate.get(); }
  EVP_PKEY* key() const { return m_key.get(); }
  std::string pem() const;
  std::string der() const;

  // An XML signature's ECDSA-SHA256 value of the data: r and s, 32 bytes
  // each.
  std::string signSha256(const std::string& data) const;

 private:
  TestCertificate(std::shared_ptr<EVP_PKEY> key, std::shared_ptr<X509> certificate)
      : m_key(std::move(key)), m_certificate(std::move(certificate)) {}
  static TestCertificate make(const TestCertificate* issuer, const Options& options);

  std::shared_ptr<EVP_PKEY> m_key;
  std::shared_ptr<X509> m_certificate;
};

}  // namespace testsupport
