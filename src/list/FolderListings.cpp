#include "list/FolderListings.h"

#include <windows.h>

#include <vector>

#include "util/WinHandles.h"

namespace {
bool ToWide(const std::string& text, std::wstring& wide) {
  if (text.empty()) return false;
  const int length = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
  if (length <= 0) return false;
  wide.assign(static_cast<size_t>(length), L'\0');
  return ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &wide[0],
                               length) == length;
}

bool IsDriveAbsolute(const std::wstring& path) {
  return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
         path[1] == L':' && path[2] == L'\\';
}

// A name whose presence one reading of its folder can tell: no wildcard,
// stream or device syntax, no short 8.3 spelling, nothing the system would
// trim before looking.
bool IsPlainName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  if (name.back() == L'.' || name.back() == L' ') return false;
  for (wchar_t c : name) {
    if (c < 0x20 || c == L'~') return false;
    if (std::wstring(L"<>:\"/\\|?*").find(c) != std::wstring::npos) return false;
  }
  return true;
}

// Device names ("NUL", "com1.txt", "CON .log") reach a device in any folder
// and with any extension; they are left to the file system, as are names
// that merely look alike ("COMX").
bool MayNameDevice(const std::wstring& name) {
  std::wstring base = FileSystemUpperCase(name.substr(0, name.find(L'.')));
  base.erase(base.find_last_not_of(L' ') + 1);
  if (base == L"CONIN$" || base == L"CONOUT$") return true;
  if (base.size() != 3 && base.size() != 4) return false;
  for (const wchar_t* prefix : {L"CON", L"PRN", L"AUX", L"NUL", L"COM", L"LPT"})
    if (base.compare(0, 3, prefix) == 0) return true;
  return false;
}

bool HasShortSpelling(const std::wstring& folder) { return folder.find(L'~') != std::wstring::npos; }

// Windows compares the handles' names, not the files: "." and ".." are not
// names of the folder's content.
bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}
}  // namespace

std::wstring FileSystemUpperCase(const std::wstring& text) {
  if (text.empty()) return text;
  std::wstring upper(text.size(), L'\0');
  const int length = ::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()),
                                    &upper[0], static_cast<int>(upper.size()));
  if (length != static_cast<int>(text.size())) return text;
  return upper;
}

bool CFolderListings::SplitPath(const std::string& path, std::wstring& folder, std::wstring& name) {
  std::wstring wide;
  if (!ToWide(path, wide) || wide.size() >= MAX_PATH || !IsDriveAbsolute(wide)) return false;
  // The name as given must be plain: the full-path form would trim a
  // trailing dot or blank that the file system sees.
  const size_t givenSlash = wide.find_last_of(L"\\/");
  if (!IsPlainName(wide.substr(givenSlash + 1))) return false;
  wchar_t full[MAX_PATH];
  const DWORD length = ::GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return false;
  const std::wstring normal(full, length);
  if (!IsDriveAbsolute(normal)) return false;
  const size_t slash = normal.rfind(L'\\');
  if (slash < 2) return false;
  name = normal.substr(slash + 1);
  folder = normal.substr(0, slash);
  if (!IsPlainName(name) || MayNameDevice(name) || HasShortSpelling(folder)) return false;
  folder = FileSystemUpperCase(folder);
  name = FileSystemUpperCase(name);
  return true;
}

CFolderListings::Listing CFolderListings::Read(const std::wstring& folder) {
  Listing listing;
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) {
    const DWORD error = ::GetLastError();
    // Not found: an empty folder (no entry at all) or no folder; either way
    // it holds nothing. Any other failure leaves the folder to direct asks.
    listing.readable = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return listing;
  }
  do {
    if (!IsDotEntry(data.cFileName)) listing.names.insert(FileSystemUpperCase(data.cFileName));
  } while (::FindNextFileW(find.get(), &data));
  listing.readable = ::GetLastError() == ERROR_NO_MORE_FILES;
  if (!listing.readable) listing.names.clear();
  return listing;
}

CFolderListings::Listing& CFolderListings::ListingOf(const std::wstring& folder) {
  auto found = m_listings.find(folder);
  if (found != m_listings.end()) return found->second;
  return m_listings.emplace(folder, Read(folder)).first->second;
}

bool CFolderListings::IsKnownAbsent(const std::string& path) {
  std::wstring folder, name;
  if (!SplitPath(path, folder, name)) return false;
  std::lock_guard<std::mutex> guard(m_lock);
  const Listing& listing = ListingOf(folder);
  if (!listing.readable || listing.changed.count(name)) return false;
  return listing.names.count(name) == 0;
}

void CFolderListings::Forget(const std::string& path) {
  std::wstring folder, name;
  if (!SplitPath(path, folder, name)) return;
  std::lock_guard<std::mutex> guard(m_lock);
  // Writing a file may have made its folders too: each folder's name is
  // changed in its parent's listing as well. A folder not read yet is read
  // as it is when first asked.
  for (;;) {
    auto found = m_listings.find(folder);
    if (found != m_listings.end()) found->second.changed.insert(name);
    const size_t slash = folder.rfind(L'\\');
    if (slash == std::wstring::npos || slash < 2) return;
    name = folder.substr(slash + 1);
    folder.resize(slash);
  }
}
