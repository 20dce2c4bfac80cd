#include <gtest/gtest.h>

#include <map>
#include <string>

#include "pkg/PackageException.h"
#include "pkg/UCFPackageFactory.h"
#include "pkg/UCFPkgFileSystem.h"
#include "pkg/tests/PackageTestSupport.h"

using namespace pkgtest;
using pkg::UCFPackage;
using pkg::UCFPackageFactory;

namespace {

class UCFFacade : public PackageTest {};

std::map<std::string, std::string> listed(const UCFPackage& package) {
  std::map<std::string, std::string> entries;
  for (pkg::UCFPkgEntryIterator it(package); it.isValid(); ++it) {
    pkg::UCFPkgEntry entry = *it;
    if (entry.getEntryType() != pkg::kEntryFile) {
      entries[entry.getName()] = "/";
      continue;
    }
    pkg::UCFPkgStream stream = entry.toFile().open(kIn);
    std::string data;
    std::getline(stream.stream(), data, '\0');
    EXPECT_EQ(stream.getFile().getName(), entry.getName());
    stream.close();
    entries[entry.getName()] = data;
  }
  return entries;
}

}  // namespace

TEST_F(UCFFacade, NamesAndPathRules) {
  EXPECT_STREQ(pkg::UCFVersion::GetUCFVersion(), "UCF_PACKAGE_VERSION=1.1.102.1");
  EXPECT_EQ(UCFPackageFactory::canonicalizePath("/a//b/./c/../d"), "/a/b/d");
  EXPECT_EQ(UCFPackageFactory::canonicalizeEntry("/a//b/./c/../d"), "a/b/d");
  EXPECT_EQ(UCFPackageFactory::getPathSeparator(), "/");
  EXPECT_EQ(UCFPackageFactory::getPathDot(), ".");
  EXPECT_EQ(UCFPackageFactory::getSchemaSeparator(), ":");
  EXPECT_EQ(UCFPackageFactory::getPathAnchor(), "#");
  EXPECT_EQ(codeOf([] { UCFPackage().getMIMEType(); }), pkg::kPkgErrIllegalState);
  EXPECT_EQ(codeOf([] { pkg::UCFPkgFile().getSize(); }), pkg::kPkgErrIllegalState);
}

TEST_F(UCFFacade, BehavesAsThePackageItStandsFor) {
  const std::string file = path("f.ucf");
  {
    UCFPackage package = UCFPackageFactory::createConformingPackage(file, "application/x-f", true);
    pkg::UCFPkgStream stream = package.getFile("doc/a.txt").open(kOut);
    stream.stream() << "facade text";
    stream.close();
    package.getDirectory("doc/empty").create();
    package.endUpdate();
    package.close();
  }
  EXPECT_TRUE(unzipAccepts(file));
  EXPECT_TRUE(UCFPackageFactory::acceptPackage(file));

  pkg::UCFPkgFileSystem fileSystem;
  UCFPackage facade = UCFPackageFactory::openPackage(fileSystem.getFSFileName(file), kIn);
  auto direct = factory().openPackage(file, kIn);
  EXPECT_EQ(listed(facade), contentsOf(direct));
  EXPECT_EQ(facade.getMIMEType(), "application/x-f");
  EXPECT_EQ(facade.getName(), file);
  EXPECT_EQ(facade.getFile("a.txt", facade.getDirectory("doc")).getSize(), 11);
  EXPECT_EQ(facade.entryExists("empty", facade.getDirectory("doc")), pkg::kEntryDirectory);
  EXPECT_EQ(facade.getFile("doc/a.txt").getParent().getName(), "doc/");
  EXPECT_EQ(facade.getRootDirectory().getName(), "/");
  // The same failures with the same codes.
  for (const char* missing : {"nothing.txt", "doc/nothing.txt"}) {
    EXPECT_EQ(codeOf([&] { facade.getFile(missing, true); }),
              codeOf([&] { direct->getFile(missing, true); }));
  }
  EXPECT_EQ(codeOf([&] { facade.getFile("doc/a.txt").toDirectory(); }),
            pkg::kPkgErrUnsupportedOperation);
  EXPECT_EQ(codeOf([&] { facade.endUpdate(); }), pkg::kPkgErrUpdateNotInProgress);
  facade.close();
  direct->close();
}
