#pragma once

// A minimal file model for tests and benchmarks: any XML document as a tree
// of CZorbXmlObject nodes, written back as the tree writes it (declaration
// first). Header-only so that both the tests and bench/ can use it.

#include <string>

#include "foundation/CZorbXMLParser.h"
#include "foundation/CZorbXmlFile.h"
#include "platform/widechar/WideChar.h"

class TreeFile : public CZorbXmlFile {
 public:
  TreeFile() { m_openElements.push_back(this); }

  int Load(const char16_t* path, CZorbTypedList<CZorbString>* messages) override;

  void GetTag(CString& tag) const override { tag.Empty(); }
  void BuildXml(int level, CString& out) const override {
    if (m_xmlDecl.GetLength() > 0) {
      out += m_xmlDecl;
      out += u'\r';
    }
    for (const CZorbXmlObject* child : m_children) child->BuildXml(level, out);
  }
};

class TreeReader : public CZorbXMLParser {
 public:
  explicit TreeReader(TreeFile* file) : m_file(file) {}

  // Entity references stay in the tree as written, as the host readers keep
  // them.
  int OnPreProcessLine(CString& line) const override {
    if (line.Find(u'&') >= 0) line.Replace(u"&", u"&amp;");
    return 0;
  }

  void OnElementStart(const char16_t* name, const char16_t** attrs) override {
    auto* node = new CZorbXmlObject(name);
    for (const char16_t* a = GetFirstAttr(attrs); a; a = GetNextAttr()) {
      const char16_t* value = GetValue();
      node->SetAttribute(a, value);
    }
    Top()->m_children.push_back(node);
    m_file->m_openElements.push_back(node);
  }
  void OnElementEnd(const char16_t*) override {
    if (m_file->m_openElements.size() > 1) m_file->m_openElements.pop_back();
  }
  void OnCData(const char16_t* text, int length) override {
    const char16_t* end = text + length;
    if (!m_inCData) {
      while (text < end && platform::iswspace(*text)) ++text;
      while (end > text && platform::iswspace(end[-1])) --end;
    }
    if (text == end) return;
    CZorbXmlObject* top = Top();
    top->m_text.Append(text, static_cast<uint32_t>(end - text));
    top->m_isCData = m_inCData;
  }
  void OnCDataSectionStart() override { m_inCData = true; }
  void OnCDataSectionEnd() override { m_inCData = false; }
  void OnComment(const char16_t* text) override {
    auto* comment = new CZorbXmlComment(text);
    comment->m_comment.TrimLeft();
    comment->m_comment.TrimRight();
    Top()->m_children.push_back(comment);
  }

 private:
  CZorbXmlObject* Top() { return m_file->m_openElements.back(); }

  TreeFile* m_file;
  bool m_inCData = false;
};

inline int TreeFile::Load(const char16_t* path, CZorbTypedList<CZorbString>*) {
  TreeReader reader(this);
  const int result = reader.ParseFile(path, false);
  m_openElements.clear();
  m_openElements.push_back(this);
  if (result == 0) {
    m_xmlDecl = reader.m_xmlDecl;
    m_encoding = reader.m_encoding;
  }
  return result;
}
