#pragma once
// The grammar of one list file line: up to six comma-separated fields.
#include <string>

#include "sync/FileItem.h"

// Splits one line (trailing LF already removed) into the item. Never
// rejects: missing or odd fields leave the item's defaults.
void ParseListLine(const std::string& line, FileItem& item);

// Field 4: kind code, optionally "|" and "/"-separated options.
void ParseKindField(const std::string& text, FileItem& item);
