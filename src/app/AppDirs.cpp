#include "app/AppDirs.h"

#include <aclapi.h>

#include <memory>

#include "app/AppMessage.h"
#include "util/PathText.h"

namespace {
struct SidFree {
  void operator()(void* sid) const { ::FreeSid(sid); }
};
struct LocalMemFree {
  void operator()(void* p) const { ::LocalFree(p); }
};

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// An existing folder is no failure, even when the system reports something
// other than "already exists" for it (a drive root such as "C:").
bool CreateOne(const std::string& dir, bool grant, DWORD* error) {
  DWORD code = 0;
  if (grant) {
    if (CreateDirectory_GrantAccess(dir, &code) == 1) return true;
  } else {
    if (::CreateDirectoryA(dir.c_str(), nullptr)) return true;
    code = ::GetLastError();
  }
  if (code == ERROR_ALREADY_EXISTS || IsDirectory(dir)) return true;
  *error = code;
  return false;
}
}  // namespace

int CreateDirectory_GrantAccess(const std::string& path, DWORD* error) {
  *error = 0;
  if (path.empty()) {
    *error = ERROR_PATH_NOT_FOUND;
    return 0;
  }
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID rawSid = nullptr;
  if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &rawSid)) {
    ShowAppMessage("CVantoExeApp::CreateDirectory_GrantAccess() : Fail to get Everyone SID!!!");
    return 0;
  }
  std::unique_ptr<void, SidFree> sid(rawSid);
  EXPLICIT_ACCESSA access = {};
  access.grfAccessPermissions = GENERIC_ALL;
  access.grfAccessMode = SET_ACCESS;
  access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = static_cast<LPSTR>(sid.get());
  PACL rawAcl = nullptr;
  DWORD code = ::SetEntriesInAclA(1, &access, nullptr, &rawAcl);
  std::unique_ptr<void, LocalMemFree> acl(rawAcl);
  if (code == ERROR_SUCCESS) {
    SECURITY_DESCRIPTOR descriptor;
    if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&descriptor, TRUE, rawAcl, FALSE)) {
      code = ::GetLastError();
    } else {
      SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, TRUE};
      if (!::CreateDirectoryA(path.c_str(), &attributes)) code = ::GetLastError();
    }
  }
  *error = code;
  return code == 0 ? 1 : 0;
}

int CreateParentDirectories(const std::string& path, DWORD* error) {
  *error = 0;
  const std::string trimmed = Trim(path);
  if (trimmed.empty()) return -2;
  if (!HasBackslash(trimmed)) return -3;
  const std::string dir = FolderOfPath(trimmed);
  bool rootSkipped = false;
  bool first = true;
  for (size_t i = 0; i < dir.size(); ++i) {
    if (dir[i] != '\\') continue;
    if (!rootSkipped) {
      rootSkipped = true;
      continue;
    }
    if (!CreateOne(dir.substr(0, i), first, error)) return -1;
    first = false;
  }
  if (!CreateOne(dir, first, error)) return -1;
  return 1;
}
