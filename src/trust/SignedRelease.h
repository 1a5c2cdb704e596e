#pragma once
// Whether a file the publisher released may be used: its .minisig parses,
// was made with the configured key, matches the file and its trusted
// comment, names this file when it names one, and carries a timestamp that
// is neither in the far future nor older than the newest one accepted
// before (a replayed old release). One verdict with the reason.
#include <cstdint>
#include <string>

#include "trust/MinisignFormat.h"

enum class ReleaseVerdict {
  Accepted,
  Damaged,          // the .minisig is not a signature file (too long, bad base64, lines missing)
  OtherKey,         // signed with another key
  Mismatch,         // the file or the trusted comment was changed after signing
  Unreadable,       // the downloaded file could not be read
  OtherFile,        // the trusted comment names another file
  NoTimestamp,      // required, and the trusted comment has none
  FutureTimestamp,  // more than a day ahead of this machine's clock
  Rollback,         // older than the newest release accepted before
};

struct ReleaseRules {
  std::string fileName;         // the name the signature must be for when it names one ("" any)
  bool requireTimestamp = true;
  uint64_t now = 0;             // this machine's time, unix seconds
  uint64_t lastAccepted = 0;    // newest timestamp accepted before, 0 none
  uint64_t maxFutureSeconds = 24 * 60 * 60;
};

struct ReleaseCheck {
  ReleaseVerdict verdict = ReleaseVerdict::Damaged;
  std::string reason;      // English, for the log: what exactly is wrong
  bool hasTimestamp = false;
  uint64_t timestamp = 0;  // of the trusted comment, when it has one
};

ReleaseCheck CheckSignedRelease(const MinisignPublicKey& key, const std::string& signatureText,
                                const std::string& filePath, const ReleaseRules& rules);
