#include "TextConv.h"

#ifdef _WIN32
#include <windows.h>

namespace {
constexpr UINT kKoreanCodePage = 949;

std::wstring ToWide(UINT codePage, const std::string& text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string FromWide(UINT codePage, const std::wstring& text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}
}  // namespace

std::wstring Cp949ToWide(const std::string& text) { return ToWide(kKoreanCodePage, text); }
std::string WideToCp949(const std::wstring& text) { return FromWide(kKoreanCodePage, text); }
std::string Cp949ToUtf8(const std::string& text) { return FromWide(CP_UTF8, ToWide(kKoreanCodePage, text)); }
std::string Utf8ToCp949(const std::string& text) { return FromWide(kKoreanCodePage, ToWide(CP_UTF8, text)); }

#else
#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace {
// Converts with iconv; bytes that do not convert become '?' so that a
// broken name never aborts a listing.
std::string Convert(const char* to, const char* from, const std::string& text) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  std::string out;
  out.resize(text.size() * 4 + 16);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
      if (errno == E2BIG) {
        const size_t used = out.size() - outLeft;
        out.resize(out.size() * 2);
        outPtr = out.data() + used;
        outLeft = out.size() - used;
        continue;
      }
      // Invalid or truncated sequence: skip one byte.
      if (outLeft == 0) continue;
      *outPtr++ = '?';
      --outLeft;
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}
std::string WideBytes(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}
}  // namespace

std::wstring Cp949ToWide(const std::string& text) {
  const std::string bytes = Convert("WCHAR_T", "CP949", text);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}
std::string WideToCp949(const std::wstring& text) { return Convert("CP949", "WCHAR_T", WideBytes(text)); }
std::string Cp949ToUtf8(const std::string& text) { return Convert("UTF-8", "CP949", text); }
std::string Utf8ToCp949(const std::string& text) { return Convert("CP949", "UTF-8", text); }
#endif
