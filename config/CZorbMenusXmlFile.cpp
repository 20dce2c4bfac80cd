#include "config/CZorbMenusXmlFile.h"

#include <string>
#include <string_view>
#include <vector>

#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbMenusXMLParser.h"
#include "config/ConfigXml.h"
#include "config/XmlMarkupScanner.h"

namespace {

// Any top-level menubar, whatever its tag.
CZorbExtensionMenuBar* AsMenuBar(CZorbXmlObject* node) {
  return dynamic_cast<CZorbExtensionMenuBar*>(node);
}

// A top-level menubar tagged "menubar" or "formats".
CZorbExtensionMenuBar* AsMenuBarOrFormats(CZorbXmlObject* node) {
  CZorbExtensionMenuBar* menubar = AsMenuBar(node);
  return menubar && (cfgxml::HasTag(menubar, u"menubar") || cfgxml::HasTag(menubar, u"formats"))
             ? menubar
             : nullptr;
}

CZorbExtensionShortcutList* AsShortcutList(CZorbXmlObject* node) {
  auto* list = dynamic_cast<CZorbExtensionShortcutList*>(node);
  return list && cfgxml::HasTag(list, u"shortcutlist") ? list : nullptr;
}

// The first node that find locates below a top-level menubar that asBar
// accepts; menubar is the one it was found in.
template <class Node>
Node* FindBelowMenuBars(const CZorbTypedList<CZorbXmlObject*>& children,
                        CZorbExtensionMenuBar* (*asBar)(CZorbXmlObject*),
                        Node* (CZorbExtensionMenu::*find)(const CString&, CZorbExtensionMenu*&),
                        const CString& key, CZorbExtensionMenuBar*& menubar,
                        CZorbExtensionMenu*& parent) {
  menubar = nullptr;
  parent = nullptr;
  for (CZorbXmlObject* child : children)
    if (CZorbExtensionMenuBar* bar = asBar(child))
      if (Node* found = (bar->*find)(key, parent)) {
        menubar = bar;
        return found;
      }
  return nullptr;
}

// Items, separators, shortcuts and formats that no reader made take the
// file's form; containers keep theirs (without one, an emptied container
// is written with its end tag on a line of its own, as before).
void TakeEmptyForm(CZorbXmlObject& root, CZorbXmlObject::EmptyForm form) {
  std::vector<CZorbXmlObject*> pending{&root};
  while (!pending.empty()) {
    CZorbXmlObject* node = pending.back();
    pending.pop_back();
    for (CZorbXmlObject* child : node->m_children) {
      if (!child) continue;
      if (child->m_emptyForm == CZorbXmlObject::EmptyForm::kUnread &&
          (dynamic_cast<CZorbExtensionMenuItem*>(child) ||
           dynamic_cast<CZorbExtensionMenuSeparator*>(child) ||
           dynamic_cast<CZorbExtensionShortcut*>(child) ||
           dynamic_cast<CZorbExtensionServerFormat*>(child)))
        child->m_emptyForm = form;
      pending.push_back(child);
    }
  }
}

// The host writes the flag of a start tag as a bare word. Only the
// attribute is rewritten: a comment, an instruction or a section that
// holds the same text keeps it.
void WriteBareDynamic(CString& piece) {
  static constexpr std::u16string_view kValued = u"dynamic=\"true\"";
  static constexpr std::u16string_view kBare = u"dynamic";
  const std::u16string_view in(piece.Get() ? piece.Get() : u"",
                               static_cast<size_t>(piece.GetLength()));
  if (in.find(kValued) == std::u16string_view::npos) return;
  XmlMarkupScanner markup;
  std::u16string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    if (markup.state() == XmlMarkupScanner::State::kStartTag &&
        XmlMarkupScanner::AttributeAt(in, i, kValued)) {
      out += kBare;
      i += kValued.size();
      continue;
    }
    const size_t taken = markup.Step(in, i);
    out += in.substr(i, taken);
    i += taken;
  }
  piece.Assign(out.data(), static_cast<uint32_t>(out.size()));
}

CZorbXmlObject* FindContainerBelow(CZorbXmlObject* root, const CZorbXmlObject* node) {
  for (CZorbXmlObject* child : root->m_children) {
    if (!child) continue;
    if (child == node) return root;
    if (CZorbXmlObject* found = FindContainerBelow(child, node)) return found;
  }
  return nullptr;
}

}  // namespace

CZorbMenusXmlFile::CZorbMenusXmlFile() = default;

