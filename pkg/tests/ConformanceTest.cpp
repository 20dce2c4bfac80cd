// Every archive of the shared conformance corpus is either read correctly
// (every entry's data checked against its CRC-32 and sizes) or refused with
// a PackageException of the expected class. The folders' READMEs give the
// other readers' verdicts these expectations follow.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "pkg/PackageException.h"
#include "pkg/tests/PackageTestSupport.h"
#include "pkg/tests/ZipTestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Opens the archive and reads every entry: "ok", or the code of the first
// failure. Archives inside it are read too (the corpus keeps its archives
// of many entries that way); their huge entries are only listed.
std::string outcome(const std::string& bytes,
                    std::map<std::string, std::string>* contents = nullptr, int depth = 0) {
  try {
    auto file = std::make_shared<pkgtest::MemoryFile>(bytes);
    pkgtest::ArchiveReader reader(file);
    for (const auto& record : reader.entries()) {
      if (depth > 0 && record->uncompressedSize > (64u << 20)) {
        record->fetchLocalEntry(*file);
        continue;
      }
      std::string data = reader.read(*record);
      const std::string& name = record->getFilename();
      if (contents) (*contents)[name] = data;
      if (depth == 0 && endsWith(name, ".zip")) {
        std::string inner = outcome(data, nullptr, depth + 1);
        if (inner != "ok") return "inner " + name + ": " + inner;
      }
    }
    return "ok";
  } catch (const pkg::PackageException& e) {
    return std::to_string(e.getErrorCode());
  }
}

// The same through the zip package: opened by path, walked with its
// iterator, every file read through its entry stream.
std::string packageOutcome(const fs::path& path) {
  try {
    auto package =
        pkg::zip::ZipPackageFactory::getInstance()->openPackage(path.string(), std::ios_base::in);
    for (pkg::BasePkgEntryIterator it(package); it.isValid(); ++it) {
      pkg::SPRefType<pkg::IPkgEntry> entry = *it;
      if (entry->getEntryType() == pkg::kEntryFile) pkgtest::readAll(*entry->toFile());
    }
    package->close();
    return "ok";
  } catch (const pkg::PackageException& e) {
    return std::to_string(e.getErrorCode());
  }
}

const char* const kUnsupported = "19";  // other methods, encryption
const char* const kData = "31";         // CRC-32, sizes, deflate data

