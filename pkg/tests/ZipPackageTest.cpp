#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pkg/BasePkgEntryIterator.h"
#include "pkg/BasePkgFileSystem.h"
#include "pkg/IXMLParser.h"
#include "pkg/PackageException.h"
#include "pkg/ZipPackage.h"
#include "pkg/ZipPackageFactory.h"
#include "pkg/ZipRecords.h"
#include "pkg/tests/PackageTestSupport.h"
#include "pkg/tests/ZipTestSupport.h"
#include "platform/os/FaultInjectingFileSystem.h"

using namespace pkgtest;
using Contents = std::map<std::string, std::string>;
using pkg::PackageException;

namespace {

class ZipPackage : public PackageTest {
 protected:
  std::shared_ptr<pkg::IPackage> open(const std::string& name, std::ios_base::openmode mode,
                                      pkg::IPkgPolicies* policies = nullptr) {
    return factory().openPackage(path(name), mode, nullptr, policies, nullptr);
  }

  // A package "name" holding the given files, written in one update.
  void make(const std::string& name, const Contents& files) {
    auto package = open(name, kOut | kTrunc);
    package->beginUpdate();
    for (const auto& [entry, data] : files) put(*package, entry, data);
    package->endUpdate();
    package->close();
  }
};

class FixedPolicy : public pkg::IPkgPolicies {
 public:
  explicit FixedPolicy(int value) : m_value(value) {}
  int getPolicy(int policy) override {
    return policy == pkg::kPolicyMimetypeConformance ? m_value : 0;
  }

 private:
  int m_value;
};

std::string bigText() {
  std::string s;
  while (s.size() < 100000) s += "line " + std::to_string(s.size()) + " of compressible text\n";
  return s;
}

}  // namespace

TEST_F(ZipPackage, ConformingPackageHasStoredMimetypeFirstAndReadsBack) {
  const std::string file = path("a.ucf");
  {
    auto package = factory().createConformingPackage(file, "application/x-test+zip", true);
    put(*package, "content/readme.txt", "hello");
    put(*package, "content/big.txt", bigText());
    package->getDirectory("empty", false)->create();
    package->endUpdate();
    package->close();
  }
  std::string bytes = TempDir::read(file);
  ASSERT_GT(bytes.size(), 38u);
  // The first local header is "mimetype", stored, without an extra field,
  // and its data follows at once.
  EXPECT_EQ(bytes.substr(0, 4), std::string("PK\3\4", 4));
  EXPECT_EQ(pkg::zip::getLE16(reinterpret_cast<const uint8_t*>(&bytes[8])), 0);
  EXPECT_EQ(pkg::zip::getLE16(reinterpret_cast<const uint8_t*>(&bytes[26])), 8);
  EXPECT_EQ(pkg::zip::getLE16(reinterpret_cast<const uint8_t*>(&bytes[28])), 0);
  EXPECT_EQ(bytes.substr(30, 8 + 22), "mimetypeapplication/x-test+zip");
  EXPECT_TRUE(unzipAccepts(file));

  auto package = open("a.ucf", kIn);
  EXPECT_EQ(package->checkConformance(), 0);
  EXPECT_EQ(package->getMIMEType(), "application/x-test+zip");
  EXPECT_EQ(contentsOf(package), (Contents{{"mimetype", "application/x-test+zip"},
                                           {"content/readme.txt", "hello"},
                                           {"content/big.txt", bigText()},
                                           {"empty/", "/"}}));
  EXPECT_EQ(package->getFile("content/big.txt", true)->getCompressionMethod(), pkg::deflate);
  EXPECT_LT(package->getFile("content/big.txt", true)->getCompressedSize(), 50000);
  EXPECT_EQ(package->getFile("mimetype", true)->getCompressionMethod(), pkg::stored);
  package->close();
  EXPECT_EQ(tempFileCount(), 0u);
}

