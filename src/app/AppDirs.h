#pragma once
// Creation of the target directory chain at start-up.
#include <windows.h>

#include <string>

// Creates the folders leading to path's last backslash (not the last part).
// The first level below the drive root gets Everyone full access, inherited.
// 1 done, -1 a folder could not be created (error set), -2 empty after
// trimming, -3 no backslash. error is 0 unless a creation failed.
int CreateParentDirectories(const std::string& path, DWORD* error);
// Creates one folder granting Everyone full access, inherited by
// sub-folders and files. 1 done, 0 failed (error set).
int CreateDirectory_GrantAccess(const std::string& path, DWORD* error);
