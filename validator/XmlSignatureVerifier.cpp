#include "validator/XmlSignatureVerifier.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <xmlsec/base64.h>
#include <xmlsec/crypto.h>
#include <xmlsec/errors.h>
#include <xmlsec/io.h>
#include <xmlsec/keys.h>
#include <xmlsec/openssl/evp.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>
#include <xmlsec/xmltree.h>

#include <mutex>
#include <vector>

#include "validator/EntryName.h"

namespace nimbrel {

namespace {

// What the input callbacks may read during one verification.
struct Session {
  SignedContent* content = nullptr;
  std::set<std::string> allowed;
  std::set<std::string>* covered = nullptr;
  uint64_t bytesRead = 0;
  uint64_t limit = 0;
  bool overLimit = false;
};

thread_local Session* t_session = nullptr;
thread_local std::string t_lastError;

class SessionScope {
 public:
  explicit SessionScope(Session* session) { t_session = session; }
  ~SessionScope() { t_session = nullptr; }
  SessionScope(const SessionScope&) = delete;
  SessionScope& operator=(const SessionScope&) = delete;
};

struct OpenEntry {
  std::unique_ptr<ContentReader> reader;
};

// The library reads reference URIs only through these: nothing outside the
// current content, and only the names the references were checked for.
int matchUri(const char* uri) {
  return t_session && uri && t_session->allowed.count(uri) ? 1 : 0;
}

void* openUri(const char* uri) {
  if (!matchUri(uri)) return nullptr;
  std::unique_ptr<ContentReader> reader = t_session->content->open(uri);
  if (!reader) return nullptr;
  t_session->covered->insert(uri);
  return new OpenEntry{std::move(reader)};
}

int readUri(void* context, char* buffer, int length) {
  auto* entry = static_cast<OpenEntry*>(context);
  if (!t_session || !entry) return -1;
  const int n = entry->reader->read(buffer, length);
  if (n > 0) {
    t_session->bytesRead += static_cast<uint64_t>(n);
    if (t_session->bytesRead > t_session->limit) {
      t_session->overLimit = true;
      return -1;
    }
  }
  return n;
}

int closeUri(void* context) {
  delete static_cast<OpenEntry*>(context);
  return 0;
}

void recordError(const char*, int, const char*, const char*, const char*, int reason,
                 const char* message) {
  const char* text = xmlSecErrorsGetMsg(static_cast<xmlSecSize>(reason));
  t_lastError = text ? text : "";
  if (message && *message && std::string(message) != "NULL") {
    if (!t_lastError.empty()) t_lastError += ": ";
    t_lastError += message;
  }
}

void silentGeneric(void*, const char*, ...) {}
void silentStructured(void*, xmlErrorPtr) {}

bool initialise() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, silentGeneric);
    xmlSetStructuredErrorFunc(nullptr, silentStructured);
    if (xmlSecInit() < 0) return;
    if (xmlSecCheckVersion() != 1) return;
    xmlSecErrorsSetCallback(recordError);
    if (xmlSecCryptoAppInit(nullptr) < 0) return;
    if (xmlSecCryptoInit() < 0) return;
    // No files of the machine, no network: only the input callbacks above.
    xmlSecIOCleanupCallbacks();
    if (xmlSecIORegisterCallbacks(matchUri, openUri, readUri, closeUri) < 0) return;
    ready = true;
  });
  return ready;
}

bool enableTransforms(xmlSecDSigCtxPtr context) {
  const xmlSecTransformId canonical[] = {
      xmlSecTransformInclC14NId,   xmlSecTransformInclC14NWithCommentsId,
      xmlSecTransformExclC14NId,   xmlSecTransformExclC14NWithCommentsId,
      xmlSecTransformInclC14N11Id, xmlSecTransformInclC14N11WithCommentsId,
  };
  const xmlSecTransformId digests[] = {xmlSecTransformSha256Id, xmlSecTransformSha384Id,
                                       xmlSecTransformSha512Id};
  const xmlSecTransformId signatures[] = {
      xmlSecTransformRsaSha256Id,   xmlSecTransformRsaSha384Id,   xmlSecTransformRsaSha512Id,
      xmlSecTransformEcdsaSha256Id, xmlSecTransformEcdsaSha384Id, xmlSecTransformEcdsaSha512Id,
  };
  for (xmlSecTransformId id : canonical) {
    if (xmlSecDSigCtxEnableReferenceTransform(context, id) < 0) return false;
    if (xmlSecDSigCtxEnableSignatureTransform(context, id) < 0) return false;
  }
  for (xmlSecTransformId id : digests)
    if (xmlSecDSigCtxEnableReferenceTransform(context, id) < 0) return false;
  if (xmlSecDSigCtxEnableReferenceTransform(context, xmlSecTransformEnvelopedId) < 0) return false;
  for (xmlSecTransformId id : signatures)
    if (xmlSecDSigCtxEnableSignatureTransform(context, id) < 0) return false;
  return true;
}

