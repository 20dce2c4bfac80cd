#pragma once

#include <set>
#include <string>

class CString;

// The names of one package, to find the entries that would land on one
// another: the same name twice, or a name used both as a file and as a
// folder. Names are ":"-separated and compared ignoring case, as the file
// systems the packages come from compare them.
class CZorbPackageNameSet {
 public:
  // False when the name clashes with one added before. A folder may be
  // named more than once.
  bool Add(const CString& name, bool isFolder);

 private:
  std::set<std::u16string> m_files;
  std::set<std::u16string> m_folders;
};
