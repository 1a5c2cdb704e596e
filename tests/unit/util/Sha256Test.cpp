#include "util/Sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/TempDir.h"

namespace {
// Published test vectors of SHA-256.
struct Vector {
  std::string text;
  const char* digest;
};
const Vector kVectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

TEST(Sha256Test, KnownVectorsWholeAndInPieces) {
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(v.text.substr(0, 10));
    EXPECT_EQ(Sha256OfText(v.text), v.digest);
    CSha256 hash;
    ASSERT_TRUE(hash.IsReady());
    for (size_t at = 0; at < v.text.size(); at += 4093)
      ASSERT_TRUE(hash.Update(v.text.data() + at, std::min<size_t>(4093, v.text.size() - at)));
    std::string digest;
    ASSERT_TRUE(hash.Finish(digest));
    EXPECT_EQ(digest, v.digest);
    EXPECT_FALSE(hash.Finish(digest)) << "a finished hash is spent";
  }
}

TEST(Sha256Test, FileIsReadInBlocks) {
  ScopedTempDir dir;
  // Sizes around the read block (64 KiB): one short, exact, one over, several.
  for (size_t size : {size_t(0), size_t(65535), size_t(65536), size_t(65537), size_t(300001)}) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131) ^ (i >> 8));
    const std::string path = dir.Child("f" + std::to_string(size));
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    std::string digest;
    ASSERT_TRUE(Sha256OfFile(path, digest)) << size;
    EXPECT_EQ(digest, Sha256OfText(bytes)) << size;
  }
  std::string digest = "unchanged";
  EXPECT_FALSE(Sha256OfFile(dir.Child("missing"), digest));
  EXPECT_EQ(digest, "unchanged");
}

TEST(Sha256Test, HexTexts) {
  const std::string lower = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
  EXPECT_TRUE(IsSha256Hex(lower));
  EXPECT_TRUE(IsSha256Hex("0123456789ABCDEF0123456789abcdef0123456789ABCDEF0123456789abcdef"));
  EXPECT_FALSE(IsSha256Hex(lower.substr(1)));
  EXPECT_FALSE(IsSha256Hex(lower + "0"));
  EXPECT_FALSE(IsSha256Hex("g" + lower.substr(1)));
  EXPECT_FALSE(IsSha256Hex(" " + lower.substr(1)));
  EXPECT_EQ(LowerHex("09AFaf"), "09afaf");
}
}  // namespace
