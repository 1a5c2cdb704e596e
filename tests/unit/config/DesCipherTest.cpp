#include "config/DesCipher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Hex(const std::string& hex) {
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    if (hex[i] == ' ') {
      --i;
      continue;
    }
    out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Runs the whole input through the engine in pieces of the given size.
int Decrypt(int32_t mode, int32_t padding, const Bytes& key, const Bytes* iv, const Bytes& in,
            Bytes* out, size_t piece = 0) {
  DesContext ctx;
  DesInit(mode, padding, iv ? iv->data() : nullptr, ctx);
  int rc = DesSetKey(key.data(), key.size(), ctx);
  if (rc) return rc;
  DesReset(ctx);
  out->clear();
  if (piece == 0) piece = in.size() ? in.size() : 1;
  std::vector<uint8_t> buffer(piece + 16);
  for (size_t at = 0; at < in.size(); at += piece) {
    const size_t n = std::min(piece, in.size() - at);
    size_t got = 0;
    rc = DesUpdate(ctx, in.data() + at, n, buffer.data(), &got);
    if (rc) return rc;
    out->insert(out->end(), buffer.begin(), buffer.begin() + static_cast<long>(got));
  }
  size_t got = 0;
  rc = DesFinal(ctx, buffer.data(), &got);
  if (rc) return rc;
  out->insert(out->end(), buffer.begin(), buffer.begin() + static_cast<long>(got));
  return 0;
}

uint32_t (*Schedule(const Bytes& key, uint32_t ks[16][2]))[2] {
  DesKeySchedule(key.data(), ks);
  return ks;
}
}  // namespace

