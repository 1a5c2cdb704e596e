#pragma once
// A failed WinINet call inside a request: thrown by the request classes where
// the transfer cannot go on, caught by the operations and turned into their
// result codes.
#include <cstdint>
#include <string>

class CInternetError {
 public:
  explicit CInternetError(uint32_t errorCode);
  uint32_t GetErrorCode() const { return m_dwErrorCode; }
  // The system's text for the code, at most 511 bytes.
  const std::string& GetErrorMessage() const { return m_strMessage; }

 private:
  uint32_t m_dwErrorCode;
  std::string m_strMessage;
};
