#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/CZorbOS.h"
#include "products/CZorbProduct.h"
#include "products/tests/ProductTestSupport.h"
#include "testsupport/SandboxMachine.h"

using producttest::Error;
using producttest::MessageTexts;
using producttest::TestProduct;

namespace {

std::u16string U(const CString& text) {
  return std::u16string(text.Get(), static_cast<size_t>(text.GetLength()));
}

std::u16string U(const std::u16string& text) {
  return text;
}

// For traces.
std::string Narrow(const char16_t* text) {
  std::string out;
  for (; text && *text; ++text) out += static_cast<char>(*text);
  return out;
}

std::u16string U(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

// Eleven tokens "$t0/$t1/..." (n of them) and their values.
std::u16string Chain(const char16_t* prefix, int n) {
  std::u16string value;
  for (int i = 0; i < n; ++i) {
    if (i) value += u'/';
    value += prefix + std::u16string(1, static_cast<char16_t>(u'a' + i));
  }
  return value;
}

TEST(ProductTokens, ResolutionTable) {
  struct Case {
    const char* what;
    const char16_t* name;
    const char16_t* value;
    bool ok;
    std::u16string expected;
  } cases[] = {
      {"a name the configuration file does not define is left alone", u"other", u"$a/x", true,
       u"$a/x"},
      {"two tokens with a / between", u"name", u"$a/$b", true, u"A/B"},
      {"a token at the end is replaced up to the end", u"name", u"x/$b", true, u"x/B"},
      {"capitals are looked up lowered and replaced as written", u"Name", u"$A/x/$A", true,
       u"A/x/A"},
      {"a token defined through a token", u"name", u"$root/x", true, u"/base/sub/x"},
      {"a token is replaced only where it is whole", u"name", u"$a/$ab/$a", true, u"A/AB/A"},
      {"a token only the product knows, in the second pass", u"name", u"$sys/lib", true,
       u"/system/lib"},
      {"an unknown token fails and keeps the rest", u"name", u"$a/$nowhere/y", false,
       u"A/$nowhere/y"},
      {"a token that names itself stops at the cap", u"name", u"$self", false, u""},
  };

  TestProduct product;
  product.define({u"name", u"$a", u"$b", u"$root", u"$self", u"$ab"});
  product.set(u"$ab", u"AB");
  product.set(u"$a", u"A");
  product.set(u"$b", u"B");
  product.set(u"$root", u"$base/sub");
  product.set(u"$base", u"/base");
  product.set(u"$self", u"$self/$self");
  product.set(u"$sys", u"/system");
  product.define({u"$base"});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CString value(c.value);
    EXPECT_EQ(product.processTokenString(c.name, value), c.ok);
    if (c.ok || !c.expected.empty()) {
      EXPECT_EQ(U(value), c.expected);
    }
  }
}

TEST(ProductTokens, EachPassMakesAtMostTenSubstitutions) {
  TestProduct product;
  product.define({u"name"});
  for (int i = 0; i < 11; ++i) {
    const std::u16string letter(1, static_cast<char16_t>(u'a' + i));
    // "$da".."$dk" the configuration file defines; "$sa".."$sk" only the
    // product knows.
    product.define({(u"$d" + letter).c_str()});
    product.set((u"$d" + letter).c_str(), letter.c_str());
    product.set((u"$s" + letter).c_str(), letter.c_str());
  }
  for (const char16_t* prefix : {u"$d", u"$s"}) {
    SCOPED_TRACE(Narrow(prefix));
    CString ten(Chain(prefix, 10).c_str());
    EXPECT_TRUE(product.processTokenString(u"name", ten));
    EXPECT_EQ(U(ten), u"a/b/c/d/e/f/g/h/i/j");
    CString eleven(Chain(prefix, 11).c_str());
    EXPECT_FALSE(product.processTokenString(u"name", eleven));
  }
}

TEST(ProductTokens, ManyDollarsCostLittle) {
  TestProduct product;
  product.define({u"name", u"$a"});
  product.set(u"$a", u"A");
  // Many "$" in one token, none of them defined: found in one walk.
  std::u16string value(200000, u'$');
  CString text(value.c_str());
  EXPECT_LT(product.FindTokenDefinedInVornConfig(text), 0);
  EXPECT_FALSE(product.processTokenString(u"name", text));
}

TEST(ProductTokens, FirstDefinedToken) {
  TestProduct product;
  product.define({u"$b"});
  EXPECT_LT(product.FindTokenDefinedInVornConfig(u"no token"), 0);
  EXPECT_LT(product.FindTokenDefinedInVornConfig(u"$a/x"), 0);
  EXPECT_EQ(product.FindTokenDefinedInVornConfig(u"$a/$B/x"), 3);
  EXPECT_EQ(product.FindTokenDefinedInVornConfig(u"x$b"), 1);
}

TEST(ProductTokens, LocaleIgnoresTheKeysCase) {
  TestProduct product;
  CString locale(u"stale");
  product.GetProductLocale(locale);
  EXPECT_EQ(U(locale), u"");
  product.set(u"$LOCALE", u"de_DE");
  product.GetProductLocale(locale);
  EXPECT_EQ(U(locale), u"de_DE");
}

class ProductTokensOnDisk : public testsupport::SandboxTest {
 protected:
  void TearDown() override { CZorbProduct::_SystemToken.clear(); }
  MessageTexts texts;
};

TEST_F(ProductTokensOnDisk, SystemTokensArePosixFoldersAndOtherTextsStay) {
  CZorbProduct::TokenMap system;
  system.SetAt(u"userhomefolder", U(sandbox.colon("Users/ann")));
  system.SetAt(u"newfolder", U(sandbox.colon("Made/Here")));
  system.SetAt(u"suite", u"WB5");
  const std::vector<std::string> before = sandbox.list("");
  CZorbProduct::SetSystemToken(system);

  const auto& tokens = CZorbProduct::_SystemToken;
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens.at(u"$userhomefolder"), U(sandbox.posix("Users/ann")));
  EXPECT_EQ(tokens.at(u"$newfolder"), U(sandbox.posix("Made/Here")));
  EXPECT_TRUE(sandbox.isFolder("Made/Here"));
  // A suite name is no folder: its text stays and nothing is made for it.
  EXPECT_EQ(tokens.at(u"$suite"), u"WB5");
  std::vector<std::string> after = sandbox.list("");
  std::erase(after, "Made");
  EXPECT_EQ(after, before);

