#pragma once
// The dialog's message list: time-stamped rows with an information or error
// icon, always appended at the end.
#include <string>

#include "ui/GdiOwners.h"

// "%Y-%m-%d %H:%M:%S" of the current local time.
std::string FormatListTime();

class CMessageList {
 public:
  // Sets up the two columns, full-row selection and the row icons.
  bool Attach(HWND listView);
  HWND GetHwnd() const { return m_hWnd; }
  // Kind 1 error, 2 information; any other kind adds nothing. Returns the row or -1.
  int AddRow(int kind, const std::string& timeText, const std::string& text);
  void DeleteAllRows();
  int GetRowCount() const;
  std::string GetRowText(int row, int column) const;
  int GetRowImage(int row) const;

 private:
  HWND m_hWnd = nullptr;
  UniqueImageList m_images;
};
