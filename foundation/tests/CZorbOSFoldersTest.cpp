#include <filesystem>

#include <gtest/gtest.h>

#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbString.h"
#include "foundation/tests/CZorbOSTestFixture.h"

namespace fs = std::filesystem;

namespace {

using Folders = CZorbOSTest;

std::string Get(bool (*getter)(CZorbPath&)) {
  CZorbPath out(u"unchanged");
  if (!getter(out)) return "false";
  std::string s;
  for (int32_t i = 0; i < out.GetLength(); ++i) s += static_cast<char>(out.GetAt(i));
  return s;
}

std::string Buffer(bool (*getter)(char16_t*, uint32_t)) {
  char16_t buf[kZorbMaxPath + 1] = u"unchanged";
  if (!getter(buf, kZorbMaxPath + 1)) return "false:" + std::string(buf, buf + 9);
  std::string s;
  for (char16_t* p = buf; *p; ++p) s += static_cast<char>(*p);
  return s;
}

TEST_F(Folders, SpecialAndPerUserFolders) {
  EXPECT_EQ(Get(&CZorbOS::GetUserHomePath), "Disk:Users:ann:");
  EXPECT_EQ(Get(&CZorbOS::GetCurrentUserLibraryPath), "Disk:Users:ann:Library:");
  EXPECT_EQ(Get(&CZorbOS::GetCurrentUserAppDataPath),
            "Disk:Users:ann:Library:Application Support:");
  EXPECT_EQ(Get(&CZorbOS::GetCurrentUserRoamingDataPath),
            "Disk:Users:ann:Library:Application Support:");
  EXPECT_EQ(Get(&CZorbOS::GetSharedAppDataPath), "Disk:Users:Shared:Library:Application Support:");
  EXPECT_EQ(Get(&CZorbOS::GetCommonAppPath), "Disk:Library:Application Support");
  EXPECT_EQ(Get(&CZorbOS::GetApplicationSupportFolder), "Disk:Library:Application Support:");
  EXPECT_EQ(Get(&CZorbOS::GetUserFoldersPath), "Disk:Users");
  EXPECT_EQ(Buffer(&CZorbOS::GetAppPath), "Disk:Applications");
  EXPECT_EQ(Buffer(&CZorbOS::GetFontsFolder), "Disk:Library:Fonts");
  EXPECT_EQ(Buffer(&CZorbOS::GetSystemFolder), "Disk:System");

  char16_t temp[kZorbMaxPath + 1];
  CZorbOS::GetTempPath(temp, kZorbMaxPath + 1);
  EXPECT_EQ(std::u16string(temp), u"Disk:tmp:plexar-501");
  char16_t trash[255];
  EXPECT_EQ(CZorbOS::GetTrashDirectory(trash, 255), 21u);
  EXPECT_EQ(std::u16string(trash), u"Disk:Users:ann:.Trash");
}

TEST_F(Folders, MadeWhereTheyMayBeMade) {
  fs::remove_all(sandbox.posix("tmp"));
  fs::remove_all(sandbox.posix("Users/ann/.Trash"));
  fs::remove_all(sandbox.posix("Library/Fonts"));
  fs::remove_all(sandbox.posix("Applications"));
  char16_t buf[kZorbMaxPath + 1];
  CZorbOS::GetTempPath(buf, kZorbMaxPath + 1);
  EXPECT_EQ(std::u16string(buf), u"Disk:tmp:plexar-501");
  EXPECT_EQ(fs::status(sandbox.posix("tmp/plexar-501")).permissions() & fs::perms::all,
            fs::perms::owner_all);
  EXPECT_GT(CZorbOS::GetTrashDirectory(buf, kZorbMaxPath + 1), 0u);
  EXPECT_TRUE(CZorbOS::GetFontsFolder(buf, kZorbMaxPath + 1));
  EXPECT_TRUE(sandbox.isFolder("Library/Fonts"));
  // Applications are not made: the buffer stays as it was.
  EXPECT_EQ(Buffer(&CZorbOS::GetAppPath), "false:unchanged");
  EXPECT_FALSE(sandbox.exists("Applications"));
}

TEST_F(Folders, FailuresAndShortBuffers) {
  // A file where the temporary folder should be.
  fs::remove_all(sandbox.posix("tmp/plexar-501"));
  sandbox.writeFile("tmp/plexar-501", "in the way");
  char16_t buf[kZorbMaxPath + 1] = u"x";
  CZorbOS::GetTempPath(buf, kZorbMaxPath + 1);
  EXPECT_EQ(buf[0], 0);

  // A path that does not fit is not cut: it counts as not found.
  char16_t small[10] = u"x";
  EXPECT_EQ(CZorbOS::GetTrashDirectory(small, 10), 0u);
  EXPECT_EQ(small[0], 0);
  char16_t exact[22];
  EXPECT_EQ(CZorbOS::GetTrashDirectory(exact, 21), 0u);
  EXPECT_EQ(CZorbOS::GetTrashDirectory(exact, 22), 21u);

  fs::remove_all(sandbox.posix("Users"));
  EXPECT_EQ(Get(&CZorbOS::GetUserFoldersPath), "false");
  CZorbTypedList<CZorbString> list;
  EXPECT_FALSE(CZorbOS::GetAllUserAppDataPaths(list));
  CZorbPath out;
  EXPECT_FALSE(CZorbOS::GetAppDataPathFor(CZorbString(u"bob"), out));
}

TEST_F(Folders, RootLivesUnderUsersRoot) {
  sandbox.setUser(testsupport::SandboxMachine::User::Root);
  sandbox.config().home = sandbox.posix("private/var/root");
  sandbox.apply();
  sandbox.makeFolder("private/var/root");
  EXPECT_EQ(Get(&CZorbOS::GetCurrentUserAppDataPath),
            "Disk:Users:Root:Library:Application Support:");
  EXPECT_EQ(Get(&CZorbOS::GetCurrentUserLibraryPath), "Disk:Users:Root:Library:");
  EXPECT_EQ(Get(&CZorbOS::GetUserHomePath), "Disk:Users:Root:");
  // Anyone else keeps the home as it is.
  sandbox.setUser(testsupport::SandboxMachine::User::Administrator);
  EXPECT_EQ(Get(&CZorbOS::GetUserHomePath), "Disk:private:var:root:");
}

TEST_F(Folders, PerUserFoldersNeedAMultiUserSystem) {
  sandbox.config().systemVersion = 0x0920;
  sandbox.apply();
  CZorbOS::ResetMultiUserMembersForTest();
  CZorbOS::InitMultiUserMembers();
  for (auto getter : {&CZorbOS::GetUserHomePath, &CZorbOS::GetCurrentUserLibraryPath,
                      &CZorbOS::GetCurrentUserAppDataPath, &CZorbOS::GetSharedAppDataPath})
    EXPECT_EQ(Get(getter), "false");
  EXPECT_EQ(Get(&CZorbOS::GetCommonAppPath), "Disk:Library:Application Support");
  CZorbPath out;
  CZorbOS::BuildAppDataPath(CZorbString(u"Disk:Users:ann"), out);
  EXPECT_EQ(Str(out), "Disk:Users:ann:");
}

TEST_F(Folders, EveryUsersApplicationData) {
  sandbox.makeFolder("Users/bob");
  sandbox.writeFile("Users/notes.txt", "not a user");
  CZorbTypedList<CZorbString> list;
  list.push_back(CZorbString(u"kept"));
  ASSERT_TRUE(CZorbOS::GetAllUserAppDataPaths(list));
  std::vector<std::string> got;
  for (const auto& s : list) got.push_back(Str(s));
  EXPECT_EQ(got, (std::vector<std::string>{
                     "kept",
                     "Disk:Users:Shared:Library:Application Support:",
                     "Disk:Users:ann:Library:Application Support:",
                     "Disk:Users:bob:Library:Application Support:",
                 }));
  CZorbPath bob;
  ASSERT_TRUE(CZorbOS::GetAppDataPathFor(CZorbString(u"bob"), bob));
  EXPECT_EQ(Str(bob), "Disk:Users:bob:Library:Application Support:");

  fs::remove_all(sandbox.posix("Users"));
  sandbox.makeFolder("Users");
  CZorbTypedList<CZorbString> none;
  EXPECT_TRUE(CZorbOS::GetAllUserAppDataPaths(none));
  EXPECT_TRUE(none.empty());
}

TEST_F(Folders, UserNameFromAnApplicationDataPath) {
  struct Case {
    std::u16string path;
    bool ok;
    std::string user;
  } cases[] = {
      {u"Disk:Users:ann:Library:Application Support:", true, "ann"},
      {u"Disk:Users:ann:Library:Application Support:Vesko:x", true, "ann"},
      {u"Disk:Users:ann:Library:", false, ""},
      {u"ann:Library:Application Support:", false, ""},
      {u"", false, ""},
  };
  for (const auto& c : cases) {
    CString user(u"before");
    EXPECT_EQ(CZorbOS::ExtractUserName(CString(c.path.c_str()), user), c.ok)
        << Str(CString(c.path.c_str()));
    if (c.ok) {
      EXPECT_EQ(Str(user), c.user);
    }
  }
}

}  // namespace
