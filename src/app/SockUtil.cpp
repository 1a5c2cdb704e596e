#include "app/SockUtil.h"

#include <winsock2.h>

#include <cstring>

#include "util/LogIfOpen.h"

int CSockUtil::GetLocalIpAddr(char* out16) {
  char hostName[30] = "";
  if (::gethostname(hostName, sizeof(hostName)) != 0) {
    LogIfOpen(LOG_ERROR, "CSockUtil::GetLocalIpAddr> gethostname() Fail, ErrCode = %d", ::WSAGetLastError());
    return -1;
  }
  const hostent* host = ::gethostbyname(hostName);
  if (!host || !host->h_addr_list || !host->h_addr_list[0]) {
    LogIfOpen(LOG_ERROR, "CSockUtil::GetLocalIpAddr> gethostbyname() Fail, ErrCode = %d", ::WSAGetLastError());
    return -2;
  }
  in_addr address;
  std::memcpy(&address, host->h_addr_list[0], sizeof(address));
  const char* text = ::inet_ntoa(address);
  std::strncpy(out16, text ? text : "", 15);
  out16[15] = '\0';
  return 0;
}
