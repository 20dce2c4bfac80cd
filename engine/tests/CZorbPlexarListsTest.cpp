#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/ExtensionXml.h"
#include "foundation/CString.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"

namespace {

// The lists never look into a product; distinct addresses stand for them.
int g_slots[3];
const CZorbProduct* productAt(int i) {
  return reinterpret_cast<const CZorbProduct*>(&g_slots[i]);
}

CZorbExtension* extension(const char16_t* name, const char16_t* path, const char16_t* version,
                          bool enabled = true, const char16_t* author = u"Ann",
                          const char16_t* resid = u"") {
  auto* e = new CZorbExtension;
  e->m_name = name;
  e->m_path = path;
  e->m_version = version;
  e->m_enabled = enabled;
  e->m_authorName = author;
  e->m_nameResId = resid;
  return e;
}

class Lists : public ::testing::Test {
 protected:
  Lists() {
    m_a = extension(u"Tabs", u"Disk:Store:Tabs.kxi", u"1.0", false, u"Bob", u"tabs.name");
    m_b = extension(u"Gallery", u"Disk:Store:Gallery.kxi", u"2.1.0", true, u"Ann");
    m_c = extension(u"tabs", u"Disk:Other:tabs.kxi", u"1.0", true, u"bob");
    m_engine.AddExtension(productAt(0), m_a);
    m_engine.AddExtension(productAt(0), m_b);
    m_engine.AddExtension(productAt(0), m_c);
  }
  testsupport::ScriptedUI m_ui;
  CZorbPlexar m_engine{&m_ui};
  CZorbExtension* m_a;
  CZorbExtension* m_b;
  CZorbExtension* m_c;
};

TEST_F(Lists, LookupsFollowTheirCaseRulesAndListOrder) {
  const CZorbProduct* p = productAt(0);
  const CZorbProduct* none = productAt(1);
  struct Case {
    const char* what;
    CZorbExtension* found;
    CZorbExtension* expected;
  } cases[] = {
      {"name ignores case, first wins", m_engine.FindByName(p, u"TABS"), m_a},
      {"name absent", m_engine.FindByName(p, u"Tab"), nullptr},
      {"no list", m_engine.FindByName(none, u"Tabs"), nullptr},
      {"null product", m_engine.FindByName(nullptr, u"Tabs"), nullptr},
      {"pure name", m_engine.FindByPureName(p, u"gallery"), m_b},
      {"resource id", m_engine.FindByResID(p, u"TABS.NAME"), m_a},
      {"name and author", m_engine.FindByNameAndAuthor(p, u"tabs", u"BOB", false), m_a},
      {"enabled only skips", m_engine.FindByNameAndAuthor(p, u"tabs", u"BOB", true), m_c},
      {"author must match", m_engine.FindByNameAndAuthor(p, u"Gallery", u"Bob", false), nullptr},
      {"file name exact", m_engine.FindByProductAndPath(p, u"Disk:Else:tabs.kxi", false), m_c},
      {"file name exact 2", m_engine.FindByProductAndPath(p, u"Disk:Else:Tabs.kxi", false), m_a},
      {"file name case", m_engine.FindByProductAndPath(p, u"Disk:Else:TABS.kxi", false), nullptr},
      {"whole path ignores case", m_engine.FindByProductAndPath(p, u"disk:other:TABS.KXI", true),
       m_c},
      {"whole path needed", m_engine.FindByProductAndPath(p, u"Disk:Else:Tabs.kxi", true), nullptr},
      {"file and version",
       m_engine.GetExtensionByName(p, CZorbPath(CString(u"GALLERY.kxi")),
                                   CZorbVersionNumber(u"2.1")),
       m_b},
      {"version differs",
       m_engine.GetExtensionByName(p, CZorbPath(CString(u"Gallery.kxi")),
                                   CZorbVersionNumber(u"2.2")),
       nullptr},
      {"path over all lists", m_engine.FindByPath(u"DISK:STORE:GALLERY.KXI"), m_b},
  };
  for (const Case& c : cases) EXPECT_EQ(c.found, c.expected) << c.what;
}

TEST_F(Lists, AddAndRemoveDeleteOnlyWhatTheListHeld) {
  // Adding a held pointer again would have it deleted twice.
  m_engine.AddExtension(productAt(0), m_b);
  CZorbTypedList<CZorbExtension*> out;
  ASSERT_NE(m_engine.GetExtensions(productAt(0), &out), 0);
  EXPECT_EQ(out, (CZorbTypedList<CZorbExtension*>{m_a, m_b, m_c}));

  // A pointer of another list stays alive and listed there.
  CZorbExtension* other = extension(u"Other", u"Disk:o.kxi", u"1");
  m_engine.AddExtension(productAt(1), other);
  m_engine.RemoveExtension(productAt(0), other);
  m_engine.RemoveExtension(productAt(2), other);
  EXPECT_EQ(m_engine.FindByName(productAt(1), u"Other"), other);

  m_engine.RemoveExtension(productAt(0), m_b);
  out.clear();
  EXPECT_NE(m_engine.GetExtensions(productAt(0), &out), 0);
  EXPECT_EQ(out, (CZorbTypedList<CZorbExtension*>{m_a, m_c}));
  EXPECT_EQ(m_engine.GetExtensions(productAt(2), &out), 0);
}

TEST_F(Lists, ClearListsEmptiesEverything) {
  m_engine.AddExtension(productAt(1), extension(u"x", u"Disk:x.kxi", u"1"));
  m_engine.ClearLists();
  EXPECT_EQ(m_engine.GetExtensions(productAt(0), nullptr), 0);
  EXPECT_EQ(m_engine.FindByPath(u"Disk:x.kxi"), nullptr);
  m_engine.ClearLists();
}

TEST_F(Lists, CompareFunctions) {
  m_engine.m_typeLabels.SetAt(1, u"command");
  m_engine.m_typeLabels.SetAt(2, u"Behavior");
  m_a->m_type = 1;
  m_b->m_type = 2;
  m_c->m_type = 40;  // no label: empty text
  EXPECT_EQ(m_engine.CompareName(m_a, m_c), 0);
  EXPECT_GT(m_engine.CompareName(m_a, m_b), 0);
  EXPECT_EQ(m_engine.CompareAuthor(m_a, m_c), 0);
  EXPECT_LT(m_engine.CompareVersion(m_a, m_b), 0);
  EXPECT_EQ(m_engine.CompareEnabled(m_a, m_b), 1);
  EXPECT_EQ(m_engine.CompareEnabled(m_b, m_a), -1);
  EXPECT_EQ(m_engine.CompareEnabled(m_b, m_c), 0);
  EXPECT_GT(m_engine.CompareType(m_a, m_b), 0);
  EXPECT_LT(m_engine.CompareType(m_c, m_a), 0);
  EXPECT_EQ(m_engine.CompareName(nullptr, m_a), 0);
  EXPECT_EQ(m_engine.CompareType(m_a, nullptr), 0);
  CString label = u"kept";
  EXPECT_FALSE(m_engine.GetTypeLabel(40, label));
  EXPECT_EQ(label, CString(u"kept"));
}

TEST_F(Lists, TextsForTheUser) {
  CString out = u"old";
  m_a->m_uiAccess = u"Menu &amp;nbsp;A<br>B";
  m_engine.GetExtensionDetail(m_a, out);
  EXPECT_EQ(out, CString(u"Menu  A\rB"));
  m_a->m_description = u"Does<BR>this&nbsp;";
  m_engine.GetExtensionDetail(m_a, out);
  EXPECT_EQ(out, CString(u"Does\rthis \r\rMenu  A\rB"));
  m_engine.GetExtensionDetail(nullptr, out);
  EXPECT_EQ(out, CString(u""));

  {
    testsupport::ScopedStrings strings({}, {});
    for (unsigned id = 5000; id <= 5028; ++id) CString::g_DataMap[id] = std::to_string(id) + "\r";
    CString::g_DataMap[4999] = "before";
    CString::g_DataMap[5029] = "after";
    CString legal;
    m_engine.BuildLegalAgreement(legal);
    std::u16string expected;
    for (unsigned id = 5000; id <= 5028; ++id) {
      const std::string digits = std::to_string(id);
      expected += std::u16string(digits.begin(), digits.end()) + u"<BR>";
    }
    EXPECT_EQ(std::u16string(legal.Get()), expected);
  }

  char buffer[8];
  EXPECT_EQ(CZorbPlexar::wCharToChar(CString(u"a\u0142z"), buffer), 3);
  EXPECT_EQ(std::string(buffer), std::string("a\x42z"));

  testsupport::ScopedStrings strings({}, {4197});
  m_ui.answerMessageBox(0);
  m_engine.AlertExtensionNotExited(u"Tabs");
  ASSERT_EQ(m_ui.calls().size(), 1u);
  EXPECT_EQ(m_ui.calls()[0].args, (std::vector<std::u16string>{u"4197[Tabs]", u"0", u"1"}));
}

TEST_F(Lists, ServiceFrameworkExtensionsMakeEveryOtherProductPrimary) {
  auto product = [](const char16_t* name, bool primary) {
    auto* p = new CZorbExtensionProduct;
    p->m_name = name;
    p->m_primary = primary;
    p->m_required = true;
    return p;
  };
  m_b->m_products.m_children = {product(u"Loomwright", false), product(u"wbxs", true),
                                product(u"Emberly", false)};
  m_engine.ModifyPrimaryIfWBXSExtension(m_b);
  EXPECT_FALSE(static_cast<CZorbExtensionProduct*>(m_b->m_products.m_children.front())->m_primary);

  m_b->m_fileTypes = extcode::kFileTypeWbxs;
  m_engine.ModifyPrimaryIfWBXSExtension(m_b);
  std::vector<std::pair<bool, bool>> marks;
  for (CZorbXmlObject* child : m_b->m_products.m_children) {
    auto* p = static_cast<CZorbExtensionProduct*>(child);
    marks.emplace_back(p->m_primary, p->m_required);
  }
  EXPECT_EQ(marks,
            (std::vector<std::pair<bool, bool>>{{true, true}, {false, false}, {true, true}}));
}

}  // namespace
