#include "support/xstring.h"

#include <gtest/gtest.h>

#include <iterator>
#include <list>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/context_frame_t.h"
#include "support/xml_parser_t.h"

using vesko::line_position_t;
using vesko::name_t;
using vesko::token_range_t;
using vesko::uchar_ptr_t;
using vesko::xstring_replace;
using vesko::implementation::top_frame;

namespace {

token_range_t bytes(std::string const& text) {
  auto first = reinterpret_cast<uchar_ptr_t>(text.data());
  return token_range_t(first, first + text.size());
}

// The glossary is process-wide: each test starts with an empty one and
// keeps the texts it loads alive until it ends.
class Xstring : public ::testing::Test {
 protected:
  void SetUp() override { vesko::xstring_clear_glossary(); }
  void TearDown() override { vesko::xstring_clear_glossary(); }

  void load(std::string const& text) {
    token_range_t range = bytes(glossaries_m.emplace_back(text));
    vesko::make_xml_parser(range.first, range.second, line_position_t("glossary"),
                           &vesko::implementation::xstring_preorder_predicate,
                           &vesko::implementation::xml_xstr_store,
                           vesko::implementation::null_output_t())
        .parse_content();
  }

  static std::string translate(std::string const& text) {
    std::string out;
    token_range_t range = bytes(text);
    vesko::make_xml_parser(range.first, range.second, line_position_t("text"),
                           &vesko::implementation::xstring_preorder_predicate,
                           &vesko::implementation::xml_xstr_lookup, std::back_inserter(out))
        .parse_content();
    return out;
  }

  static std::string error_of(std::function<void()> const& action) {
    try {
      action();
    } catch (std::exception const& error) {
      return error.what();
    }
    return "no error";
  }

  static std::size_t entries(char const* id) {
    auto range = top_frame().range_for_key(vesko::static_token_range(id));
    return std::size_t(std::distance(range.first, range.second));
  }

 private:
  std::list<std::string> glossaries_m;
};

char const greeting[] =
    "<xstr id='greet' lang='en-us'>Dear <marker name='first'/> <marker name='last'/>!</xstr>";

}  // namespace

TEST_F(Xstring, LookupPicksTheVariantOfTheContext) {
  load(
      "<xstr id='hello' lang='en-us' platform='macintosh'>Hello</xstr>"
      "<xstr id='hello' lang='de-de' platform='macintosh'>Hallo</xstr>"
      "<xstr id='hello' lang='de-de' platform='windows'>Hallo, Fenster</xstr>");
  struct Case {
    char const* text;
    char const* translation;
  } const cases[] = {
      {"<p><xstr id='hello'/> world</p>", "<p>Hello world</p>"},
      {"<xstr id='hello' lang='de-de'/>", "Hallo"},
      {"<xstr id='hello' lang='de-de' platform='windows'>ignored</xstr>", "Hallo, Fenster"},
      {"&lt;<xstr id='hello'>own text</xstr>&gt;", "<Hello>"},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(translate(c.text), c.translation);
  }
}

TEST_F(Xstring, TiesForTheBestMatchAreAnError) {
  load(
      "<xstr id='hello' lang='en-us'>Hello</xstr>"
      "<xstr id='hello' platform='macintosh'>Hi</xstr>");
  EXPECT_EQ(error_of([] { translate("<xstr id='hello'/>"); }),
            "xstr: ambiguous closest match; found 2 glossary entries that matched 2 attribute(s)");
  // A third attribute settles it.
  EXPECT_EQ(translate("<xstr id='hello' platform='macintosh' lang='fr-fr'/>"), "Hi");
}

TEST_F(Xstring, WithoutAMatchTheOwnContentIsKeptAsAVariant) {
  load("<xstr id='hello' lang='fr-fr'>Bonjour</xstr>");
  std::string const nul(1, '\0');
  {
    std::string text = "<xstr id='hello' tone='dry'>Hel&amp;lo" + nul + "!</xstr>";
    EXPECT_EQ(translate(text), "Hel&lo" + nul + "!");
    text.assign(text.size(), 'x');  // the stored variant is a copy of every byte
  }
  EXPECT_EQ(entries("hello"), 2u);
  // Found now: the copy agrees on id and tone.
  EXPECT_EQ(translate("<xstr id='hello' tone='dry'/>"), "Hel&lo" + nul + "!");
  EXPECT_EQ(entries("hello"), 2u);
}

