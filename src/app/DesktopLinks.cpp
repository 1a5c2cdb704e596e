#include "app/DesktopLinks.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "util/WinHandles.h"

namespace {
// One COM initialisation for the life of a link operation.
class ComScope {
 public:
  ComScope() { ::CoInitialize(nullptr); }
  ~ComScope() { ::CoUninitialize(); }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
};

std::wstring LinkFilePath(const std::string& name, size_t maxChars) {
  const std::string path = GetDesktopDir() + "\\" + name + ".lnk";
  wchar_t wide[520] = L"";
  const int length = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, static_cast<int>(maxChars));
  if (length <= 0) return std::wstring();
  return wide;
}
}  // namespace

std::string GetDesktopDir() {
  char folder[512] = "";
  ::SHGetSpecialFolderPathA(nullptr, folder, CSIDL_DESKTOPDIRECTORY, FALSE);
  return folder;
}

int CreateDesktopLink(const std::string& name, const std::string& target, const std::string& arguments,
                      const std::string& iconLocation) {
  ComScope com;
  ComPtr<IShellLinkA> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
    return 0;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return 0;
  link->SetPath(target.c_str());
  if (!iconLocation.empty()) link->SetIconLocation(iconLocation.c_str(), 0);
  if (!arguments.empty()) link->SetArguments(arguments.c_str());
  const std::wstring linkPath = LinkFilePath(name, 260);
  return SUCCEEDED(file->Save(linkPath.c_str(), TRUE)) ? 0 : -1;
}

int CreateDesktopWebLink(const std::string& name, const std::string& url, const std::string& iconLocation,
                         const std::string& browserPath) {
  return CreateDesktopLink(name, browserPath, url, iconLocation);
}

int SetLinkRunAsAdmin(const std::string& name) {
  ComScope com;
  ComPtr<IShellLinkA> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
    return -1;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return -2;
  const std::wstring linkPath = LinkFilePath(name, 519);
  if (FAILED(file->Load(linkPath.c_str(), STGM_READ))) return -3;
  ComPtr<IShellLinkDataList> data;
  if (FAILED(link->QueryInterface(IID_IShellLinkDataList, data.put_void()))) return -4;
  DWORD flags = 0;
  if (FAILED(data->GetFlags(&flags))) return -5;
  if (flags & SLDF_RUNAS_USER) return 0;
  if (FAILED(data->SetFlags(flags | SLDF_RUNAS_USER))) return -6;
  if (FAILED(file->Save(linkPath.c_str(), TRUE))) return -8;
  if (FAILED(file->SaveCompleted(linkPath.c_str()))) return -9;
  return 0;
}
