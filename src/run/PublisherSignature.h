#pragma once
// Signed publishing in the run: with PUBLISHER_KEY set, a downloaded list
// file or program file is used only when "<server path>.minisig" verifies
// with that key. The file is downloaded beside its final path
// ("<path>.unverified"), checked there, and only then moved over the file
// it replaces; a refused download is deleted and the previous file is
// never touched.
#include <cstdint>
#include <string>

#include "trust/SignedRelease.h"

class CVantoCfg;
class IRunServices;

// What the run makes of one signature check.
struct PublisherCheck {
  bool accepted = false;
  ReleaseVerdict verdict = ReleaseVerdict::Damaged;
  bool fetched = false;     // the .minisig arrived (false: none on the server, or no transfer)
  int fetchResult = 0;      // the fetch's code when it failed
  std::string reason;       // English, for the log line
  std::string keyId;        // of the configured key
  uint64_t timestamp = 0;   // of the trusted comment
};

// The staging path of a download that waits for its signature.
std::string UnverifiedPathOf(const std::string& localPath);

// Where the newest accepted list timestamp is kept: per main server (a BP
// server may not roll back below it), base URL and list name.
std::string AcceptedListKey(const CVantoCfg& cfg);

// Fetches serverPath + ".minisig" (bounded) and checks stagedPath with the
// configured key under rules (file name, timestamp, last accepted).
PublisherCheck CheckPublisherSignature(IRunServices& services, const CVantoCfg& cfg, const std::string& serverPath,
                                       const std::string& stagedPath, const ReleaseRules& rules);

// The Korean reason of a refusal for the dialog's row.
std::string RefusalRowReason(const PublisherCheck& check);
