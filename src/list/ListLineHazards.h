#pragma once
// What in a list line clients read otherwise than it was meant: a line end
// or Ctrl-Z inside a name makes the rest of it another line (or ends the
// list), a line beyond the client's limit is read in pieces, each a line of
// its own. The list maker refuses such lines and the list check reports
// them as errors.
#include <cstddef>
#include <string>

#include "list/ListFileScanner.h"

// The longest line a client reads as one line.
constexpr size_t kClientLineLimit = CListFileScanner::kMaxPieceLength;

// The first control character of text, described for the administrator
// ("a line feed (0x0A)"); empty when there is none.
std::string DescribeControlCharacterIn(const std::string& text);

// text with every control character written as \xNN, for messages.
std::string ShowControlCharacters(const std::string& text);
