#pragma once
// Whether the local copy of an entry must be fetched again. Doubt means
// fetch: only a delete entry, an existing system file and a time within
// TIME_CHECK_SPAN (after an equal size) say "current".
#include <string>

#include "list/FileItem.h"
#include "config/VantoCfg.h"

class CFolderListings;

// 1 fetch, 0 current. Local path m_strLocalPath, sizes compared. Not only a
// question: a backup an interrupted download left beside the file is then
// deleted or put back (SettleInterruptedDownload). Its log lines keep the
// tag "CVantoExeDlg::IsFileToDownload> ". listings, when given, answer for
// names that do not exist (the same decisions, without asking the file
// system about each missing name).
int CheckDownloadAndSettleBackup(const FileItem& item, const CVantoCfg& cfg, CFolderListings* listings = nullptr);
// A leftover backup beside the entry's file: deleted when the file is
// current, else put back (SettleLeftoverBackup); delete and system entries
// are left alone. A backup the listings prove absent is not asked for; one
// that was there makes both names changed in them.
void SettleInterruptedDownload(const FileItem& item, bool current, CFolderListings* listings = nullptr);
// A download of the entry wrote, moved or removed its file, its backup and
// its partial file: the listings answer none of them from now on.
void ForgetDownloadNames(const FileItem& item, CFolderListings* listings);
// The list file against its kept stamp ("%s.%s" of m_strLocalPath and
// RUN_MODE); only the time counts. 1 changed, 0 same.
int IsListFileDifferent(const FileItem& listItem, const CVantoCfg& cfg);
// sizeFlag 1 compares sizes too. The variant follows FILE_COMPARE_GMT_TIME.
int IsFileDifferent(const FileItem& item, const std::string& localPath, int sizeFlag, const CVantoCfg& cfg,
                    CFolderListings* listings = nullptr);