  // Copied into a product, replacing what it had.
  TestProduct product;
  product.set(u"$suite", u"old");
  product.MapSystemTokenToPrivateTokenReferrence(CZorbProduct::_SystemToken);
  EXPECT_EQ(product.m_privateTokens.at(u"$suite"), u"WB5");
  EXPECT_EQ(product.m_privateTokens.at(u"$userhomefolder"), U(sandbox.posix("Users/ann")));
}

TEST_F(ProductTokensOnDisk, EveryProductKnowsTheSharedSupportFolder) {
  TestProduct product;
  const std::u16string shared = U(sandbox.posix("Library/Application Support"));
  EXPECT_EQ(product.m_privateTokens.at(u"$sharedkilndatafolder"), shared);
  EXPECT_EQ(product.m_privateTokens.at(u"$sharedcommondatafolder"), shared);
}

TEST_F(ProductTokensOnDisk, UserDefinedTokensAreResolvedPathsWithoutTheirDollar) {
  TestProduct product;
  const std::u16string data = U(sandbox.posix("Users/ann/Library/Application Support"));
  product.set(u"$userdatafolder", data.c_str());
  product.define({u"$userextensionfolder", u"$locale"});
  product.set(u"$userextensionfolder", u"$userdatafolder/Host/Extensions");
  product.set(u"$locale", u"en_US");
  product.set(u"quitscript", u"-quit");

  CZorbProduct::TokenMap out;
  product.processUserDefinedMappedToken(out);
  EXPECT_EQ(Error(product), u"");
  EXPECT_EQ(out.at(u"userextensionfolder"),
            U(sandbox.colon("Users/ann/Library/Application Support/Host/Extensions")));
  EXPECT_EQ(out.at(u"userdatafolder"), U(sandbox.colon("Users/ann/Library/Application Support")));
  EXPECT_EQ(out.at(u"locale"), u"en_US");
  EXPECT_EQ(out.count(u"quitscript"), 0u);
  EXPECT_EQ(out.count(u"$locale"), 0u);
  // A path is only resolved, never made.
  EXPECT_FALSE(sandbox.exists("Users/ann/Library/Application Support/Host"));

  // The install operation gets them through MapTokens.
  product.m_userDefinedTokens = out;
  CZorbProduct::TokenMap forInstall;
  forInstall.SetAt(u"locale", u"fr_FR");
  product.MapTokens(u"", u"", forInstall);
  EXPECT_EQ(forInstall, out);
}

