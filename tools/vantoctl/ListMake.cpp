#include "ListMake.h"

#include <cstdio>

#include "CommandRegistry.h"
#include "PublishFolder.h"
#include "list/ListFileScanner.h"
#include "list/ListMaker.h"
#include "util/Sha256.h"
#include "util/TextConv.h"

const char kListMakeUsage[] =
    "list make PUBLISH_DIR [--from OLD_LIST] [--out LIST] [--compare-gmt-time 0|1] [--sha256]";

namespace {
void Note(const std::string& cp949) { std::fprintf(stderr, "vantoctl: %s\n", Cp949ToUtf8(cp949).c_str()); }
}  // namespace

int ListMake(const std::vector<std::string>& args) {
  std::string folder, from, out;
  bool withDigests = false;
  ListMakeOptions options;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--from" && hasValue) {
      from = args[++i];
    } else if (arg == "--out" && hasValue) {
      out = args[++i];
    } else if (arg == "--compare-gmt-time" && hasValue) {
      const std::string value = args[++i];
      if (value != "0" && value != "1") return VantoctlUsageError("--compare-gmt-time takes 0 or 1");
      options.fileCompareGmtTime = value == "1";
    } else if (arg == "--sha256") {
      withDigests = true;
    } else if (arg.compare(0, 2, "--") == 0) {
      return VantoctlUsageError("unknown or incomplete option '" + arg + "'; usage: " + kListMakeUsage);
    } else if (folder.empty()) {
      folder = arg;
    } else {
      return VantoctlUsageError(std::string("too many arguments; usage: ") + kListMakeUsage);
    }
  }
  if (folder.empty()) return VantoctlUsageError(std::string("usage: vantoctl ") + kListMakeUsage);

  std::vector<ListPiece> oldPieces;
  if (!from.empty()) {
    CListFileScanner scanner;
    if (!scanner.Open(from)) return VantoctlUsageError("cannot open list file '" + from + "'");
    ListPiece piece;
    while (scanner.ReadPiece(piece)) oldPieces.push_back(piece);
  }

  std::vector<PublishedFile> files;
  std::vector<std::string> notes;
  std::string error;
  if (!ReadPublishFolder(folder, files, notes, error)) return VantoctlUsageError(error);
  // The list itself is no file for the clients to fetch.
  for (const std::string& own : {from, out}) {
    if (own.empty()) continue;
    const std::string relative = PathBelowFolder(folder, own);
    for (auto it = files.begin(); it != files.end(); ++it) {
      if (it->serverPath == relative) {
        files.erase(it);
        break;
      }
    }
  }

  // A list with a digest missing is not what was asked for: stop before
  // anything is written.
  if (withDigests) {
    for (const PublishedFile& file : files) {
      std::string digest;
      if (!Sha256OfFile(LocalFileOf(folder, file.serverPath), digest))
        return VantoctlUsageError("cannot read '" + Cp949ToUtf8(file.serverPath) + "' for its SHA-256");
      options.digests[file.serverPath] = digest;
    }
  }

  const ListMakeResult made = MakeListFile(files, oldPieces, options);
  // Clients would read other entries than the files published: no list.
  if (!made.refusals.empty()) {
    for (const std::string& refusal : made.refusals)
      std::fprintf(stderr, "vantoctl: error: %s\n", Cp949ToUtf8(refusal).c_str());
    std::fprintf(stderr, "vantoctl: no list written: rename or remove the files above\n");
    return 1;
  }
  std::string text;
  for (const std::string& line : made.lines) text += line + "\r\n";
  if (out.empty()) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  } else if (!ReplaceFileWith(out, text, error)) {
    return VantoctlUsageError(error);
  }

  for (const std::string& note : notes) Note(note);
  for (const std::string& note : made.notes) Note(note);
  std::fprintf(stderr,
               "vantoctl: %d entries with time and size (%d from the old list, %d new), %d lines kept as written\n",
               made.updated + made.added, made.updated, made.added, made.keptAsWritten);
  return 0;
}
