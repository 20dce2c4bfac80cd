#include "validator/TrustStore.h"

#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace nimbrel {

namespace {

// Larger files are not certificates.
constexpr std::uintmax_t kMaxTrustFileBytes = 1u << 20;

// The verification goes on past the problems that make a warning; any
// other stops it and makes the chain invalid.
int recordProblem(int ok, X509_STORE_CTX* context) {
  if (ok) return 1;
  auto* verdict = static_cast<ChainVerdict*>(X509_STORE_CTX_get_app_data(context));
  const int error = X509_STORE_CTX_get_error(context);
  switch (error) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
      verdict->selfSigned = true;
      return 1;
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
      verdict->untrusted = true;
      return 1;
    case X509_V_ERR_CERT_HAS_EXPIRED:
      verdict->expired = true;
      return 1;
    case X509_V_ERR_CERT_NOT_YET_VALID:
      verdict->notYetValid = true;
      return 1;
    default:
      verdict->valid = false;
      verdict->problem = X509_verify_cert_error_string(error);
      return 0;
  }
}

}  // namespace

TrustStore::TrustStore() = default;
TrustStore::~TrustStore() = default;
TrustStore::TrustStore(TrustStore&&) noexcept = default;
TrustStore& TrustStore::operator=(TrustStore&&) noexcept = default;

TrustStore TrustStore::fromFolder(const std::string& folder) {
  TrustStore store;
  namespace fs = std::filesystem;
  std::error_code error;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator();
       it.increment(error)) {
    if (it->is_regular_file(error) && it->file_size(error) <= kMaxTrustFileBytes)
      files.push_back(it->path());
  }
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    store.addPem(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  }
  return store;
}

size_t TrustStore::addPem(const std::string& pem) {
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(
      BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
  if (!bio) return 0;
  size_t added = 0;
  while (X509* certificate = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
    m_roots.emplace_back(certificate, &X509_free);
    ++added;
  }
  return added;
}

ChainVerdict TrustStore::verify(X509* signer, const std::vector<X509*>& others) const {
  ChainVerdict verdict;
  std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), &X509_STORE_free);
  std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> context(X509_STORE_CTX_new(),
                                                                          &X509_STORE_CTX_free);
  // The stack borrows the certificates.
  auto freeStack = [](STACK_OF(X509) * stack) { sk_X509_free(stack); };
  std::unique_ptr<STACK_OF(X509), decltype(freeStack)> chain(sk_X509_new_null(), freeStack);
  if (!signer || !store || !context || !chain) {
    verdict.valid = false;
    verdict.problem = "out of memory";
    return verdict;
  }
  for (const auto& root : m_roots) X509_STORE_add_cert(store.get(), root.get());
  for (X509* other : others) sk_X509_push(chain.get(), other);
  if (X509_STORE_CTX_init(context.get(), store.get(), signer, chain.get()) != 1) {
    verdict.valid = false;
    verdict.problem = "the chain can't be built";
    return verdict;
  }
  X509_STORE_CTX_set_app_data(context.get(), &verdict);
  X509_STORE_CTX_set_verify_cb(context.get(), recordProblem);
  if (X509_verify_cert(context.get()) != 1 && verdict.valid) {
    verdict.valid = false;
    verdict.problem = X509_verify_cert_error_string(X509_STORE_CTX_get_error(context.get()));
  }
  return verdict;
}

}  // namespace nimbrel