// What each archive must give; archives not listed may give "ok" or any
// PackageException, but nothing else.
const std::map<std::string, std::string>& expectations() {
  static const std::map<std::string, std::string> table = [] {
    std::map<std::string, std::string> t;
    auto all = [&t](const std::string& folder, const std::vector<std::string>& files,
                    const std::string& expected) {
      for (const auto& f : files) t[folder + "/" + f] = expected;
    };
    all("go-archive-zip",
        {"crc32-not-streamed.zip",
         "cve-2021-27919-dotdot-name.zip",
         "cve-2021-41772-slash-names.zip",
         "dd.zip",
         "dupdir.zip",
         "go-no-datadesc-sig.zip",
         "go-with-datadesc-sig.zip",
         "readme.zip",
         "subdir.zip",
         "symlink.zip",
         "test-baddirsz.zip",
         "test-trailing-junk.zip",
         "test.zip",
         "time-22738.zip",
         "time-7zip.zip",
         "time-go.zip",
         "time-infozip.zip",
         "time-osx.zip",
         "time-win7.zip",
         "time-winrar.zip",
         "time-winzip.zip",
         "unix.zip",
         "utf8-7zip.zip",
         "utf8-infozip.zip",
         "utf8-osx.zip",
         "utf8-winrar.zip",
         "utf8-winzip.zip",
         "winxp.zip",
         "zip64-2.zip",
         "zip64.zip"},
        "ok");
    t["go-archive-zip/readme.notzip"] = "11";
    t["go-archive-zip/comment-truncated.zip"] = "6|11";
    t["go-archive-zip/cve-2021-33196-huge-file-count.zip"] = "9";
    t["go-archive-zip/cve-2021-39293-dirsize-overflow.zip"] = "9|11";

    all("libarchive",
        {"test_compat_zip_1.zip",
         "test_compat_zip_2.zip",
         "test_compat_zip_3.zip",
         "test_compat_zip_4.zip",
         "test_compat_zip_5.zip",
         "test_compat_zip_6.zip",
         "test_compat_zip_7.xps",
         "test_compat_zip_8.zip",
         "test_read_format_zip_7075_utf8_paths.zip",
         "test_read_format_zip_7z_deflate.zip",
         "test_read_format_zip_comment_stored_1.zip",
         "test_read_format_zip_comment_stored_2.zip",
         "test_read_format_zip_filename_cp866.zip",
         "test_read_format_zip_filename_cp932.zip",
         "test_read_format_zip_filename_koi8r.zip",
         "test_read_format_zip_filename_utf8_jp.zip",
         "test_read_format_zip_filename_utf8_ru.zip",
         "test_read_format_zip_filename_utf8_ru2.zip",
         "test_read_format_zip_high_compression.zip",
         "test_read_format_zip_jar.jar",
         "test_read_format_zip_length_at_end.zip",
         "test_read_format_zip_mac_metadata.zip",
         "test_read_format_zip_msdos.zip",
         "test_read_format_zip_nested.zip",
         "test_read_format_zip_nofiletype.zip",
         "test_read_format_zip_pkware_unix.zip",
         "test_read_format_zip_symlink.zip",
         "test_read_format_zip_ux.zip",
         "test_read_format_zip_with_invalid_traditional_eocd.zip",
         "test_read_format_zip_zip64a.zip",
         "test_read_format_zip_zip64b.zip"},
        "ok");
    all("libarchive",
        {"test_read_format_zip_7z_lzma.zip", "test_read_format_zip_bzip2.zipx",
         "test_read_format_zip_bzip2_multi.zipx", "test_read_format_zip_encryption_data.zip",
         "test_read_format_zip_encryption_partially.zip", "test_read_format_zip_lzma.zipx",
         "test_read_format_zip_lzma_multi.zipx", "test_read_format_zip_lzma_stream_end.zipx",
         "test_read_format_zip_ppmd8.zipx", "test_read_format_zip_ppmd8_aes256_streaming.zipx",
         "test_read_format_zip_ppmd8_multi.zipx",
         "test_read_format_zip_symlink_unsupported_compression.zip",
         "test_read_format_zip_traditional_encryption_data.zip",
         "test_read_format_zip_winzip_aes128.zip", "test_read_format_zip_winzip_aes256.zip",
         "test_read_format_zip_winzip_aes256_stored.zip", "test_read_format_zip_xz_multi.zipx",
         "test_read_format_zip_zstd.zipx", "test_read_format_zip_zstd_multi.zipx"},
        kUnsupported);
    // Its central directory itself is encrypted.
    t["libarchive/test_read_format_zip_encryption_header.zip"] = "3|19";
    all("libarchive",
        {"test_read_format_zip.zip", "test_read_format_zip_size_exceeds_declared_stored.zip",
         "test_read_format_zip_size_exceeds_declared_deflate.zip",
         "test_read_data_into_fd_size_exceeds_declared_stored.zip",
         "test_read_data_into_fd_size_exceeds_declared_deflate.zip",
         "test_read_format_zip_uncompressed_size_off_by_4gib.zip"},
        kData);
    t["libarchive/test_read_format_zip_malformed1.zip"] = "11";

    all("libzip",
        {"aaaaaaaa-stored.zip",
         "bigzero-zip.zip",
         "changing-size-muchl.zip",
         "changing-size-muchlo.zip",
         "changing-size-muchlonger.zip",
         "changing-size.zip",
         "cm-default.zip",
         "encrypt-none.zip",
         "extra_field_align_1-0.zip",
         "extra_field_align_1-ef_00.zip",
         "extra_field_align_2-0.zip",
         "extra_field_align_2-ef_00.zip",
         "extra_field_align_3-0.zip",
         "extra_field_align_3-ef_00.zip",
         "extra_field_align_4-ff.zip",
         "filename_duplicate.zip",
         "filename_duplicate_empty.zip",
         "filename_empty.zip",
         "fileorder.zip",
         "firstsecond-split-deflated.zip",
         "firstsecond-split-stored.zip",
         "firstsecond.zip",
         "foo-stored.zip",
         "incons-central-file-comment-utf8-ascii.zip",
         "incons-ef-local-dupe-utf8comment.zip",
         "incons-ef-local-dupe-zip64-v2.zip",
         "incons-ef-local-id.zip",
         "incons-gap-before-cd.zip",
         "incons-gap-before-eocd.zip",
         "incons-gap-before-local.zip",
         "manyfiles-zip.zip",
         "mtime-default.zip",
         "mtime-dstpoint-deflated.zip",
         "mtime-dstpoint.zip",
         "mtime-post-dstpoint-deflated.zip",
         "mtime-post-dstpoint.zip",
         "mtime-pre-dstpoint-deflated.zip",
         "mtime-pre-dstpoint.zip",
         "rename_ok.zip",
         "stored-no-eos.zip",
         "streamed-zip64.zip",
         "streamed.zip",
         "test-cp437-comment-utf-8.zip",
         "test-cp437-fc-utf-8-filename.zip",
         "test-cp437-fc.zip",
         "test-cp437.zip",
         "test-utf8-unmarked.zip",
         "test-utf8.zip",
         "test.zip",
         "test2.zip",
         "test_open_multiple.zip",
         "testbuffer.zip",
         "testbuffer_reopen.zip",
         "testchanged.zip",
         "testchangedlocal.zip",
         "testcomment.zip",
         "testcomment13.zip",
         "testcommentremoved.zip",
         "testdeflated.zip",
         "testdeflated2.zip",
         "testdir.zip",
         "testempty.zip",
         "testfile-UTF8.zip",
         "testfile-cp437.zip",
         "testfile-ef.zip",
         "testfile-long-comment.zip",
         "testfile-plus-extra.zip",
         "testfile-stored-dos.zip",
         "testfile-torrentzip-modified.zip",
         "testfile-torrentzip.zip",
         "testfile.zip",
         "testfile0.zip",
         "testfile2014.zip",
         "teststdin.zip",
         "teststored.zip",
         "utf-8-standardization-input.zip",
         "utf-8-standardization-output.zip",
         "zip-in-archive-comment.zip",
         "zip64-3mf.zip",
         "zip64-in-archive-comment.zip",
         "zip64.zip",
         "zipcmp_zip_dir.zip"},
        "ok");
    all("libzip",
        {"empty-pkware.zip",
         "encrypt-1234.zip",
         "encrypt-aes128-noentropy.zip",
         "encrypt-aes128.zip",
         "encrypt-aes192-noentropy.zip",
         "encrypt-aes192.zip",
         "encrypt-aes256-noentropy.zip",
         "encrypt-aes256.zip",
         "encrypt-pkware-noentropy-2.zip",
         "encrypt-pkware-noentropy.zip",
         "encrypt.zip",
         "encrypt_plus_extra.zip",
         "encrypt_plus_extra_modified_c.zip",
         "encrypt_plus_extra_modified_l.zip",
         "hmac-error.zip",
         "lzma-no-eos.zip",
         "testbzip2.zip",
         "testbzip2broken.zip",
         "testfile-lzma.zip",
         "testfile-xz.zip",
         "testfile-zstd.zip"},
        kUnsupported);
    all("libzip",
        {"broken.zip", "incons-data.zip", "incons-trailing-garbage.zip", "gap.zip", "gap-add.zip",
         "gap-delete.zip", "gap-replace.zip", "incons-central-crc.zip", "incons-stored-size.zip",
         "incons-central-compsize-larger.zip", "incons-central-compsize-smaller.zip",
         "incons-central-size-larger.zip", "incons-central-compression-method.zip"},
        kData);
    t["libzip/bogus.zip"] = "10";
    t["libzip/multidisk.zip"] = "16";
    t["libzip/testfile-truncated.zip"] = "any";
    t["libzip/incons-zip64-checkcons-overflow.zip"] = "any";
    t["libzip/incons-cdoffset.zip"] = "any";
    t["libzip/incons-eocd-magic-bad.zip"] = "any";
    t["libzip/incons-central-magic-bad.zip"] = "any";
    t["libzip/incons-local-magic-bad.zip"] = "any";

    all("minizip-ng",
        {"as.zip", "comments.zip", "corpus.zip", "dot_dot_backslash_name.zip", "gh.zip",
         "incorrect_number_entries.zip", "infozip_symlinks.zip", "large_cd_comment.zip",
         "permissions.zip", "signed.zip", "storeonly.zip", "tiny.zip",
         "unsupported_permissions.zip", "zip64.zip"},
        "ok");
    all("minizip-ng",
        {"bzip2.zip", "lzma.zip", "xz.zip", "license_zstd.zip", "encrypted_pkcrypt.zip",
         "encrypted_wzaes.zip"},
        kUnsupported);
    all("minizip-ng", {"gh_739.zip", "gh_740.zip"}, "any");
    return t;
  }();
  return table;
}

