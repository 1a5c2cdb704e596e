#pragma once
// Return codes of a single file download; the run turns them into messages
// and administrators grep for them.

enum DownloadResult : int {
  DOWNLOAD_OK = 0,
  DOWNLOAD_NO_CONNECTION = -1,
  DOWNLOAD_BAD_STATUS = -2,
  DOWNLOAD_LOCAL_WRITE = -3,
  DOWNLOAD_SIZE_MISMATCH = -4,
  DOWNLOAD_SET_DATE = -5,  // also: proxy authentication failed after its resend
  DOWNLOAD_GZIP_OR_EXCEPTION = -6,
  DOWNLOAD_STOPPED = -7,
  DOWNLOAD_HASH_MISMATCH = -8,  // the list's SHA-256 differs from the file's, or could not be checked
  DOWNLOAD_NO_DATA = -10,
};
