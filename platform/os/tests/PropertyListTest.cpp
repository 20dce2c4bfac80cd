#include "platform/os/PropertyList.h"

#include <gtest/gtest.h>

using platform::parsePropertyList;
using platform::PlistValue;

TEST(PropertyList, ReadsAnApplicationsInfo) {
  const char* text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"x.dtd\">\n"
      "<!-- made by hand -->\n"
      "<plist version=\"1.0\">\n"
      "<dict>\n"
      "  <key>CFBundleSignature</key><string>QqXm</string>\n"
      "  <key>CFBundleName</key>\n  <string>Tom &amp; Jerry &lt;&#233;&#x4E2D;&gt;</string>\n"
      "  <key>Count</key><integer>12</integer>\n"
      "  <key>LSRequiresCarbon</key><true/>\n"
      "  <key>Empty</key><string/>\n"
      "  <key>Raw</key><string><![CDATA[a<b>&c]]></string>\n"
      "  <key>CFBundleDocumentTypes</key>\n"
      "  <array>\n"
      "    <dict>\n"
      "      "
      "<key>CFBundleTypeExtensions</key><array><string>kxp</string><string>yxp</string></array>\n"
      "      <key>CFBundleTypeRole</key><string>Editor</string>\n"
      "    </dict>\n"
      "  </array>\n"
      "</dict>\n"
      "</plist>\n";
  PlistValue root;
  std::string error;
  ASSERT_TRUE(parsePropertyList(text, root, &error)) << error;
  EXPECT_EQ(root.string("CFBundleSignature"), "QqXm");
  EXPECT_EQ(root.string("CFBundleName"), "Tom & Jerry <\xC3\xA9\xE4\xB8\xAD>");
  EXPECT_EQ(root.string("Count"), "12");
  EXPECT_EQ(root.string("LSRequiresCarbon"), "true");
  EXPECT_EQ(root.string("Empty"), "");
  EXPECT_NE(root.find("Empty"), nullptr);
  EXPECT_EQ(root.string("Raw"), "a<b>&c");
  EXPECT_EQ(root.string("Missing"), "");
  EXPECT_EQ(root.find("Missing"), nullptr);
  const PlistValue* types = root.find("CFBundleDocumentTypes");
  ASSERT_NE(types, nullptr);
  ASSERT_EQ(types->items.size(), 1u);
  EXPECT_EQ(types->items[0].strings("CFBundleTypeExtensions"),
            (std::vector<std::string>{"kxp", "yxp"}));
  EXPECT_EQ(types->items[0].string("CFBundleTypeRole"), "Editor");
  // An array is not a string.
  EXPECT_EQ(root.string("CFBundleDocumentTypes"), "");
}

TEST(PropertyList, RefusesWhatIsNotOne) {
  const char* bad[] = {
      "",
      "<dict></dict>",
      "<plist><array></array></plist>",
      "<plist><dict><key>a</key></dict></plist>",
      "<plist><dict><string>a</string></dict></plist>",
      "<plist><dict><key>a</key><string>b</dict></plist>",
      "<plist><dict><key>a</key><string>&bogus;</string></dict></plist>",
      "<plist><dict><key>a</key><string>&#0;</string></dict></plist>",
      "<plist><dict><key>a</key><string>&#xD800;</string></dict></plist>",
      "<plist><dict><key>a</key><string>&#12x;</string></dict></plist>",
      "<plist><dict><key>a</key><unknown/></dict></plist>",
      "<plist><dict><key>a</key><array><string>x</string></dict></array></dict></plist>",
      "<plist><dict><key>a</key><string>b</string>",
      "<plist><dict></dict><dict></dict></plist>",
      "<plist><dict><!-- never closed </dict></plist>",
  };
  for (const char* text : bad) {
    PlistValue root;
    std::string error;
    EXPECT_FALSE(parsePropertyList(text, root, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_TRUE(root.entries.empty()) << text;
  }
  // Nesting is bounded.
  std::string deep = "<plist><dict><key>a</key>";
  for (int i = 0; i < 100; ++i) deep += "<array>";
  PlistValue root;
  EXPECT_FALSE(parsePropertyList(deep, root));
}
