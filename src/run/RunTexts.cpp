#include "run/RunTexts.h"

#include <cstdio>

namespace {
std::string Format(const char* format, const std::string& path, int code) {
  char text[4096];
  std::snprintf(text, sizeof(text), format, path.c_str(), code);
  return text;
}
}  // namespace

std::string BuildDownloadFailureText(const std::string& filePath, int code) {
  switch (code) {
    case -1: return Format("%s 파일 다운로드 실패(%d) : 다운로드 서버와 연결 실패", filePath, code);
    case -2: return Format("%s 파일 다운로드 실패(%d) : 해당 파일이 없음", filePath, code);
    case -3: return Format("%s 파일 다운로드 실패(%d) : 로컬 파일 열기 실패(파일 읽기 모드 속성 확인)", filePath, code);
    case -4: return Format("%s 파일 다운로드 실패(%d) : 파일내용의 일부만 다운로드됨", filePath, code);
    case -5: return Format("%s 파일 다운로드 실패(%d) : 파일 수정 시간 정보 변경 실패", filePath, code);
    case -6: return Format("%s 파일 다운로드 실패(%d) : 통신 에러 발생", filePath, code);
    case -7: return Format("%s 파일 다운로드 실패(%d) : 사용자 중지 요청 발생", filePath, code);
    case -8: return Format("%s 파일 다운로드 실패(%d) : 파일 해시(SHA-256) 불일치", filePath, code);
    default: return Format("%s 파일 다운로드 실패(%d)", filePath, code);
  }
}

std::string FormatSizeWithCommas(const std::string& digits) {
  if (digits.empty()) return digits;
  for (char c : digits)
    if (c < '0' || c > '9') return digits;
  std::string out;
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

std::string DisplayNameOf(const std::string& filePath) {
  const size_t slash = filePath.rfind('/');
  return slash == std::string::npos ? filePath : filePath.substr(slash + 1);
}

std::string BuildFileUrl(const std::string& baseUrl, const std::string& filePath) {
  std::string url = baseUrl + "/" + filePath;
  for (char& c : url)
    if (c == '\\') c = '/';
  return url;
}
