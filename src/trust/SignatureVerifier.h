#pragma once
// Checks a parsed minisign signature against a file with a public key: the
// key id, the signature of the file (Ed25519 of the bytes for "Ed", of their
// BLAKE2b-512 hash for "ED") and the global signature that binds the trusted
// comment to it. The key id is compared first so that "signed with another
// key" is told apart from "damaged".
#include <cstdint>
#include <string>

#include "trust/MinisignFormat.h"

enum class SignatureFault {
  None,
  OtherKey,         // signed with a key whose id differs
  FileMismatch,     // the signature does not match the bytes
  CommentMismatch,  // the trusted comment was not signed with the key
  FileUnreadable,   // the signed file could not be read (or is too large for "Ed")
};

// English words for a log line.
const char* SignatureFaultText(SignatureFault fault);

SignatureFault VerifySignedBytes(const MinisignPublicKey& key, const MinisignSignature& signature,
                                 const std::string& bytes);
// Reads the file in blocks; "Ed" signatures need it whole in memory, up to 1 GiB.
SignatureFault VerifySignedFile(const MinisignPublicKey& key, const MinisignSignature& signature,
                                const std::string& path);

// The fields of a trusted comment ("timestamp:<unix seconds>\tfile:<name>\t...").
struct TrustedCommentFields {
  bool hasTimestamp = false;
  uint64_t timestamp = 0;
  bool hasFile = false;
  std::string file;
};
TrustedCommentFields ParseTrustedComment(const std::string& comment);
