#pragma once
// A list file made from a publish folder: every published file gets its
// modification time and size (fields 5 and 6) written as the clients
// compare them, so that clients decide without asking the server. Entries
// of an older list keep their kinds, local paths and options.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "list/ListFileScanner.h"

struct PublishedFile {
  std::string serverPath;    // CP949, "/" between folders, relative to the publish folder
  int64_t lastWriteUtc = 0;  // seconds since 1970-01-01 00:00:00 UTC
  int64_t size = 0;
};

struct ListMakeOptions {
  // The clients' FILE_COMPARE_GMT_TIME: 0 reads server times as Korean
  // local time, 9 hours ahead of GMT.
  int fileCompareGmtTime = 1;
  // SHA-256 (lower-case hex) by server path, written as field 7; a file
  // without one gets no field 7.
  std::map<std::string, std::string> digests;
};

// Field 5 for a file last written at utcSeconds: the YYYYMMDDhhmmss text a
// HEAD query gives the client for the server's Last-Modified (the GMT
// clock, or 9 hours later with fileCompareGmtTime 0).
std::string MakeListTimeText(int64_t utcSeconds, int fileCompareGmtTime);

// What a made entry carries behind field 4, in field order: 5 the time,
// 6 the size, 7 "sha256:" and the digest when the options have one.
std::vector<std::string> MadeListFields(const PublishedFile& file, const ListMakeOptions& options);

struct ListMakeResult {
  std::vector<std::string> lines;  // CP949, without line ends
  int updated = 0;                 // entries of the old list with fresh times and sizes
  int added = 0;                   // published files the old list did not name
  int keptAsWritten = 0;           // old entries written back unchanged
  std::vector<std::string> notes;  // for the administrator, one line each (CP949)
  // Published files no line can name as clients would read it (a control
  // character in the name, a line beyond the client's limit, quotes the
  // grammar cannot carry), one line each naming the file (CP949). A list
  // with refusals must not be written: clients would read other entries.
  std::vector<std::string> refusals;
};

// oldPieces: the old list as the client reads it (empty without one).
// Comments, blank lines, DEL entries and entries without a published
// file stay as written; files the old list did not name follow its lines,
// sorted by path, as ordinary entries.
ListMakeResult MakeListFile(const std::vector<PublishedFile>& files, const std::vector<ListPiece>& oldPieces,
                            const ListMakeOptions& options);