bool isDsig(xmlNodePtr node, const xmlChar* name) {
  return node && node->type == XML_ELEMENT_NODE && xmlSecCheckNodeName(node, name, xmlSecDSigNs);
}

// Every Signature element of the document, without recursion.
std::vector<xmlNodePtr> findSignatures(xmlNodePtr root) {
  std::vector<xmlNodePtr> found;
  xmlNodePtr node = root;
  while (node) {
    if (isDsig(node, xmlSecNodeSignature)) found.push_back(node);
    if (node->children && node->type == XML_ELEMENT_NODE) {
      node = node->children;
      continue;
    }
    while (node && node != root && !node->next) node = node->parent;
    if (!node || node == root) break;
    node = node->next;
  }
  return found;
}

std::string attribute(xmlNodePtr node, const char* name, bool* present) {
  xmlChar* value = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
  *present = value != nullptr;
  std::string text = value ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return text;
}

std::shared_ptr<X509> readCertificate(xmlNodePtr node) {
  xmlChar* text = xmlNodeGetContent(node);
  if (!text) return nullptr;
  // Decoded in place: base64 only shrinks.
  xmlSecSize size = 0;
  const int decoded = xmlSecBase64DecodeInPlace(text, &size);
  std::vector<unsigned char> der(text, text + (decoded < 0 ? 0 : size));
  xmlFree(text);
  if (der.empty()) return nullptr;
  const unsigned char* bytes = der.data();
  X509* certificate = d2i_X509(nullptr, &bytes, static_cast<long>(der.size()));
  if (!certificate) return nullptr;
  return std::shared_ptr<X509>(certificate, &X509_free);
}

XmlSignatureResult malformed(XmlSignatureResult result, std::string problem) {
  result.outcome = XmlSignatureResult::Outcome::kMalformed;
  result.problem = std::move(problem);
  return result;
}

}  // namespace

