#pragma once
// The grammar of one list file line: up to six comma-separated fields.
#include <string>
#include <vector>

#include "sync/FileItem.h"

// The values of the fields of one line as the client cuts them (quotes of
// fields 1 and 2 removed), by position: [0] is field 1. Empty and missing
// fields are empty texts.
std::vector<std::string> SplitListFields(const std::string& line);

// Splits one line (trailing LF already removed) into the item. Never
// rejects: missing or odd fields leave the item's defaults.
void ParseListLine(const std::string& line, FileItem& item);

// Field 4: kind code, optionally "|" and "/"-separated options.
void ParseKindField(const std::string& text, FileItem& item);
