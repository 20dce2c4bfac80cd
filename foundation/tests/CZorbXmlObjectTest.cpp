#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/CZorbXmlObject.h"

namespace {

std::u16string Xml(const CZorbXmlObject& node, int level = 0) {
  CString out;
  node.BuildXml(level, out);
  return std::u16string(out.Get(), static_cast<size_t>(out.GetLength()));
}

// A node kind of another subsystem: its own class, tag and copy.
class Button : public CZorbXmlObject {
 public:
  Button() = default;
  Button(const Button&) = default;
  CZorbXmlObject* Clone() const override { return new Button(*this); }
  void GetTag(CString& tag) const override { tag = u"button"; }
  CString m_label;
};

// Counts destructions, to show that a node owns its children.
struct Counted : CZorbXmlObject {
  explicit Counted(int* deaths) : m_deaths(deaths) {}
  ~Counted() override { ++*m_deaths; }
  int* m_deaths;
};

}  // namespace

TEST(CZorbXmlObject, WritesElementsLineByLine) {
  struct Case {
    const char* name;
    const char16_t* tag;
    std::u16string expected;
    int level;
    void (*build)(CZorbXmlObject&);
  } cases[] = {
      {"empty element", u"item", u"\t\t<item />\r", 2, [](CZorbXmlObject&) {}},
      {"end tag forced", u"item", u"\t\t<item>\r\t\t</item>\r", 2,
       [](CZorbXmlObject& n) { n.m_hasEndTag = true; }},
      {"text on one line, unescaped", u"item", u"<item>a < b & c</item>\r", 0,
       [](CZorbXmlObject& n) { n.m_text = u"a < b & c"; }},
      {"cdata layout", u"item", u"<item>\r\t<![CDATA[code]]>\r</item>\r", 0,
       [](CZorbXmlObject& n) {
         n.m_text = u"code";
         n.m_isCData = true;
       }},
      {"cdata at level 1", u"item", u"\t<item>\r\t\t<![CDATA[x]]>\r\t</item>\r", 1,
       [](CZorbXmlObject& n) {
         n.m_text = u"x";
         n.m_isCData = true;
       }},
      {"attribute order by unit value", u"item", u"<item B=\"3\" a=\"2\" b=\"1\" />\r", 0,
       [](CZorbXmlObject& n) {
         n.SetAttribute(u"b", u"1");
         n.SetAttribute(u"a", u"2");
         n.SetAttribute(u"B", u"3");
       }},
      {"shorter prefix name first", u"item", u"<item id=\"1\" idx=\"2\" />\r", 0,
       [](CZorbXmlObject& n) {
         n.SetAttribute(u"idx", u"2");
         n.SetAttribute(u"id", u"1");
       }},
      {"attribute entities leave &", u"item",
       u"<item v=\"&lt;&amp;&quot;x&quot;&apos;&gt; & \" />\r", 0,
       [](CZorbXmlObject& n) { n.SetAttribute(u"v", u"<&amp;\"x\"'> & "); }},
      {"children indented, end tag aligned", u"menu",
       u"\t<menu id=\"m\">\r\t\t<item />\r\t\t<!-- note -->\r\t\t<!DOCTYPE x>\r\t</menu>\r", 1,
       [](CZorbXmlObject& n) {
         n.SetAttribute(u"id", u"m");
         n.m_children.push_back(new CZorbXmlObject(u"item"));
         n.m_children.push_back(new CZorbXmlComment(u"note"));
         n.m_children.push_back(new CZorbXmlMisc(u"<!DOCTYPE x>"));
       }},
      {"text before children, end tag unindented", u"a", u"<a>t\t<b />\r</a>\r", 0,
       [](CZorbXmlObject& n) {
         n.m_text = u"t";
         n.m_children.push_back(new CZorbXmlObject(u"b"));
       }},
  };
  for (const Case& c : cases) {
    CZorbXmlObject node(c.tag);
    c.build(node);
    EXPECT_EQ(Xml(node, c.level), c.expected) << c.name;
  }
}

