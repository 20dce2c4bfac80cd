#include "support/md5_t.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

using vesko::md5_t;

namespace {

std::string hex(md5_t::digest_t const& digest) {
  std::string result;
  char byte[3];
  for (std::uint8_t b : digest) {
    std::snprintf(byte, sizeof byte, "%02x", b);
    result += byte;
  }
  return result;
}

std::string digest_of(std::string const& message) {
  md5_t md5;
  md5.update(message.data(), std::uint32_t(message.size()));
  return hex(md5.final());
}

struct Vector {
  std::string message;
  char const* digest;
};

// The test suite of RFC 1321, then messages around the padding boundary:
// up to 55 bytes the length fits behind the 0x80 in the same block, from 56
// on it takes a second one.
Vector const vectors[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
    {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
    {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
    {std::string(57, 'a'), "652b906d60af96844ebd21b674f35e93"},
    {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
    {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
    {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
    {std::string(119, 'a'), "8a7bd0732ed6a28ce75f6dabc90e1613"},
    {std::string(120, 'a'), "5f61c0ccad4cac44c75ff505e1f1e537"},
};

}  // namespace

TEST(Md5, DigestsOfKnownMessages) {
  for (Vector const& v : vectors) {
    SCOPED_TRACE("length " + std::to_string(v.message.size()));
    EXPECT_EQ(digest_of(v.message), v.digest);
  }
}

TEST(Md5, ChunksOfAnySizeGiveTheSameDigest) {
  for (Vector const& v : vectors) {
    for (std::size_t chunk : {1u, 3u, 63u, 64u, 65u}) {
      SCOPED_TRACE("length " + std::to_string(v.message.size()) + " in chunks of " +
                   std::to_string(chunk));
      md5_t md5;
      for (std::size_t at = 0; at < v.message.size(); at += chunk) {
        std::size_t size = std::min(chunk, v.message.size() - at);
        md5.update(v.message.data() + at, std::uint32_t(size));
      }
      md5.update(nullptr, 0);
      EXPECT_EQ(hex(md5.final()), v.digest);
    }
  }
}

TEST(Md5, FinalStartsTheNextMessage) {
  md5_t md5;
  md5.update("abc", 3);
  EXPECT_EQ(hex(md5.final()), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(hex(md5.final()), "d41d8cd98f00b204e9800998ecf8427e");
  md5.update("xyz", 3);
  md5.reset();
  md5.update("a", 1);
  EXPECT_EQ(hex(md5.final()), "0cc175b9c0f1b6a831c399e269772661");
}
