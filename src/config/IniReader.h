#pragma once
// The program's own INI reader: the whole file as text (decrypted when it
// carries the encryption marker), split into lines, keys looked up by hand.
#include <string>
#include <vector>

// The file's text, decrypted if marked; empty when there is nothing to read.
// decrypted (optional) receives 1 only when a marked file was decrypted.
std::string GetIniFileContent(const std::string& path, int* decrypted = nullptr);

// Empties lines, then splits text at delimiter, ignoring delimiters between
// quote characters (the quotes stay). No trailing empty entry.
void SplitContentLines(std::vector<std::string>& lines, char delimiter, const std::string& text,
                       char quote);

// The trimmed value of key in the first section named sectionName (both
// compared ignoring case), or defaultValue.
std::string GetIniValue(const std::vector<std::string>& lines, const std::string& sectionName,
                        const std::string& key, const std::string& defaultValue);

// GetIniFileContent without "\r", split at "\n" with the double quote.
std::vector<std::string> ReadIniLines(const std::string& path);
