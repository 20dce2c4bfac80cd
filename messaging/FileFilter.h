#pragma once

#include "messaging/VtHeap.h"
#include "messaging/VtString.h"

namespace Velt::ArborTalkUtils {

// Walks a folder tree, offering each item to the filter: files to onFile,
// folders to onFolder before their contents. Paths are the folder, "/" and
// the name. Entries come in name order; links, also to folders, count as
// files and are never entered, and a file's resource-fork sidecar is part of
// its file.
class FileFilter : public VtHeap {
 public:
  ~FileFilter() override;

  // Visits every entry of folder and, depth first, of the folders below it.
  // False when a filter call said stop (false), or when a folder could not
  // be read; true when everything was visited.
  virtual bool run(const VtString& folder);
  // Whether to go on; the defaults go on.
  virtual bool onFile(const VtString& path);
  // Whether to go on, entering the folder; false ends the whole walk.
  virtual bool onFolder(const VtString& path);
};

}  // namespace Velt::ArborTalkUtils
