#pragma once

#include <cstdint>

#include "config/HostFileForm.h"
#include "foundation/CString.h"
#include "foundation/CZorbXmlFile.h"

class CZorbExtensionMenu;
class CZorbExtensionMenuBar;
class CZorbExtensionMenuItem;
class CZorbExtensionMenuSeparator;
class CZorbExtensionServerFormat;
class CZorbExtensionShortcut;
class CZorbExtensionShortcutList;
class CZorbXmlComment;

// A host's "Menus.xml" or one of the menus-like server files, read into the
// menu node model through a lenient reader and written back in the host's
// own syntax. Its children are the root's children in document order:
// menubars and formats sections, menus, tool sections, shortcut and snippet
// lists, comments and markup.
class CZorbMenusXmlFile : public CZorbXmlFile {
 public:
  CZorbMenusXmlFile();
  // A deep copy: the whole tree, declaration, encoding, path and namespace.
  CZorbMenusXmlFile(const CZorbMenusXmlFile& other);
  ~CZorbMenusXmlFile() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // Writes nothing: the file is written only by Save.
  void BuildXml(int level, CString& out) const override;

  // Reads the file at path (a colon path), replacing what this file held:
  // 0, or the parser's non-zero result. A file that cannot be read or
  // parsed leaves the model empty, without declaration or namespace, and
  // Save refuses to write it until a later Load succeeds.
  int Load(const char16_t* path, CZorbTypedList<CZorbString>* errors) override;
  // Writes the declaration, the menus root (when the file has a namespace;
  // behind what stood before it) and every top-level node, in the encoding,
  // line ends and mark the file was read with (a new file: carriage returns
  // and a mark), replacing the file as one step: 0, or -1 when nothing
  // could be written. Elements without content keep the form they were
  // read in; items, separators, shortcuts and formats the file did not
  // hold take the form of its first one.
  int Save(const char16_t* path) override;

  // Lookups over the top level; the first match in document order wins and
  // the out-parameters are null when nothing matches. Ids compare ignoring
  // case and an empty id finds nothing; comment texts and separator
  // references compare exactly.
  CZorbExtensionMenuBar* FindMenuBar(const CString& id) const;
  // menubar: the menubar that holds the match (null outside any);
  // parent: the menu that directly holds it (null when a menubar or the
  // file holds it).
  CZorbExtensionMenu* FindMenu(const CString& id, CZorbExtensionMenuBar*& menubar,
                               CZorbExtensionMenu*& parent) const;
  // For these, parent is the menu or menubar that directly holds the match.
  CZorbExtensionMenuItem* FindMenuItem(const CString& id, CZorbExtensionMenuBar*& menubar,
                                       CZorbExtensionMenu*& parent) const;
  CZorbExtensionServerFormat* FindFormat(const CString& id, CZorbExtensionMenuBar*& menubar,
                                         CZorbExtensionMenu*& parent) const;
  CZorbExtensionMenuSeparator* FindSeparator(const CString& name, CZorbExtensionMenuBar*& menubar,
                                             CZorbExtensionMenu*& parent) const;
  // In the menubars (and their menus) and among the top-level comments.
  CZorbXmlComment* FindComment(const CString& text, CZorbExtensionMenuBar*& menubar,
                               CZorbExtensionMenu*& parent) const;
  CZorbExtensionShortcutList* FindShortcutList(const CString& id) const;
  CZorbExtensionShortcut* FindShortcut(const CString& id, CZorbExtensionShortcutList*& list) const;
  // In the shortcut lists and among the top-level comments (list null).
  CZorbXmlComment* FindComment(const CString& text, CZorbExtensionShortcutList*& list) const;

  // The node whose child list holds node: this file for a top-level node,
  // null when node is not in the file.
  CZorbXmlObject* FindContainer(const CZorbXmlObject* node);

  // The path of the last Load.
  CString m_path;
  // The xmlns:QQString of the root menus element; empty when absent.
  CString m_namespace;

 private:
  // The host's line ends and mark, kept on save.
  HostFileForm m_form;
  // How items, separators, shortcuts and formats that the file did not
  // hold are written: as its first such element was (kUnread: " />").
  CZorbXmlObject::EmptyForm m_newEmptyForm = CZorbXmlObject::EmptyForm::kUnread;
  // The top-level nodes that stand before the root element.
  int32_t m_prologCount = 0;
  bool m_loadFailed = false;
};
