#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pkg/IPackage.h"
#include "pkg/IPkgFileSystem.h"
#include "validator/SignedContent.h"

namespace nimbrel {

// The entries of a zip package, read with the package library.
class PackageContent : public SignedContent {
 public:
  struct Record {
    std::string name;
    uint16_t method = 0;  // 0 stored
    uint64_t localHeaderOffset = 0;
    bool directory = false;
  };

  // Opens the package; pkg::PackageException when it is not a readable
  // zip package.
  explicit PackageContent(const std::string& path);
  explicit PackageContent(std::shared_ptr<pkg::IPkgFSFile> file);
  ~PackageContent() override;

  // The central directory's records, in order.
  const std::vector<Record>& records() const { return m_records; }

  const std::vector<std::string>& names() const override { return m_names; }
  bool hasFile(const std::string& name) const override;
  std::unique_ptr<ContentReader> open(const std::string& name) override;

 private:
  void readRecords();

  std::shared_ptr<pkg::IPackage> m_package;
  std::vector<Record> m_records;
  std::vector<std::string> m_names;
  std::set<std::string> m_files;
};

}  // namespace nimbrel
