#pragma once
// Every line the download logs starts with this, whichever piece logs it.

inline constexpr char kDownloadLogPrefix[] = "CVantoExeDlg::DownloadOneFileFromServer> ";