TEST(CZorbXmlObject, CommentAndMiscWriteVerbatim) {
  EXPECT_EQ(Xml(CZorbXmlComment(u"a < b & c"), 2), u"\t\t<!-- a < b & c -->\r");
  EXPECT_EQ(Xml(CZorbXmlMisc(u"<?pi x=\"1\"?>"), 1), u"\t<?pi x=\"1\"?>\r");
  CString tag;
  CZorbXmlComment().GetTag(tag);
  EXPECT_EQ(tag, u"comment");
  CZorbXmlMisc().GetTag(tag);
  EXPECT_EQ(tag, u"misc");
}

TEST(CZorbXmlObject, HtmlEntityEncodeKeepsAmpersands) {
  CZorbXmlObject node;
  CString out(u"stale");
  node.HtmlEntityEncode(CString(u"&amp; <a href=\"x\">'y'</a> &"), out);
  EXPECT_EQ(out, u"&amp; &lt;a href=&quot;x&quot;&gt;&apos;y&apos;&lt;/a&gt; &");
  node.HtmlEntityEncode(CString(), out);
  EXPECT_EQ(out.GetLength(), 0);
  // In place.
  CString same(u"<");
  node.HtmlEntityEncode(same, same);
  EXPECT_EQ(same, u"&lt;");
}

TEST(CZorbXmlObject, AttributesAreCaseSensitiveAndReplaced) {
  CZorbXmlObject node(u"x");
  node.SetAttribute(u"id", u"1");
  node.SetAttribute(u"id", u"2");
  node.SetAttribute(u"ID", u"3");
  CString value(u"old");
  EXPECT_TRUE(node.GetAttribute(u"id", value));
  EXPECT_EQ(value, u"2");
  EXPECT_TRUE(node.GetAttribute(u"ID", value));
  EXPECT_EQ(value, u"3");
  EXPECT_FALSE(node.GetAttribute(u"Id", value));
  EXPECT_EQ(value.GetLength(), 0);
  node.SetAttribute(u"empty", u"");
  EXPECT_TRUE(node.GetAttribute(u"empty", value));
  EXPECT_EQ(node.m_attributes.size(), 3u);
}

TEST(CZorbXmlObject, CloneIsDeepAndKeepsKinds) {
  CZorbXmlObject root(u"root");
  root.SetAttribute(u"z", u"1");
  root.SetAttribute(u"a", u"2");
  root.m_text = u"text";
  root.m_isCData = true;
  root.m_hasEndTag = true;
  auto* child = new CZorbXmlObject(u"child");
  child->m_children.push_back(new CZorbXmlObject(u"grandchild"));
  root.m_children.push_back(child);
  root.m_children.push_back(new CZorbXmlComment(u"c"));
  root.m_children.push_back(new Button());
  root.m_openElements.push_back(child);

  CZorbXmlObject* copy = root.Clone();
  EXPECT_EQ(Xml(*copy), Xml(root));
  EXPECT_EQ(copy->m_tag, u"root");
  EXPECT_TRUE(copy->m_isCData);
  EXPECT_TRUE(copy->m_hasEndTag);
  EXPECT_TRUE(copy->m_openElements.empty());
  ASSERT_EQ(copy->m_children.size(), 3u);
  auto it = copy->m_children.begin();
  EXPECT_NE(*it, child);  // a new node, not the original
  ASSERT_EQ((*it)->m_children.size(), 1u);
  EXPECT_NE((*it)->m_children.front(), child->m_children.front());
  EXPECT_NE(dynamic_cast<CZorbXmlComment*>(*++it), nullptr);
  EXPECT_NE(dynamic_cast<Button*>(*++it), nullptr);

  // Changing the copy leaves the original alone.
  copy->m_children.front()->m_tag = u"changed";
  EXPECT_EQ(child->m_tag, u"child");
  delete copy;
  EXPECT_TRUE(root.FindTag(u"grandchild") != nullptr);
}

