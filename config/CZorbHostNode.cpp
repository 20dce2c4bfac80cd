#include "config/CZorbHostNode.h"

#include <charconv>
#include <string>

#include "config/ConfigXml.h"

namespace {

using cfgnode::Form;
using Self = CZorbHostNode;

const cfgnode::Attribute kRows[] = {
    {u"parent", Form::kText, true, cfgnode::Text<Self, Self, &Self::m_parent>, nullptr},
    {u"index", Form::kText, true, cfgnode::Text<Self, Self, &Self::m_index>, nullptr},
    {u"removed", Form::kTrueWhenTrue, true, nullptr, cfgnode::Flag<Self, Self, &Self::m_removed>},
};

}  // namespace

CZorbHostNode::CZorbHostNode() = default;

CZorbHostNode::CZorbHostNode(CZorbXmlObject* node) {
  if (node) m_children.push_back(node);
}

CZorbHostNode::CZorbHostNode(const CZorbHostNode& other)
    : CZorbXmlObject(),
      m_parent(other.m_parent),
      m_index(other.m_index),
      m_removed(other.m_removed) {
  // A menu node's own copy leaves its children behind; a removed menu must
  // come back whole.
  for (const CZorbXmlObject* child : other.m_children)
    if (CZorbXmlObject* copy = cfgxml::DeepClone(child)) m_children.push_back(copy);
}

CZorbHostNode::~CZorbHostNode() = default;

CZorbXmlObject* CZorbHostNode::Clone() const {
  return new CZorbHostNode(*this);
}

void CZorbHostNode::GetTag(CString& tag) const {
  tag = u"host-node";
}

void CZorbHostNode::BuildXml(int level, CString& out) const {
  CString attributes;
  cfgnode::WriteAttributes(AttributeTable(), *this, attributes);
  cfgxml::AppendElement(*this, CString(u"host-node"), attributes, level, out);
}

const cfgnode::Table& CZorbHostNode::AttributeTable() {
  static const cfgnode::Table table{nullptr, kRows, std::size(kRows)};
  return table;
}

CZorbXmlObject* CZorbHostNode::Node() const {
  return m_children.empty() ? nullptr : m_children.front();
}

int32_t CZorbHostNode::Index() const {
  if (m_index.GetLength() == 0) return -1;
  std::string digits;
  for (int32_t i = 0; i < m_index.GetLength(); ++i) {
    const char16_t ch = m_index.GetAt(i);
    if (ch < u'0' || ch > u'9') return -1;
    digits += static_cast<char>(ch);
  }
  int32_t value = -1;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc() && end == digits.data() + digits.size() ? value : -1;
}

void CZorbHostNode::SetIndex(int32_t index) {
  if (index < 0) {
    m_index.Empty();
    return;
  }
  const std::string digits = std::to_string(index);
  m_index = CString(std::u16string(digits.begin(), digits.end()).c_str());
}
