#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pkg/BasePackage.h"
#include "pkg/BasePkgEntry.h"
#include "pkg/BasePkgEntryIterator.h"
#include "pkg/PackageException.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/tests/ZipTestSupport.h"

using pkg::PackageException;
using pkgtest::codeOf;

namespace {

class StubParser : public pkg::IXMLParser {
 public:
  void setEventHandler(pkg::IXMLParser_EventHandler*) override {}
  bool parse(std::istream&) override { return true; }
  void endParse() override {}
};

class StubPolicies : public pkg::IPkgPolicies {
 public:
  int getPolicy(int policy) override { return policy == 100 ? 3 : 0; }
};

// The package half the base leaves to the zip package, as a stub.
class StubPackage : public pkg::BasePackage {
 public:
  StubPackage(pkg::IPkgPolicies* policies, pkg::IXMLParser* parser)
      : BasePackage(std::shared_ptr<pkg::IPkgFSFileName>(), nullptr, policies, parser) {}
  void open() { m_open = true; }

  void beginUpdate() override {}
  void beginUpdate(const std::string&, pkg::openmode) override {}
  void beginUpdate(std::shared_ptr<pkg::IPkgFSFileName>, pkg::openmode) override {
    calls += "begin;";
  }
  void doUNSAFEUpdateInPlace() override {}
  void endUpdate() override { calls += "end;"; }
  void cancelUpdate() override {}
  void closeWithoutSave() override {
    calls += "close;";
    m_open = false;
  }
  int entryExists(const std::string&) override { return 0; }
  int entryExists(const std::string&, pkg::SPRefType<pkg::IPkgDirectory>) override { return 0; }
  pkg::SPRefType<pkg::IPkgFile> getFile(const std::string&, bool) override { return nullptr; }
  pkg::SPRefType<pkg::IPkgFile> getFile(const std::string&,
                                        pkg::SPRefType<pkg::IPkgDirectory>) override {
    return nullptr;
  }
  pkg::SPRefType<pkg::IPkgDirectory> getDirectory(const std::string&, bool) override {
    return nullptr;
  }
  pkg::SPRefType<pkg::IPkgDirectory> getDirectory(const std::string&,
                                                  pkg::SPRefType<pkg::IPkgDirectory>) override {
    return nullptr;
  }
  pkg::SPRefType<pkg::IPkgDirectory> getRootDirectory() override { return nullptr; }
  void setMIMEType(const std::string&) override {}
  std::string getMIMEType() override { return std::string(); }
  int checkConformance() override { return 0; }
  void initIterator(std::shared_ptr<pkg::IPkgEntryIteratorImpl>& impl,
                    pkg::SPRefType<pkg::IPkgDirectory>, const std::string& filter) override;

  std::string calls;
  std::vector<pkg::SPRefType<pkg::IPkgEntry>> entries;
};

class StubFile : public pkg::BasePkgEntry, public pkg::BasePkgFile {
 public:
  StubFile(const std::string& name, pkg::IPackage* package, bool* destroyed)
      : BasePkgEntry(name, pkg::kEntryFile, package), m_destroyed(destroyed) {}
  ~StubFile() override {
    if (m_destroyed) *m_destroyed = true;
  }
  pkg::SPRefType<pkg::IPkgFile> toFile() override { return pkg::makeSPRef<pkg::IPkgFile>(this); }
  pkg::SPRefType<pkg::IPkgDirectory> toDirectory() override {
    throw PackageException(pkg::kPkgErrUnsupportedOperation);
  }
  std::shared_ptr<pkg::IPkgStream> open(pkg::openmode, bool) override { return nullptr; }
  int32_t getSize() override { return 0; }
  int32_t getCompressedSize() override { return 0; }
  int64_t getSize64() override { return 0; }
  int64_t getCompressedSize64() override { return 0; }
  void setExpectedSize(int64_t) override {}
  uint32_t getCRC32() override { return 0; }
  void setExpectedCRC32(uint32_t) override {}
  std::string resolvePath(const std::string& r) override { return r; }

 private:
  bool* m_destroyed;
};

class VectorIterator : public pkg::IPkgEntryIteratorImpl {
 public:
  explicit VectorIterator(const std::vector<pkg::SPRefType<pkg::IPkgEntry>>& entries)
      : m_entries(entries) {}
  pkg::SPRefType<pkg::IPkgEntry> dereference() override { return m_entries[m_index]; }
  void increment() override { ++m_index; }
  bool isValid() override { return m_index < m_entries.size(); }

 private:
  std::vector<pkg::SPRefType<pkg::IPkgEntry>> m_entries;
  size_t m_index = 0;
};

void StubPackage::initIterator(std::shared_ptr<pkg::IPkgEntryIteratorImpl>& impl,
                               pkg::SPRefType<pkg::IPkgDirectory>, const std::string& filter) {
  if (!filter.empty()) throw PackageException(pkg::kPkgErrNotImplemented);
  impl = std::make_shared<VectorIterator>(entries);
}

}  // namespace

