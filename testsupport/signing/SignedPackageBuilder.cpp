#include "testsupport/signing/SignedPackageBuilder.h"

#include <openssl/evp.h>
#include <openssl/sha.h>
#include <zlib.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr char kDsigNamespace[] = "http://www.w3.org/2000/09/xmldsig#";
constexpr char kExclusiveC14N[] = "http://www.w3.org/2001/10/xml-exc-c14n#";
constexpr char kEcdsaSha256[] = "http://www.w3.org/2001/04/xmldsig-more#ecdsa-sha256";
constexpr char kSha256[] = "http://www.w3.org/2001/04/xmlenc#sha256";
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflate = 8;
constexpr uint16_t kVersion20 = 20;
constexpr uint16_t kUtf8Names = 1 << 11;
constexpr uint16_t kDosTime = 0x6000;  // 12:00
constexpr uint16_t kDosDate = 0x5821;  // 2024-01-01

std::string base64(const std::string& bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(bytes.data()),
                                static_cast<int>(bytes.size()));
  out.resize(static_cast<size_t>(n));
  return out;
}

std::string sha256(const std::string& data) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest);
  return std::string(reinterpret_cast<char*>(digest), sizeof(digest));
}

// As canonical XML writes an attribute value.
std::string attributeText(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#x9;";
        break;
      case '\n':
        out += "&#xA;";
        break;
      case '\r':
        out += "&#xD;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// An entry name as a relative URI: unreserved characters and "/" stay.
std::string uriOf(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string deflated(const std::string& data) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK)
    throw std::runtime_error("deflate");
  std::string out(deflateBound(&stream, data.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

void put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void put32(std::string& out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v & 0xFFFF));
  put16(out, static_cast<uint16_t>(v >> 16));
}

}  // namespace

SignedPackageBuilder::SignedPackageBuilder() {
  m_entries.push_back({"mimetype", kDefaultMimetype, kDefaultMimetype, false, true});
}

SignedPackageBuilder& SignedPackageBuilder::add(const std::string& name, const std::string& data,
                                                bool compressed) {
  m_entries.push_back({name, data, data, compressed, true});
  return *this;
}

SignedPackageBuilder& SignedPackageBuilder::addUnsigned(const std::string& name,
                                                        const std::string& data) {
  m_entries.push_back({name, data, data, false, false});
  return *this;
}

SignedPackageBuilder& SignedPackageBuilder::tamper(const std::string& name,
                                                   const std::string& data) {
  for (Entry& entry : m_entries)
    if (entry.name == name) entry.data = data;
  return *this;
}

SignedPackageBuilder& SignedPackageBuilder::reference(const std::string& uri,
                                                      const std::string& data) {
  m_references.push_back({uri, data});
  return *this;
}

SignedPackageBuilder& SignedPackageBuilder::compressMimetype() {
  m_entries.front().compressed = true;
  return *this;
}

SignedPackageBuilder& SignedPackageBuilder::mimetypeLast() {
  if (!m_entries.empty() && m_entries.front().name == "mimetype") {
    Entry mimetype = m_entries.front();
    m_entries.erase(m_entries.begin());
    m_entries.push_back(mimetype);
  }
  return *this;
}

SignedPackageBuilder& SignedPackageBuilder::withoutMimetype() {
  if (!m_entries.empty() && m_entries.front().name == "mimetype")
    m_entries.erase(m_entries.begin());
  return *this;
}

SignedPackageBuilder& SignedPackageBuilder::signer(const TestCertificate& signer,
                                                   std::vector<TestCertificate> chain) {
  m_hasSigner = true;
  m_certificates.clear();
  m_certificates.push_back(signer);
  for (TestCertificate& certificate : chain) m_certificates.push_back(std::move(certificate));
  return *this;
}

SignedPackageBuilder& SignedPackageBuilder::signingKey(const TestCertificate& key) {
  m_signingKey = {key};
  return *this;
}