// Published single-block known answers (FIPS 46 worked example, NBS/NIST
// validation vectors).
TEST(DesBlock, KnownAnswers) {
  struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
  } vectors[] = {
      {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
      {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
      {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
      {"0101010101010101", "95F8A5E5DD31D900", "8000000000000000"},
      {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
      {"7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
      {"0131D9619DC1376E", "5CD54CA83DEF57DA", "7A389D10354BD271"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "ED39D950FA74BCC4"},
  };
  for (const Vector& v : vectors) {
    uint32_t ks[16][2];
    Schedule(Hex(v.key), ks);
    uint8_t out[8];
    DesEncryptBlock(ks, Hex(v.plain).data(), out);
    EXPECT_EQ(Bytes(out, out + 8), Hex(v.cipher)) << v.key;
    DesDecryptBlock(ks, Hex(v.cipher).data(), out);
    EXPECT_EQ(Bytes(out, out + 8), Hex(v.plain)) << v.key;
  }
}

// The modes-of-operation examples: "Now is the time for all " under key
// 0123456789abcdef and IV 1234567890abcdef.
class DesModes : public ::testing::Test {
 protected:
  const Bytes key = Hex("0123456789abcdef");
  const Bytes iv = Hex("1234567890abcdef");
  const Bytes plain = Text("Now is the time for all ");
};

TEST_F(DesModes, EcbKnownAnswer) {
  Bytes out;
  ASSERT_EQ(Decrypt(DES_MODE_ECB, DES_PAD_NONE, key, nullptr,
                    Hex("3fa40e8a984d4815 6a271787ab8883f9 893d51ec4b563b53"), &out), 0);
  EXPECT_EQ(out, plain);
}

TEST_F(DesModes, CbcKnownAnswerInAnyPieces) {
  const Bytes cipher = Hex("e5c7cdde872bf27c 43e934008c389c0f 683788499a7c05f6");
  for (size_t piece : {0, 1, 3, 7, 8, 9, 16, 24}) {
    Bytes out;
    ASSERT_EQ(Decrypt(DES_MODE_CBC, DES_PAD_NONE, key, &iv, cipher, &out, piece), 0) << piece;
    EXPECT_EQ(out, plain) << piece;
  }
}

TEST_F(DesModes, OfbKnownAnswer) {
  Bytes out;
  ASSERT_EQ(Decrypt(DES_MODE_OFB, DES_PAD_NONE, key, &iv,
                    Hex("f3096249c7f46e51 35f24a242eeb3d3f 3d6d5be3255af8c3"), &out, 5), 0);
  EXPECT_EQ(out, plain);
}

TEST_F(DesModes, CfbKnownAnswer) {
  Bytes out;
  ASSERT_EQ(Decrypt(DES_MODE_CFB, DES_PAD_NONE, key, &iv,
                    Hex("f3096249c7f46e51 a69e839b1a92f784 03467133898ea622"), &out, 11), 0);
  EXPECT_EQ(out, plain);
}

TEST_F(DesModes, FeedbackModesMayEndInPartialBlock) {
  Bytes out;
  ASSERT_EQ(Decrypt(DES_MODE_OFB, DES_PAD_NONE, key, &iv, Hex("f3096249c7f46e5135f24a"), &out), 0);
  EXPECT_EQ(out, Text("Now is the "));
  ASSERT_EQ(Decrypt(DES_MODE_CFB, DES_PAD_NONE, key, &iv, Hex("f3096249c7f46e51a69e"), &out), 0);
  EXPECT_EQ(out, Text("Now is the"));
}

TEST(DesEngine, HoldBackContract) {
  const Bytes key = Text("mz5062mz");
  DesContext ctx;
  ASSERT_EQ(DesInit(DES_MODE_ECB, DES_PAD_NONE, nullptr, ctx), 0);
  ASSERT_EQ(DesSetKey(key.data(), 8, ctx), 0);
  ASSERT_EQ(DesReset(ctx), 0);
  uint8_t in[24] = {};
  uint8_t out[40];
  size_t got = 99;
  ASSERT_EQ(DesUpdate(ctx, in, 8, out, &got), 0);  // one whole block: held back
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(ctx.pendingCount, 8u);
  ASSERT_EQ(DesUpdate(ctx, in, 1, out, &got), 0);
  EXPECT_EQ(got, 8u);
  EXPECT_EQ(ctx.pendingCount, 1u);
  ASSERT_EQ(DesUpdate(ctx, in, 23, out, &got), 0);  // 24 in total: 16 out, 8 kept
  EXPECT_EQ(got, 16u);
  EXPECT_EQ(ctx.pendingCount, 8u);
  ASSERT_EQ(DesFinal(ctx, out, &got), 0);
  EXPECT_EQ(got, 8u);
  EXPECT_EQ(ctx.pendingCount, 0u);
  ASSERT_EQ(DesFinal(ctx, out, &got), 0);  // nothing held back
  EXPECT_EQ(got, 0u);
}

TEST(DesEngine, ErrorCodes) {
  const Bytes key = Text("mz5062mz");
  DesContext ctx;
  EXPECT_EQ(DesSetKey(key.data(), 7, ctx), DES_ERR_KEY_LENGTH);
  EXPECT_EQ(DesSetKey(key.data(), 9, ctx), DES_ERR_KEY_LENGTH);
  EXPECT_EQ(DesInit(9, DES_PAD_NONE, nullptr, ctx), DES_ERR_PARAMETER);
  uint8_t buf[32] = {};
  size_t got = 0;
  EXPECT_EQ(DesUpdate(ctx, buf, 16, buf + 16, &got), DES_ERR_PARAMETER);  // unknown mode
  EXPECT_EQ(DesFinal(ctx, buf, &got), DES_ERR_PARAMETER);
  EXPECT_EQ(DesInit(DES_MODE_CBC, 3, nullptr, ctx), DES_ERR_PARAMETER);

  ASSERT_EQ(DesInit(DES_MODE_CBC, DES_PAD_PKCS5, nullptr, ctx), 0);
  ASSERT_EQ(DesSetKey(key.data(), 8, ctx), 0);
  DesReset(ctx);
  EXPECT_EQ(DesUpdate(ctx, buf, 16, buf, &got), DES_ERR_PARAMETER);  // same buffer
  ASSERT_EQ(DesUpdate(ctx, buf, 5, buf + 16, &got), 0);
  EXPECT_EQ(DesFinal(ctx, buf + 16, &got), DES_ERR_INCOMPLETE);
}

TEST(DesEngine, InvalidPaddingRejected) {
  // Encrypt blocks whose last byte is not a valid pad and feed them back.
  const Bytes key = Text("mz5062mz");
  uint32_t ks[16][2];
  DesKeySchedule(key.data(), ks);
  for (const char* last : {"4142434445464700", "4142434445464709", "4142434445020303",
                           "0808080808080807"}) {
    uint8_t cipher[8];
    DesEncryptBlock(ks, Hex(last).data(), cipher);
    Bytes out;
    EXPECT_EQ(Decrypt(DES_MODE_ECB, DES_PAD_PKCS5, key, nullptr, Bytes(cipher, cipher + 8), &out),
              DES_ERR_PADDING)
        << last;
  }
  for (const char* good : {"4142434445464701", "4142434445030303", "0808080808080808"}) {
    uint8_t cipher[8];
    DesEncryptBlock(ks, Hex(good).data(), cipher);
    Bytes out;
    EXPECT_EQ(Decrypt(DES_MODE_ECB, DES_PAD_PKCS5, key, nullptr, Bytes(cipher, cipher + 8), &out),
              0)
        << good;
    EXPECT_EQ(out.size(), 8u - Hex(good)[7]);
  }
}

TEST(DesEngine, WeakAndSemiWeakKeysRefused) {
  const char* weak[] = {"0101010101010101", "FEFEFEFEFEFEFEFE", "E0E0E0E0F1F1F1F1",
                        "1F1F1F1F0E0E0E0E", "011F011F010E010E", "1F011F010E010E01",
                        "01E001E001F101F1", "E001E001F101F101", "01FE01FE01FE01FE",
                        "FE01FE01FE01FE01", "1FE01FE00EF10EF1", "E01FE01FF10EF10E",
                        "1FFE1FFE0EFE0EFE", "FE1FFE1FFE0EFE0E", "E0FEE0FEF1FEF1FE",
                        "FEE0FEE0FEF1FEF1"};
  DesContext ctx;
  for (const char* k : weak) EXPECT_EQ(DesSetKey(Hex(k).data(), 8, ctx), DES_ERR_WEAK_KEY) << k;
  // Parity bits do not matter.
  EXPECT_EQ(DesSetKey(Hex("0000000000000000").data(), 8, ctx), DES_ERR_WEAK_KEY);
  EXPECT_EQ(DesSetKey(Hex("E1E1E1E1F0F0F0F0").data(), 8, ctx), DES_ERR_WEAK_KEY);
  EXPECT_EQ(DesSetKey(Hex("0123456789ABCDEF").data(), 8, ctx), DES_OK);
  EXPECT_EQ(DesSetKey(Hex("0101010101010103").data(), 8, ctx), DES_OK);
}
