// The least a WinINet program does for the work of an update run, as the
// floor the benchmark measures VantoExe against: one session and one
// connection, then per object one request (the client's flags), one send
// and one status query; for GET the body is read with reads of the given
// size and dropped, or written to a file below SAVE_DIR.
//
//   vanto_inet_floor HOST PORT head|get OBJECT_LIST [--read-size N] [--save DIR [--durable]] [--cache-write]
//
// --durable saves each body the way a replacement must survive a power cut,
// and nothing more: written beside its place (NAME.part~), flushed to the
// disk, dated, then moved over its place in one write-through move.
// OBJECT_LIST: one object name per line ("/pub/bin/a.dll"). --cache-write
// drops INTERNET_FLAG_NO_CACHE_WRITE (WinINet then keeps a copy of every
// answer in the cache, as the client's former flags let it). Prints "requests=N status_not_200=M bytes=B seconds=S" (time of
// the loop only).
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
// The client's flags: reload, no cache write, existing connection, keep-alive.
const DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_EXISTING_CONNECT |
                            INTERNET_FLAG_KEEP_CONNECTION;

struct InetHandle {
  HINTERNET h;
  explicit InetHandle(HINTERNET handle) : h(handle) {}
  ~InetHandle() {
    if (h) ::InternetCloseHandle(h);
  }
  InetHandle(const InetHandle&) = delete;
  InetHandle& operator=(const InetHandle&) = delete;
};

std::vector<std::string> ReadObjects(const char* path) {
  std::vector<std::string> objects;
  FILE* file = std::fopen(path, "rb");
  if (!file) return objects;
  char line[2048];
  while (std::fgets(line, sizeof(line), file)) {
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = '\0';
    if (n > 0) objects.emplace_back(line);
  }
  std::fclose(file);
  return objects;
}
}  // namespace

// Creates the folders of path (backslashes) below its first component.
void CreateFolders(const std::string& path) {
  for (size_t i = path.find('\\'); i != std::string::npos; i = path.find('\\', i + 1))
    if (i > 2) ::CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr,
                 "usage: vanto_inet_floor HOST PORT head|get OBJECT_LIST [--read-size N] [--save DIR [--durable]] "
                 "[--cache-write]\n");
    return 1;
  }
  const char* host = argv[1];
  const INTERNET_PORT port = static_cast<INTERNET_PORT>(std::atoi(argv[2]));
  const bool get = std::strcmp(argv[3], "get") == 0;
  const std::vector<std::string> objects = ReadObjects(argv[4]);
  DWORD readSize = 4096;
  std::string saveDir;
  DWORD flags = kRequestFlags;
  bool durable = false;
  for (int i = 5; i < argc; ++i) {
    if (std::strcmp(argv[i], "--read-size") == 0 && i + 1 < argc) {
      readSize = static_cast<DWORD>(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--save") == 0 && i + 1 < argc) {
      saveDir = argv[++i];
    } else if (std::strcmp(argv[i], "--durable") == 0) {
      durable = true;
    } else if (std::strcmp(argv[i], "--cache-write") == 0) {
      flags &= ~static_cast<DWORD>(INTERNET_FLAG_NO_CACHE_WRITE);
    } else {
      std::fprintf(stderr, "vanto_inet_floor: unknown option %s\n", argv[i]);
      return 1;
    }
  }
  if (objects.empty() || readSize == 0) {
    std::fprintf(stderr, "vanto_inet_floor: no objects, or read size 0\n");
    return 1;
  }
  std::vector<char> buffer(readSize);

  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  InetHandle session(::InternetOpenA("VantoExe", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  InetHandle connection(session.h ? ::InternetConnectA(session.h, host, port, nullptr, nullptr,
                                                       INTERNET_SERVICE_HTTP, 0, 1)
                                  : nullptr);
  if (!connection.h) {
    std::fprintf(stderr, "vanto_inet_floor: no connection (%lu)\n", ::GetLastError());
    return 1;
  }
  long long bytes = 0;
  int notOk = 0;
  for (const std::string& object : objects) {
    InetHandle request(::HttpOpenRequestA(connection.h, get ? "GET" : "HEAD", object.c_str(), "HTTP/1.1", nullptr,
                                          nullptr, flags, 1));
    if (!request.h || !::HttpSendRequestA(request.h, nullptr, 0, nullptr, 0)) {
      std::fprintf(stderr, "vanto_inet_floor: %s failed (%lu)\n", object.c_str(), ::GetLastError());
      return 1;
    }
    DWORD status = 0;
    DWORD length = sizeof(status);
    ::HttpQueryInfoA(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr);
    if (status != 200) ++notOk;
    if (!get) continue;
    HANDLE file = INVALID_HANDLE_VALUE;
    std::string path;
    std::string writePath;
    if (!saveDir.empty()) {
      path = saveDir + object;
      for (char& c : path)
        if (c == '/') c = '\\';
      CreateFolders(path);
      writePath = durable ? path + ".part~" : path;
      file = ::CreateFileA(writePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "vanto_inet_floor: cannot write %s (%lu)\n", path.c_str(), ::GetLastError());
        return 1;
      }
    }
    for (;;) {
      DWORD read = 0;
      if (!::InternetReadFile(request.h, buffer.data(), readSize, &read)) {
        std::fprintf(stderr, "vanto_inet_floor: reading %s failed (%lu)\n", object.c_str(), ::GetLastError());
        return 1;
      }
      if (read == 0) break;
      bytes += read;
      DWORD written = 0;
      if (file != INVALID_HANDLE_VALUE && (!::WriteFile(file, buffer.data(), read, &written, nullptr) || written != read)) {
        std::fprintf(stderr, "vanto_inet_floor: writing %s failed (%lu)\n", object.c_str(), ::GetLastError());
        return 1;
      }
    }
    if (file == INVALID_HANDLE_VALUE) continue;
    if (durable) {
      // A fixed time, as a list's time would be.
      const FILETIME stamp = {0x5A3B2C00u, 0x01D9C2A1u};
      if (!::FlushFileBuffers(file) || !::SetFileTime(file, nullptr, nullptr, &stamp)) {
        std::fprintf(stderr, "vanto_inet_floor: flushing %s failed (%lu)\n", writePath.c_str(), ::GetLastError());
        return 1;
      }
    }
    ::CloseHandle(file);
    if (durable && !::MoveFileExA(writePath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      std::fprintf(stderr, "vanto_inet_floor: moving %s failed (%lu)\n", writePath.c_str(), ::GetLastError());
      return 1;
    }
  }
  ::QueryPerformanceCounter(&end);
  const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("requests=%d status_not_200=%d bytes=%lld seconds=%.3f\n", static_cast<int>(objects.size()), notOk,
              bytes, seconds);
  return notOk == 0 ? 0 : 3;
}
