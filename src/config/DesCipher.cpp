#include "config/DesCipher.h"

#include <cstring>

namespace {
// Permutation tables of the standard, bit 1 being the most significant bit.
const unsigned char kIp[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};
const unsigned char kFp[64] = {
    40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
    38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
    36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
    34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25};
const unsigned char kE[48] = {
    32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,
    12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,
    22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};
const unsigned char kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                              2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};
const unsigned char kPc1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};
const unsigned char kPc2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
                                23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
                                41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
                                44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};
const unsigned char kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};
const unsigned char kSBox[8][64] = {
    {14, 4,  13, 1,  2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0,  7,
     0,  15, 7,  4,  14, 2,  13, 1,  10, 6,  12, 11, 9,  5,  3,  8,
     4,  1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,  3,  10, 5,  0,
     15, 12, 8,  2,  4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7,  2,  13, 12, 0,  5,  10,
     3,  13, 4,  7,  15, 2,  8,  14, 12, 0,  1,  10, 6,  9,  11, 5,
     0,  14, 7,  11, 10, 4,  13, 1,  5,  8,  12, 6,  9,  3,  2,  15,
     13, 8,  10, 1,  3,  15, 4,  2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6,  3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,
     13, 7,  0,  9,  3,  4,  6,  10, 2,  8,  5,  14, 12, 11, 15, 1,
     13, 6,  4,  9,  8,  15, 3,  0,  11, 1,  2,  12, 5,  10, 14, 7,
     1,  10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3,  0,  6,  9,  10, 1,  2,  8,  5,  11, 12, 4,  15,
     13, 8,  11, 5,  6,  15, 0,  3,  4,  7,  2,  12, 1,  10, 14, 9,
     10, 6,  9,  0,  12, 11, 7,  13, 15, 1,  3,  14, 5,  2,  8,  4,
     3,  15, 0,  6,  10, 1,  13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0,  14, 9,
     14, 11, 2,  12, 4,  7,  13, 1,  5,  0,  15, 10, 3,  9,  8,  6,
     4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,  6,  3,  0,  14,
     11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11,
     10, 15, 4,  2,  7,  12, 9,  5,  6,  1,  13, 14, 0,  11, 3,  8,
     9,  14, 15, 5,  2,  8,  12, 3,  7,  0,  4,  10, 1,  13, 11, 6,
     4,  3,  2,  12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0,  8,  13, 3,  12, 9,  7,  5,  10, 6,  1,
     13, 0,  11, 7,  4,  9,  1,  10, 14, 3,  5,  12, 2,  15, 8,  6,
     1,  4,  11, 13, 12, 3,  7,  14, 10, 15, 6,  8,  0,  5,  9,  2,
     6,  11, 13, 8,  1,  4,  10, 7,  9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,
     1,  15, 13, 8,  10, 3,  7,  4,  12, 5,  6,  11, 0,  14, 9,  2,
     7,  11, 4,  1,  9,  12, 14, 2,  0,  6,  10, 13, 15, 3,  5,  8,
     2,  1,  14, 7,  4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11}};

// Weak and semi-weak keys of the DES guidelines, with parity bits cleared.
const uint64_t kWeakKeys[16] = {
    0x0101010101010101ULL, 0xFEFEFEFEFEFEFEFEULL, 0xE0E0E0E0F1F1F1F1ULL, 0x1F1F1F1F0E0E0E0EULL,
    0x011F011F010E010EULL, 0x1F011F010E010E01ULL, 0x01E001E001F101F1ULL, 0xE001E001F101F101ULL,
    0x01FE01FE01FE01FEULL, 0xFE01FE01FE01FE01ULL, 0x1FE01FE00EF10EF1ULL, 0xE01FE01FF10EF10EULL,
    0x1FFE1FFE0EFE0EFEULL, 0xFE1FFE1FFE0EFE0EULL, 0xE0FEE0FEF1FEF1FEULL, 0xFEE0FEE0FEF1FEF1ULL};
constexpr uint64_t kParityMask = 0xFEFEFEFEFEFEFEFEULL;

uint64_t Permute(uint64_t in, int inBits, const unsigned char* table, int outBits) {
  uint64_t out = 0;
  for (int i = 0; i < outBits; ++i) out = (out << 1) | ((in >> (inBits - table[i])) & 1);
  return out;
}

uint64_t LoadBlock(const uint8_t b[8]) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | b[i];
  return v;
}

void StoreBlock(uint64_t v, uint8_t b[8]) {
  for (int i = 7; i >= 0; --i) {
    b[i] = static_cast<uint8_t>(v);
    v >>= 8;
  }
}