TEST_F(ZipPackage, MimetypeIsItsFirstWordWithinABoundedRead) {
  make("w.zip", {{"mimetype", " \t application/x-test\n and more"}});
  EXPECT_EQ(open("w.zip", kIn)->getMIMEType(), "application/x-test");
  // A hostile mimetype of a megabyte (deflated to a few bytes) is read no
  // further than a mimetype could reach.
  make("huge.zip", {{"mimetype", std::string(1 << 20, 'a')}});
  EXPECT_EQ(open("huge.zip", kIn)->getMIMEType().size(), 64u * 1024);
}

TEST_F(ZipPackage, EveryUpdateTransactionLeavesAValidArchive) {
  make("t.zip", {{"keep.txt", "kept"}, {"change.txt", "old"}, {"drop.txt", "dropped"}});
  Contents expected = {{"keep.txt", "kept"}, {"change.txt", "old"}, {"drop.txt", "dropped"}};

  struct Step {
    const char* what;
    void (*apply)(pkg::IPackage&);
    bool cancel;
    Contents changes;  // "" deletes
  };
  const Step steps[] = {
      {"add",
       [](pkg::IPackage& p) { put(p, "new/added.txt", "added"); },
       false,
       {{"new/added.txt", "added"}}},
      {"replace",
       [](pkg::IPackage& p) { put(p, "change.txt", "new contents"); },
       false,
       {{"change.txt", "new contents"}}},
      {"remove only",
       [](pkg::IPackage& p) { p.getFile("drop.txt", true)->remove(); },
       false,
       {{"drop.txt", ""}}},
      {"cancelled add, replace and remove",
       [](pkg::IPackage& p) {
         put(p, "ghost.txt", "never");
         put(p, "keep.txt", "overwritten?");
         p.getFile("change.txt", true)->remove();
       },
       true,
       {}},
      {"nothing changed", [](pkg::IPackage&) {}, false, {}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const std::string before = TempDir::read(path("t.zip"));
    auto package = open("t.zip", kIn | kOut);
    package->beginUpdate();
    step.apply(*package);
    if (step.cancel) {
      package->cancelUpdate();
      // The package goes on as it was, and its file is untouched.
      EXPECT_EQ(contentsOf(package), expected);
    } else {
      package->endUpdate();
    }
    package->close();
    for (const auto& [name, data] : step.changes) {
      if (data.empty()) {
        expected.erase(name);
      } else {
        expected[name] = data;
      }
    }
    if (step.cancel || step.changes.empty()) {
      EXPECT_EQ(TempDir::read(path("t.zip")), before);
    }
    EXPECT_TRUE(unzipAccepts(path("t.zip")));
    EXPECT_EQ(contentsOf(path("t.zip")), expected);
  }
  EXPECT_EQ(tempFileCount(), 0u);
}

TEST_F(ZipPackage, ChangesMadeOutsideAnUpdateAreWrittenByTheNextOne) {
  make("p.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
  for (const char* how : {"same file", "unsafe in place", "save as"}) {
    SCOPED_TRACE(how);
    std::filesystem::copy_file(path("p.zip"), path("work.zip"),
                               std::filesystem::copy_options::overwrite_existing);
    auto package = open("work.zip", kIn | kOut);
    put(*package, "a.txt", "changed before the update");
    put(*package, "c.txt", "added before the update");
    EXPECT_TRUE(package->isModified());
    const std::string how_ = how;
    std::string result = path("work.zip");
    if (how_ == "same file") {
      package->beginUpdate();
      package->endUpdate();
    } else if (how_ == "unsafe in place") {
      package->doUNSAFEUpdateInPlace();
    } else {
      result = path("copy.zip");
      package->saveAs(result, kIn | kOut | kTrunc);
      // The copy is the package now.
      EXPECT_EQ(package->getName(), result);
    }
    EXPECT_FALSE(package->isModified());
    package->close();
    EXPECT_TRUE(unzipAccepts(result));
    EXPECT_EQ(contentsOf(result), (Contents{{"a.txt", "changed before the update"},
                                            {"b.txt", "b"},
                                            {"c.txt", "added before the update"}}));
  }
  // The unsafe update rewrote the file from its directory on, no more.
  EXPECT_EQ(tempFileCount(), 0u);
}

TEST_F(ZipPackage, UnsafeUpdateInPlaceAlwaysLeavesAnArchive) {
  // The unsafe update cuts the old directory off: whatever else it has to
  // write, a new directory must follow.
  make("p.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
  struct Case {
    const char* what;
    void (*apply)(pkg::IPackage&);
    Contents expected;
  } cases[] = {
      {"nothing changed", [](pkg::IPackage&) {}, {{"a.txt", "a"}, {"b.txt", "b"}}},
      {"only a removal",
       [](pkg::IPackage& p) { p.getFile("b.txt", true)->remove(); },
       {{"a.txt", "a"}}},
      {"only a date",
       [](pkg::IPackage& p) {
         p.getFile("a.txt", true)->setProperty(pkg::kZipPropDOSDate, "2100");
       },
       {{"a.txt", "a"}, {"b.txt", "b"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::copy_file(path("p.zip"), path("work.zip"),
                               std::filesystem::copy_options::overwrite_existing);
    auto package = open("work.zip", kIn | kOut);
    c.apply(*package);
    package->doUNSAFEUpdateInPlace();
    package->close();
    EXPECT_TRUE(unzipAccepts(path("work.zip")));
    EXPECT_EQ(contentsOf(path("work.zip")), c.expected);
  }
}

TEST_F(ZipPackage, CancelledCopyRemovesTheCopyAndKeepsPendingChanges) {
  make("p.zip", {{"a.txt", "a"}});
  auto package = open("p.zip", kIn);
  put(*package, "b.txt", "pending");
  package->beginUpdate(path("copy.zip"), kOut | kTrunc);
  package->cancelUpdate();
  EXPECT_FALSE(TempDir::exists(path("copy.zip")));
  EXPECT_EQ(package->getName(), path("p.zip"));
  // The pending entry is still there and is written by a later copy.
  package->saveAs(path("copy.zip"), kIn | kOut | kTrunc);
  // A file that was there, opened without trunc, is given back as it was.
  TempDir::write(path("kept.bin"), "someone's data");
  package->beginUpdate(path("kept.bin"), kIn | kOut);
  put(*package, "c.txt", "c");
  package->cancelUpdate();
  EXPECT_EQ(TempDir::read(path("kept.bin")), "someone's data");
  package->close();
  EXPECT_EQ(contentsOf(path("copy.zip")), (Contents{{"a.txt", "a"}, {"b.txt", "pending"}}));
}

TEST_F(ZipPackage, FailedCommitCanBeCancelledAndLeavesTheFileIntact) {
  make("p.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
  const std::string before = TempDir::read(path("p.zip"));
  platform::FaultInjectingFileSystem faults;
  platform::FileSystemOverride use(faults);
  auto package = open("p.zip", kIn | kOut);
  package->beginUpdate();
  put(*package, "c.txt", std::string(200000, 'c'));
  // The disk fills up while the new directory is written.
  faults.failPath("p.zip", ENOSPC, platform::kFsWrite);
  EXPECT_THROW(package->endUpdate(), PackageException);
  faults.clearRules();
  package->cancelUpdate();
  package->close();
  EXPECT_EQ(TempDir::read(path("p.zip")), before);
  EXPECT_EQ(contentsOf(path("p.zip")), (Contents{{"a.txt", "a"}, {"b.txt", "b"}}));
}

TEST_F(ZipPackage, EntryDatesAreThoseOfTheirRecordsUntilChanged) {
  auto memory = std::make_shared<MemoryFile>();
  {
    ArchiveWriter writer(memory);
    writer.add("a.txt", "a", pkg::deflate, 0x3C6A0842);
    writer.add("b.txt", "first", pkg::deflate, 0x3C6B0000);
    writer.add("c.txt", "c", pkg::deflate, 0x3C6D2222);
    // A name listed twice: the last record's date is the name's.
    writer.add("b.txt", "second", pkg::deflate, 0x3C6C1111);
    writer.finish();
  }
  TempDir::write(path("dates.zip"), memory->str());
  const auto dateOf = [](const std::shared_ptr<pkg::IPackage>& package, const std::string& name) {
    auto file = package->getFile(name, true);
    return file->getProperty(pkg::kZipPropDOSDate) + " " + file->getProperty(pkg::kZipPropDOSTime);
  };
  {
    auto package = open("dates.zip", kIn | kOut);
    EXPECT_EQ(dateOf(package, "a.txt"), "6A3C 4208");
    EXPECT_EQ(dateOf(package, "b.txt"), "6C3C 1111");
    EXPECT_EQ(dateOf(package, "c.txt"), "6D3C 2222");
    package->beginUpdate(path("copy.zip"), kOut | kTrunc);
    package->getFile("a.txt", true)->setProperty(pkg::kZipPropDOSDate, "2100");
    package->endUpdate();
    EXPECT_EQ(dateOf(package, "a.txt"), "2100 4208");
    package->close();
  }
  auto copy = open("copy.zip", kIn);
  EXPECT_EQ(dateOf(copy, "a.txt"), "2100 4208");
  EXPECT_EQ(dateOf(copy, "c.txt"), "6D3C 2222");
  EXPECT_EQ(dateOf(copy, "b.txt"), "6C3C 1111");
  // Dates stay as the records give them through a listing that forgets its
  // entries.
  for (pkg::BasePkgEntryIterator it(copy); it.isValid(); ++it) (*it)->getName();
  EXPECT_EQ(dateOf(copy, "c.txt"), "6D3C 2222");
}

TEST_F(ZipPackage, SaveAsCopiesUndecodableEntriesAsTheyAre) {
  // An archive whose entries use a method the library cannot decode (12)
  // and the encryption flag.
  auto memory = std::make_shared<MemoryFile>();
  {
    ArchiveWriter writer(memory);
    writer.add("plain.txt", "plain", pkg::deflate);
    writer.add("method12.bin", "pretend bzip2 data", pkg::stored);
    writer.add("secret.bin", "pretend cipher text", pkg::stored);
    writer.finish();
  }
  std::vector<uint8_t>& bytes = memory->bytes();
  ArchiveReader reader(memory);
  for (const auto& record : reader.entries()) {
    size_t local = record->localHeaderOffset;
    if (record->getFilename() == "method12.bin") pkg::zip::putLE16(&bytes[local + 8], 12);
    if (record->getFilename() == "secret.bin") pkg::zip::putLE16(&bytes[local + 6], 1);
  }
  size_t cd = reader.directory().getCDOffset();
  for (const auto& record : reader.entries()) {
    if (record->getFilename() == "method12.bin") pkg::zip::putLE16(&bytes[cd + 10], 12);
    if (record->getFilename() == "secret.bin") pkg::zip::putLE16(&bytes[cd + 8], 1);
    cd += record->getSize();
  }
  TempDir::write(path("odd.zip"), memory->str());

  auto package = open("odd.zip", kIn);
  EXPECT_EQ(package->getFile("method12.bin", true)->getCompressionMethod(), 12);
  EXPECT_EQ(codeOf([&] { readAll(*package->getFile("method12.bin", true)); }),
            pkg::kPkgErrNotImplemented);
  EXPECT_EQ(codeOf([&] { readAll(*package->getFile("secret.bin", true)); }),
            pkg::kPkgErrNotImplemented);
  // The stored bytes are there for whoever can decode them.
  auto raw = package->getFile("secret.bin", true)->open(kIn, true);
  std::string stored(64, '\0');
  raw->read(&stored[0], 64);
  stored.resize(static_cast<size_t>(raw->gcount()));
  raw->close();
  EXPECT_EQ(stored, "pretend cipher text");

  package->saveAs(path("copy.zip"), kIn | kOut | kTrunc);
  package->close();
  auto copyFile = std::make_shared<MemoryFile>(TempDir::read(path("copy.zip")));
  ArchiveReader copy(copyFile);
  ASSERT_EQ(copy.entries().size(), 3u);
  for (const auto& record : copy.entries()) {
    SCOPED_TRACE(record->getFilename());
    const auto* original = reader.directory().getCDirEntry(record->getFilename()).get();
    ASSERT_NE(original, nullptr);
    // (The reader's records were read before the bytes were patched.)
    EXPECT_EQ(record->header.method,
              record->getFilename() == "method12.bin" ? 12 : original->header.method);
    EXPECT_EQ(record->header.flags & 1, record->getFilename() == "secret.bin" ? 1 : 0);
    EXPECT_EQ(record->header.crc32, original->header.crc32);
    EXPECT_EQ(copy.read(*record, true), reader.read(*original, true));
  }
}

TEST_F(ZipPackage, ErrorCodesOfThePackage) {
  TempDir::write(path("split.zip"), std::string("PK\7\x08rest of a split archive", 26));
  TempDir::write(path("text.zip"), "not an archive at all, just words");
  EXPECT_EQ(codeOf([&] { open("split.zip", kIn); }), pkg::kPkgErrSplitZip);
  EXPECT_EQ(codeOf([&] { open("text.zip", kIn); }), pkg::kPkgErrNotValidPackage);

  make("p.zip", {{"a", "x"}});
  auto package = open("p.zip", kIn | kOut);
  EXPECT_EQ(codeOf([&] { package->endUpdate(); }), pkg::kPkgErrUpdateNotInProgress);
  EXPECT_EQ(codeOf([&] { package->cancelUpdate(); }), pkg::kPkgErrUpdateNotInProgress);
  EXPECT_EQ(codeOf([&] { package->beginUpdate(path("q.zip"), kIn); }),
            pkg::kPkgErrUpdateRequiresWrite);
  // Copying a package onto its own file would destroy it.
  EXPECT_EQ(codeOf([&] { package->beginUpdate(path("p.zip"), kOut | kTrunc); }),
            pkg::kPkgErrBadArgument);
  package->beginUpdate();
  EXPECT_EQ(codeOf([&] { package->beginUpdate(); }), pkg::kPkgErrUpdateInProgress);
  package->cancelUpdate();

  EXPECT_EQ(codeOf([&] { package->getFile("missing", true); }), pkg::kPkgErrEntryNotFound);
  EXPECT_EQ(package->getDirectory("d", false).get(), package->getDirectory("d/", false).get());
  EXPECT_EQ(codeOf([&] { package->getFile("d/", false); }), pkg::kPkgErrUnsupportedOperation);
  EXPECT_EQ(codeOf([&] { package->getFile("e/", false); }), pkg::kPkgErrBadArgument);
  EXPECT_EQ(codeOf([&] { package->getDirectory("a", false); }), pkg::kPkgErrUnsupportedOperation);
  EXPECT_EQ(codeOf([&] { package->getFile("a", true)->toDirectory(); }),
            pkg::kPkgErrUnsupportedOperation);
  EXPECT_EQ(codeOf([&] { package->getRootDirectory()->toFile(); }),
            pkg::kPkgErrUnsupportedOperation);
  EXPECT_EQ(codeOf([&] { package->getFile("a", true)->open(kIn | kOut, false); }),
            pkg::kPkgErrNotImplemented);
  EXPECT_EQ(codeOf([&] { package->getFile("a", true)->open(std::ios_base::binary, false); }),
            pkg::kPkgErrBadArgument);
  EXPECT_EQ(
      codeOf([&] { package->setProperty(pkg::kZipPropArchiveComment, std::string(65535, 'c')); }),
      pkg::kPkgErrBadArgument);
  // A date that is not four hex digits would break the next update.
  EXPECT_EQ(codeOf([&] { package->getFile("a", true)->setProperty(pkg::kZipPropDOSDate, "1x"); }),
            pkg::kPkgErrBadArgument);

  pkg::SPRefType<pkg::IPkgFile> kept = package->getFile("a", true);
  package->close();
  EXPECT_EQ(codeOf([&] { package->getFile("a", true); }), pkg::kPkgErrIllegalState);
  // An entry outliving its package fails cleanly.
  EXPECT_EQ(codeOf([&] { kept->open(kIn, false); }), pkg::kPkgErrIllegalState);
  EXPECT_EQ(kept->getName(), "a");
}

TEST_F(ZipPackage, NewPackagesAndEmptyArchives) {
  auto package = open("new.zip", kIn | kOut | kTrunc);
  EXPECT_EQ(package->getMIMEType(), "");
  EXPECT_EQ(contentsOf(package), Contents());
  EXPECT_EQ(package->entryExists("/"), pkg::kEntryDirectory);
  package->beginUpdate();
  package->endUpdate();
  package->close();
  // An archive with no entries is its end record alone, and opens again.
  EXPECT_EQ(TempDir::read(path("new.zip")).size(), 22u);
  EXPECT_TRUE(factory().acceptPackage(path("new.zip")));
  EXPECT_EQ(contentsOf(path("new.zip")), Contents());
}

TEST_F(ZipPackage, EntriesExistAndIterateInDirectoryOrder) {
  make("p.zip", {{"a/x.txt", "1"}, {"a/b/y.txt", "2"}, {"top.txt", "3"}});
  auto package = open("p.zip", kIn | kOut);
  put(*package, "a/new.txt", "4");
  EXPECT_EQ(package->entryExists("a/x.txt"), pkg::kEntryFile);
  EXPECT_EQ(package->entryExists("/a/./b/../x.txt"), pkg::kEntryFile);
  EXPECT_EQ(package->entryExists("a/new.txt"), pkg::kEntryFile);
  EXPECT_EQ(package->entryExists("nothing"), pkg::kEntryNone);
  package->getFile("top.txt", true)->remove();
  EXPECT_EQ(package->entryExists("top.txt"), pkg::kEntryNone);
  EXPECT_EQ(package->entryExists("x.txt", package->getDirectory("a", false)), pkg::kEntryFile);

  std::vector<std::string> all;
  for (pkg::BasePkgEntryIterator it(package); it.isValid(); ++it) all.push_back((*it)->getName());
  // The directory's records in their order (the map sorted them when made),
  // then what was added since; removed entries are left out.
  EXPECT_EQ(all, (std::vector<std::string>{"a/b/y.txt", "a/x.txt", "a/new.txt"}));

  // Children of "a/": the deeper file shows as the directory "a/b/", once.
  std::shared_ptr<pkg::IPkgEntryIteratorImpl> impl;
  package->initIterator(impl, package->getDirectory("a", false), "");
  std::vector<std::string> children;
  for (; impl->isValid(); impl->increment()) children.push_back(impl->dereference()->getName());
  EXPECT_EQ(children, (std::vector<std::string>{"a/b/", "a/x.txt", "a/new.txt"}));
  EXPECT_EQ(codeOf([&] { package->initIterator(impl, nullptr, "*.txt"); }),
            pkg::kPkgErrNotImplemented);
  package->closeWithoutSave();
  // Closing without saving dropped the changes and their temporary files.
  EXPECT_EQ(tempFileCount(), 0u);
  EXPECT_EQ(contentsOf(path("p.zip")).size(), 3u);
}

// A listing forgets the entries it made, but never one the caller holds or
// changed: those are the same objects when asked for again.
TEST_F(ZipPackage, ListingKeepsTheEntriesTheCallerHoldsOrChanged) {
  make("p.zip", {{"a.txt", "1"}, {"b.txt", "2"}, {"c.txt", "3"}, {"d.txt", "4"}});
  auto package = open("p.zip", kIn | kOut);
  pkg::SPRefType<pkg::IPkgEntry> held;
  for (pkg::BasePkgEntryIterator it(package); it.isValid(); ++it) {
    pkg::SPRefType<pkg::IPkgEntry> entry = *it;
    if (entry->getName() == "a.txt") entry->setCompressionMethod(pkg::stored);
    if (entry->getName() == "b.txt") held = entry;
    if (entry->getName() == "c.txt") entry->remove();
  }
  EXPECT_EQ(package->getFile("a.txt", true)->getCompressionMethod(), pkg::stored);
  EXPECT_EQ(held->toFile().get(), package->getFile("b.txt", true).get());
  std::vector<std::string> all;
  for (pkg::BasePkgEntryIterator it(package); it.isValid(); ++it) all.push_back((*it)->getName());
  EXPECT_EQ(all, (std::vector<std::string>{"a.txt", "b.txt", "d.txt"}));
  package->closeWithoutSave();
}

TEST_F(ZipPackage, ResolvePathFollowsTheEntrysFolder) {
  auto package = open("new.zip", kOut | kTrunc);
  auto file = package->getFile("OPS/text/chapter.html", false);
  struct Case {
    const char* reference;
    const char* expected;
  } cases[] = {
      {"images/a.png", "/OPS/text/images/a.png"},
      {"../style.css", "/OPS/style.css"},
      {"/META-INF/container.xml", "/META-INF/container.xml"},
      {"#note", "/OPS/text/chapter.html#note"},
      {"http://example.org/x", "http://example.org/x"},
      {"//host/share", "//host/share"},
  };
  for (const Case& c : cases) EXPECT_EQ(file->resolvePath(c.reference), c.expected) << c.reference;
  package->closeWithoutSave();
}

TEST_F(ZipPackage, MimetypePolicies) {
  make("none.zip", {{"a.txt", "a"}});
  {
    // A zip tool put the mimetype second and compressed.
    auto package = open("bad.zip", kOut | kTrunc);
    package->beginUpdate();
    put(*package, "a.txt", "a");
    put(*package, "mimetype", "application/x-test");
    package->endUpdate();
    package->close();
  }
  FixedPolicy reject(pkg::kMimetypePolicyReject);
  FixedPolicy repair(pkg::kMimetypePolicyRepair);
  EXPECT_EQ(codeOf([&] { open("none.zip", kIn, &reject); }), pkg::kPkgErrMissingMimetype);
  EXPECT_EQ(codeOf([&] { open("bad.zip", kIn, &reject); }), pkg::kPkgErrInvalidMimetype);
  EXPECT_EQ(open("none.zip", kIn)->checkConformance(), pkg::kPkgErrMissingMimetype);
  EXPECT_EQ(open("bad.zip", kIn)->checkConformance(), pkg::kPkgErrInvalidMimetype);

  {
    // Repaired: the copy gets the mimetype first, stored.
    auto package = open("bad.zip", kIn, &repair);
    EXPECT_EQ(package->checkConformance(), 0);
    EXPECT_EQ(codeOf([&] { package->getFile("mimetype", true)->remove(); }),
              pkg::kPkgErrConformance);
    package->saveAs(path("fixed.zip"), kIn | kOut | kTrunc);
    package->close();
    auto fixed = open("fixed.zip", kIn, &reject);
    EXPECT_EQ(fixed->getMIMEType(), "application/x-test");
    EXPECT_EQ(contentsOf(fixed), (Contents{{"mimetype", "application/x-test"}, {"a.txt", "a"}}));
  }
  {
    // Missing under the repair policy: nothing but the mimetype until it is there.
    auto package = open("none.zip", kIn, &repair);
    EXPECT_EQ(codeOf([&] { package->getFile("b.txt", false); }), pkg::kPkgErrConformance);
    package->setMIMEType("application/x-late");
    put(*package, "b.txt", "b");
    package->saveAs(path("late.zip"), kIn | kOut | kTrunc);
    package->close();
    EXPECT_EQ(open("late.zip", kIn, &reject)->getMIMEType(), "application/x-late");
  }
  {
    // A package being built under the repair policy starts with its mimetype.
    auto package = open("built.zip", kOut | kTrunc, &repair);
    EXPECT_EQ(codeOf([&] { package->getFile("a.txt", false); }), pkg::kPkgErrConformance);
    package->beginUpdate();
    package->setMIMEType("application/x-built");
    EXPECT_EQ(codeOf([&] { package->setMIMEType("again"); }), pkg::kPkgErrConformance);
    put(*package, "a.txt", "a");
    package->endUpdate();
    package->close();
    EXPECT_EQ(open("built.zip", kIn, &reject)->checkConformance(), 0);
  }
}