TEST_F(Xstring, StoringAnEqualVariantKeepsTheFirst) {
  load("<xstr id='a' lang='en-us'>first</xstr><xstr lang='en-us' id='a'>second</xstr>");
  EXPECT_EQ(entries("a"), 1u);
  EXPECT_EQ(translate("<xstr id='a'/>"), "first");
}

TEST_F(Xstring, NestedXstringsAreLoadedAndTranslated) {
  load("<xstr id='outer'>A(<xstr id='inner'>B</xstr>)</xstr>");
  EXPECT_EQ(entries("inner"), 1u);
  EXPECT_EQ(translate("<xstr id='outer'/>"), "A(B)");
}

TEST_F(Xstring, BadGlossariesFailCleanly) {
  EXPECT_EQ(error_of([this] { load("<xstr lang='en-us'>x</xstr>"); }),
            "xstr: element without an id attribute");
  EXPECT_EQ(error_of([] { translate("<xstr>x</xstr>"); }), "xstr: element without an id attribute");
  // The inner element names the entry being loaded, whose content holds it.
  EXPECT_EQ(error_of([this] { load("<xstr id='self'>again <xstr id='self'/></xstr>"); }),
            "XML nesting too deep.");
}

TEST_F(Xstring, ReplaceFillsTheMarkers) {
  load(greeting);
  std::vector<std::string> const both = {"<marker name='first'>Ada</marker>",
                                         "<b><marker name='last'>&lt;L&gt;</marker></b>"};
  EXPECT_EQ(xstring_replace(name_t("greet"), both), "Dear Ada <L>!");
  EXPECT_EQ(xstring_replace(std::string("<p><xstr id='greet'/></p>"), both), "Dear Ada <L>!");

  // Markers inside an xstr are not supplied values.
  std::vector<std::string> const hidden = {"<marker name='first'>Ada</marker>",
                                           "<xstr id='q'><marker name='last'>L</marker></xstr>"};
  EXPECT_EQ(error_of([&] { xstring_replace(name_t("greet"), hidden); }),
            "xstring: string replacement: no viable candidates of 1 possibilities\n");
  EXPECT_EQ(error_of([] { xstring_replace(name_t("nothing"), std::string()); }),
            "xstring: string replacement: no viable candidates of 0 possibilities\n");
}

TEST_F(Xstring, TheCandidateFillingMostMarkersWins) {
  load(
      "<xstr id='g' v='1'>one <marker name='a'/></xstr>"
      "<xstr id='g' v='2'>two <marker name='a'/><marker name='b'/></xstr>"
      "<xstr id='g' v='3'>three <marker name='b'/><marker name='a'/></xstr>"
      "<xstr id='g' v='4'>four <marker name='c'/></xstr>"
      "<xstr id='g' v='5'>five</xstr>");
  std::vector<std::string> const ab = {"<marker name='a'>A</marker><marker name='b'>B</marker>"};
  EXPECT_EQ(xstring_replace(name_t("g"), ab), "two AB");
  EXPECT_EQ(xstring_replace(name_t("g"), std::string("<marker name='a'>A</marker>")), "one A");
  // A candidate without markers beats those that can't be filled.
  EXPECT_EQ(xstring_replace(name_t("g"), std::string("<marker name='z'/>")), "five");
}

TEST_F(Xstring, SuppliedValuesAreReplacedInTurn) {
  load("<xstr id='g'>[<marker name='a'/>]</xstr>");
  std::vector<std::string> const chained = {"<marker name='a'>x<marker name='b'/></marker>",
                                            "<marker name='b'>y</marker>"};
  EXPECT_EQ(xstring_replace(name_t("g"), chained), "[xy]");
  EXPECT_EQ(error_of([] {
              xstring_replace(std::string("<xstr id='g'/>"),
                              std::string("<marker name='a'>x<marker name='a'/></marker>"));
            }),
            "XML nesting too deep.");
}
