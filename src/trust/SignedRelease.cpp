#include "trust/SignedRelease.h"

#include <cctype>

#include "trust/SignatureVerifier.h"

namespace {
bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// The last part of a path, either separator.
std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

ReleaseCheck Refuse(ReleaseVerdict verdict, const std::string& reason) {
  ReleaseCheck check;
  check.verdict = verdict;
  check.reason = reason;
  return check;
}
}  // namespace

ReleaseCheck CheckSignedRelease(const MinisignPublicKey& key, const std::string& signatureText,
                                const std::string& filePath, const ReleaseRules& rules) {
  MinisignSignature signature;
  std::string reason;
  if (!ParseSignature(signatureText, signature, reason)) return Refuse(ReleaseVerdict::Damaged, "damaged signature file: " + reason);
  switch (VerifySignedFile(key, signature, filePath)) {
    case SignatureFault::None: break;
    case SignatureFault::OtherKey:
      return Refuse(ReleaseVerdict::OtherKey, "signed with key id " + KeyIdText(signature.keyId) + ", expected " +
                                                  KeyIdText(key.keyId));
    case SignatureFault::FileMismatch:
      return Refuse(ReleaseVerdict::Mismatch, "signature does not match the file");
    case SignatureFault::CommentMismatch:
      return Refuse(ReleaseVerdict::Mismatch, "trusted comment does not match its signature");
    case SignatureFault::FileUnreadable:
      return Refuse(ReleaseVerdict::Unreadable, "downloaded file could not be read");
  }

  const TrustedCommentFields fields = ParseTrustedComment(signature.trustedComment);
  ReleaseCheck check;
  check.hasTimestamp = fields.hasTimestamp;
  check.timestamp = fields.timestamp;
  if (fields.hasFile && !rules.fileName.empty() && !SameNameIgnoringCase(BaseName(fields.file), BaseName(rules.fileName))) {
    check.verdict = ReleaseVerdict::OtherFile;
    check.reason = "signature is for another file (" + fields.file.substr(0, 128) + ")";
    return check;
  }
  if (!fields.hasTimestamp) {
    if (rules.requireTimestamp) {
      check.verdict = ReleaseVerdict::NoTimestamp;
      check.reason = "trusted comment carries no timestamp";
      return check;
    }
    check.verdict = ReleaseVerdict::Accepted;
    return check;
  }
  if (fields.timestamp > rules.now && fields.timestamp - rules.now > rules.maxFutureSeconds) {
    check.verdict = ReleaseVerdict::FutureTimestamp;
    check.reason = "timestamp " + std::to_string(fields.timestamp) + " is more than a day after this machine's time " +
                   std::to_string(rules.now);
    return check;
  }
  if (fields.timestamp < rules.lastAccepted) {
    check.verdict = ReleaseVerdict::Rollback;
    check.reason = "timestamp " + std::to_string(fields.timestamp) + " is older than the last accepted " +
                   std::to_string(rules.lastAccepted);
    return check;
  }
  check.verdict = ReleaseVerdict::Accepted;
  return check;
}
