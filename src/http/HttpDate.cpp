#include "http/HttpDate.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "util/Tokenizer.h"

#ifdef _WIN32
#include <windows.h>
#include <oleauto.h>
#endif

namespace {
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const std::time_t kNineHours = 32400;

int NumberAt(const std::string& text, size_t pos) {
  if (pos >= text.size()) return 0;
  return std::atoi(text.substr(pos, 2).c_str());
}

bool LocalNow(std::tm& out) {
  const std::time_t now = std::time(nullptr);
#ifdef _WIN32
  return localtime_s(&out, &now) == 0;
#else
  return localtime_r(&now, &out) != nullptr;
#endif
}

// The platform's general date parser (user default locale).
bool ParseWithPlatform(const std::string& text, std::tm& out) {
#ifdef _WIN32
  const int units = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (units <= 0) return false;
  std::vector<wchar_t> wide(static_cast<size_t>(units));
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), units);
  DATE date = 0;
  if (FAILED(::VarDateFromStr(wide.data(), LOCALE_USER_DEFAULT, 0, &date))) return false;
  SYSTEMTIME st;
  if (!::VariantTimeToSystemTime(date, &st)) return false;
  out = std::tm{};
  out.tm_year = st.wYear - 1900;
  out.tm_mon = st.wMonth - 1;
  out.tm_mday = st.wDay;
  out.tm_hour = st.wHour;
  out.tm_min = st.wMinute;
  out.tm_sec = st.wSecond;
  return true;
#else
  // Natively only the ISO form is understood.
  int y, mo, d, h = 0, mi = 0, s = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) < 3) return false;
  out = std::tm{};
  out.tm_year = y - 1900;
  out.tm_mon = mo - 1;
  out.tm_mday = d;
  out.tm_hour = h;
  out.tm_min = mi;
  out.tm_sec = s;
  return true;
#endif
}
}  // namespace

std::time_t ParseHttpDate(const std::string& text, int fileCompareGmtTime) {
  std::vector<std::string> tokens;
  TokenizeString(tokens, " ", text);
  if (tokens.size() >= 6) {
    std::tm fields{};
    fields.tm_year = std::atoi(tokens[3].c_str()) - 1900;
    fields.tm_mday = std::atoi(tokens[1].c_str());
    int month = 0;
    for (int i = 0; i < 12; ++i) {
      if (tokens[2] == kMonths[i]) {
        month = i + 1;
        break;
      }
    }
    if (month == 0) {
      std::tm now{};
      LocalNow(now);
      month = now.tm_mon + 1;
    }
    fields.tm_mon = month - 1;
    const std::string& clock = tokens[4];
    fields.tm_hour = NumberAt(clock, 0);
    fields.tm_min = NumberAt(clock, 3);
    fields.tm_sec = NumberAt(clock, 6);
    fields.tm_isdst = -1;
    std::time_t t = std::mktime(&fields);
    if (fileCompareGmtTime == 0) t += kNineHours;
    return t;
  }

  std::tm parsed{};
  if (ParseWithPlatform(text, parsed)) {
    parsed.tm_isdst = -1;
    return std::mktime(&parsed);
  }
  return std::time(nullptr);
}

std::string FormatLocalTimeText(std::time_t t) {
  std::tm fields{};
#ifdef _WIN32
  localtime_s(&fields, &t);
#else
  localtime_r(&t, &fields);
#endif
  char text[32];
  std::snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d%02d", fields.tm_year + 1900, fields.tm_mon + 1,
                fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec);
  return text;
}
