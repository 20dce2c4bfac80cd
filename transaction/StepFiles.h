#pragma once

// Small file and folder pieces the install steps share. Paths are colon
// paths; a folder path may end in ":".

#include <vector>

#include "foundation/CString.h"

namespace stepfiles {

// Appends ":" when missing, removes one trailing ":".
CString WithColon(const CString& path);
CString WithoutColon(const CString& path);
// The folder holding the item, ending in ":" ("Disk:a:b:" and "Disk:a:b"
// both give "Disk:a:"); empty when there is none.
CString FolderOf(const CString& path);
// The item's own name, a trailing ":" ignored.
CString NameOf(const CString& path);

// What stands at a path. A step that cannot tell must not go on: it could
// neither save nor restore the item.
enum class Kind { kNothing, kFile, kFolder, kLink, kUnknown };
Kind KindOf(const CString& path);
// Something (or something unknown) stands at the path.
bool ItemExists(const CString& path);

// The temporary folder, without a final ":"; empty when there is none.
CString TempFolder();
// A file name in the temporary folder that names nothing yet:
// <3 letters of prefix><8 hex digits>.TMP. Empty when there is none.
CString NewTempName(const char16_t* prefix);
// The same for a folder operation: the fresh folder that is to hold the
// saved copy, and the copy's own path in it (fresh:<name>).
bool NewFolderBackup(const char16_t* prefix, const CString& name, CString& fresh, CString& saved);

// Saves a folder as fresh:<name of folder>, every item with the
// permissions of its original. On failure nothing of the copy stays and the
// result is false.
bool SaveFolder(const CString& folder, const CString& fresh);
// Saves a file to backup with its permissions; on failure no partial copy
// stays.
bool SaveFile(const CString& file, const CString& backup);
// A new folder backup (as NewFolderBackup) holding a saved copy of folder;
// on failure fresh and saved are emptied and the result is false.
bool BackUpFolder(const char16_t* prefix, const CString& folder, CString& fresh, CString& saved);
// A new temporary name (as NewTempName) holding a saved copy of file; on
// failure backup is emptied and the result is false.
bool BackUpFile(const char16_t* prefix, const CString& file, CString& backup);
// Copies a saved file back over item, or a saved folder back into the
// folder parent (replacing what stands there under its name), with the
// saved permissions.
bool RestoreFile(const CString& backup, const CString& item);
bool RestoreFolder(const CString& backup, const CString& parent);

// Gives every item of the tree copy the permission bits of the same item of
// model (a file or a folder tree); false when one is missing or cannot be
// read or set. Copies do not always carry them: a folder is made anew, and a
// file whose bits cannot be set still counts as copied.
bool MatchPermissions(const CString& model, const CString& copy);

// Deletes a folder tree of which a complete saved copy exists: no second
// copy is made; what a failure part-way leaves, the Undo of the step puts
// right from the saved copy.
bool RemoveSavedTree(const CString& folder, bool force);
// Clears a locked flag before the item is replaced or deleted. A flag that
// cannot be cleared makes that copy or deletion fail, which reports it.
void Unlock(const CString& path);
// Removes a file (unlocking it first) or a whole tree, whatever is there;
// true when nothing is left.
bool DiscardFile(const CString& path);
bool DiscardTree(const CString& path);

// The folders on the way to path that do not exist yet, innermost first;
// what a copy to path would create.
std::vector<CString> MissingFolders(const CString& path);
// Removes those of them that are empty, innermost first.
void RemoveCreatedFolders(const std::vector<CString>& folders);

// After a move: removes the folder holding source and then its parents
// while they are empty, never the temporary folder and never a volume.
void RemoveEmptiedParents(const CString& source);

// Logs a step's failure at level "ERROR".
void LogStepError(const char16_t* what, const CString& path, const char* file, int line);

}  // namespace stepfiles
