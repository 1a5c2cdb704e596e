#pragma once
// The grammar of one list file line: six comma-separated fields and an
// optional seventh with the file's SHA-256.
#include <string>
#include <vector>

#include "list/FileItem.h"

// The values of the fields of one line as the client cuts them (quotes of
// fields 1 and 2 removed), by position: [0] is field 1. Empty and missing
// fields are empty texts.
std::vector<std::string> SplitListFields(const std::string& line);

// Splits one line (trailing LF already removed) into the item. Never
// rejects: missing or odd fields leave the item's defaults.
void ParseListLine(const std::string& line, FileItem& item);

// Field 4: kind code, optionally "|" and "/"-separated options.
void ParseKindField(const std::string& text, FileItem& item);

// Field 7: "sha256:" and 64 hex digits, either case; the digest in lower
// case, or empty for any other text (which clients have always ignored).
std::string ParseDigestField(const std::string& text);
