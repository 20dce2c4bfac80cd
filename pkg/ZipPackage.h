#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pkg/BasePackage.h"
#include "pkg/ZpCentralDir.h"

namespace pkg::zip {

class ZipPkgEntry;
class ZipPkgFile;
class ZipPkgDirectory;
class ZipPkgEntryIteratorImpl;

// A zip file opened for reading, created, or changed inside update
// transactions, with the UCF rule that a stored "mimetype" entry comes
// first.
//
// Updates: beginUpdate() appends to the package's own file and lists the
// unchanged entries' records again in the new central directory;
// beginUpdate(name, mode) copies every entry into a new file, which then
// becomes the package's file; doUNSAFEUpdateInPlace() cuts the file at its
// central directory and writes the changes there. endUpdate() writes the
// new central directory at the end of the target. cancelUpdate() leaves
// the package as it was: a same-file update's file is cut back to its
// length at the start, and another target is removed (or, when it was
// opened for reading and writing without trunc, cut back too).
class ZipPackage : public BasePackage {
 public:
  ZipPackage(std::shared_ptr<IPkgFSFileName> name, IPkgFileSystem* fileSystem,
             IPkgPolicies* policies, IXMLParser* parser);
  // Over an opened file: reads it at once (or starts a new package when the
  // file's mode holds trunc or lacks in).
  ZipPackage(std::shared_ptr<IPkgFSFile> file, IPkgPolicies* policies, IXMLParser* parser);
  // Cancels a running update and closes; never throws.
  ~ZipPackage() override;

  // Code 17 when the package has its file already.
  void open(openmode mode);

  void beginUpdate() override;
  void beginUpdate(const std::string& newName, openmode mode) override;
  void beginUpdate(std::shared_ptr<IPkgFSFileName> newName, openmode mode) override;
  void doUNSAFEUpdateInPlace() override;
  void endUpdate() override;
  void cancelUpdate() override;
  void closeWithoutSave() override;
  int entryExists(const std::string& path) override;
  int entryExists(const std::string& path, SPRefType<IPkgDirectory> base) override;
  SPRefType<IPkgFile> getFile(const std::string& path, bool mustExist) override;
  SPRefType<IPkgFile> getFile(const std::string& path, SPRefType<IPkgDirectory> base) override;
  SPRefType<IPkgDirectory> getDirectory(const std::string& path, bool mustExist) override;
  SPRefType<IPkgDirectory> getDirectory(const std::string& path,
                                        SPRefType<IPkgDirectory> base) override;
  SPRefType<IPkgDirectory> getRootDirectory() override;
  void setMIMEType(const std::string& mimeType) override;
  std::string getMIMEType() override;
  // 1000 is the archive comment (shorter than 65535 bytes, code 22
  // otherwise); other names are the generic properties of the package.
  std::string getProperty(UCFPropertyName name) override;
  void setProperty(UCFPropertyName name, const std::string& value) override;
  // 0, or 46 / 47 when the mimetype entry was found malformed or missing.
  int checkConformance() override;
  void initIterator(std::shared_ptr<IPkgEntryIteratorImpl>& impl,
                    SPRefType<IPkgDirectory> directory, const std::string& filter) override;

  // What the entries and the iterator use.
  bool isInUpdate() const { return m_inUpdate; }
  const std::shared_ptr<IPkgFSFile>& packageFile() const { return m_file; }
  const std::shared_ptr<IPkgFSFile>& updateTarget() const { return m_target; }
  ZpCentralDir& centralDir() { return *m_centralDir; }
  ZpCentralDir* updateDir() { return m_updateDir.get(); }
  ZipPkgFile* directEntry() const { return m_directEntry; }
  void setDirectEntry(ZipPkgFile* entry) { m_directEntry = entry; }
  void setChanged() { m_changed = true; }
  int mimetypePolicy();
  bool isMimetypeWritten() const { return m_mimetypeWritten; }
  void setMimetypeWritten() { m_mimetypeWritten = true; }
  // An entry that has no record joins the pending list (outside an update,
  // marking itself and the package modified) or the update list.
  void addNewEntry(ZipPkgEntry* entry);
  // Puts an entry on the update list, once.
  void listForUpdate(ZipPkgEntry* entry);
  void unlistForUpdate(ZipPkgEntry* entry);
  // The entry object of a record, from the table or made and entered.
  ZipPkgEntry* getEntry(const std::shared_ptr<ZpCentralDirEntry>& record);
  // Drops an entry a listing made once nothing else holds it (held is the
  // number of handles counted beside the table's) and it can be made again
  // from its record just as it was: outside updates, where every name has
  // one record.
  void forgetIfUnused(ZipPkgEntry* entry, int32_t held);
  // The table's entry of that name, or null.
  ZipPkgEntry* findEntry(const std::string& name) const;
  const std::vector<ZipPkgEntry*>& pendingEntries() const { return m_pending; }
  // The canonical entry name of a path (no leading separator).
  std::string canonical(const std::string& path) const;

 private:
  friend class ZipPkgEntryIteratorImpl;

  void initialise();
  void checkMimetypeConformance();
  // Under the repair policy: what may be asked for while the mimetype
  // entry is missing or not yet written (code 45 otherwise).
  void applyMimetypeRules(const std::string& name, bool isFile, bool mustExist);
  bool isBeingBuilt() const;
  void checkUpdatable() const;
  // Writes from now on go to target, opened with mode; the mode before is
  // kept for the end. A cancel cuts the target back to lengthAtBegin (-1:
  // nothing to go back to).
  void startUpdate(std::shared_ptr<IPkgFSFile> target, openmode mode, bool toOtherFile,
                   int64_t lengthAtBegin);
  // Same file: modified old entries are written, unchanged ones listed
  // again; another file: every old entry is copied.
  void writeOldEntries(bool sameFile);
  void writePendingEntries();
  // Whether endUpdate has anything to write.
  bool hasChanges() const;
  // Takes the entry out of the table and both lists and detaches it.
  void dropEntry(ZipPkgEntry* entry);
  void dropEntries(const std::vector<ZipPkgEntry*>& entries);
  void detachAllEntries();
  void resetUpdateState();
  std::string resolve(const std::string& path, const SPRefType<IPkgDirectory>& base) const;

  std::unique_ptr<ZpCentralDir> m_centralDir;
  SPRefType<IPkgDirectory> m_root;
  ZipPkgEntry* m_rootEntry = nullptr;
  bool m_inUpdate = false;
  bool m_updateToOtherFile = false;
  ZipPkgFile* m_directEntry = nullptr;
  bool m_changed = false;
  std::map<std::string, SPRefType<ZipPkgEntry>> m_entries;
  std::vector<ZipPkgEntry*> m_pending;
  std::vector<ZipPkgEntry*> m_updateList;
  std::shared_ptr<IPkgFSFile> m_target;
  std::unique_ptr<ZpCentralDir> m_updateDir;
  bool m_mimetypeWritten = false;
  int m_conformance = 0;
  bool m_mimetypeRepair = false;
  bool m_unwritten = false;
  // What a cancelled update restores.
  int64_t m_lengthAtBegin = -1;
  openmode m_modeBeforeUpdate{};
  bool m_modifiedBeforeUpdate = false;
};

}  // namespace pkg::zip
