// vantoctl key generate: a minisign key pair for signed publishing; the
// public key's line is what clients get as PUBLISHER_KEY.
// vantoctl sign FILE: a .minisig beside FILE (VantoExe.exe, any file);
// vantoctl verify FILE: checks it.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "PasswordInput.h"
#include "SigningKeys.h"
#include "trust/MinisignFormat.h"
#include "trust/SignedRelease.h"

namespace {
const char kKeyUsage[] = "key generate --public FILE --secret FILE [--unencrypted] [--force]";
const char kSignUsage[] = "sign FILE --secret FILE [--legacy] [--trusted-comment TEXT]";
const char kVerifyUsage[] = "verify FILE --public FILE|RW...";

int Generate(const std::vector<std::string>& args) {
  std::string pub, secret;
  bool unencrypted = false, force = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--public" || a == "--secret") && i + 1 < args.size()) (a == "--public" ? pub : secret) = args[++i];
    else if (a == "--unencrypted") unencrypted = true;
    else if (a == "--force") force = true;
    else return VantoctlUsageError("unknown or incomplete argument '" + a + "'; usage: vantoctl " + kKeyUsage);
  }
  if (pub.empty() || secret.empty()) return VantoctlUsageError(std::string("usage: vantoctl ") + kKeyUsage);

  std::string password;
  if (!unencrypted) {
    if (!ReadPassword("Password: ", password) || password.empty())
      return VantoctlUsageError("a password is needed (or --unencrypted for a build server's key)");
    std::string again;
    if (InputIsTerminal() && (!ReadPassword("Password (again): ", again) || again != password))
      return VantoctlUsageError("the passwords differ");
    std::fprintf(stderr, "vantoctl: deriving the key from the password...\n");
  }
  MinisignSecretKey secretKey;
  MinisignPublicKey publicKey;
  std::string secretText;
  if (!GenerateKeyPair(secretKey, publicKey) ||
      !SecretKeyFileText(secretKey, unencrypted ? nullptr : &password, secretText)) {
    std::fprintf(stderr, "vantoctl: the key pair could not be made (not enough memory for the key derivation?)\n");
    return 2;
  }
  if (!WriteTextFile(secret, secretText, force)) {
    std::fprintf(stderr, "vantoctl: cannot write '%s' (exists? --force replaces it)\n", secret.c_str());
    return 2;
  }
  if (!WriteTextFile(pub, PublicKeyFileText(publicKey), force)) {
    std::fprintf(stderr, "vantoctl: cannot write '%s' (exists? --force replaces it)\n", pub.c_str());
    return 2;
  }
  std::printf("PUBLISHER_KEY=%s\n", PublicKeyLine(publicKey).c_str());
  std::fprintf(stderr, "vantoctl: key id %s; secret key in %s%s, public key in %s\n", KeyIdText(publicKey.keyId).c_str(),
               secret.c_str(), unencrypted ? " (NOT encrypted)" : "", pub.c_str());
  return 0;
}

int KeyCommand(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "generate") return Generate(args);
  return VantoctlUsageError(std::string("usage: vantoctl ") + kKeyUsage);
}

int SignCommand(const std::vector<std::string>& args) { return SignFileCommand(args, kSignUsage); }

// vantoctl verify FILE: FILE.minisig checked as clients check it (key id,
// signature, trusted comment), without the timestamp rules of a run.
int VerifyCommand(const std::vector<std::string>& args) {
  std::string file, pub;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--public" && i + 1 < args.size()) pub = args[++i];
    else if (!a.empty() && a[0] != '-' && file.empty()) file = a;
    else return VantoctlUsageError("unknown or incomplete argument '" + a + "'; usage: vantoctl " + kVerifyUsage);
  }
  if (file.empty() || pub.empty()) return VantoctlUsageError(std::string("usage: vantoctl ") + kVerifyUsage);
  std::string keyText = pub;
  if (pub.compare(0, 2, "RW") != 0 && !ReadTextFile(pub, keyText))
    return VantoctlUsageError("cannot read public key file '" + pub + "'");
  MinisignPublicKey key;
  std::string reason;
  if (!ParsePublicKey(keyText, key, reason)) return VantoctlUsageError("public key: " + reason);
  std::string signature;
  if (!ReadTextFile(file + ".minisig", signature)) return VantoctlUsageError("cannot read '" + file + ".minisig'");
  ReleaseRules rules;
  rules.requireTimestamp = false;
  rules.now = static_cast<uint64_t>(std::time(nullptr));
  rules.maxFutureSeconds = UINT64_MAX;
  const ReleaseCheck check = CheckSignedRelease(key, signature, file, rules);
  if (check.verdict != ReleaseVerdict::Accepted) {
    std::printf("%s: signature refused: %s\n", file.c_str(), check.reason.c_str());
    return 1;
  }
  MinisignSignature parsed;
  ParseSignature(signature, parsed, reason);
  std::printf("%s: signature valid, key id %s, trusted comment: %s\n", file.c_str(), KeyIdText(key.keyId).c_str(),
              parsed.trustedComment.c_str());
  return 0;
}

const VantoctlCommand kKeyCommand("key", kKeyUsage, KeyCommand);
const VantoctlCommand kSignCommand("sign", kSignUsage, SignCommand);
const VantoctlCommand kVerifyCommand("verify", kVerifyUsage, VerifyCommand);
}  // namespace
