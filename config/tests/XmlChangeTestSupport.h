#pragma once

// Builders and file helpers for the tests of the changes that edit a host's
// XML registries (toolbars, insert bar, document types, tag libraries, help
// books). Fixtures live in testdata/config2 with line feeds and without a
// byte-order mark; the program writes them back as configtest::Canonical
// gives them.

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/CZorbGenericXmlFile.h"
#include "foundation/CZorbXmlObject.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/TempDir.h"

namespace config2test {

using Attributes = std::vector<std::pair<std::u16string, std::u16string>>;

inline std::string Fixture(const std::string& name) {
  return TempDir::read(std::string(PLEXAR_TESTDATA_DIR) + "/config2/" + name);
}

// An element with attributes and children (taken over).
inline CZorbXmlObject* Node(const char16_t* tag, const Attributes& attributes,
                            std::initializer_list<CZorbXmlObject*> children = {}) {
  auto* node = new CZorbXmlObject(tag);
  for (const auto& [name, value] : attributes) node->SetAttribute(name.c_str(), value.c_str());
  for (CZorbXmlObject* child : children) node->m_children.push_back(child);
  return node;
}

// A change that names its target by id.
template <class Change>
Change* ById(const char16_t* id) {
  auto* change = new Change();
  change->m_id = id;
  return change;
}

// Takes the nodes as the change's children.
template <class Change>
Change* With(Change* change, std::initializer_list<CZorbXmlObject*> children) {
  for (CZorbXmlObject* child : children) change->m_children.push_back(child);
  return change;
}

// A host file held in the sandbox, loaded into a generic XML file.
class HostFile {
 public:
  HostFile(testsupport::SandboxMachine& sandbox, const std::string& relative,
           const std::string& bytes)
      : m_sandbox(sandbox), m_relative(relative) {
    sandbox.writeFile(relative, bytes);
    m_file = std::make_unique<CZorbGenericXmlFile>();
    m_loaded = m_file->Load(Path().c_str(), nullptr) == 0;
  }

  std::u16string Path() const { return m_sandbox.colon(m_relative); }
  bool Loaded() const { return m_loaded; }
  CZorbGenericXmlFile* operator->() { return m_file.get(); }
  CZorbGenericXmlFile* get() { return m_file.get(); }

  // Saves the model and gives the file's bytes.
  std::string Saved() {
    if (m_file->Save(Path().c_str()) != 0) return "<save failed>";
    return m_sandbox.readFile(m_relative);
  }

 private:
  testsupport::SandboxMachine& m_sandbox;
  std::string m_relative;
  std::unique_ptr<CZorbGenericXmlFile> m_file;
  bool m_loaded = false;
};

// The ids of the children of a node, in order ("" for a child without).
inline std::vector<std::u16string> ChildIds(const CZorbXmlObject* node) {
  std::vector<std::u16string> ids;
  if (!node) return ids;
  for (const CZorbXmlObject* child : node->m_children) {
    CString id;
    if (child) child->GetAttribute(u"id", id);
    ids.emplace_back(id.Get());
  }
  return ids;
}

// The first element with the tag and id anywhere below node, or null.
inline CZorbXmlObject* Find(const CZorbXmlObject* node, const char16_t* tag, const char16_t* id) {
  if (!node) return nullptr;
  for (CZorbXmlObject* child : node->m_children) {
    if (!child) continue;
    CString childTag;
    child->GetTag(childTag);
    CString childId;
    child->GetAttribute(u"id", childId);
    if (childTag.CompareNoCase(tag) == 0 && childId.CompareNoCase(id) == 0) return child;
    if (CZorbXmlObject* found = Find(child, tag, id)) return found;
  }
  return nullptr;
}

inline std::u16string Attr(const CZorbXmlObject* node, const char16_t* name) {
  CString value;
  if (node) node->GetAttribute(name, value);
  return value.Get();
}

inline std::u16string Written(const CZorbXmlObject& node, int level = 0) {
  CString out;
  node.BuildXml(level, out);
  return out.Get();
}

// The whole document as a file model writes it (a file's own BuildXml
// writes nothing).
inline std::u16string Document(const CZorbXmlObject& file) {
  CString out;
  file.BuildInnerXml(-1, out);
  return out.Get();
}

}  // namespace config2test