std::string SignedPackageBuilder::signaturesXml() const {
  if (!m_hasSigner) return {};
  // The signed information exactly as exclusive canonicalisation renders
  // it, so the bytes signed are the bytes written.
  std::string info = std::string("<SignedInfo xmlns=\"") + kDsigNamespace + "\">";
  info += std::string("<CanonicalizationMethod Algorithm=\"") + kExclusiveC14N +
          "\"></CanonicalizationMethod>";
  info += std::string("<SignatureMethod Algorithm=\"") + kEcdsaSha256 + "\"></SignatureMethod>";
  auto addReference = [&](const std::string& uri, const std::string& data) {
    info += "<Reference URI=\"" + attributeText(uri) + "\">";
    info += std::string("<DigestMethod Algorithm=\"") + kSha256 + "\"></DigestMethod>";
    info += "<DigestValue>" + base64(sha256(data)) + "</DigestValue></Reference>";
  };
  for (const Entry& entry : m_entries)
    if (entry.isSigned) addReference(uriOf(entry.name), entry.signedData);
  for (const ExtraReference& extra : m_references) addReference(extra.uri, extra.data);
  info += "</SignedInfo>";

  const TestCertificate& key = m_signingKey.empty() ? m_certificates.front() : m_signingKey.front();
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<signatures>";
  xml += std::string("<Signature xmlns=\"") + kDsigNamespace + "\" Id=\"signature\">";
  xml += info;
  xml += "<SignatureValue>" + base64(key.signSha256(info)) + "</SignatureValue>";
  xml += "<KeyInfo><X509Data>";
  for (const TestCertificate& certificate : m_certificates)
    xml += "<X509Certificate>" + base64(certificate.der()) + "</X509Certificate>";
  xml += "</X509Data></KeyInfo></Signature></signatures>\n";
  return xml;
}

std::vector<SignedPackageBuilder::Entry> SignedPackageBuilder::packageEntries() const {
  std::vector<Entry> entries = m_entries;
  if (m_hasSigner) {
    const std::string xml = signaturesXml();
    entries.push_back({kSignatureFile, xml, xml, true, false});
  }
  return entries;
}

std::string SignedPackageBuilder::zipBytes() const {
  std::string out;
  std::string directory;
  uint16_t count = 0;
  for (const Entry& entry : packageEntries()) {
    const std::string stored = entry.compressed ? deflated(entry.data) : entry.data;
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()),
                                    static_cast<uInt>(entry.data.size())));
    const uint16_t method = entry.compressed ? kDeflate : kStored;
    const auto offset = static_cast<uint32_t>(out.size());
    auto common = [&](std::string& record) {
      put16(record, kVersion20);
      put16(record, kUtf8Names);
      put16(record, method);
      put16(record, kDosTime);
      put16(record, kDosDate);
      put32(record, crc);
      put32(record, static_cast<uint32_t>(stored.size()));
      put32(record, static_cast<uint32_t>(entry.data.size()));
      put16(record, static_cast<uint16_t>(entry.name.size()));
      put16(record, 0);  // extra field
    };
    put32(out, 0x04034b50);
    common(out);
    out += entry.name;
    out += stored;

    put32(directory, 0x02014b50);
    put16(directory, kVersion20);  // made by
    common(directory);
    put16(directory, 0);  // comment
    put16(directory, 0);  // disk
    put16(directory, 0);  // internal attributes
    put32(directory, 0);  // external attributes
    put32(directory, offset);
    directory += entry.name;
    ++count;
  }
  const auto directoryOffset = static_cast<uint32_t>(out.size());
  out += directory;
  put32(out, 0x06054b50);
  put16(out, 0);
  put16(out, 0);
  put16(out, count);
  put16(out, count);
  put32(out, static_cast<uint32_t>(directory.size()));
  put32(out, directoryOffset);
  put16(out, 0);
  return out;
}

void SignedPackageBuilder::writeZip(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::string bytes = zipBytes();
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("can't write " + path);
}

void SignedPackageBuilder::writeFolder(const std::string& folder) const {
  namespace fs = std::filesystem;
  for (const Entry& entry : packageEntries()) {
    const fs::path path = fs::path(folder) / entry.name;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(entry.data.data(), static_cast<std::streamsize>(entry.data.size()));
    if (!out) throw std::runtime_error("can't write " + path.string());
  }
}

}  // namespace testsupport
