#include <gtest/gtest.h>

#include <string>

#include "support/TempDir.h"
#include "trust/MinisignFormat.h"
#include "trust/MinisignSigner.h"
#include "trust/SignatureVerifier.h"
#include "trust/SignedRelease.h"

namespace {
constexpr uint64_t kNow = 1800000000;

class SignatureTest : public TempDirTest {
 protected:
  SignatureTest() {
    EXPECT_TRUE(GenerateKeyPair(secret, key));
    list = m_dir.Child("Vanto.lst");
    EXPECT_TRUE(WriteWholeFile(list, "app.exe|bin|2|EXE|20260101000000|10|" + std::string(64, 'a') + "\r\n"));
  }

  std::string Sign(const std::string& path, const std::string& comment,
                   MinisignAlgorithm algorithm = MinisignAlgorithm::Hashed) {
    MinisignSignature signature;
    EXPECT_TRUE(SignFile(secret, path, algorithm, comment, signature));
    return SignatureFileText(signature, "signature from minisign secret key");
  }
  std::string Stamp(uint64_t t) { return "timestamp:" + std::to_string(t) + "\tfile:Vanto.lst\thashed"; }

  ReleaseCheck Check(const std::string& sigText, uint64_t lastAccepted = 0) {
    ReleaseRules rules;
    rules.fileName = "Vanto.lst";
    rules.now = kNow;
    rules.lastAccepted = lastAccepted;
    return CheckSignedRelease(key, sigText, list, rules);
  }

  MinisignSecretKey secret;
  MinisignPublicKey key;
  std::string list;
};

TEST_F(SignatureTest, BothAlgorithmsVerifyAndKeysRoundTripThroughTheirText) {
  for (MinisignAlgorithm algorithm : {MinisignAlgorithm::Hashed, MinisignAlgorithm::Legacy}) {
    const std::string text = Sign(list, Stamp(kNow), algorithm);
    MinisignSignature parsed;
    std::string reason;
    ASSERT_TRUE(ParseSignature(text, parsed, reason)) << reason;
    EXPECT_EQ(parsed.algorithm, algorithm);
    EXPECT_EQ(VerifySignedFile(key, parsed, list), SignatureFault::None);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(list, &bytes));
    EXPECT_EQ(VerifySignedBytes(key, parsed, bytes), SignatureFault::None);
    EXPECT_EQ(Check(text).verdict, ReleaseVerdict::Accepted);
  }
  // Public key: the base64 line alone or the whole file.
  for (const std::string& text : {PublicKeyLine(key), PublicKeyFileText(key), "  " + PublicKeyLine(key) + "\r\n"}) {
    MinisignPublicKey parsed;
    std::string reason;
    ASSERT_TRUE(ParsePublicKey(text, parsed, reason)) << text;
    EXPECT_EQ(parsed.key, key.key);
    EXPECT_EQ(parsed.keyId, key.keyId);
  }
  EXPECT_EQ(PublicKeyLine(key).substr(0, 2), "RW");
  // A plain secret key file.
  std::string plain;
  ASSERT_TRUE(SecretKeyFileText(secret, nullptr, plain));
  MinisignSecretKeyFile file;
  MinisignSecretKey back;
  std::string reason;
  ASSERT_TRUE(ParseSecretKeyFile(plain, file, reason)) << reason;
  EXPECT_FALSE(file.encrypted);
  ASSERT_TRUE(UnlockSecretKey(file, "", back, reason)) << reason;
  EXPECT_EQ(back.key, secret.key);
  EXPECT_EQ(PublicKeyOf(back).key, key.key);
}

TEST_F(SignatureTest, EncryptedSecretKeyNeedsItsPassword) {
  const std::string password = "s3cret 비밀";
  std::string text;
  ASSERT_TRUE(SecretKeyFileText(secret, &password, text, kScryptInteractive));
  MinisignSecretKeyFile file;
  std::string reason;
  ASSERT_TRUE(ParseSecretKeyFile(text, file, reason)) << reason;
  EXPECT_TRUE(file.encrypted);
  MinisignSecretKey back;
  EXPECT_FALSE(UnlockSecretKey(file, "wrong", back, reason));
  EXPECT_EQ(reason, "wrong password");
  ASSERT_TRUE(UnlockSecretKey(file, password, back, reason)) << reason;
  EXPECT_EQ(back.key, secret.key);
  EXPECT_EQ(back.keyId, secret.keyId);
}