TEST(BasePackage, OperationsNeedAnOpenPackage) {
  StubPolicies policies;
  StubPackage package(&policies, nullptr);
  EXPECT_EQ(24, codeOf([&] { package.getOpenMode(true); }));
  EXPECT_EQ(24, codeOf([&] { package.isModified(); }));
  EXPECT_EQ(24, codeOf([&] { package.getName(); }));
  EXPECT_EQ(24, codeOf([&] { package.getPolicy(pkg::kPolicyMimetypeConformance); }));
  EXPECT_EQ(24, codeOf([&] { package.close(); }));
  EXPECT_EQ(24, codeOf([&] { package.setDefaultCompressionMethod(pkg::stored); }));

  package.open();
  EXPECT_EQ(pkg::deflate, package.getDefaultCompressionMethod());
  package.setDefaultCompressionMethod(pkg::stored);
  EXPECT_EQ(pkg::stored, package.getDefaultCompressionMethod());
  EXPECT_EQ(22, codeOf([&] {
              package.setDefaultCompressionMethod(static_cast<pkg::CompressionMethod>(12));
            }));
  EXPECT_EQ(3, package.getPolicy(pkg::kPolicyMimetypeConformance));
  EXPECT_EQ(&policies, package.getPolicies());

  // saveAs is an update into the new name; close is closeWithoutSave.
  package.saveAs(std::shared_ptr<pkg::IPkgFSFileName>(), std::ios_base::out);
  EXPECT_EQ("begin;end;", package.calls);
  package.close();
  EXPECT_EQ("begin;end;close;", package.calls);
  EXPECT_FALSE(package.isOpen());

  StubPackage bare(nullptr, nullptr);
  bare.open();
  EXPECT_EQ(0, bare.getPolicy(pkg::kPolicyMimetypeConformance)) << "no policies object";
}

TEST(BasePackage, PackageLevelGenericPropertiesAreRefused) {
  StubPackage withoutParser(nullptr, nullptr);
  withoutParser.open();
  EXPECT_EQ(23, codeOf([&] { withoutParser.getProperty(pkg::kGenPropDateTime); }));
  StubParser parser;
  StubPackage withParser(nullptr, &parser);
  withParser.open();
  EXPECT_EQ(22, codeOf([&] { withParser.getProperty(pkg::kGenPropDateTime); }));
  EXPECT_EQ(28, codeOf([&] { withParser.setProperty(pkg::kGenPropDateTime, "x"); }));
  withParser.getPropertyMgr()->beginUpdate();
  EXPECT_EQ(22, codeOf([&] { withParser.setProperty(pkg::kGenPropDateTime, "x"); }));
}

TEST(PkgPropertyMgr, ZipPropertiesBelongToEntriesAndTheCommentToThePackage) {
  pkg::PkgPropertyMgr properties(nullptr);
  properties.setZipProperty("a/b", pkg::kZipPropDOSDate, "6A3C", true);
  bool changed = true;
  EXPECT_EQ("6A3C", properties.getZipProperty("a/b", pkg::kZipPropDOSDate, &changed));
  EXPECT_FALSE(changed);
  properties.setZipProperty("a/b", pkg::kZipPropDOSDate, "6B3C", false);
  EXPECT_EQ("6B3C", properties.getZipProperty("a/b", pkg::kZipPropDOSDate, &changed));
  EXPECT_TRUE(changed);
  EXPECT_EQ("", properties.getZipProperty("a/b", pkg::kZipPropDOSTime));
  EXPECT_EQ("", properties.getZipProperty("other", pkg::kZipPropMacTypeCreator));

  // The comment is kept at the package path whatever path is given.
  properties.setZipProperty("a/b", pkg::kZipPropArchiveComment, "note", false);
  EXPECT_EQ("note", properties.getZipProperty("", pkg::kZipPropArchiveComment));
  EXPECT_EQ(1, properties.getPkgLevelGenPropCount());

  EXPECT_EQ(22, codeOf([&] { properties.getZipProperty("", pkg::kZipPropDOSDate); }));
  EXPECT_EQ(22, codeOf([&] { properties.setZipProperty("x", pkg::kGenPropMacType, "t", false); }));
  EXPECT_EQ(22, codeOf([&] {
              properties.setZipProperty("x", static_cast<pkg::UCFPropertyName>(3), "t", false);
            }));
}

