#include "config/IniCrypt.h"

#include <gtest/gtest.h>

#include "config/DesCipher.h"
#include "config/IniEncrypt.h"
#include "config/IniReader.h"
#include "support/TempDir.h"

namespace {
// "abc" in DES-CBC/PKCS#5 with the program's key and IV, as OpenSSL makes it.
const std::string kAbcFile = std::string("#ENCRYPT#") + std::string("\x31\x58\x92\x44\xa3\x2c\x00\xa4", 8);
}  // namespace

class IniCryptTest : public TempDirTest {
 protected:
  std::string Decrypt(const std::string& bytes, int* decrypted, int markerRequired = 1) {
    const std::string path = m_dir.Child("f.ini");
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return DecryptIniFile(path, markerRequired, decrypted);
  }
};

TEST(GetIniCipherKey, FixedKeyAndIv) {
  uint8_t key[8];
  uint8_t iv[8];
  size_t keyLength = 0;
  size_t ivLength = 0;
  GetIniCipherKey(key, &keyLength, iv, &ivLength);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(key), keyLength), "mz5062mz");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(iv), ivLength), "kq4837kq");
}

TEST(EncryptIniContent, AbcIsSeventeenBytes) {
  ASSERT_EQ(kAbcFile.size(), 17u);
  EXPECT_EQ(EncryptIniContent("abc"), kAbcFile);
  EXPECT_EQ(EncryptIniContent("").size(), 17u);  // one whole pad block
  EXPECT_EQ(EncryptIniContent("12345678").size(), 9u + 16u);
}

TEST_F(IniCryptTest, AbcFileDecrypts) {
  int decrypted = 0;
  EXPECT_EQ(Decrypt(kAbcFile, &decrypted), "abc");
  EXPECT_EQ(decrypted, 1);
}

TEST_F(IniCryptTest, PlainFileComesBackUnchanged) {
  int decrypted = 5;
  EXPECT_EQ(Decrypt("[S]\r\nA=1\r\n", &decrypted), "[S]\r\nA=1\r\n");
  EXPECT_EQ(decrypted, 0);
  EXPECT_EQ(Decrypt(std::string("[S]\nA=1\0\nB=2", 12), &decrypted), "[S]\nA=1");
  EXPECT_EQ(decrypted, 0);
  EXPECT_EQ(Decrypt("", &decrypted), "");
  EXPECT_EQ(Decrypt(std::string("\0#ENCRYPT#", 10), &decrypted), "");
  EXPECT_EQ(decrypted, 0);
}

TEST_F(IniCryptTest, MarkerOnlyIsEmptyAndDecrypted) {
  int decrypted = 0;
  EXPECT_EQ(Decrypt("#ENCRYPT#", &decrypted), "");
  EXPECT_EQ(decrypted, 1);
}

TEST_F(IniCryptTest, RaggedCiphertextGivesRawText) {
  int decrypted = 5;
  const std::string file = kAbcFile.substr(0, 15);  // 6 bytes of ciphertext, no zero byte
  EXPECT_EQ(Decrypt(file, &decrypted), file);
  EXPECT_EQ(decrypted, 0);
  // A trailing byte too many also makes the last block incomplete.
  EXPECT_EQ(Decrypt(kAbcFile + "x", &decrypted), "#ENCRYPT#\x31\x58\x92\x44\xa3\x2c");
  EXPECT_EQ(decrypted, 0);
}

TEST_F(IniCryptTest, BadPaddingGivesRawText) {
  std::string file = EncryptIniContent("[VANTO]\nA=1\n");
  file.back() = static_cast<char>(file.back() ^ 0x5A);
  int decrypted = 5;
  const std::string text = Decrypt(file, &decrypted);
  EXPECT_EQ(decrypted, 0);
  EXPECT_EQ(text.rfind("#ENCRYPT#", 0), 0u);
}

TEST_F(IniCryptTest, FullPadBlockRemoved) {
  int decrypted = 0;
  const std::string plain = "[VANTO]\nTARGET=C:\\x\n1234";  // 24 bytes: 8 pad bytes follow
  ASSERT_EQ(plain.size() % 8, 0u);
  EXPECT_EQ(Decrypt(EncryptIniContent(plain), &decrypted), plain);
  EXPECT_EQ(decrypted, 1);
}

TEST_F(IniCryptTest, RoundTripOfManyLengths) {
  std::string plain;
  for (int length = 0; length < 40; ++length) {
    int decrypted = 0;
    EXPECT_EQ(Decrypt(EncryptIniContent(plain), &decrypted), plain) << length;
    EXPECT_EQ(decrypted, 1) << length;
    plain += static_cast<char>('A' + length % 26);
  }
  int decrypted = 0;
  const std::string korean = "[VANTO]\r\nDESKTOP_LINK_NAME=업데이트 관리\r\n";
  EXPECT_EQ(Decrypt(EncryptIniContent(korean), &decrypted), korean);
}

TEST_F(IniCryptTest, MarkerLaterStillDecryptsFromOffsetNine) {
  // "[VANTO]\n#ENCRYPT#" then one block: decryption starts at byte 9, so the
  // first ciphertext block is "ENCRYPT#" and the crafted second block
  // carries a valid full pad.
  uint8_t key[8];
  uint8_t iv[8];
  size_t keyLength = 0;
  size_t ivLength = 0;
  GetIniCipherKey(key, &keyLength, iv, &ivLength);
  uint32_t ks[16][2];
  DesKeySchedule(key, ks);
  const uint8_t* c1 = reinterpret_cast<const uint8_t*>("ENCRYPT#");
  uint8_t p1[8];
  DesDecryptBlock(ks, c1, p1);
  for (int i = 0; i < 8; ++i) p1[i] ^= iv[i];
  uint8_t padded[8];
  for (int i = 0; i < 8; ++i) padded[i] = static_cast<uint8_t>(8 ^ c1[i]);
  uint8_t c2[8];
  DesEncryptBlock(ks, padded, c2);

  const std::string file = "[VANTO]\n#ENCRYPT#" + std::string(reinterpret_cast<char*>(c2), 8);
  std::string expected(reinterpret_cast<char*>(p1), 8);
  expected = expected.substr(0, expected.find('\0'));
  int decrypted = 0;
  EXPECT_EQ(Decrypt(file, &decrypted), expected);
  EXPECT_EQ(decrypted, 1);
}

TEST_F(IniCryptTest, WithoutMarkerRequirementWholeFileIsCiphertext) {
  int decrypted = 0;
  EXPECT_EQ(Decrypt(kAbcFile.substr(9), &decrypted, 0), "abc");
  EXPECT_EQ(decrypted, 1);
}

TEST_F(IniCryptTest, GetIniFileContentReportsDecryption) {
  const std::string path = m_dir.Child("g.ini");
  ASSERT_TRUE(WriteWholeFile(path, kAbcFile));
  int decrypted = 0;
  EXPECT_EQ(GetIniFileContent(path, &decrypted), "abc");
  EXPECT_EQ(decrypted, 1);
}

TEST_F(IniCryptTest, UnreadableFileIsEmpty) {
  int decrypted = 5;
  EXPECT_EQ(DecryptIniFile(m_dir.Child("missing.ini"), 1, &decrypted), "");
  EXPECT_EQ(decrypted, 0);
}
