#pragma once
// The lines of the configuration file fetched from the server in web start
// mode: key=value, applied to the configuration object one by one.
#include <string>

#include "config/VantoCfg.h"

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
