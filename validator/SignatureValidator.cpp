#include "validator/SignatureValidator.h"

#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <filesystem>
#include <set>

#include "pkg/PackageException.h"
#include "validator/EntryName.h"
#include "validator/FolderContent.h"
#include "validator/PackageContent.h"
#include "validator/XmlSignatureVerifier.h"

namespace nimbrel {

namespace {

constexpr char kMimetypeName[] = "mimetype";
constexpr uint16_t kStored = 0;

SignatureVerdict invalid(std::string reason, SignatureVerdict verdict = {}) {
  verdict.status = SignatureVerdict::Status::kInvalid;
  verdict.certificateType = "invalid";
  verdict.messages.push_back(std::move(reason));
  return verdict;
}

// A name as a message quotes it.
std::string quoted(const std::string& name) {
  return "\"" + name + "\"";
}

std::string subjectEntry(X509* certificate, int nid) {
  X509_NAME* subject = X509_get_subject_name(certificate);
  const int index = X509_NAME_get_index_by_NID(subject, nid, -1);
  if (index < 0) return {};
  ASN1_STRING* data = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index));
  unsigned char* utf8 = nullptr;
  const int length = ASN1_STRING_to_UTF8(&utf8, data);
  if (length < 0) return {};
  std::string text(reinterpret_cast<const char*>(utf8), static_cast<size_t>(length));
  OPENSSL_free(utf8);
  return text;
}

std::string publisherOf(X509* certificate) {
  std::string name = subjectEntry(certificate, NID_organizationName);
  if (name.empty()) name = subjectEntry(certificate, NID_commonName);
  return name;
}

bool maySign(X509* certificate) {
  // Without the extension any use is allowed.
  const uint32_t usage = X509_get_key_usage(certificate);
  return usage == UINT32_MAX || (usage & (KU_DIGITAL_SIGNATURE | KU_NON_REPUDIATION)) != 0;
}

// Names that make the content unsafe to unpack or ambiguous to check.
std::string nameProblem(const std::vector<std::string>& names) {
  std::set<std::string> seen;
  for (const std::string& name : names) {
    if (!isSafeEntryName(name)) return "the entry name " + quoted(name) + " is not allowed";
    if (!seen.insert(name).second) return "the entry " + quoted(name) + " appears more than once";
  }
  return {};
}

std::string readAll(ContentReader& reader, size_t limit, bool* complete) {
  std::string data;
  char buffer[16384];
  *complete = false;
  for (;;) {
    const int n = reader.read(buffer, sizeof(buffer));
    if (n < 0) return data;
    if (n == 0) break;
    data.append(buffer, static_cast<size_t>(n));
    if (data.size() > limit) return data;
  }
  *complete = true;
  return data;
}

}  // namespace

SignatureValidator::SignatureValidator(const TrustStore& trust, uint64_t maxContentBytes)
    : m_trust(trust), m_maxContentBytes(maxContentBytes) {}

SignatureVerdict SignatureValidator::checkPath(const std::string& path) const {
  std::error_code error;
  if (std::filesystem::is_directory(std::filesystem::symlink_status(path, error)))
    return checkFolder(path);
  return checkPackage(path);
}

SignatureVerdict SignatureValidator::checkPackage(const std::string& path) const {
  return checkOpened([&] { return std::make_unique<PackageContent>(path); });
}

SignatureVerdict SignatureValidator::checkPackage(std::shared_ptr<pkg::IPkgFSFile> file) const {
  return checkOpened([&] { return std::make_unique<PackageContent>(std::move(file)); });
}

SignatureVerdict SignatureValidator::checkOpened(
    const std::function<std::unique_ptr<PackageContent>()>& open) const {
  std::unique_ptr<PackageContent> content;
  try {
    content = open();
  } catch (const pkg::PackageException& e) {
    return invalid(std::string("the package can't be read (") + e.what() + ")");
  }
  const auto& records = content->records();
  if (records.empty() || records.front().name != kMimetypeName ||
      records.front().localHeaderOffset != 0)
    return invalid("the package does not start with its \"mimetype\" entry");
  if (records.front().method != kStored) return invalid("the \"mimetype\" entry is compressed");
  return checkContent(*content);
}

SignatureVerdict SignatureValidator::checkFolder(const std::string& path) const {
  FolderContent content(path);
  if (!content.readable()) return invalid("the bundle's folder can't be read");
  if (!content.problems().empty())
    return invalid("the bundle's item " + quoted(content.problems().front()) +
                   " is not a file or a folder");
  return checkContent(content);
}

SignatureVerdict SignatureValidator::checkContent(SignedContent& content) const {
  if (std::string problem = nameProblem(content.names()); !problem.empty())
    return invalid(std::move(problem));

  if (!content.hasFile(kSignatureFileName)) {
    SignatureVerdict verdict;
    verdict.status = SignatureVerdict::Status::kWarning;
    verdict.certificateType = "none";
    verdict.messages.push_back("the package is not signed");
    return verdict;
  }

  SignatureVerdict verdict;
  verdict.isSigned = true;
  std::unique_ptr<ContentReader> reader = content.open(kSignatureFileName);
  bool complete = false;
  const std::string xml =
      reader ? readAll(*reader, XmlSignatureVerifier::kMaxSignatureFileBytes, &complete) : "";
  if (!complete) {
    return invalid(xml.size() > XmlSignatureVerifier::kMaxSignatureFileBytes
                       ? "the signature file is too large"
                       : "the signature file can't be read",
                   verdict);
  }

  const XmlSignatureResult result = XmlSignatureVerifier::verify(xml, content, m_maxContentBytes);
  if (!result.certificates.empty())
    verdict.publisher = publisherOf(result.certificates.front().get());
  if (result.outcome != XmlSignatureResult::Outcome::kVerified)
    return invalid(result.problem, verdict);

  for (const std::string& name : content.names()) {
    if (name.back() == '/' || name == kSignatureFileName) continue;
    if (!result.covered.count(name))
      return invalid("the entry " + quoted(name) + " is not covered by the signature", verdict);
  }

  X509* signer = result.certificates.front().get();
  if (!maySign(signer)) return invalid("the signer's certificate is not for signing", verdict);
  std::vector<X509*> others;
  for (size_t i = 1; i < result.certificates.size(); ++i)
    others.push_back(result.certificates[i].get());
  const ChainVerdict chain = m_trust.verify(signer, others);
  if (!chain.valid)
    return invalid("the signer's certificate chain is not valid (" + chain.problem + ")", verdict);

  verdict.certificateType = "trusted";
  if (chain.untrusted) {
    verdict.certificateType = "untrusted";
    verdict.messages.push_back("the signer's certificate does not lead to a trusted root");
  }
  if (chain.selfSigned) {
    verdict.certificateType = "self-signed";
    verdict.messages.push_back("the signer's certificate is self-signed");
  }
  if (chain.expired || chain.notYetValid) {
    verdict.certificateType = "expired";
    verdict.messages.push_back(chain.expired ? "a certificate of the signature has expired"
                                             : "a certificate of the signature is not valid yet");
  }
  verdict.status = verdict.messages.empty() ? SignatureVerdict::Status::kValid
                                            : SignatureVerdict::Status::kWarning;
  return verdict;
}

}  // namespace nimbrel