CZorbMenusXmlFile::CZorbMenusXmlFile(const CZorbMenusXmlFile& other)
    : CZorbXmlFile(),
      m_path(other.m_path),
      m_namespace(other.m_namespace),
      m_form(other.m_form),
      m_newEmptyForm(other.m_newEmptyForm),
      m_prologCount(other.m_prologCount),
      m_loadFailed(other.m_loadFailed) {
  m_xmlDecl = other.m_xmlDecl;
  m_encoding = other.m_encoding;
  for (const CZorbXmlObject* child : other.m_children)
    if (CZorbXmlObject* copy = cfgxml::DeepClone(child)) m_children.push_back(copy);
}

CZorbMenusXmlFile::~CZorbMenusXmlFile() = default;

CZorbXmlObject* CZorbMenusXmlFile::Clone() const {
  return new CZorbMenusXmlFile(*this);
}

void CZorbMenusXmlFile::GetTag(CString& tag) const {
  tag.Empty();
}

void CZorbMenusXmlFile::BuildXml(int, CString&) const {}

int CZorbMenusXmlFile::Load(const char16_t* path, CZorbTypedList<CZorbString>*) {
  DeleteChildren();
  m_openElements.clear();
  m_xmlDecl.Empty();
  m_namespace.Empty();
  m_prologCount = 0;
  m_newEmptyForm = CZorbXmlObject::EmptyForm::kUnread;
  m_path = path;

  int result;
  {
    CZorbMenusXMLParser parser(this);
    result = parser.ParseFile(path, true);
    if (result == 0) {
      m_xmlDecl = parser.m_xmlDecl;
      m_namespace = parser.m_xmlns;
      m_encoding = parser.m_encoding;
      m_prologCount = parser.m_prologCount > 0 ? parser.m_prologCount : 0;
      m_newEmptyForm = parser.m_firstEmptyForm;
    }
  }
  if (result == 0) m_form.Read(path);
  m_openElements.clear();
  // A tree cut short by a syntax error must never be written back.
  m_loadFailed = result != 0;
  if (m_loadFailed) DeleteChildren();
  return result;
}

int CZorbMenusXmlFile::Save(const char16_t* path) {
  if (!path || m_loadFailed) return -1;
  if (m_newEmptyForm != CZorbXmlObject::EmptyForm::kUnread) TakeEmptyForm(*this, m_newEmptyForm);
  CZorbString text;
  const bool declared = m_xmlDecl.GetLength() > 0;
  if (declared) {
    text += m_xmlDecl;
    text += cfgxml::kCR;
  }
  const bool rooted = m_namespace.GetLength() > 0;
  // A document-type line, or a comment, that stood before the root goes
  // before it again; nothing but those counts.
  int32_t prolog = 0;
  for (const CZorbXmlObject* child : m_children) {
    if (prolog >= m_prologCount) break;
    if (!dynamic_cast<const CZorbXmlMisc*>(child) && !dynamic_cast<const CZorbXmlComment*>(child))
      break;
    ++prolog;
  }
  const CString root = CString(u"<menus xmlns:QQString=\"") + cfgxml::MenusValue(m_namespace) +
                       CString(u"\">") + CString(u"\r");
  bool rootWritten = !rooted;
  int32_t index = 0;
  for (const CZorbXmlObject* child : m_children) {
    if (!rootWritten && index++ >= prolog) {
      text += root;
      rootWritten = true;
    }
    if (!child) continue;
    CString piece;
    child->BuildXml(0, piece);
    if (declared && piece.Find(m_xmlDecl.Get()) == 0) continue;
    // (Comments and markup already hold the source's own text: the reader
    // undid its escapes.)
    WriteBareDynamic(piece);
    text += piece;
  }
  if (!rootWritten) text += root;
  if (rooted) {
    text += u"</menus>";
    text += cfgxml::kCR;
  }
  m_form.Apply(text);
  return WriteDocument(path, text, m_encoding, m_form.m_mark);
}

CZorbExtensionMenuBar* CZorbMenusXmlFile::FindMenuBar(const CString& id) const {
  for (CZorbXmlObject* child : m_children)
    if (CZorbExtensionMenuBar* menubar = AsMenuBarOrFormats(child))
      if (cfgxml::SameId(menubar->m_id, id)) return menubar;
  return nullptr;
}