uint32_t Feistel(uint32_t r, uint64_t subkey) {
  const uint64_t x = Permute(r, 32, kE, 48) ^ subkey;
  uint32_t s = 0;
  for (int i = 0; i < 8; ++i) {
    const unsigned b = static_cast<unsigned>(x >> (42 - 6 * i)) & 0x3F;
    const unsigned row = ((b >> 4) & 2) | (b & 1);
    const unsigned col = (b >> 1) & 0xF;
    s = (s << 4) | kSBox[i][row * 16 + col];
  }
  return static_cast<uint32_t>(Permute(s, 32, kP, 32));
}

uint64_t Subkey(const uint32_t schedule[16][2], int round) {
  return (static_cast<uint64_t>(schedule[round][0]) << 24) | schedule[round][1];
}

void Crypt(const uint32_t schedule[16][2], const uint8_t in[8], uint8_t out[8], bool decrypt) {
  const uint64_t ip = Permute(LoadBlock(in), 64, kIp, 64);
  uint32_t l = static_cast<uint32_t>(ip >> 32);
  uint32_t r = static_cast<uint32_t>(ip);
  for (int i = 0; i < 16; ++i) {
    const uint32_t next = l ^ Feistel(r, Subkey(schedule, decrypt ? 15 - i : i));
    l = r;
    r = next;
  }
  const uint64_t preOutput = (static_cast<uint64_t>(r) << 32) | l;
  StoreBlock(Permute(preOutput, 64, kFp, 64), out);
}

bool KnownMode(int32_t mode) { return mode >= DES_MODE_ECB && mode <= DES_MODE_CFB; }

// One block of the engine's direction: decryption for ECB and CBC, the
// feedback modes with the forward cipher. in and out may not overlap reg.
void ProcessBlock(DesContext& ctx, const uint8_t in[8], uint8_t out[8]) {
  uint8_t source[8];
  std::memcpy(source, in, 8);
  uint8_t t[8];
  switch (ctx.mode) {
    case DES_MODE_ECB:
      DesDecryptBlock(ctx.keySchedule, source, out);
      break;
    case DES_MODE_CBC:
      DesDecryptBlock(ctx.keySchedule, source, t);
      for (int i = 0; i < 8; ++i) out[i] = t[i] ^ ctx.reg[i];
      std::memcpy(ctx.reg, source, 8);
      break;
    case DES_MODE_OFB:
      DesEncryptBlock(ctx.keySchedule, ctx.reg, t);
      std::memcpy(ctx.reg, t, 8);
      for (int i = 0; i < 8; ++i) out[i] = source[i] ^ ctx.reg[i];
      break;
    case DES_MODE_CFB:
      DesEncryptBlock(ctx.keySchedule, ctx.reg, t);
      for (int i = 0; i < 8; ++i) out[i] = source[i] ^ t[i];
      std::memcpy(ctx.reg, source, 8);
      break;
    default:
      break;
  }
}

// The feedback modes may end in a partial block: only count bytes exist.
void ProcessPartialBlock(DesContext& ctx, const uint8_t* in, size_t count, uint8_t* out) {
  uint8_t t[8];
  DesEncryptBlock(ctx.keySchedule, ctx.reg, t);
  for (size_t i = 0; i < count; ++i) out[i] = in[i] ^ t[i];
}
}  // namespace

void DesKeySchedule(const uint8_t key[8], uint32_t schedule[16][2]) {
  const uint64_t cd = Permute(LoadBlock(key), 64, kPc1, 56);
  uint32_t c = static_cast<uint32_t>(cd >> 28) & 0x0FFFFFFF;
  uint32_t d = static_cast<uint32_t>(cd) & 0x0FFFFFFF;
  for (int round = 0; round < 16; ++round) {
    for (int s = 0; s < kShifts[round]; ++s) {
      c = ((c << 1) | (c >> 27)) & 0x0FFFFFFF;
      d = ((d << 1) | (d >> 27)) & 0x0FFFFFFF;
    }
    const uint64_t k = Permute((static_cast<uint64_t>(c) << 28) | d, 56, kPc2, 48);
    schedule[round][0] = static_cast<uint32_t>(k >> 24) & 0xFFFFFF;
    schedule[round][1] = static_cast<uint32_t>(k) & 0xFFFFFF;
  }
}

void DesEncryptBlock(const uint32_t schedule[16][2], const uint8_t in[8], uint8_t out[8]) {
  Crypt(schedule, in, out, false);
}