TEST(CZorbXmlObject, AssignmentReplacesChildrenAndSkipsEmptyNames) {
  int deaths = 0;
  CZorbXmlObject target(u"t");
  target.m_children.push_back(new Counted(&deaths));
  target.m_openElements.push_back(target.m_children.front());

  CZorbXmlObject source(u"s");
  source.m_attributes[u""] = u"nameless";
  source.SetAttribute(u"k", u"v");
  source.m_children.push_back(new CZorbXmlObject(u"c"));
  target = source;
  EXPECT_EQ(deaths, 1);
  EXPECT_TRUE(target.m_openElements.empty());
  EXPECT_EQ(target.m_attributes.size(), 1u);
  EXPECT_EQ(Xml(target), u"<s k=\"v\">\r\t<c />\r</s>\r");

  // Assigning from one of its own descendants.
  CZorbXmlObject tree(u"top");
  auto* mid = new CZorbXmlObject(u"mid");
  mid->m_children.push_back(new CZorbXmlObject(u"leaf"));
  tree.m_children.push_back(mid);
  tree = *mid;
  EXPECT_EQ(Xml(tree), u"<mid>\r\t<leaf />\r</mid>\r");
}

TEST(CZorbXmlObject, CommentCopiesCarryOnlyTheirText) {
  CZorbXmlComment comment(u"hello");
  comment.SetAttribute(u"a", u"b");
  CZorbXmlComment copy(comment);
  EXPECT_EQ(copy.m_comment, u"hello");
  EXPECT_TRUE(copy.m_attributes.empty());
  CZorbXmlMisc misc(u"<!x>");
  CZorbXmlObject* clone = misc.Clone();
  EXPECT_EQ(Xml(*clone), u"<!x>\r");
  delete clone;
}

TEST(CZorbXmlObject, DestroyingDeletesChildren) {
  int deaths = 0;
  {
    CZorbXmlObject root;
    auto* a = new Counted(&deaths);
    a->m_children.push_back(new Counted(&deaths));
    root.m_children.push_back(a);
    root.m_children.push_back(nullptr);
    root.m_children.push_back(new Counted(&deaths));
  }
  EXPECT_EQ(deaths, 3);
}

TEST(CZorbXmlObject, FindTagSearchesDepthFirstBelowTheNode) {
  // root > [a > [x > [Menu#1]], menu#2]: the grandchild in the first subtree
  // comes before the later sibling.
  CZorbXmlObject root(u"menu");
  auto* a = new CZorbXmlObject(u"a");
  auto* x = new CZorbXmlObject(u"x");
  auto* deep = new CZorbXmlObject(u"Menu");
  x->m_children.push_back(deep);
  a->m_children.push_back(x);
  root.m_children.push_back(a);
  auto* later = new CZorbXmlObject(u"menu");
  root.m_children.push_back(later);
  root.m_children.push_back(new Button());

  EXPECT_EQ(root.FindTag(u"MENU"), deep);  // never root itself
  EXPECT_EQ(root.FindTag(u"x"), x);
  EXPECT_EQ(root.FindTag(u"BUTTON") != nullptr, true);  // by the virtual tag
  EXPECT_EQ(root.FindTag(u"absent"), nullptr);
  EXPECT_EQ(deep->FindTag(u"menu"), nullptr);
}

TEST(CZorbXmlObject, FindCommentLooksAtDirectChildrenOnly) {
  CZorbXmlObject root;
  auto* inner = new CZorbXmlObject(u"inner");
  inner->m_children.push_back(new CZorbXmlComment(u"deep"));
  root.m_children.push_back(inner);
  auto* top = new CZorbXmlComment(u"Top Note");
  root.m_children.push_back(top);

  EXPECT_EQ(root.FindComment(u"top note"), top);
  EXPECT_EQ(root.FindComment(u"deep"), nullptr);
  EXPECT_TRUE(root.ContainsNonComments());
  EXPECT_FALSE(inner->ContainsNonComments());
  EXPECT_FALSE(CZorbXmlObject().ContainsNonComments());
}

