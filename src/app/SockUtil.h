#pragma once
// Local host address through Windows sockets (initialised by start-up).

class CSockUtil {
 public:
  // Dotted IPv4 text of the host's first address into out16.
  // 0 done, -1 host name unknown, -2 host address unknown.
  static int GetLocalIpAddr(char* out16);
};