void DesDecryptBlock(const uint32_t schedule[16][2], const uint8_t in[8], uint8_t out[8]) {
  Crypt(schedule, in, out, true);
}

bool IsDesWeakKey(const uint8_t key[8]) {
  const uint64_t k = LoadBlock(key) & kParityMask;
  for (uint64_t weak : kWeakKeys) {
    if ((weak & kParityMask) == k) return true;
  }
  return false;
}

int DesInit(int32_t mode, int32_t padding, const uint8_t* iv, DesContext& ctx) {
  ctx.mode = mode;
  ctx.padding = padding;
  if (iv) std::memcpy(ctx.iv, iv, 8);
  else std::memset(ctx.iv, 0, 8);
  if (!KnownMode(mode) || (padding != DES_PAD_NONE && padding != DES_PAD_PKCS5))
    return DES_ERR_PARAMETER;
  return DES_OK;
}

int DesSetKey(const uint8_t* key, size_t keyLength, DesContext& ctx) {
  if (!key || keyLength != 8) return DES_ERR_KEY_LENGTH;
  if (IsDesWeakKey(key)) return DES_ERR_WEAK_KEY;
  DesKeySchedule(key, ctx.keySchedule);
  return DES_OK;
}

int DesReset(DesContext& ctx) {
  ctx.pendingCount = 0;
  if (ctx.mode != DES_MODE_ECB) std::memcpy(ctx.reg, ctx.iv, 8);
  return DES_OK;
}

int DesUpdate(DesContext& ctx, const uint8_t* input, size_t inputLength, uint8_t* output,
              size_t* outputLength) {
  if (!outputLength) return DES_ERR_PARAMETER;
  *outputLength = 0;
  if (!KnownMode(ctx.mode)) return DES_ERR_PARAMETER;
  if (inputLength == 0) return DES_OK;
  if (!input || !output || input == output) return DES_ERR_PARAMETER;

  const size_t total = ctx.pendingCount + inputLength;
  if (total <= kDesBlockSize) {
    std::memcpy(ctx.pending + ctx.pendingCount, input, inputLength);
    ctx.pendingCount = static_cast<uint32_t>(total);
    return DES_OK;
  }
  // The last 1..8 bytes always stay behind for DesFinal.
  const size_t hold = total % kDesBlockSize == 0 ? kDesBlockSize : total % kDesBlockSize;
  const size_t fill = kDesBlockSize - ctx.pendingCount;
  std::memcpy(ctx.pending + ctx.pendingCount, input, fill);
  ProcessBlock(ctx, ctx.pending, output);
  size_t written = kDesBlockSize;
  size_t used = fill;
  while (inputLength - used > hold) {
    ProcessBlock(ctx, input + used, output + written);
    used += kDesBlockSize;
    written += kDesBlockSize;
  }
  std::memcpy(ctx.pending, input + used, hold);
  ctx.pendingCount = static_cast<uint32_t>(hold);
  *outputLength = written;
  return DES_OK;
}

int DesFinal(DesContext& ctx, uint8_t* output, size_t* outputLength) {
  if (!outputLength) return DES_ERR_PARAMETER;
  *outputLength = 0;
  if (!KnownMode(ctx.mode)) return DES_ERR_PARAMETER;
  if (ctx.pendingCount == 0) return DES_OK;
  if (!output) return DES_ERR_PARAMETER;

  const bool feedbackMode = ctx.mode == DES_MODE_OFB || ctx.mode == DES_MODE_CFB;
  if (ctx.pendingCount != kDesBlockSize) {
    // A stream mode without padding may end anywhere.
    if (!feedbackMode || ctx.padding != DES_PAD_NONE) return DES_ERR_INCOMPLETE;
    ProcessPartialBlock(ctx, ctx.pending, ctx.pendingCount, output);
    *outputLength = ctx.pendingCount;
    ctx.pendingCount = 0;
    return DES_OK;
  }
  ProcessBlock(ctx, ctx.pending, output);
  ctx.pendingCount = 0;
  if (ctx.padding == DES_PAD_NONE) {
    *outputLength = kDesBlockSize;
    return DES_OK;
  }
  if (ctx.padding != DES_PAD_PKCS5) return DES_ERR_PARAMETER;
  const uint8_t n = output[kDesBlockSize - 1];
  if (n < 1 || n > 8) return DES_ERR_PADDING;
  for (size_t i = kDesBlockSize - n; i < kDesBlockSize; ++i) {
    if (output[i] != n) return DES_ERR_PADDING;
  }
  *outputLength = kDesBlockSize - n;
  return DES_OK;
}
