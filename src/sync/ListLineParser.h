#pragma once
// The grammar of one list file line: six comma-separated fields and an
// optional seventh with the file's SHA-256.
#include <functional>
#include <string>

#include "sync/FileItem.h"

// Splits one line (trailing LF already removed) into the item. Never
// rejects: missing or odd fields leave the item's defaults.
void ParseListLine(const std::string& line, FileItem& item);

// The walk behind ParseListLine: every value with its field
// number (from 1), quotes handled as for the item.
using ListFieldFn = std::function<void(int field, const std::string& value)>;
void ForEachListField(const std::string& line, const ListFieldFn& store);
// The value of one field as the walk sees it; empty when absent.
std::string ListLineField(const std::string& line, int field);

// Field 4: kind code, optionally "|" and "/"-separated options.
void ParseKindField(const std::string& text, FileItem& item);

// Field 7: "sha256:" and 64 hex digits, either case; the digest in lower
// case, or empty for any other text (which clients have always ignored).
std::string ParseDigestField(const std::string& text);