TEST_F(ProductTokensOnDisk, AnUnresolvedTokenStopsTheCopyWithMessage4185) {
  TestProduct product;
  product.define({u"$bad"});
  product.set(u"$a", u"A");
  product.set(u"$bad", u"$nowhere/x");
  product.set(u"$z", u"Z");
  CZorbProduct::TokenMap out;
  product.processUserDefinedMappedToken(out);
  EXPECT_EQ(Error(product), u"4185[Host|bad|$nowhere/x]");
  EXPECT_EQ(out.count(u"a"), 1u);
  EXPECT_EQ(out.count(u"bad"), 0u);
  EXPECT_EQ(out.count(u"z"), 0u);
}

// One reader, the pairs it reads, and what it leaves.
struct ReaderCase {
  const char* what;
  std::vector<std::pair<const char16_t*, const char16_t*>> pairs;
  std::function<void(TestProduct&)> read;
  std::function<std::u16string(const TestProduct&)> field;
  std::u16string value;
  std::u16string error;
};

std::u16string Flags(const TestProduct& p) {
  std::u16string flags;
  flags += p.m_needOperationNotification ? u'N' : u'-';
  flags += p.m_showInstalledFiles ? u'S' : u'-';
  flags += p.m_supportsLockableExtension ? u'L' : u'-';
  return flags;
}

void ReadFlags(TestProduct& p) {
  p.evaluateWhetherNeedNotification();
  p.evaluateWhetherNeedShowFiles();
  p.evaluateWhetherSupportLockedExtensions();
}

TEST_F(ProductTokensOnDisk, AttributeReaders) {
  const auto quit = [](TestProduct& p) { p.evaluateQuitMessage(); };
  const auto quitField = [](const TestProduct& p) { return U(p.m_quitMessage); };
  const auto bit = [](TestProduct& p) { p.evaluateProductBit(); };
  const auto bitField = [](const TestProduct& p) {
    return std::u16string(1, static_cast<char16_t>(u'0' + p.m_productBit));
  };
  const auto host = [](TestProduct& p) { p.evaluateHostId(); };
  const auto hostField = [](const TestProduct& p) { return U(p.m_hostNameForWBXS); };
  const auto global = [](TestProduct& p) { p.evaluateGlobalProductName(); };
  const auto globalField = [](const TestProduct& p) { return U(p.m_globalProductName); };

  const ReaderCase cases[] = {
      {"no flags", {}, ReadFlags, Flags, u"---", u""},
      {"flags set",
       {{u"needoperationnotification", u"true"},
        {u"showinstalledfiles", u"true"},
        {u"needlockableextension", u"false"}},
       ReadFlags,
       Flags,
       u"NS-",
       u""},
      {"a flag in capitals is no flag",
       {{u"showinstalledfiles", u"True"}},
       ReadFlags,
       Flags,
       u"---",
       u"4218[ShowInstalledFiles|Host|True|true,false]"},
      {"bit 32", {{u"bit", u"32"}}, bit, bitField, u"1", u""},
      {"bit 64", {{u"bit", u"64"}}, bit, bitField, u"2", u""},
      {"no bit", {}, bit, bitField, u"0", u""},
      {"bit with a blank", {{u"bit", u"32 "}}, bit, bitField, u"0", u"4218[Bit|Host|32 |32,64]"},
      {"standard quit",
       {{u"canacceptstandardquitmessage", u"true"}},
       quit,
       quitField,
       u"-quit",
       u""},
      {"no standard quit",
       {{u"canacceptstandardquitmessage", u"false"}},
       quit,
       quitField,
       u"",
       u""},
      {"standard quit of another value",
       {{u"canacceptstandardquitmessage", u"yes"}},
       quit,
       quitField,
       u"",
       u"4218[CanAcceptStandardQuitMessage|Host|yes|true,false]"},
      {"quit script",
       {{u"quitscript", u"tell host to quit"}},
       quit,
       quitField,
       u"tell host to quit",
       u""},
      {"empty quit script", {{u"quitscript", u""}}, quit, quitField, u"", u"4211[QuitScript|Host]"},
      {"both quit attributes",
       {{u"quitscript", u"q"}, {u"canacceptstandardquitmessage", u"true"}},
       quit,
       quitField,
       u"",
       u"4212[CanAcceptStandardQuitMessage|QuitScript|Host]"},
      {"no quit attribute", {}, quit, quitField, u"", u""},
      {"host name", {{u"hostnameforwbxs", u"lw"}}, host, hostField, u"lw", u""},
      {"missing host name", {}, host, hostField, u"", u"4211[HostNameForWBXS|Host]"},
      {"empty global name",
       {{u"globalproductname", u""}},
       global,
       globalField,
       u"",
       u"4211[GlobalProductName|Host]"},
  };
  for (const ReaderCase& c : cases) {
    SCOPED_TRACE(c.what);
    TestProduct product;
    for (const auto& [key, value] : c.pairs) product.set(key, value);
    c.read(product);
    EXPECT_EQ(c.field(product), c.value);
    EXPECT_EQ(Error(product), c.error);
  }
}