TEST(PkgPropertyMgr, GenericPropertiesNeedAParserAnUpdateAndAnEntryPath) {
  pkg::PkgPropertyMgr bare(nullptr);
  EXPECT_EQ(23, codeOf([&] { bare.getGenericProperty("e", pkg::kGenPropDateTime); }));

  StubParser parser;
  StubPackage package(nullptr, &parser);
  pkg::PkgPropertyMgr& properties = *package.getPropertyMgr();
  EXPECT_EQ(
      28, codeOf([&] { properties.setGenericProperty("e", pkg::kGenPropMacType, "TEXT", false); }));
  properties.setGenericProperty("e", pkg::kGenPropMacType, "TEXT", true);  // from the file
  properties.beginUpdate();
  EXPECT_EQ(35, codeOf([&] { properties.beginUpdate(); }));
  properties.setGenericProperty("e", pkg::kGenPropMacCreator, "R*ch", false);
  properties.setGenericProperty("f", pkg::kGenPropDateTime, "2010", false);
  properties.setZipProperty("f", pkg::kZipPropDOSDate, "6A3C", false);
  EXPECT_EQ(22,
            codeOf([&] { properties.setGenericProperty("", pkg::kGenPropMacType, "x", false); }));
  EXPECT_EQ(22,
            codeOf([&] { properties.setGenericProperty("e", pkg::kZipPropDOSDate, "x", false); }));
  EXPECT_EQ(2, properties.getFileLevelGenPropCount("e"));
  EXPECT_EQ(1, properties.getFileLevelGenPropCount("f")) << "zip properties are not counted";
  EXPECT_EQ(3, properties.getAllFileLevelGenPropCount());
  EXPECT_EQ(0, properties.getFileLevelGenPropCount("unknown"));

  // Cancelling puts the table back as the update found it.
  properties.cancelUpdate();
  EXPECT_EQ(1, properties.getAllFileLevelGenPropCount());
  EXPECT_EQ("TEXT", properties.getGenericProperty("e", pkg::kGenPropMacType));
  EXPECT_EQ("", properties.getGenericProperty("e", pkg::kGenPropMacCreator));
  EXPECT_EQ(37, codeOf([&] { properties.cancelUpdate(); }));

  properties.beginUpdate();
  properties.setGenericProperty("e", pkg::kGenPropMacCreator, "R*ch", false);
  properties.endUpdate();
  EXPECT_FALSE(properties.isInUpdate());
  EXPECT_EQ("R*ch", properties.getGenericProperty("e", pkg::kGenPropMacCreator));
}

TEST(BasePkgEntry, HandlesShareTheEntryUntilTheLastGoes) {
  StubPackage package(nullptr, nullptr);
  package.open();
  bool destroyed = false;
  auto* file = new StubFile("dir/file", &package, &destroyed);
  {
    pkg::SPRefType<pkg::IPkgEntry> first = pkg::makeSPRef<pkg::IPkgEntry>(file);
    pkg::SPRefType<pkg::IPkgFile> second = first->toFile();
    EXPECT_EQ(2, file->getRefCount());
    EXPECT_EQ(pkg::kEntryFile, first->getEntryType());
    EXPECT_EQ(23, codeOf([&] { first->toDirectory(); }));
    first.reset();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ("dir/file", second->getName());

    EXPECT_FALSE(package.isModified());
    second->remove();
    EXPECT_TRUE(second->isDeleted());
    EXPECT_TRUE(second->isModified());
    EXPECT_TRUE(package.isModified()) << "removing an entry changes its package";
    EXPECT_EQ(
        22, codeOf([&] { second->setCompressionMethod(static_cast<pkg::CompressionMethod>(14)); }));
    second->setCompressionMethod(pkg::stored);
    EXPECT_EQ(pkg::stored, second->getCompressionMethod());
  }
  EXPECT_TRUE(destroyed);
}

TEST(BasePkgEntryIterator, WalksThePackageAndComparesBySharedState) {
  auto package = std::make_shared<StubPackage>(nullptr, nullptr);
  package->open();
  package->entries.push_back(
      pkg::makeSPRef<pkg::IPkgEntry>(new StubFile("a", package.get(), nullptr)));
  package->entries.push_back(
      pkg::makeSPRef<pkg::IPkgEntry>(new StubFile("b", package.get(), nullptr)));

  pkg::BasePkgEntryIterator it(package);
  pkg::BasePkgEntryIterator copy = it;
  pkg::BasePkgEntryIterator other(package);
  pkg::BasePkgEntryIterator end;
  EXPECT_TRUE(it == copy) << "one implementation";
  EXPECT_FALSE(it == other);
  std::string names;
  for (; it != end; ++it) names += (*it)->getName();
  EXPECT_EQ("ab", names);
  EXPECT_TRUE(it == end) << "all invalid iterators are equal";
  EXPECT_TRUE(copy == end) << "the copy shares the walk";
  EXPECT_EQ(24, codeOf([&] { *end; }));
  EXPECT_EQ(24, codeOf([&] { ++end; }));
  EXPECT_EQ(19, codeOf([&] { pkg::BasePkgEntryIterator(package, "*.txt"); }));
  package->entries.clear();
}
