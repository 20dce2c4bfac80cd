#pragma once

#include <gtest/gtest.h>

#include <string>

#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "platform/os/Catalog.h"
#include "platform/os/FileRef.h"
#include "platform/os/Fork.h"
#include "platform/os/MacStatus.h"
#include "testsupport/SandboxMachine.h"

// A sandbox machine with the per-user values of CZorbOS set up for it.
class CZorbOSTest : public testsupport::SandboxTest {
 protected:
  void SetUp() override {
    CZorbOS::ResetMultiUserMembersForTest();
    CZorbOS::InitMultiUserMembers();
  }
  void TearDown() override { CZorbOS::ResetMultiUserMembersForTest(); }

  // The colon path of a path relative to the sandbox root.
  CString C(const std::string& relative) const {
    const std::u16string colon = sandbox.colon(relative);
    return CString(colon.c_str(), static_cast<uint32_t>(colon.size()));
  }
  static std::string Str(const CString& s) {
    std::string out;
    for (int32_t i = 0; i < s.GetLength(); ++i) {
      char16_t c = s.GetAt(i);
      out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
  }

 public:
  // A log line with its time ("Tue Mar 27 09:05:00 2012", after the level)
  // checked and replaced by "T".
  static std::string WithoutTime(const std::string& line) {
    const char* shape = "Aaa Aaa dd dd:dd:dd dddd";
    if (line.size() < 8 + 24) return line;
    for (size_t i = 0; i < 24; ++i) {
      const char c = line[8 + i];
      const bool ok = shape[i] == 'A'   ? (c >= 'A' && c <= 'Z')
                      : shape[i] == 'a' ? (c >= 'a' && c <= 'z')
                      : shape[i] == 'd' ? ((c >= '0' && c <= '9') || (i == 8 && c == ' '))
                                        : c == shape[i];
      if (!ok) return line;
    }
    return line.substr(0, 8) + "T" + line.substr(32);
  }

 protected:
  platform::FSRef Ref(const std::string& relative) const {
    platform::FSRef ref;
    EXPECT_EQ(platform::makeRef(sandbox.posix(relative), ref), platform::noErr) << relative;
    return ref;
  }

  void WriteFork(const std::string& relative, const std::string& bytes) const {
    std::unique_ptr<platform::Fork> fork;
    ASSERT_EQ(platform::Fork::open(Ref(relative), platform::Fork::Kind::Resource, true, fork),
              platform::noErr);
    ASSERT_EQ(fork->write(bytes.data(), static_cast<uint32_t>(bytes.size())), platform::noErr);
    ASSERT_EQ(fork->close(), platform::noErr);
  }

  std::string ReadFork(const std::string& relative) const {
    std::unique_ptr<platform::Fork> fork;
    if (platform::Fork::open(Ref(relative), platform::Fork::Kind::Resource, false, fork) !=
        platform::noErr)
      return "<none>";
    std::string out(4096, '\0');
    uint32_t got = 0;
    // Reading to the end reports eofErr with what there was.
    if (const int32_t status = fork->read(out.data(), static_cast<uint32_t>(out.size()), got);
        status != platform::noErr && status != platform::eofErr)
      return "<unreadable>";
    out.resize(got);
    return out;
  }

  uint32_t TypeOf(const std::string& relative) const {
    platform::CatalogInfo info;
    if (platform::getCatalogInfo(Ref(relative), info) != platform::noErr) return 0;
    return platform::finderInfoType(info.finderInfo);
  }
};
