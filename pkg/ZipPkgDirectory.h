#pragma once

#include <memory>
#include <string>

#include "pkg/ZipPkgEntry.h"

namespace pkg::zip {

// A directory entry of a zip package: a record whose name ends in "/" and
// that has no data.
class ZipPkgDirectory : public ZipPkgEntry, public IPkgDirectory {
 public:
  // The name must be non-empty and end with "/" (code 22); with mustExist, a
  // name without a record is code 21.
  ZipPkgDirectory(const std::string& name, bool mustExist, ZipPackage* package);
  ZipPkgDirectory(const std::string& name, ZipPackage* package,
                  std::shared_ptr<ZpCentralDirEntry> record);
  ~ZipPkgDirectory() override;

  SPRefType<IPkgFile> toFile() override;
  SPRefType<IPkgDirectory> toDirectory() override;

  // Makes the directory: code 25 when it has a record or was made already,
  // unless it was removed, in which case it comes back. Inside an update it
  // is written at once unless another entry is being written straight into
  // the target.
  void create() override;
  void write() override;
  void endUpdate() override;
  void cancelUpdate() override;
  bool isPristine() const override;

  bool isCreated() const { return m_created; }
  // Whether the directory is really there: a record, or made.
  bool exists() const { return (m_record || m_created || m_updateRecord) && !m_deleted; }

 private:
  static const std::string& checkedName(const std::string& name);
  bool m_created = false;
  bool m_createdInUpdate = false;
};

}  // namespace pkg::zip
