#include "SigningKeys.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

#include "CommandRegistry.h"
#include "PasswordInput.h"
#include "trust/MinisignFormat.h"

bool ReadTextFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return !in.bad();
}

bool WriteTextFile(const std::string& path, const std::string& text, bool mayReplace) {
  if (!mayReplace && std::ifstream(path).good()) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

bool LoadSecretKey(const std::string& path, MinisignSecretKey& key) {
  std::string text;
  if (!ReadTextFile(path, text)) {
    std::fprintf(stderr, "vantoctl: cannot read secret key file '%s'\n", path.c_str());
    return false;
  }
  MinisignSecretKeyFile file;
  std::string reason;
  if (!ParseSecretKeyFile(text, file, reason)) {
    std::fprintf(stderr, "vantoctl: '%s': %s\n", path.c_str(), reason.c_str());
    return false;
  }
  std::string password;
  if (file.encrypted && !ReadPassword("Password: ", password)) {
    std::fprintf(stderr, "vantoctl: no password given for the encrypted secret key\n");
    return false;
  }
  if (file.encrypted) std::fprintf(stderr, "vantoctl: deriving the key from the password...\n");
  if (!UnlockSecretKey(file, password, key, reason)) {
    std::fprintf(stderr, "vantoctl: '%s': %s\n", path.c_str(), reason.c_str());
    return false;
  }
  return true;
}

int SignFileCommand(const std::vector<std::string>& args, const char* usage) {
  std::string file, secret, comment;
  bool legacy = false;
  bool haveComment = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--secret" && i + 1 < args.size()) secret = args[++i];
    else if (a == "--trusted-comment" && i + 1 < args.size()) {
      comment = args[++i];
      haveComment = true;
    } else if (a == "--legacy") legacy = true;
    else if (!a.empty() && a[0] != '-' && file.empty()) file = a;
    else return VantoctlUsageError("unknown or incomplete argument '" + a + "'; usage: vantoctl " + usage);
  }
  if (file.empty() || secret.empty()) return VantoctlUsageError(std::string("usage: vantoctl ") + usage);
  MinisignSecretKey key;
  if (!LoadSecretKey(secret, key)) return 2;
  if (!haveComment) {
    // minisign's own trusted comment: the time (clients refuse older
    // lists than the newest they accepted) and the file's name.
    const std::size_t slash = file.find_last_of("/\\");
    comment = "timestamp:" + std::to_string(static_cast<unsigned long long>(std::time(nullptr))) +
              "\tfile:" + (slash == std::string::npos ? file : file.substr(slash + 1)) + (legacy ? "" : "\thashed");
  }
  if (comment.size() > kMaxCommentSize || comment.find_first_of("\r\n") != std::string::npos)
    return VantoctlUsageError("the trusted comment must be one line of at most 1024 bytes");
  MinisignSignature signature;
  if (!SignFile(key, file, legacy ? MinisignAlgorithm::Legacy : MinisignAlgorithm::Hashed, comment, signature)) {
    std::fprintf(stderr, "vantoctl: cannot read '%s'\n", file.c_str());
    return 2;
  }
  const std::string out = file + ".minisig";
  if (!WriteTextFile(out, SignatureFileText(signature, "signature from minisign secret key"), true)) {
    std::fprintf(stderr, "vantoctl: cannot write '%s'\n", out.c_str());
    return 2;
  }
  std::fprintf(stderr, "vantoctl: %s written (key id %s)\n", out.c_str(), KeyIdText(key.keyId).c_str());
  return 0;
}
