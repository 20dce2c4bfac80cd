#include "testsupport/signing/TestCertificate.h"

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr long kSecondsPerDay = 24 * 60 * 60;
constexpr int kCoordinateBytes = 32;

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test certificate: ") + what);
}

void addExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  check(extension != nullptr, "extension");
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

}  // namespace

TestCertificate TestCertificate::selfSigned(const Options& options) {
  return make(nullptr, options);
}

TestCertificate TestCertificate::issuedBy(const TestCertificate& issuer, const Options& options) {
  return make(&issuer, options);
}

TestCertificate TestCertificate::make(const TestCertificate* issuer, const Options& options) {
  static std::atomic<long> serial{1};
  std::shared_ptr<EVP_PKEY> key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
  check(key != nullptr, "key");
  std::shared_ptr<X509> certificate(X509_new(), &X509_free);
  X509* cert = certificate.get();
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), serial++);
  X509_gmtime_adj(X509_getm_notBefore(cert), options.notBeforeDays * kSecondsPerDay);
  X509_gmtime_adj(X509_getm_notAfter(cert), options.notAfterDays * kSecondsPerDay);
  X509_NAME* name = X509_get_subject_name(cert);
  auto text = [](const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.c_str());
  };
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, text(options.commonName), -1, -1, 0);
  if (!options.organization.empty())
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8, text(options.organization), -1, -1, 0);
  X509* issuerCert = issuer ? issuer->certificate() : cert;
  X509_set_issuer_name(cert, X509_get_subject_name(issuerCert));
  X509_set_pubkey(cert, key.get());
  addExtension(cert, issuerCert, NID_basic_constraints,
               options.isCA ? "critical,CA:TRUE" : "critical,CA:FALSE");
  std::string usage =
      options.mayDigitallySign ? "critical,digitalSignature" : "critical,keyEncipherment";
  if (options.isCA) usage += ",keyCertSign,cRLSign";
  addExtension(cert, issuerCert, NID_key_usage, usage.c_str());
  addExtension(cert, issuerCert, NID_subject_key_identifier, "hash");
  if (issuer) addExtension(cert, issuerCert, NID_authority_key_identifier, "keyid:always");
  check(X509_sign(cert, issuer ? issuer->key() : key.get(), EVP_sha256()) > 0, "sign");
  return TestCertificate(std::move(key), std::move(certificate));
}

std::string TestCertificate::pem() const {
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
  PEM_write_bio_X509(bio.get(), m_certificate.get());
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<size_t>(size));
}

std::string TestCertificate::der() const {
  unsigned char* data = nullptr;
  const int size = i2d_X509(m_certificate.get(), &data);
  check(size > 0, "der");
  std::string bytes(reinterpret_cast<char*>(data), static_cast<size_t>(size));
  OPENSSL_free(data);
  return bytes;
}

std::string TestCertificate::signSha256(const std::string& data) const {
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                  &EVP_MD_CTX_free);
  check(EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, m_key.get()) == 1,
        "sign init");
  size_t size = 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  check(EVP_DigestSign(context.get(), nullptr, &size, bytes, data.size()) == 1, "sign size");
  std::string der(size, '\0');
  check(EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(der.data()), &size, bytes,
                       data.size()) == 1,
        "sign");
  const auto* in = reinterpret_cast<const unsigned char*>(der.data());
  std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> signature(
      d2i_ECDSA_SIG(nullptr, &in, static_cast<long>(size)), &ECDSA_SIG_free);
  check(signature != nullptr, "signature");
  std::string value(2 * kCoordinateBytes, '\0');
  auto* out = reinterpret_cast<unsigned char*>(value.data());
  BN_bn2binpad(ECDSA_SIG_get0_r(signature.get()), out, kCoordinateBytes);
  BN_bn2binpad(ECDSA_SIG_get0_s(signature.get()), out + kCoordinateBytes, kCoordinateBytes);
  return value;
}

}  // namespace testsupport