CZorbExtensionMenu* CZorbMenusXmlFile::FindMenu(const CString& id, CZorbExtensionMenuBar*& menubar,
                                                CZorbExtensionMenu*& parent) const {
  menubar = nullptr;
  parent = nullptr;
  if (id.GetLength() == 0) return nullptr;
  for (CZorbXmlObject* child : m_children) {
    if (CZorbExtensionMenuBar* bar = AsMenuBar(child)) {
      if (CZorbExtensionMenu* found = bar->FindMenu(id, parent)) {
        menubar = bar;
        return found;
      }
    } else if (auto* menu = dynamic_cast<CZorbExtensionMenu*>(child);
               menu && cfgxml::HasTag(menu, u"menu")) {
      if (cfgxml::SameId(menu->m_id, id)) return menu;
      if (CZorbExtensionMenu* found = menu->FindMenu(id, parent)) return found;
    }
  }
  parent = nullptr;
  return nullptr;
}

CZorbExtensionMenuItem* CZorbMenusXmlFile::FindMenuItem(const CString& id,
                                                        CZorbExtensionMenuBar*& menubar,
                                                        CZorbExtensionMenu*& parent) const {
  return FindBelowMenuBars(m_children, AsMenuBar, &CZorbExtensionMenu::FindMenuItem, id, menubar,
                           parent);
}

CZorbExtensionServerFormat* CZorbMenusXmlFile::FindFormat(const CString& id,
                                                          CZorbExtensionMenuBar*& menubar,
                                                          CZorbExtensionMenu*& parent) const {
  return FindBelowMenuBars(m_children, AsMenuBar, &CZorbExtensionMenu::FindFormat, id, menubar,
                           parent);
}

CZorbExtensionMenuSeparator* CZorbMenusXmlFile::FindSeparator(const CString& name,
                                                              CZorbExtensionMenuBar*& menubar,
                                                              CZorbExtensionMenu*& parent) const {
  return FindBelowMenuBars(m_children, AsMenuBarOrFormats, &CZorbExtensionMenu::FindSeparator, name,
                           menubar, parent);
}

CZorbXmlComment* CZorbMenusXmlFile::FindComment(const CString& text,
                                                CZorbExtensionMenuBar*& menubar,
                                                CZorbExtensionMenu*& parent) const {
  menubar = nullptr;
  parent = nullptr;
  for (CZorbXmlObject* child : m_children) {
    if (CZorbExtensionMenuBar* bar = AsMenuBarOrFormats(child)) {
      if (CZorbXmlComment* found = bar->FindComment(text, parent)) {
        menubar = bar;
        return found;
      }
    } else if (auto* comment = dynamic_cast<CZorbXmlComment*>(child);
               comment && cfgxml::SameComment(comment->m_comment, text)) {
      return comment;
    }
  }
  return nullptr;
}

CZorbExtensionShortcutList* CZorbMenusXmlFile::FindShortcutList(const CString& id) const {
  for (CZorbXmlObject* child : m_children)
    if (CZorbExtensionShortcutList* list = AsShortcutList(child))
      if (cfgxml::SameId(list->m_id, id)) return list;
  return nullptr;
}

CZorbExtensionShortcut* CZorbMenusXmlFile::FindShortcut(const CString& id,
                                                        CZorbExtensionShortcutList*& list) const {
  list = nullptr;
  for (CZorbXmlObject* child : m_children)
    if (CZorbExtensionShortcutList* candidate = AsShortcutList(child))
      if (CZorbExtensionShortcut* found = candidate->FindShortcut(id)) {
        list = candidate;
        return found;
      }
  return nullptr;
}

CZorbXmlComment* CZorbMenusXmlFile::FindComment(const CString& text,
                                                CZorbExtensionShortcutList*& list) const {
  list = nullptr;
  for (CZorbXmlObject* child : m_children) {
    if (CZorbExtensionShortcutList* candidate = AsShortcutList(child)) {
      for (CZorbXmlObject* inner : candidate->m_children)
        if (auto* comment = dynamic_cast<CZorbXmlComment*>(inner);
            comment && cfgxml::SameComment(comment->m_comment, text)) {
          list = candidate;
          return comment;
        }
    } else if (auto* comment = dynamic_cast<CZorbXmlComment*>(child);
               comment && cfgxml::SameComment(comment->m_comment, text)) {
      return comment;
    }
  }
  return nullptr;
}

CZorbXmlObject* CZorbMenusXmlFile::FindContainer(const CZorbXmlObject* node) {
  if (!node) return nullptr;
  return FindContainerBelow(this, node);
}
