#include "ui/MessageList.h"

#include <ctime>
#include <vector>

#include "ui/SkinArtwork.h"
#include "ui/UiResource.h"
#include "util/TextConv.h"

std::string FormatListTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_s(&local, &now);
  char text[32] = {0};
  std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

bool CMessageList::Attach(HWND listView) {
  m_hWnd = listView;
  if (!m_hWnd) return false;
  m_images.reset(::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 45, 1));
  UniqueBitmap icons = CreateSkinBitmap(IDB_LIST_ICONS);
  if (m_images && icons) ::ImageList_AddMasked(m_images.get(), icons.get(), kListIconTransparentColour);
  // This object owns the image list; the list view must not destroy it.
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, ::GetWindowLongPtrW(m_hWnd, GWL_STYLE) | LVS_SHAREIMAGELISTS);
  ListView_SetImageList(m_hWnd, m_images.get(), LVSIL_SMALL);

  const struct {
    const char* title;
    int width;
  } columns[2] = {{"일시", 140}, {"내용", 373}};
  for (int i = 0; i < 2; ++i) {
    std::wstring title = Cp949ToWide(columns[i].title);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = LVCFMT_LEFT;
    col.cx = columns[i].width;
    col.pszText = title.data();
    col.iSubItem = i;
    ::SendMessageW(m_hWnd, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
  ListView_SetExtendedListViewStyleEx(m_hWnd, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  return true;
}

int CMessageList::AddRow(int kind, const std::string& timeText, const std::string& text) {
  if (!m_hWnd || (kind != 1 && kind != 2)) return -1;
  std::wstring when = Cp949ToWide(timeText);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = GetRowCount();
  item.iSubItem = 0;
  item.pszText = when.data();
  item.iImage = kind == 1 ? 1 : 0;
  const int row = static_cast<int>(::SendMessageW(m_hWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return -1;
  std::wstring body = Cp949ToWide(text);
  LVITEMW sub{};
  sub.iSubItem = 1;
  sub.pszText = body.data();
  ::SendMessageW(m_hWnd, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
  ::SendMessageW(m_hWnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  return row;
}

void CMessageList::DeleteAllRows() {
  if (m_hWnd) ::SendMessageW(m_hWnd, LVM_DELETEALLITEMS, 0, 0);
}

int CMessageList::GetRowCount() const {
  return m_hWnd ? static_cast<int>(::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

std::string CMessageList::GetRowText(int row, int column) const {
  if (!m_hWnd) return {};
  std::vector<wchar_t> buffer(1024, L'\0');
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  ::SendMessageW(m_hWnd, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return WideToCp949(buffer.data());
}

int CMessageList::GetRowImage(int row) const {
  if (!m_hWnd) return -1;
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  if (!::SendMessageW(m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return -1;
  return item.iImage;
}
