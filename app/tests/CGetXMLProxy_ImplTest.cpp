#include "app/CGetXMLProxy_Impl.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/tests/MovieTestSupport.h"

using movietest::MovieTest;
using movietest::RecordingSink;

namespace {

using Pairs = std::map<std::u16string, std::u16string>;

Pairs pairsOf(const CZorbGetXMLProxy& proxy) {
  Pairs out;
  for (const auto& [key, value] : proxy.GetResults()) out[key.Get()] = value.Get();
  return out;
}

class XMLProxy : public MovieTest {};

}  // namespace

TEST_F(XMLProxy, AnswersBecomePairs) {
  const struct {
    std::vector<std::string> answer;
    bool ok;
    Pairs pairs;
  } cases[] = {
      {{"0", "a", "1", "b", "2", "c"}, true, {{u"a", u"1"}, {u"b", u"2"}}},
      {{"0", "k", "old", "k", "new"}, true, {{u"k", u"new"}}},
      {{"0", "caf\xC3\xA9", "\xE2\x82\xAC"}, true, {{u"caf\u00e9", u"\u20ac"}}},
      {{"1"}, true, {}},
      {{"2"}, false, {}},
      {{}, false, {}},
      // Keys and values must be text: half a map is no answer.
      {{"0", "a", "1", "b", "\xFF"}, false, {}},
  };
  for (const auto& c : cases) {
    RecordingSink sink;
    sink.answerWith(c.answer);
    CGetXMLProxy_Impl proxy;
    EXPECT_EQ(proxy.getXMLinfoFromBareString(u"/Applications/Host/VornConfig.xml",
                                             u"Configuration.VariableForPlexo.Data"),
              c.ok)
        << testing::PrintToString(c.answer);
    EXPECT_EQ(pairsOf(proxy), c.pairs) << testing::PrintToString(c.answer);
    ASSERT_EQ(sink.sent().size(), 1u);
    EXPECT_EQ(sink.sent()[0].name, "brioParseXML");
    EXPECT_EQ(sink.sent()[0].args,
              (std::vector<std::string>{proxy.getRequestId(), "/Applications/Host/VornConfig.xml",
                                        "Configuration.VariableForPlexo.Data"}));
  }
}

TEST_F(XMLProxy, EachCallStartsAfreshWithANewId) {
  RecordingSink sink;
  CGetXMLProxy_Impl proxy;
  sink.answerWith({"0", "a", "1"});
  ASSERT_TRUE(proxy.getXMLinfoFromBareString(u"one.xml", u"A.B"));
  EXPECT_EQ(proxy.getValue(u"a"), CString(u"1"));
  sink.answerWith({"1"});
  ASSERT_TRUE(proxy.getXMLinfoFromBareString(u"two.xml", u"A.B"));
  EXPECT_TRUE(proxy.GetResults().empty());
  EXPECT_EQ(proxy.getValue(u"a"), CString());
  const auto sent = sink.sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_NE(sent[0].args[0], sent[1].args[0]);

  // At shutdown nothing is parsed.
  CRequestIdManager::getInstance()->cancelAllWaits();
  EXPECT_FALSE(proxy.getXMLinfoFromBareString(u"three.xml", u"A.B"));
}
