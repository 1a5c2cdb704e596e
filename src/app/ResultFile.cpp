#include "app/ResultFile.h"

#include <windows.h>

#include "app/AppDirs.h"
#include "util/LogIfOpen.h"

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
