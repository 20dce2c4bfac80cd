#pragma once

#include <cstdint>
#include <string>

#include "foundation/CString.h"
#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbTypedList.h"
#include "foundation/CZorbTypedMap.h"
#include "foundation/CZorbTypedVector.h"

// A node of an XML tree: a tag, attributes, an optional text and owned
// children. Every object that writes itself as XML derives from it.
//
// Texts keep entity references in their written form ("&lt;" stays six
// characters), so the writer never escapes "&".
//
// Freeing, copying, searching and writing a tree never recurse through its
// plain nodes, so a deep tree cannot overflow the stack; the readers refuse
// documents nested deeper than kMaxDepth, and Save refuses such trees.
class CZorbXmlObject {
 public:
  using AttributeMap = CZorbTypedMap<std::u16string, std::u16string, CZorbMapStringLessThan>;

  // The deepest nesting of elements a document may have: far beyond any
  // host file or description, and it bounds the writer's indentation.
  static constexpr int kMaxDepth = 2048;

  CZorbXmlObject();
  explicit CZorbXmlObject(const char16_t* tag);
  CZorbXmlObject(const CZorbXmlObject& other);
  // Deep copy: the children are cloned; the open-element stack is emptied.
  CZorbXmlObject& operator=(const CZorbXmlObject& other);
  // Deletes the children first.
  virtual ~CZorbXmlObject();

  // A new heap copy that the caller owns.
  virtual CZorbXmlObject* Clone() const;
  virtual void GetTag(CString& tag) const;
  // Appends the node's XML to out, indented by level tabs; every line ends
  // with a single carriage return.
  virtual void BuildXml(int level, CString& out) const;
  // Whether the node applies to the locale; the base applies to all.
  virtual bool filterByLocale(const CString& locale) const;

  // Each child's BuildXml at level + 1.
  void BuildInnerXml(int level, CString& out) const;

  // Inserts or replaces (exact, case-sensitive name).
  void SetAttribute(const char16_t* name, const char16_t* value);
  // False, with value emptied, when the name is absent.
  bool GetAttribute(const char16_t* name, CString& value) const;

  // Depth-first, pre-order search below this node for a tag equal to name
  // ignoring case; never this node itself. Null when none.
  CZorbXmlObject* FindTag(const char16_t* name) const;
  // The first direct child that is a comment with this text (ignoring case).
  class CZorbXmlComment* FindComment(const char16_t* text) const;
  // True when a direct child is not a comment.
  bool ContainsNonComments() const;

  // Take ownership of child when it is inserted. A null sibling means the
  // front (Before) or the end (After); a sibling that is not a child inserts
  // nothing and the child stays with the caller.
  void InsertObjectBefore(CZorbXmlObject* child, CZorbXmlObject* sibling);
  void InsertObjectAfter(CZorbXmlObject* child, CZorbXmlObject* sibling);

  // Whether some node lies more than levels below this one (a child is one
  // level below).
  bool IsNestedDeeperThan(int levels) const;

  // Replaces <, >, " and ' by their entities; & stays as it is.
  void HtmlEntityEncode(const CString& in, CString& out) const;

  // Writes BuildXml from level 0 to path in the encoding, replacing the
  // file as one step. 0, or -1 when nothing could be written (also for a
  // tree nested deeper than kMaxDepth); never throws.
  [[nodiscard]] int Save(const char16_t* path, uint32_t encoding) const;

  // Owned children in document order; readers append to it directly.
  CZorbTypedList<CZorbXmlObject*> m_children;
  // Open elements while a reader fills the tree; not owned, never copied.
  CZorbTypedVector<CZorbXmlObject*> m_openElements;
  AttributeMap m_attributes;
  CString m_tag;
  CString m_text;
  bool m_isCData = false;
  // Written with a separate end tag even without text or children.
  bool m_hasEndTag = false;
  // How a reader found an element without text or children written, so a
  // writer that keeps a host's form writes it so again: kUnread for a node
  // no reader made.
  enum class EmptyForm : uint8_t {
    kUnread,
    kSpaced,  // <a />
    kTight,   // <a/>
    kPair,    // <a></a>
  };
  EmptyForm m_emptyForm = EmptyForm::kUnread;

 protected:
  void DeleteChildren();
};

// A comment; its tag is "comment".
class CZorbXmlComment : public CZorbXmlObject {
 public:
  CZorbXmlComment();
  explicit CZorbXmlComment(const char16_t* text);
  // Copies carry the comment text only.
  CZorbXmlComment(const CZorbXmlComment& other);
  CZorbXmlComment& operator=(const CZorbXmlComment& other);
  ~CZorbXmlComment() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;

  // The characters between the comment delimiters.
  CString m_comment;
};

// Raw markup (a processing instruction, a DOCTYPE) written back verbatim;
// its tag is "misc".
class CZorbXmlMisc : public CZorbXmlObject {
 public:
  CZorbXmlMisc();
  explicit CZorbXmlMisc(const char16_t* markup);
  // Copies carry the markup only.
  CZorbXmlMisc(const CZorbXmlMisc& other);
  CZorbXmlMisc& operator=(const CZorbXmlMisc& other);
  ~CZorbXmlMisc() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;

  CString m_markup;
};
