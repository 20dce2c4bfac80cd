#include "validator/SignatureValidator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "testsupport/TempDir.h"
#include "testsupport/signing/SignedPackageBuilder.h"
#include "testsupport/signing/TestCertificate.h"
#include "validator/TrustStore.h"
#include "validator/ValidationRequest.h"

namespace {

using nimbrel::SignatureValidator;
using nimbrel::SignatureVerdict;
using nimbrel::TrustStore;
using nimbrel::ValidationRequest;
using testsupport::SignedPackageBuilder;
using testsupport::TestCertificate;
using Status = SignatureVerdict::Status;

// One PKI for the whole suite: a trusted root and the signers below it,
// an untrusted root, a self-signed signer.
struct Pki {
  Pki()
      : root(TestCertificate::selfSigned({"Test Root", "Vesko Roots", true, -10, 3650, true})),
        signer(TestCertificate::issuedBy(root, {"Signer", "Vesko Test", false, -1, 365, true})),
        expired(
            TestCertificate::issuedBy(root, {"Old Signer", "Vesko Test", false, -30, -1, true})),
        notForSigning(
            TestCertificate::issuedBy(root, {"Cipher", "Vesko Test", false, -1, 365, false})),
        otherRoot(TestCertificate::selfSigned({"Other Root", "", true, -10, 3650, true})),
        otherSigner(
            TestCertificate::issuedBy(otherRoot, {"Stranger", "Elsewhere", false, -1, 365, true})),
        selfSigned(TestCertificate::selfSigned({"Lone Signer", "", false, -1, 365, true})) {}

  TestCertificate root;
  TestCertificate signer;
  TestCertificate expired;
  TestCertificate notForSigning;
  TestCertificate otherRoot;
  TestCertificate otherSigner;
  TestCertificate selfSigned;
};

class SignatureValidatorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { pki = new Pki; }
  static void TearDownTestSuite() {
    delete pki;
    pki = nullptr;
  }
  void SetUp() override { ASSERT_EQ(trust.addPem(pki->root.pem()), 1u); }

  // A package of a few entries, signed by the trusted signer.
  static SignedPackageBuilder package() {
    SignedPackageBuilder builder;
    builder.add("extension.kxi", "<quillory-extension/>")
        .add("content/tool.js", std::string(5000, 'j'), true)
        .add("content/my file & more.htm", "<html/>");
    builder.signer(pki->signer);
    return builder;
  }

  SignatureVerdict checkZip(const SignedPackageBuilder& builder) {
    const std::string path = dir / ("p" + std::to_string(++count) + ".yxp");
    builder.writeZip(path);
    return SignatureValidator(trust).checkPackage(path);
  }
  SignatureVerdict checkFolder(const SignedPackageBuilder& builder) {
    const std::string path = dir / ("b" + std::to_string(++count));
    builder.writeFolder(path);
    return SignatureValidator(trust).checkFolder(path);
  }

  static Pki* pki;
  TrustStore trust;
  TempDir dir;
  int count = 0;
};

Pki* SignatureValidatorTest::pki = nullptr;

std::string joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& text : texts) all += text + "|";
  return all;
}

