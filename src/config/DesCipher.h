#pragma once
// Single DES (ECB, CBC, OFB, 64-bit CFB) with a streaming interface that
// holds the last block back so that the final call can strip the padding.
// The block decrypts in ECB/CBC and feeds back with the forward cipher in
// OFB/CFB.
#include <cstddef>
#include <cstdint>

enum DesMode : int32_t { DES_MODE_ECB = 1, DES_MODE_CBC = 2, DES_MODE_OFB = 3, DES_MODE_CFB = 4 };
enum DesPadding : int32_t { DES_PAD_NONE = 1, DES_PAD_PKCS5 = 2 };

enum DesResult : int {
  DES_OK = 0,
  DES_ERR_PARAMETER = 0x1001,    // unknown mode or padding, or input == output
  DES_ERR_KEY_LENGTH = 0x1002,
  DES_ERR_PADDING = 0x1003,
  DES_ERR_INCOMPLETE = 0x1005,   // last block incomplete at DesFinal
  DES_ERR_WEAK_KEY = 0x1006,
};

constexpr size_t kDesBlockSize = 8;

struct DesContext {
  int32_t mode = 0;
  int32_t padding = 0;
  uint8_t iv[8] = {};
  uint8_t reg[8] = {};
  uint8_t pending[8] = {};
  uint32_t pendingCount = 0;
  uint32_t keySchedule[16][2] = {};
};

// Stores mode, padding and iv (zero when iv is null). DES_ERR_PARAMETER for
// an unknown mode or padding (still stored; later calls report it too).
int DesInit(int32_t mode, int32_t padding, const uint8_t* iv, DesContext& ctx);
// 0, DES_ERR_KEY_LENGTH or DES_ERR_WEAK_KEY (parity bits ignored).
int DesSetKey(const uint8_t* key, size_t keyLength, DesContext& ctx);
// Empties the held-back block and reloads the register from iv (not ECB).
int DesReset(DesContext& ctx);
// Processes whole blocks; always keeps the last 1..8 input bytes pending.
// output needs room for inputLength + 8 bytes.
int DesUpdate(DesContext& ctx, const uint8_t* input, size_t inputLength, uint8_t* output,
              size_t* outputLength);
// Processes the held-back block and strips the padding; output needs 8 bytes.
int DesFinal(DesContext& ctx, uint8_t* output, size_t* outputLength);

// The block primitive (FIPS 46-3), for tools and tests.
void DesKeySchedule(const uint8_t key[8], uint32_t schedule[16][2]);
void DesEncryptBlock(const uint32_t schedule[16][2], const uint8_t in[8], uint8_t out[8]);
void DesDecryptBlock(const uint32_t schedule[16][2], const uint8_t in[8], uint8_t out[8]);
// True for the 16 weak and semi-weak keys (parity bits ignored).
bool IsDesWeakKey(const uint8_t key[8]);
