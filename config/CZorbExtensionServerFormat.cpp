#include "config/CZorbExtensionServerFormat.h"

#include <iterator>

#include "config/ConfigXml.h"

namespace {

using cfgnode::Form;
using Format = CZorbExtensionServerFormat;

const cfgnode::Attribute kRows[] = {
    {u"title", Form::kTextAlways, true, cfgnode::Text<Format, Format, &Format::m_title>, nullptr},
    {u"file", Form::kText, true, cfgnode::Text<Format, Format, &Format::m_file>, nullptr},
    {u"visibility", Form::kHiddenWhenFalse, true, nullptr,
     cfgnode::Flag<Format, Format, &Format::m_visible>},
    {u"platform", Form::kText, true, cfgnode::Text<Format, Format, &Format::m_platform>, nullptr},
    {u"expression", Form::kText, true, cfgnode::Text<Format, Format, &Format::m_expression>,
     nullptr},
    {nullptr, Form::kOthers, true, nullptr, nullptr},
    {u"id", Form::kText, true, cfgnode::Text<Format, Format, &Format::m_id>, nullptr},
};

}  // namespace

CZorbExtensionServerFormat::CZorbExtensionServerFormat() = default;

CZorbExtensionServerFormat::CZorbExtensionServerFormat(const CZorbExtensionServerFormat* source) {
  Merge(source);
}

CZorbExtensionServerFormat::~CZorbExtensionServerFormat() = default;

CZorbXmlObject* CZorbExtensionServerFormat::Clone() const {
  auto* copy = new CZorbExtensionServerFormat(this);
  copy->m_emptyForm = m_emptyForm;  // as the host wrote it
  return copy;
}

void CZorbExtensionServerFormat::GetTag(CString& tag) const {
  tag = u"format";
}

const cfgnode::Table& CZorbExtensionServerFormat::AttributeTable() {
  static const cfgnode::Table table{nullptr, kRows, std::size(kRows)};
  return table;
}

void CZorbExtensionServerFormat::BuildXml(int level, CString& out) const {
  CString attributes;
  cfgnode::WriteAttributes(AttributeTable(), *this, attributes);
  cfgxml::AppendEmptyElement(*this, CString(u"format"), attributes, level, out);
}

void CZorbExtensionServerFormat::Merge(const CZorbExtensionServerFormat* other) {
  if (other) cfgnode::Merge(AttributeTable(), *this, *other);
}