TEST_F(SignatureValidatorTest, PackagesAreJudgedByTheirSignature) {
  struct Case {
    const char* what;
    std::function<SignedPackageBuilder()> build;
    Status status;
    std::string certificateType;
    std::string message;  // a part of the first message
  };
  const std::vector<Case> cases = {
      {"signed by a trusted signer", [] { return package(); }, Status::kValid, "trusted", ""},
      {"a tampered entry",
       [] { return package().tamper("content/tool.js", std::string(5000, 'k')); }, Status::kInvalid,
       "invalid", "\"content/tool.js\" does not match"},
      {"an extra unsigned file", [] { return package().addUnsigned("content/extra.js", "evil()"); },
       Status::kInvalid, "invalid", "\"content/extra.js\" is not covered"},
      {"a reference to a missing entry",
       [] { return package().reference("content/missing.js", "x"); }, Status::kInvalid, "invalid",
       "names no entry"},
      {"a reference that leaves the package",
       [] { return package().reference("../outside.txt", "x"); }, Status::kInvalid, "invalid",
       "\"../outside.txt\" leaves the package"},
      {"an absolute reference", [] { return package().reference("file:///etc/passwd", "x"); },
       Status::kInvalid, "invalid", "leaves the package"},
      {"a name held twice", [] { return package().add("content/tool.js", "again"); },
       Status::kInvalid, "invalid", "\"content/tool.js\" appears more than once"},
      {"an entry that climbs out", [] { return package().add("../evil.js", "x"); },
       Status::kInvalid, "invalid", "\"../evil.js\" is not allowed"},
      {"a backslash in a name", [] { return package().add("content\\evil.js", "x"); },
       Status::kInvalid, "invalid", "is not allowed"},
      {"unsigned",
       [] {
         SignedPackageBuilder builder;
         builder.add("extension.kxi", "<quillory-extension/>");
         return builder;
       },
       Status::kWarning, "none", "not signed"},
      {"a self-signed signer", [] { return package().signer(pki->selfSigned); }, Status::kWarning,
       "self-signed", "self-signed"},
      {"an expired signer", [] { return package().signer(pki->expired); }, Status::kWarning,
       "expired", "has expired"},
      {"a signer of an untrusted root",
       [] { return package().signer(pki->otherSigner, {pki->otherRoot}); }, Status::kWarning,
       "untrusted", "does not lead to a trusted root"},
      {"a signature made with another key", [] { return package().signingKey(pki->otherSigner); },
       Status::kInvalid, "invalid", "signature value does not verify"},
      {"a certificate that may not sign", [] { return package().signer(pki->notForSigning); },
       Status::kInvalid, "invalid", "not for signing"},
      {"a compressed mimetype", [] { return package().compressMimetype(); }, Status::kInvalid,
       "invalid", "\"mimetype\" entry is compressed"},
      {"the mimetype not first", [] { return package().mimetypeLast(); }, Status::kInvalid,
       "invalid", "does not start with its \"mimetype\""},
      {"no mimetype", [] { return package().withoutMimetype(); }, Status::kInvalid, "invalid",
       "does not start with its \"mimetype\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const SignatureVerdict verdict = checkZip(c.build());
    EXPECT_EQ(verdict.status, c.status) << joined(verdict.messages);
    EXPECT_EQ(verdict.certificateType, c.certificateType);
    if (c.message.empty()) {
      EXPECT_TRUE(verdict.messages.empty()) << joined(verdict.messages);
    } else {
      ASSERT_FALSE(verdict.messages.empty());
      EXPECT_NE(verdict.messages.front().find(c.message), std::string::npos)
          << verdict.messages.front();
    }
  }
}

TEST_F(SignatureValidatorTest, ASignedPackageNamesItsPublisher) {
  SignatureVerdict verdict = checkZip(package());
  EXPECT_TRUE(verdict.isSigned);
  EXPECT_EQ(verdict.publisher, "Vesko Test");
  // Without an organisation the common name speaks.
  verdict = checkZip(package().signer(pki->selfSigned));
  EXPECT_EQ(verdict.publisher, "Lone Signer");
  verdict = checkZip(SignedPackageBuilder().add("a.txt", "a"));
  EXPECT_FALSE(verdict.isSigned);
  EXPECT_EQ(verdict.publisher, "");
}

TEST_F(SignatureValidatorTest, UnpackedBundlesAreCheckedLikePackages) {
  EXPECT_EQ(checkFolder(package()).status, Status::kValid);
  SignatureVerdict verdict = checkFolder(package().addUnsigned("WBXS/extra.js", "x"));
  EXPECT_EQ(verdict.status, Status::kInvalid);
  verdict = checkFolder(package().tamper("extension.kxi", "<changed/>"));
  EXPECT_EQ(verdict.status, Status::kInvalid);

  // A link in the folder is not signed content, wherever it points.
  const std::string folder = dir / "linked";
  package().writeFolder(folder);
  std::filesystem::create_symlink(folder + "/extension.kxi", folder + "/content/link.kxi");
  verdict = SignatureValidator(trust).checkFolder(folder);
  EXPECT_EQ(verdict.status, Status::kInvalid);
  ASSERT_FALSE(verdict.messages.empty());
  EXPECT_NE(verdict.messages.front().find("content/link.kxi"), std::string::npos);
}

TEST_F(SignatureValidatorTest, BrokenSignatureFilesAreInvalid) {
  const std::vector<std::pair<const char*, std::string>> files = {
      {"not XML", "<signatures><Signature"},
      {"no signature", "<signatures/>"},
      {"a document type", "<!DOCTYPE s [<!ENTITY a \"aaaa\">]><signatures>&a;</signatures>"},
      {"two signatures",
       "<s><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"/>"
       "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"/></s>"},
  };
  for (const auto& [what, xml] : files) {
    SCOPED_TRACE(what);
    SignedPackageBuilder builder;
    builder.add("a.txt", "a").addUnsigned("META-INF/signatures.xml", xml);
    const SignatureVerdict verdict = checkZip(builder);
    EXPECT_EQ(verdict.status, Status::kInvalid);
    EXPECT_TRUE(verdict.isSigned);
  }
}

TEST_F(SignatureValidatorTest, ReadingStopsAtTheContentLimit) {
  const std::string path = dir / "big.yxp";
  package().add("content/big.bin", std::string(1 << 20, 'b'), true).writeZip(path);
  EXPECT_EQ(SignatureValidator(trust).checkPackage(path).status, Status::kValid);
  const SignatureVerdict verdict = SignatureValidator(trust, 1 << 16).checkPackage(path);
  EXPECT_EQ(verdict.status, Status::kInvalid);
}

TEST_F(SignatureValidatorTest, FilesThatAreNoPackagesAreInvalid) {
  TempDir::write(dir / "text.yxp", "not a zip at all");
  for (const std::string& path : {dir / "text.yxp", dir / "missing.yxp"}) {
    const SignatureVerdict verdict = SignatureValidator(trust).checkPath(path);
    EXPECT_EQ(verdict.status, Status::kInvalid) << path;
    EXPECT_EQ(verdict.certificateType, "invalid");
  }
}

TEST_F(SignatureValidatorTest, TheAnswerHasFourTextsPerPackageAndTheMessagesLast) {
  const std::string valid = dir / "valid.yxp";
  const std::string plain = dir / "plain.yxp";
  const std::string tampered = dir / "tampered.yxp";
  package().writeZip(valid);
  SignedPackageBuilder().add("a.txt", "a").writeZip(plain);
  package().tamper("extension.kxi", "<x/>").writeZip(tampered);
  const std::string bundle = dir / "bundle";
  package().writeFolder(bundle);
  const SignatureValidator validator(trust);

  struct Case {
    const char* what;
    std::vector<std::string> request;
    std::vector<std::string> answer;
  };
  const std::vector<Case> cases = {
      {"a valid package",
       {"1", "0", "My Ext", valid},
       {"0", "0", "1", "My Ext", "1", "Vesko Test", "trusted"}},
      {"an unsigned package",
       {"1", "0", "My Ext", plain},
       {"0", "1", "1", "My Ext", "0", "", "none", "My Ext: the package is not signed."}},
      {"bundles, one of them unsigned",
       {"0", "1", "My Ext", "com.vesko.a", bundle, "com.vesko.b", plain},
       {"0", "1", "2", "com.vesko.a", "1", "Vesko Test", "trusted", "com.vesko.b", "0", "", "none",
        "com.vesko.b: the package is not signed."}},
      {"a name with line ends",
       {"1", "0", "two\nlines\r", valid},
       {"0", "0", "1", "two lines ", "1", "Vesko Test", "trusted"}},
      // The sentence is for a person: the name is cut there, not in the four texts.
      {"a long name",
       {"1", "0", "A" + std::string(298, 'n') + "Z", plain},
       {"0", "1", "1", "A" + std::string(298, 'n') + "Z", "0", "", "none",
        "A" + std::string(97, 'n') + "\u2026" + std::string(98, 'n') +
            "Z: the package is not signed."}},
      {"an incomplete request",
       {"1", "0", "My Ext"},
       {"1", "0", "0", "Nimbrel: the validation request is incomplete."}},
      {"a bundle without its folder",
       {"1", "1", "My Ext", "com.vesko.a"},
       {"1", "0", "0", "Nimbrel: the validation request has a bundle without its folder."}},
      {"an unknown kind",
       {"1", "7", "My Ext", valid},
       {"1", "0", "0", "Nimbrel: the validation request is of an unknown kind."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ValidationRequest::answer(c.request, validator), c.answer);
  }

  const std::vector<std::string> answer =
      ValidationRequest::answer({"1", "0", "My Ext", tampered}, validator);
  ASSERT_EQ(answer.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(answer.begin(), answer.begin() + 7),
            (std::vector<std::string>{"1", "0", "1", "My Ext", "1", "Vesko Test", "invalid"}));
  EXPECT_EQ(answer[7].rfind("My Ext: the entry \"extension.kxi\" does not match", 0), 0u)
      << answer[7];
}

TEST_F(SignatureValidatorTest, TheTrustStoreReadsEveryCertificateOfItsFolder) {
  const std::string folder = dir / "TrustStore";
  std::filesystem::create_directories(folder);
  TempDir::write(folder + "/roots.pem", pki->root.pem() + pki->otherRoot.pem());
  TempDir::write(folder + "/notes.txt", "no certificates here");
  EXPECT_EQ(TrustStore::fromFolder(folder).size(), 2u);
  EXPECT_EQ(TrustStore::fromFolder(dir / "missing").size(), 0u);
}

}  // namespace