TEST(CZorbXmlObject, InsertsRelativeToSiblings) {
  CZorbXmlObject root;
  auto* a = new CZorbXmlObject(u"a");
  auto* b = new CZorbXmlObject(u"b");
  root.InsertObjectAfter(a, nullptr);   // end
  root.InsertObjectBefore(b, nullptr);  // front
  auto* c = new CZorbXmlObject(u"c");
  root.InsertObjectBefore(c, a);  // b c a
  auto* d = new CZorbXmlObject(u"d");
  root.InsertObjectAfter(d, b);  // b d c a
  EXPECT_EQ(Xml(root), u"<>\r\t<b />\r\t<d />\r\t<c />\r\t<a />\r</>\r");

  // A stranger sibling inserts nothing; the child stays with the caller.
  CZorbXmlObject stranger;
  CZorbXmlObject orphan(u"o");
  root.InsertObjectBefore(&orphan, &stranger);
  root.InsertObjectAfter(&orphan, &stranger);
  EXPECT_EQ(root.m_children.size(), 4u);
}

namespace {

// A chain of plain nodes "n0" > "n1" > ... of the given depth below root,
// with a Button somewhere in it when asked; returns the deepest node.
CZorbXmlObject* Chain(CZorbXmlObject& root, int depth, int buttonAt = -1) {
  CZorbXmlObject* at = &root;
  for (int i = 0; i < depth; ++i) {
    const std::string name = "n" + std::to_string(i);
    CZorbXmlObject* next =
        i == buttonAt ? new Button()
                      : new CZorbXmlObject(std::u16string(name.begin(), name.end()).c_str());
    at->m_children.push_back(next);
    at = next;
  }
  return at;
}

}  // namespace

// Trees far deeper than any document may be are freed, copied, assigned
// and searched without running out of stack.
TEST(CZorbXmlObject, DeepTreesNeverRecurse) {
  constexpr int kDepth = 100000;
  auto root = std::make_unique<CZorbXmlObject>(u"root");
  CZorbXmlObject* deepest = Chain(*root, kDepth, kDepth / 2);
  deepest->m_tag = u"bottom";
  deepest->m_children.push_back(new CZorbXmlComment(u"last"));

  EXPECT_EQ(root->FindTag(u"BOTTOM"), deepest);
  EXPECT_NE(root->FindTag(u"button"), nullptr);
  EXPECT_EQ(root->FindTag(u"absent"), nullptr);
  EXPECT_TRUE(root->IsNestedDeeperThan(kDepth));
  EXPECT_FALSE(root->IsNestedDeeperThan(kDepth + 1));

  std::unique_ptr<CZorbXmlObject> copy(root->Clone());
  CZorbXmlObject* copied = copy->FindTag(u"bottom");
  ASSERT_NE(copied, nullptr);
  EXPECT_NE(copied, deepest);
  ASSERT_EQ(copied->m_children.size(), 1u);
  EXPECT_NE(dynamic_cast<CZorbXmlComment*>(copied->m_children.front()), nullptr);
  EXPECT_NE(dynamic_cast<Button*>(copy->FindTag(u"button")), nullptr);

  CZorbXmlObject assigned(u"other");
  Chain(assigned, 1000);
  assigned = *root;
  EXPECT_NE(assigned.FindTag(u"bottom"), nullptr);
  root.reset();
  copy.reset();
}

// The writer gives the same text whether a node writes its subtree itself
// or leaves it to the node above.
TEST(CZorbXmlObject, WritingIsTheSameAtEveryLevel) {
  CZorbXmlObject root(u"r");
  CZorbXmlObject* mid = Chain(root, 3, 1);
  mid->m_text = u"t";
  mid->m_isCData = true;
  root.m_children.push_back(new CZorbXmlComment(u"c"));
  root.m_children.push_back(new CZorbXmlObject(u"e"));
  root.m_children.back()->m_hasEndTag = true;
  EXPECT_EQ(
      Xml(root),
      u"<r>\r\t<n0>\r\t\t<button>\r\t\t\t<n2>\r\t\t\t\t<![CDATA[t]]>\r\t\t\t</n2>\r\t\t</button>"
      u"\r\t</n0>\r\t<!-- c -->\r\t<e>\r\t</e>\r</r>\r");
  CString inner;
  root.BuildInnerXml(0, inner);
  CString each;
  for (const CZorbXmlObject* child : root.m_children) child->BuildXml(1, each);
  EXPECT_EQ(std::u16string(inner.Get(), static_cast<size_t>(inner.GetLength())),
            std::u16string(each.Get(), static_cast<size_t>(each.GetLength())));
}
