#include "testsupport/TreeSnapshot.h"

#include <openssl/evp.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace fs = std::filesystem;

namespace testsupport {

namespace {

std::string sha256Of(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return "unreadable";
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr);
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    if (in.gcount() > 0) EVP_DigestUpdate(ctx.get(), buffer, static_cast<size_t>(in.gcount()));
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(ctx.get(), digest, &length);
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

bool skipped(const std::string& relative, const std::vector<std::string>& skip) {
  return std::any_of(skip.begin(), skip.end(), [&](const std::string& s) {
    return relative == s || (relative.size() > s.size() && relative.compare(0, s.size(), s) == 0 &&
                             relative[s.size()] == '/');
  });
}

}  // namespace

TreeSnapshot TreeSnapshot::take(const std::string& root, const std::vector<std::string>& skip) {
  TreeSnapshot snapshot;
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return snapshot;
  const std::string prefix = root.back() == '/' ? root : root + "/";
  fs::recursive_directory_iterator it(prefix, fs::directory_options::none, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    // The iterator builds each path from the root as given.
    const std::string relative = path.generic_string().substr(prefix.size());
    if (skipped(relative, skip)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) it.disable_recursion_pending();
      continue;
    }
    const fs::file_status status = fs::symlink_status(path, ec);
    TreeItem item;
    item.mode = static_cast<unsigned>(status.permissions()) & 07777;
    switch (status.type()) {
      case fs::file_type::regular:
        item.kind = 'f';
        item.size = fs::file_size(path, ec);
        item.digest = sha256Of(path);
        break;
      case fs::file_type::directory:
        item.kind = 'd';
        break;
      case fs::file_type::symlink:
        item.kind = 'l';
        item.digest = fs::read_symlink(path, ec).string();
        item.mode = 0;  // a link's own bits mean nothing here
        break;
      default:
        item.kind = 'o';
        break;
    }
    snapshot.m_items[relative] = item;
  }
  return snapshot;
}

std::string TreeSnapshot::diff(const TreeSnapshot& other) const {
  std::ostringstream out;
  for (const auto& [path, item] : m_items) {
    auto found = other.m_items.find(path);
    if (found == other.m_items.end())
      out << "- " << path << " " << item << "\n";
    else if (!(found->second == item))
      out << "~ " << path << " " << item << " -> " << found->second << "\n";
  }
  for (const auto& [path, item] : other.m_items)
    if (m_items.find(path) == m_items.end()) out << "+ " << path << " " << item << "\n";
  return out.str();
}

::testing::AssertionResult sameTree(const TreeSnapshot& expected, const TreeSnapshot& actual) {
  const std::string difference = expected.diff(actual);
  if (difference.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the trees differ:\n" << difference;
}

std::ostream& operator<<(std::ostream& out, const TreeItem& item) {
  out << item.kind << " mode " << std::oct << item.mode << std::dec;
  if (item.kind == 'f') out << " size " << item.size << " sha256 " << item.digest.substr(0, 12);
  if (item.kind == 'l') out << " -> " << item.digest;
  return out;
}

void PrintTo(const TreeSnapshot& snapshot, std::ostream* out) {
  for (const auto& [path, item] : snapshot.items()) *out << path << " " << item << "\n";
}

}  // namespace testsupport
