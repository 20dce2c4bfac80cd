// The fixed product information of the version-10 hosts: each folder name
// as a table, and nothing else asked or changed.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/CZorbGetXMLProxy.h"
#include "products/EZArbor10Mock.h"
#include "products/LWArbor10Mock.h"
#include "products/NQArbor10Mock.h"

namespace {

constexpr char16_t kUntouched[] = u"untouched";

// A proxy that has an answer for every key and fails any request: a fixed
// source must neither read its values nor ask it anything.
class AnsweringProxy : public CZorbGetXMLProxy {
 public:
  AnsweringProxy() {
    m_results.SetAt(u"productname", u"Loomwright");
    m_results.SetAt(u"$userextensionfolder", u"/elsewhere");
  }
  bool getXMLinfoFromBareString(const CString&, const CString&) override {
    ADD_FAILURE() << "a fixed source asked for a file to be parsed";
    return false;
  }
};

class Arbor10Mock : public ::testing::Test {
 protected:
  Arbor10Mock() { CZorbGetXMLProxy::SetInstance(&proxy); }
  ~Arbor10Mock() override { CZorbGetXMLProxy::SetInstance(nullptr); }

  // Each source as its owners hold it: through the base.
  static std::unique_ptr<CZorbProductInfo> make(int which) {
    switch (which) {
      case 0:
        return std::make_unique<LWArbor10Mock>();
      case 1:
        return std::make_unique<EZArbor10Mock>();
      default:
        return std::make_unique<NQArbor10Mock>();
    }
  }

  AnsweringProxy proxy;
};

TEST_F(Arbor10Mock, EachAnswersItsFixedFolderNamesAndLeavesTheOthersAlone) {
  using Getter = void (CZorbProductInfo::*)(CString&);
  // Per operation the answers of LWArbor10Mock, EZArbor10Mock and
  // NQArbor10Mock; null where the source has no name and leaves out as it was.
  const struct {
    const char* operation;
    Getter get;
    const char16_t* answers[3];
  } rows[] = {
      {"GetInstallFolderName",
       &CZorbProductInfo::GetInstallFolderName,
       {u"/Applications/Vesko Loomwright Marlin", u"/Applications/Vesko Emberly WB4",
        u"/Applications/Vesko Loomwright Marlin"}},
      {"GetExtensionFolderName",
       &CZorbProductInfo::GetExtensionFolderName,
       {u"Vesko/Loomwright Marlin A0/Configuration/Extensions", u"Configuration/en_US/Extensions",
        u"Configuration/en_US/Extensions"}},
      {"GetSharedExtensionFolderName",
       &CZorbProductInfo::GetSharedExtensionFolderName,
       {u"Vesko/Loomwright Marlin A0/en_US/Configuration/Extensions", nullptr, nullptr}},
      {"GetUserConfigureFolderName",
       &CZorbProductInfo::GetUserConfigureFolderName,
       {u"Vesko/Loomwright Marlin A0/en_US/Configuration", u"Configuration", u"Configuration"}},
      {"GetUserBinFolderName",
       &CZorbProductInfo::GetUserBinFolderName,
       {u"Vesko/Loomwright Marlin A0/en_US", nullptr, nullptr}},
      {"GetAppConfigureFolderName",
       &CZorbProductInfo::GetAppConfigureFolderName,
       {u"Configuration", nullptr, nullptr}},
      {"GetHelpFolderName", &CZorbProductInfo::GetHelpFolderName, {u"Help", nullptr, nullptr}},
  };
  const char* const names[] = {"LWArbor10Mock", "EZArbor10Mock", "NQArbor10Mock"};
  for (int which = 0; which < 3; ++which) {
    const std::unique_ptr<CZorbProductInfo> info = make(which);
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(names[which]) + "::" + row.operation);
      CString out = kUntouched;
      ((*info).*row.get)(out);
      const char16_t* expected = row.answers[which] ? row.answers[which] : kUntouched;
      EXPECT_EQ(out, expected);
      // The same answer every time.
      ((*info).*row.get)(out);
      EXPECT_EQ(out, expected);
    }
  }
}

TEST_F(Arbor10Mock, ValuesAndTokensAreLeftAsTheyWere) {
  const char* const names[] = {"LWArbor10Mock", "EZArbor10Mock", "NQArbor10Mock"};
  for (int which = 0; which < 3; ++which) {
    SCOPED_TRACE(names[which]);
    const std::unique_ptr<CZorbProductInfo> info = make(which);
    // The proxy knows the key, yet a fixed source does not read it.
    CString value = kUntouched;
    info->GetValue(u"productname", value);
    EXPECT_EQ(value, kUntouched);

    CZorbProductInfo::TokenMap tokens;
    tokens.SetAt(u"$locale", u"fr_FR");
    info->mapToProductTokens(tokens, false);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[u"$locale"], u"fr_FR");

    CString configPath = kUntouched;
    EXPECT_TRUE(
        info->processTokenString(u"Disk:Applications:Vesko Loomwright Marlin:", configPath, false));
    EXPECT_EQ(configPath, kUntouched);
  }
}

}  // namespace
