#include "config/ConfigNodeTable.h"

#include "config/CZorbExtensionAction.h"
#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbExtensionTool.h"
#include "config/CZorbHostNode.h"
#include "config/ConfigXml.h"

namespace cfgnode {

namespace {

bool Is(const char16_t* name, const char16_t* expected) {
  return cfgxml::NameIs(name, expected);
}

// Calls visit(row) for the shared rows first, then the kind's own.
template <class Visit>
void ForEachRow(const Table& table, const Visit& visit) {
  if (table.shared) ForEachRow(*table.shared, visit);
  for (size_t i = 0; i < table.count; ++i) visit(table.rows[i]);
}

template <class Visit>
bool AnyRow(const Table& table, const Visit& visit) {
  if (table.shared && AnyRow(*table.shared, visit)) return true;
  for (size_t i = 0; i < table.count; ++i)
    if (visit(table.rows[i])) return true;
  return false;
}

void ReadReferences(const char16_t* value, CZorbExtensionMenuSeparator& separator) {
  const CString text(value);
  int32_t start = 0;
  for (int32_t comma; (comma = text.Find(u',', start)) >= 0; start = comma + 1)
    separator.AddReference(text.Mid(start, comma - start));
  const CString rest = text.Mid(start);
  if (rest.GetLength() > 0) separator.AddReference(rest);
}

void AppendValue(CString& out, const char16_t* name, const CString& value) {
  cfgxml::AppendAttributeAlways(out, name, cfgxml::MenusValue(value));
}

}  // namespace

CZorbXmlObject* CreateNode(const char16_t* element) {
  const Table* table = nullptr;
  return CreateNode(element, table);
}

CZorbXmlObject* CreateNode(const char16_t* element, const Table*& table) {
  table = nullptr;
  if (!element) return nullptr;
  const auto made = [&table](CZorbXmlObject* node, const Table& kind) {
    table = &kind;
    return node;
  };
  if (Is(element, u"menubar") || Is(element, u"formats")) {
    auto* menubar = new CZorbExtensionMenuBar();
    menubar->SetTag(element);
    return made(menubar, CZorbExtensionMenuBar::AttributeTable());
  }
  if (Is(element, u"menu"))
    return made(new CZorbExtensionMenu(), CZorbExtensionMenu::AttributeTable());
  if (Is(element, u"menuitem"))
    return made(new CZorbExtensionMenuItem(), CZorbExtensionMenuItem::AttributeTable());
  if (Is(element, u"separator"))
    return made(new CZorbExtensionMenuSeparator(), CZorbExtensionMenuSeparator::AttributeTable());
  if (Is(element, u"format"))
    return made(new CZorbExtensionServerFormat(), CZorbExtensionServerFormat::AttributeTable());
  if (Is(element, u"shortcutlist") || Is(element, u"snippets")) {
    auto* list = new CZorbExtensionShortcutList();
    list->m_tag = element;
    return made(list, CZorbExtensionShortcutList::AttributeTable());
  }
  if (Is(element, u"shortcut"))
    return made(new CZorbExtensionShortcut(), CZorbExtensionShortcut::AttributeTable());
  if (Is(element, u"tool"))
    return made(new CZorbExtensionTool(), CZorbExtensionTool::AttributeTable());
  if (Is(element, u"activate") || Is(element, u"action") || Is(element, u"override"))
    return made(new CZorbExtensionAction(element), CZorbExtensionShortcut::AttributeTable());
  if (Is(element, u"host-node")) return made(new CZorbHostNode(), CZorbHostNode::AttributeTable());
  return nullptr;
}

const Table* TableOf(const CZorbXmlObject& node) {
  // Derived kinds before their bases.
  if (dynamic_cast<const CZorbExtensionMenuBar*>(&node))
    return &CZorbExtensionMenuBar::AttributeTable();
  if (dynamic_cast<const CZorbExtensionTool*>(&node)) return &CZorbExtensionTool::AttributeTable();
  if (dynamic_cast<const CZorbExtensionMenu*>(&node)) return &CZorbExtensionMenu::AttributeTable();
  if (dynamic_cast<const CZorbExtensionMenuItem*>(&node))
    return &CZorbExtensionMenuItem::AttributeTable();
  if (dynamic_cast<const CZorbExtensionMenuSeparator*>(&node))
    return &CZorbExtensionMenuSeparator::AttributeTable();
  if (dynamic_cast<const CZorbExtensionMenuBase*>(&node))
    return &CZorbExtensionMenuBase::AttributeTable();
  if (dynamic_cast<const CZorbExtensionShortcut*>(&node))
    return &CZorbExtensionShortcut::AttributeTable();
  if (dynamic_cast<const CZorbExtensionShortcutList*>(&node))
    return &CZorbExtensionShortcutList::AttributeTable();
  if (dynamic_cast<const CZorbExtensionServerFormat*>(&node))
    return &CZorbExtensionServerFormat::AttributeTable();
  if (dynamic_cast<const CZorbHostNode*>(&node)) return &CZorbHostNode::AttributeTable();
  return nullptr;
}

bool ReadAttribute(const Table& table, CZorbXmlObject& node, const char16_t* name,
                   const char16_t* value) {
  if (!name) return false;
  if (!value) value = u"";
  bool keepsOthers = false;
  const bool read = AnyRow(table, [&](const Attribute& row) {
    if (row.form == Form::kOthers) keepsOthers = true;
    if (!row.name || !Is(name, row.name)) return false;
    switch (row.form) {
      case Form::kText:
      case Form::kTextAlways:
      case Form::kBareWord:
        if (CString* text = row.text(node)) *text = value;
        return true;
      case Form::kHiddenWhenFalse:
        if (bool* flag = row.flag(node)) *flag = !Is(value, u"hidden");
        return true;
      case Form::kFalseWhenFalse:
      case Form::kTrueWhenTrue:
        if (bool* flag = row.flag(node)) *flag = cfgxml::IsTrueValue(value);
        return true;
      case Form::kReferences:
        if (auto* separator = dynamic_cast<CZorbExtensionMenuSeparator*>(&node))
          ReadReferences(value, *separator);
        return true;
      case Form::kOthers:
      case Form::kNotAnAttribute:
        return false;
    }
    return false;
  });
  if (!read && keepsOthers) node.SetAttribute(name, value);
  return read;
}

void WriteAttributes(const Table& table, const CZorbXmlObject& node, CString& out) {
  auto& field = const_cast<CZorbXmlObject&>(node);
  ForEachRow(table, [&](const Attribute& row) {
    switch (row.form) {
      case Form::kText:
        if (const CString* text = row.text(field); text && text->GetLength() > 0)
          AppendValue(out, row.name, *text);
        break;
      case Form::kTextAlways:
        if (const CString* text = row.text(field)) AppendValue(out, row.name, *text);
        break;
      case Form::kBareWord:
        if (const CString* text = row.text(field); text && text->GetLength() > 0) {
          // Only "true" is what the bare word says; any other value, such
          // as "false", is written as it was read.
          if (*text == u"true") {
            out += u' ';
            out += row.name;
          } else {
            AppendValue(out, row.name, *text);
          }
        }
        break;
      case Form::kHiddenWhenFalse:
        if (const bool* flag = row.flag(field); flag && !*flag)
          AppendValue(out, row.name, CString(u"hidden"));
        break;
      case Form::kFalseWhenFalse:
        if (const bool* flag = row.flag(field); flag && !*flag)
          AppendValue(out, row.name, CString(u"false"));
        break;
      case Form::kTrueWhenTrue:
        if (const bool* flag = row.flag(field); flag && *flag)
          AppendValue(out, row.name, CString(u"true"));
        break;
      case Form::kReferences:
        if (auto* separator = dynamic_cast<const CZorbExtensionMenuSeparator*>(&node);
            separator && !separator->m_references.empty()) {
          CString joined;
          for (const CString& reference : separator->m_references) {
            if (reference.GetLength() == 0) continue;
            if (joined.GetLength() > 0) joined += u',';
            joined += reference;
          }
          AppendValue(out, row.name, joined);
        }
        break;
      case Form::kOthers:
        for (const auto& [name, value] : node.m_attributes)
          AppendValue(out, name.c_str(), CString(value.c_str()));
        break;
      case Form::kNotAnAttribute:
        break;
    }
  });
}

void Merge(const Table& table, CZorbXmlObject& node, const CZorbXmlObject& source) {
  if (&node == &source) return;
  auto& from = const_cast<CZorbXmlObject&>(source);
  ForEachRow(table, [&](const Attribute& row) {
    if (!row.merged) return;
    if (row.form == Form::kOthers) {
      for (const auto& [name, value] : source.m_attributes)
        node.SetAttribute(name.c_str(), value.c_str());
      return;
    }
    if (row.text) {
      CString* to = row.text(node);
      const CString* value = row.text(from);
      if (to && value) *to = *value;
    }
    if (row.flag) {
      bool* to = row.flag(node);
      const bool* value = row.flag(from);
      if (to && value) *to = *value;
    }
  });
}

}  // namespace cfgnode
