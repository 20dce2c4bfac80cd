#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "pkg/IPkgEntry.h"

namespace pkg {

// The shared state and bookkeeping of every entry; the kinds add toFile and
// toDirectory.
class BasePkgEntry : public virtual IPkgEntry {
 public:
  BasePkgEntry(const std::string& name, EntryType type, IPackage* package,
               SPRefType<IPkgDirectory> parent = SPRefType<IPkgDirectory>());
  ~BasePkgEntry() override;
  BasePkgEntry(const BasePkgEntry&) = delete;
  BasePkgEntry& operator=(const BasePkgEntry&) = delete;

  // Marks the entry deleted and modified, and its package modified.
  void remove() override;
  bool isDeleted() override;
  bool isModified() override;
  void setCompressionMethod(CompressionMethod method) override;
  CompressionMethod getCompressionMethod() override;
  const std::string& getName() override;
  SPRefType<IPkgDirectory> getParent() override;
  IPackage* getPackage() override;
  void addRef() override;
  void release() override;
  EntryType getEntryType() override;

  int32_t getRefCount() const { return m_refCount.load(); }
  void setModified(bool modified) { m_modified = modified; }
  void setDeleted(bool deleted) { m_deleted = deleted; }
  bool isListed() const { return m_listed; }
  void setListed(bool listed) { m_listed = listed; }
  void setParent(SPRefType<IPkgDirectory> parent) { m_parent = std::move(parent); }

 protected:
  std::string m_name;
  EntryType m_entryType;
  CompressionMethod m_compressionMethod = deflate;
  SPRefType<IPkgDirectory> m_parent;
  IPackage* m_package;
  bool m_modified = false;
  bool m_listed = false;
  bool m_deleted = false;
  std::atomic<int32_t> m_refCount{0};
};

// Adds the generic properties of a file entry, kept by the owning package's
// properties manager at the file's path.
class BasePkgFile : public virtual IPkgFile {
 public:
  ~BasePkgFile() override;
  std::string getProperty(UCFPropertyName name) override;
  void setProperty(UCFPropertyName name, const std::string& value) override;
};

}  // namespace pkg
