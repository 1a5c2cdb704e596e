#pragma once
// The lines of the configuration file fetched from the server in web start
// mode: key=value, applied to the configuration object one by one.
#include <cstdint>
#include <string>

#include "config/VantoCfg.h"
#include "http/BoundedLineReader.h"

enum ServerConfigLineKind : int {
  SERVER_CFG_LINE_EMPTY = 0,    // nothing on the line
  SERVER_CFG_LINE_COMMENT = 1,  // starts with ';', '#' or a space
  SERVER_CFG_LINE_INVALID = 2,  // not exactly a key and a value
  SERVER_CFG_LINE_SETTING = 3,  // key and value returned
};

ServerConfigLineKind ClassifyServerConfigLine(const std::string& line, std::string& key, std::string& value);

// Sets the configuration field whose key name equals key (any case): texts
// as they are, integers by atoi. false when no key name matches.
bool ApplyServerConfigKey(CVantoCfg& cfg, const std::string& key, const std::string& value);

// Bounds of the file: a longer line is logged and ignored; reading stops
// after so many bytes (settings read until then stay applied).
constexpr size_t kServerConfigLineLimit = 4096;
constexpr uint64_t kServerConfigBodyLimit = 65536;

// Reads the file line by line from source and applies every setting, with
// the log lines of LoadConfigFromServer. Errors of source pass through.
void ApplyServerConfigBody(const CBoundedLineReader::Source& source, CVantoCfg& cfg);
