#include "app/ResultFile.h"

#include <windows.h>

#include <cstdio>

#include "app/AppDirs.h"
#include "util/LogIfOpen.h"
#include "util/VantoResult.h"

namespace {
const char kPrefix[] = "CVantoExeApp::ExitInstance> ";

void LogSystemText(DWORD error) {
  ::SetLastError(error);
  LogLastErrorIfOpen();
}
}  // namespace

bool WriteResultFile(const std::string& resultFile, const std::string& value) {
  DWORD error = 0;
  if (CreateParentDirectories(resultFile, &error) == -1) {
    LogIfOpen(LOG_ERROR, "%sCreate Result Directory(%s) Fail, ErrCode = %d", kPrefix, resultFile.c_str(),
              static_cast<int>(error));
    LogSystemText(error);
    return false;
  }
  if (!::WritePrivateProfileStringA("VANTOEXE", "RESULT", value.c_str(), resultFile.c_str())) {
    error = ::GetLastError();
    LogIfOpen(LOG_ERROR, "%sWrite Result File(%s) Fail, ErrCode = %d", kPrefix, resultFile.c_str(),
              static_cast<int>(error));
    LogSystemText(error);
    return false;
  }
  return true;
}

std::string ResultFilePathOf(const std::string& targetDir) {
  char path[512];
  std::snprintf(path, sizeof(path), "%s\\VantoExe.ini", targetDir.c_str());
  return path;
}

bool MarkRunNotFinished(const std::string& targetDir) {
  const std::string resultFile = ResultFilePathOf(targetDir);
  char value[16];
  std::snprintf(value, sizeof(value), "%d", static_cast<int>(VANTO_FATAL_ERROR));
  LogIfOpen(LOG_DEBUG, "CVantoExeApp::InitInstance> Result File(%s) = %s Until The Run Ends", resultFile.c_str(), value);
  return WriteResultFile(resultFile, value);
}