TEST_F(ProductTokensOnDisk, SuiteIsExactlyTheCurrentOne) {
  struct Case {
    const char16_t* suite;  // null: not given
    bool current;
    bool previous;
  } cases[] = {{u"WB5", true, false},
               {u"wb5", false, false},
               {u"WB5 ", false, false},
               {nullptr, false, true},
               {u"WB4", false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.suite ? Narrow(c.suite) : "none");
    TestProduct product;
    if (c.suite) product.set(u"supportedinsuite", c.suite);
    EXPECT_EQ(product.canBeSupportedByCurPlexo(), c.current);
    EXPECT_EQ(product.IsSupportedInLastSuite(), c.previous);
  }
}

TEST_F(ProductTokensOnDisk, FolderAttributesAreResolvedAndMade) {
  TestProduct product;
  const std::u16string data = U(sandbox.posix("Users/ann/Library/Application Support"));
  product.set(u"$userdatafolder", data.c_str());
  product.define({u"pxstorepath", u"preextensionfolder"});
  product.set(u"pxstorepath", u"$userdatafolder/Store");
  product.set(u"preextensionfolder", u"$nowhere/Old");
  product.processPXStorePath();
  product.processPreferredExtensionFolder();
  EXPECT_EQ(U(product.m_pxStorePath),
            U(sandbox.colon("Users/ann/Library/Application Support/Store")));
  EXPECT_TRUE(sandbox.isFolder("Users/ann/Library/Application Support/Store"));
  // A folder named after a token that could not be resolved is dropped.
  EXPECT_EQ(U(product.m_preferredExtensionFolder), u"");
  EXPECT_EQ(Error(product), u"");

  // A folder that cannot be made is dropped too.
  sandbox.writeFile("blocker", "a file");
  product.set(u"pxstorepath", U(sandbox.posix("blocker/Store")).c_str());
  product.processPXStorePath();
  EXPECT_EQ(U(product.m_pxStorePath), u"");
}

TEST_F(ProductTokensOnDisk, PluginConfigurationFile) {
  {
    SCOPED_TRACE("resolved: its folder is made");
    TestProduct product;
    product.define({u"pluginconfigfile"});
    product.set(u"$root", U(sandbox.posix("Users/ann")).c_str());
    product.set(u"pluginconfigfile", u"$root/Plugins/config.txt");
    product.evaluatePluginConfigFilePath();
    EXPECT_EQ(U(product.m_pluginConfigFile), U(sandbox.colon("Users/ann/Plugins/config.txt")));
    EXPECT_TRUE(sandbox.isFolder("Users/ann/Plugins"));
    EXPECT_FALSE(sandbox.exists("Users/ann/Plugins/config.txt"));
    EXPECT_EQ(Error(product), u"");
  }
  {
    SCOPED_TRACE("unresolved");
    TestProduct product;
    product.define({u"pluginconfigfile"});
    product.set(u"pluginconfigfile", u"$nowhere/config.txt");
    product.evaluatePluginConfigFilePath();
    EXPECT_EQ(Error(product), u"4185[Host|pluginconfigfile|$nowhere/config.txt]");
  }
  {
    SCOPED_TRACE("empty");
    TestProduct product;
    product.set(u"pluginconfigfile", u"");
    product.evaluatePluginConfigFilePath();
    EXPECT_EQ(Error(product), u"4211[PluginConfigFile|Host]");
  }
  {
    SCOPED_TRACE("missing");
    TestProduct product;
    product.evaluatePluginConfigFilePath();
    EXPECT_EQ(Error(product), u"");
    EXPECT_EQ(U(product.m_pluginConfigFile), u"");
  }
}

}  // namespace
