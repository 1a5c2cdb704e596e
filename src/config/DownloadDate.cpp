#include "config/DownloadDate.h"

#include <vector>

#include "config/CfgText.h"
#include "config/IniReader.h"

namespace {
// Characters [pos, pos + count) as far as they exist.
std::string Part(const std::string& text, size_t pos, size_t count) {
  return pos < text.size() ? text.substr(pos, count) : std::string();
}
}  // namespace

std::string ReadDownloadDate(const std::string& targetDir) {
  if (targetDir.empty()) return kDefaultDownloadDate;
  std::string path = targetDir;
  if (path.back() != '\\') path += '\\';
  path += "_UpdateD.ini";

  const std::vector<std::string> lines = ReadIniLines(path);
  std::string date = GetIniValue(lines, "UPDATE", "LAST_DOWN_LOAD_YYYYMMDD", kDefaultDownloadDate);
  if (date.size() > 8) date.resize(8);
  for (char c : date) {
    if (c < '0' || c > '9') return kDefaultDownloadDate;
  }
  return date;
}

long DaysSinceDownloadDate(const std::string& date, std::time_t now) {
  int year = CfgAtoi(Part(date, 0, 4));
  int month = CfgAtoi(Part(date, 4, 2));
  int day = CfgAtoi(Part(date, 6, 2));
  if (year < 2019) year = 2019;
  if (month < 1) month = 1;
  if (month > 12) month = 12;
  if (day < 1) day = 1;
  if (day > 31) day = 31;

  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = 23;
  local.tm_min = 59;
  local.tm_sec = 59;
  local.tm_isdst = -1;
  const std::time_t recorded = std::mktime(&local);
  // Integer division truncates toward zero, also for future dates.
  return static_cast<long>((static_cast<long long>(now) - static_cast<long long>(recorded)) / 86400);
}

void ApplyLastListFileRule(CVantoCfg& cfg, bool requireEightDigits, std::time_t now) {
  cfg.m_strLastDownDate = ReadDownloadDate(cfg.TARGET_DIR);
  if (requireEightDigits && cfg.m_strLastDownDate.size() != 8)
    cfg.m_strLastDownDate = kDefaultDownloadDate;
  if (cfg.LAST_CHECK_DAY_INTERVAL > 0 && !cfg.LAST_LIST_FILE_NAME.empty()) {
    if (DaysSinceDownloadDate(cfg.m_strLastDownDate, now) < cfg.LAST_CHECK_DAY_INTERVAL)
      cfg.LIST_FILE_NAME = cfg.LAST_LIST_FILE_NAME;
  }
}