bool matches(const std::string& expected, const std::string& actual) {
  if (expected == "any") return actual != "ok";
  std::stringstream options(expected);
  std::string option;
  while (std::getline(options, option, '|')) {
    if (option == actual) return true;
  }
  return false;
}

bool isNumber(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

fs::path corpusFolder() {
  return fs::path(PLEXAR_SHARED_DIR) / "corpus" / "zip";
}

}  // namespace

TEST(Conformance, EveryCorpusArchiveIsReadOrRefusedWithTheRightCode) {
  const fs::path corpus = corpusFolder();
  if (!fs::is_directory(corpus)) {
    GTEST_SKIP() << "the zip corpus is absent: " << corpus.string();
  }
  std::set<std::string> seen;
  int archives = 0;
  for (const auto& folder : fs::directory_iterator(corpus)) {
    if (!folder.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(folder.path())) {
      std::string name = file.path().filename().string();
      if (name == "README.md" || name.rfind("LICENSE", 0) == 0 || name.rfind("COPYING", 0) == 0) {
        continue;
      }
      std::string key = folder.path().filename().string() + "/" + name;
      std::string actual = outcome(slurp(file.path()));
      ++archives;
      seen.insert(key);
      auto expected = expectations().find(key);
      if (expected != expectations().end()) {
        EXPECT_TRUE(matches(expected->second, actual))
            << key << ": expected " << expected->second << ", got " << actual;
      } else {
        // Read, or refused with one of the library's codes: nothing else.
        EXPECT_TRUE(actual == "ok" || isNumber(actual)) << key << ": " << actual;
      }
    }
  }
  EXPECT_GT(archives, 200);
  for (const auto& [key, expected] : expectations()) {
    EXPECT_TRUE(seen.count(key)) << "listed but not in the corpus: " << key;
  }
}

