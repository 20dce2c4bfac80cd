#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "validator/SignedContent.h"

namespace nimbrel {

// The files of an unpacked bundle, below its folder. Links are never
// followed: a link, or anything else that is neither a file nor a folder,
// is listed as a problem.
class FolderContent : public SignedContent {
 public:
  // Folders deeper than this, or more names than that, are problems too.
  static constexpr size_t kMaxDepth = 64;
  static constexpr size_t kMaxNames = 1u << 18;

  explicit FolderContent(const std::string& folder);

  // Whether the folder could be listed whole.
  bool readable() const { return m_readable; }
  // Names that can't be signed content (links, devices, ...).
  const std::vector<std::string>& problems() const { return m_problems; }

  const std::vector<std::string>& names() const override { return m_names; }
  bool hasFile(const std::string& name) const override;
  std::unique_ptr<ContentReader> open(const std::string& name) override;

 private:
  std::string m_folder;
  bool m_readable = true;
  std::vector<std::string> m_names;
  std::set<std::string> m_files;
  std::vector<std::string> m_problems;
};

}  // namespace nimbrel