TEST_F(SignatureTest, EveryDamagedOrForeignSignatureIsRefusedWithItsReason) {
  const std::string good = Sign(list, Stamp(kNow));
  const std::size_t line2 = good.find('\n') + 1;
  const std::size_t line3 = good.find('\n', line2) + 1;
  MinisignSecretKey otherSecret;
  MinisignPublicKey otherKey;
  ASSERT_TRUE(GenerateKeyPair(otherSecret, otherKey));
  const std::string otherList = m_dir.Child("Other.lst");
  ASSERT_TRUE(WriteWholeFile(otherList, "other.dll|bin|2|REG\r\n"));
  MinisignSignature foreign;
  ASSERT_TRUE(SignFile(otherSecret, list, MinisignAlgorithm::Hashed, Stamp(kNow), foreign));
  // The signature line re-encoded from 73 bytes: valid base64, wrong length.
  const std::string shortLine = EncodeBase64(reinterpret_cast<const uint8_t*>(std::string(73, 'E').data()), 73);
  std::string tamperedComment = good;
  tamperedComment.replace(good.find("timestamp:") + 10, 1, "9");
  std::string badGlobal = good;
  badGlobal[badGlobal.size() - 5] = badGlobal[badGlobal.size() - 5] == 'A' ? 'B' : 'A';

  struct Case {
    const char* name;
    std::string text;
    ReleaseVerdict verdict;
    const char* reason;
  };
  const Case cases[] = {
      {"empty", "", ReleaseVerdict::Damaged, "no untrusted comment line"},
      {"truncated", good.substr(0, line3 + 10), ReleaseVerdict::Damaged, "no trusted comment"},
      {"oversized", "untrusted comment: " + std::string(5000, 'x') + good.substr(line2 - 1), ReleaseVerdict::Damaged,
       "larger than 4096"},
      {"untrusted comment only", good.substr(0, line2), ReleaseVerdict::Damaged, "no signature line"},
      {"base64 garbage", good.substr(0, line2) + "RU!!not*base64\n" + good.substr(line3), ReleaseVerdict::Damaged,
       "not valid base64"},
      {"wrong-length signature line", good.substr(0, line2) + shortLine + "\n" + good.substr(line3),
       ReleaseVerdict::Damaged, "not valid base64 of 74"},
      {"unknown algorithm", good.substr(0, line2) + "RX" + good.substr(line2 + 2), ReleaseVerdict::Damaged, ""},
      {"other key id", SignatureFileText(foreign, "x"), ReleaseVerdict::OtherKey, "expected"},
      {"trusted comment changed", tamperedComment, ReleaseVerdict::Mismatch, "trusted comment"},
      {"global signature changed", badGlobal, ReleaseVerdict::Mismatch, "trusted comment"},
      {"another list's signature", Sign(otherList, Stamp(kNow)), ReleaseVerdict::Mismatch, "does not match the file"},
      {"no timestamp", Sign(list, "file:Vanto.lst\thashed"), ReleaseVerdict::NoTimestamp, "no timestamp"},
      {"timestamp not a number", Sign(list, "timestamp:12x4"), ReleaseVerdict::NoTimestamp, "no timestamp"},
      {"far-future timestamp", Sign(list, Stamp(kNow + 2 * 86400)), ReleaseVerdict::FutureTimestamp, "more than a day"},
      {"signed for another file", Sign(list, "timestamp:1800000000\tfile:Other.lst"), ReleaseVerdict::OtherFile,
       "Other.lst"},
  };
  for (const Case& c : cases) {
    const ReleaseCheck check = Check(c.text);
    EXPECT_EQ(check.verdict, c.verdict) << c.name << ": " << check.reason;
    EXPECT_NE(check.reason.find(c.reason), std::string::npos) << c.name << ": " << check.reason;
  }

  // One byte of the file changed after signing.
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(list, &bytes));
  bytes[3] ^= 1;
  ASSERT_TRUE(WriteWholeFile(list, bytes));
  EXPECT_EQ(Check(good).verdict, ReleaseVerdict::Mismatch);
  EXPECT_EQ(Check(Sign(list, Stamp(kNow)), 0).verdict, ReleaseVerdict::Accepted);
  // The file is gone.
  EXPECT_EQ(CheckSignedRelease(key, good, m_dir.Child("missing"), ReleaseRules()).verdict, ReleaseVerdict::Unreadable);
}

TEST_F(SignatureTest, OlderReleasesAreRefusedNewerAndEqualAccepted) {
  const std::string text = Sign(list, Stamp(kNow - 100));
  EXPECT_EQ(Check(text, kNow - 101).verdict, ReleaseVerdict::Accepted);
  EXPECT_EQ(Check(text, kNow - 100).verdict, ReleaseVerdict::Accepted);
  const ReleaseCheck older = Check(text, kNow - 99);
  EXPECT_EQ(older.verdict, ReleaseVerdict::Rollback);
  EXPECT_EQ(older.timestamp, kNow - 100);
  // A clock a few hours behind the publisher's is not the far future.
  EXPECT_EQ(Check(Sign(list, Stamp(kNow + 3600))).verdict, ReleaseVerdict::Accepted);
  // Without the timestamp rule (the program file) a comment without one passes.
  ReleaseRules rules;
  rules.requireTimestamp = false;
  rules.now = kNow;
  EXPECT_EQ(CheckSignedRelease(key, Sign(list, "no time"), list, rules).verdict, ReleaseVerdict::Accepted);
}

TEST(TrustedComment, FieldsAreFoundInAnyOrder) {
  TrustedCommentFields f = ParseTrustedComment("timestamp:1700000000\tfile:list.txt\thashed");
  EXPECT_TRUE(f.hasTimestamp);
  EXPECT_EQ(f.timestamp, 1700000000u);
  EXPECT_EQ(f.file, "list.txt");
  f = ParseTrustedComment("file:a b.txt\ttimestamp:5");
  EXPECT_EQ(f.timestamp, 5u);
  EXPECT_EQ(f.file, "a b.txt");
  EXPECT_FALSE(ParseTrustedComment("timestamp:").hasTimestamp);
  EXPECT_FALSE(ParseTrustedComment("timestamp:99999999999999999999").hasTimestamp);
  EXPECT_FALSE(ParseTrustedComment("my timestamp:5").hasTimestamp);
}
}  // namespace
