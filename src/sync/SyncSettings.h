#pragma once
// The configuration keys the list reading, the update decision and the list
// stamp consult, by key name. The run fills it from CVantoCfg; tools and
// tests fill it directly.
#include <string>

struct SyncSettings {
  std::string TARGET_DIR;
  std::string LIST_FILE_NAME;
  std::string EXCLUDE_DIRS;
  std::string RUN_MODE = "LOOM_BROWSER";
  int ALL_REG_FLAG = 0;
  int CHECK_LIST_FILE_FLAG = 0;
  int TIME_CHECK_SPAN = 5;
  int FILE_COMPARE_GMT_TIME = 1;
};