TEST(Conformance, ThePackageReadsWhatItsRecordsRead) {
  const fs::path corpus = corpusFolder();
  if (!fs::is_directory(corpus)) {
    GTEST_SKIP() << "the zip corpus is absent: " << corpus.string();
  }
  for (const auto& folder : fs::directory_iterator(corpus)) {
    if (!folder.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(folder.path())) {
      const std::string key =
          folder.path().filename().string() + "/" + file.path().filename().string();
      const std::string records = outcome(slurp(file.path()));
      const std::string package = packageOutcome(file.path());
      // The package may refuse at the door what does not begin like an
      // archive (20) or begins like a split one (16); past it, it reads
      // what the records read and fails where they fail.
      if (package == "20" || package == "16") continue;
      EXPECT_EQ(records, package) << key;
    }
  }
}

TEST(Conformance, ContentsMatchWhatTheArchivesHold) {
  const fs::path go = corpusFolder() / "go-archive-zip";
  if (!fs::is_directory(go)) GTEST_SKIP() << "the zip corpus is absent: " << go.string();
  const std::string png = slurp(go / "gophercolor16x16.png");
  for (const char* archive : {"test.zip", "test-trailing-junk.zip", "test-baddirsz.zip"}) {
    std::map<std::string, std::string> contents;
    ASSERT_EQ("ok", outcome(slurp(go / archive), &contents)) << archive;
    EXPECT_EQ(png, contents["gophercolor16x16.png"]) << archive;
    EXPECT_EQ("This is a test text file.\n", contents["test.txt"]) << archive;
  }
  std::map<std::string, std::string> dd;
  ASSERT_EQ("ok", outcome(slurp(go / "go-with-datadesc-sig.zip"), &dd));
  EXPECT_EQ("foo\n", dd["foo.txt"]);
  EXPECT_EQ("bar\n", dd["bar.txt"]);
}