XmlSignatureResult XmlSignatureVerifier::verify(const std::string& xml, SignedContent& content,
                                                uint64_t maxContentBytes) {
  XmlSignatureResult result;
  if (xml.size() > kMaxSignatureFileBytes)
    return malformed(std::move(result), "the signature file is too large");
  if (!initialise()) return malformed(std::move(result), "the signature library can't start");

  std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
      xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "signatures.xml", nullptr,
                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
      &xmlFreeDoc);
  if (!doc) return malformed(std::move(result), "the signature file is not well-formed XML");
  // Entities would let a small file grow without bound.
  if (doc->intSubset || doc->extSubset)
    return malformed(std::move(result), "the signature file declares a document type");
  xmlNodePtr root = xmlDocGetRootElement(doc.get());
  const std::vector<xmlNodePtr> signatures = findSignatures(root);
  if (signatures.size() != 1) {
    return malformed(
        std::move(result),
        "the signature file holds " + std::to_string(signatures.size()) + " signatures, not one");
  }
  xmlNodePtr signature = signatures.front();

  Session session;
  xmlNodePtr signedInfo = xmlSecFindChild(signature, xmlSecNodeSignedInfo, xmlSecDSigNs);
  if (!signedInfo) return malformed(std::move(result), "the signature has no signed information");
  size_t references = 0;
  for (xmlNodePtr node = signedInfo->children; node; node = node->next) {
    if (!isDsig(node, xmlSecNodeReference)) continue;
    ++references;
    bool present = false;
    const std::string uri = attribute(node, "URI", &present);
    if (!present || uri.empty())
      return malformed(std::move(result), "a reference of the signature names no entry");
    if (uri[0] == '#') {
      // An element of the signature file itself, by its Id: nothing else.
      if (uri.size() == 1 || uri.find_first_of("()") != std::string::npos)
        return malformed(std::move(result), "the reference \"" + uri + "\" is not an entry");
      continue;
    }
    std::string name;
    if (!entryNameOfUri(uri, name) || !isSafeEntryName(name) || name.back() == '/')
      return malformed(std::move(result), "the reference \"" + uri + "\" leaves the package");
    if (!content.hasFile(name)) {
      result.outcome = XmlSignatureResult::Outcome::kMismatch;
      result.problem = "the reference \"" + uri + "\" names no entry of the package";
      return result;
    }
    session.allowed.insert(name);
  }
  if (references == 0) return malformed(std::move(result), "the signature covers nothing");

  xmlNodePtr keyInfo = xmlSecFindChild(signature, xmlSecNodeKeyInfo, xmlSecDSigNs);
  for (xmlNodePtr data = keyInfo ? keyInfo->children : nullptr; data; data = data->next) {
    if (!isDsig(data, xmlSecNodeX509Data)) continue;
    for (xmlNodePtr node = data->children; node; node = node->next) {
      if (!isDsig(node, xmlSecNodeX509Certificate)) continue;
      std::shared_ptr<X509> certificate = readCertificate(node);
      if (!certificate)
        return malformed(std::move(result), "a certificate of the signature can't be read");
      result.certificates.push_back(std::move(certificate));
    }
  }
  if (result.certificates.empty())
    return malformed(std::move(result), "the signature carries no signer's certificate");

  const xmlChar* ids[] = {reinterpret_cast<const xmlChar*>("Id"), nullptr};
  xmlSecAddIDs(doc.get(), root, ids);

  std::unique_ptr<xmlSecDSigCtx, decltype(&xmlSecDSigCtxDestroy)> context(
      xmlSecDSigCtxCreate(nullptr), &xmlSecDSigCtxDestroy);
  if (!context || !enableTransforms(context.get()))
    return malformed(std::move(result), "the signature library can't start");
  EVP_PKEY* publicKey = X509_get_pubkey(result.certificates.front().get());
  xmlSecKeyDataPtr keyData = publicKey ? xmlSecOpenSSLEvpKeyAdopt(publicKey) : nullptr;
  if (!keyData) {
    EVP_PKEY_free(publicKey);
    return malformed(std::move(result), "the signer's certificate holds no usable key");
  }
  xmlSecKeyPtr key = xmlSecKeyCreate();
  if (!key || xmlSecKeySetValue(key, keyData) < 0) {
    xmlSecKeyDataDestroy(keyData);
    if (key) xmlSecKeyDestroy(key);
    return malformed(std::move(result), "the signer's certificate holds no usable key");
  }
  // The context owns the key from here.
  context->signKey = key;
  context->flags |= XMLSEC_DSIG_FLAGS_IGNORE_MANIFESTS;
  context->enabledReferenceUris = xmlSecTransformUriTypeSameDocument | xmlSecTransformUriTypeRemote;

  session.content = &content;
  session.covered = &result.covered;
  session.limit = maxContentBytes;
  t_lastError.clear();
  int status = -1;
  {
    SessionScope scope(&session);
    status = xmlSecDSigCtxVerify(context.get(), signature);
  }
  if (session.overLimit)
    return malformed(std::move(result), "the package holds more data than can be checked");
  if (status < 0) {
    std::string problem = "the signature can't be checked";
    if (!t_lastError.empty()) problem += " (" + t_lastError + ")";
    return malformed(std::move(result), problem);
  }
  if (context->status == xmlSecDSigStatusSucceeded) {
    result.outcome = XmlSignatureResult::Outcome::kVerified;
    return result;
  }
  result.outcome = XmlSignatureResult::Outcome::kMismatch;
  result.problem = "the signature value does not verify with the signer's certificate";
  const xmlSecSize count = xmlSecPtrListGetSize(&context->signedInfoReferences);
  for (xmlSecSize i = 0; i < count; ++i) {
    auto* reference = static_cast<xmlSecDSigReferenceCtxPtr>(
        xmlSecPtrListGetItem(&context->signedInfoReferences, i));
    if (reference && reference->status != xmlSecDSigStatusSucceeded) {
      const std::string uri = reference->uri ? reinterpret_cast<const char*>(reference->uri) : "";
      result.problem = "the entry \"" + uri + "\" does not match the signature";
      break;
    }
  }
  return result;
}

}  // namespace nimbrel
