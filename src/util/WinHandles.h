#pragma once
// Owners for Win32 handles: each closes its handle exactly once.
#ifdef _WIN32
#include <windows.h>
#include <utility>

template <typename T, typename Traits>
class UniqueWinHandle {
 public:
  UniqueWinHandle() = default;
  explicit UniqueWinHandle(T h) : m_h(h) {}
  ~UniqueWinHandle() { reset(); }
  UniqueWinHandle(const UniqueWinHandle&) = delete;
  UniqueWinHandle& operator=(const UniqueWinHandle&) = delete;
  UniqueWinHandle(UniqueWinHandle&& o) noexcept : m_h(std::exchange(o.m_h, Traits::Invalid())) {}
  UniqueWinHandle& operator=(UniqueWinHandle&& o) noexcept {
    if (this != &o) { reset(); m_h = std::exchange(o.m_h, Traits::Invalid()); }
    return *this;
  }
  T get() const { return m_h; }
  explicit operator bool() const { return m_h != Traits::Invalid(); }
  T release() { return std::exchange(m_h, Traits::Invalid()); }
  void reset(T h = Traits::Invalid()) {
    if (m_h != Traits::Invalid()) Traits::Close(m_h);
    m_h = h;
  }

 private:
  T m_h = Traits::Invalid();
};

struct KernelHandleTraits {  // CreateProcess, OpenProcess, CreateMutex...
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile, CreateToolhelp32Snapshot
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};
struct RegKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY h) { ::RegCloseKey(h); }
};
struct ModuleTraits {
  static HMODULE Invalid() { return nullptr; }
  static void Close(HMODULE h) { ::FreeLibrary(h); }
};

using UniqueHandle = UniqueWinHandle<HANDLE, KernelHandleTraits>;
using UniqueFileHandle = UniqueWinHandle<HANDLE, FileHandleTraits>;
using UniqueFindHandle = UniqueWinHandle<HANDLE, FindHandleTraits>;
using UniqueHKey = UniqueWinHandle<HKEY, RegKeyTraits>;
using UniqueHModule = UniqueWinHandle<HMODULE, ModuleTraits>;

// Releases a COM interface pointer.
template <typename I>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  I* get() const { return m_p; }
  I* operator->() const { return m_p; }
  I** put() { reset(); return &m_p; }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  explicit operator bool() const { return m_p != nullptr; }
  void reset() { if (m_p) { m_p->Release(); m_p = nullptr; } }

 private:
  I* m_p = nullptr;
};
#endif
