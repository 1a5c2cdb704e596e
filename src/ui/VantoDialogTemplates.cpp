#include "ui/VantoDialogTemplates.h"

#include <commctrl.h>

#include "ui/UiResource.h"
#include "util/TextConv.h"

namespace {
// Literals are CP949 bytes; the template holds wide text.
std::wstring W(const char* cp949) { return Cp949ToWide(cp949); }

constexpr BYTE kHangulCharSet = 129;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
}  // namespace

const wchar_t* const kVantoExeDialogClass = L"VantoExeDlg";

bool RegisterVantoExeDialogClass() {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (::GetClassInfoExW(instance, kVantoExeDialogClass, &cls)) return true;
  cls.cbSize = sizeof(cls);
  cls.style = CS_DBLCLKS;
  cls.lpfnWndProc = ::DefDlgProcW;
  cls.cbWndExtra = DLGWINDOWEXTRA;
  cls.hInstance = instance;
  cls.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // arrow
  cls.lpszClassName = kVantoExeDialogClass;
  return ::RegisterClassExW(&cls) != 0;
}

DialogSpec MakeVantoExeDialogSpec() {
  DialogSpec d{};
  d.style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | DS_CENTER | DS_SETFOREGROUND;
  d.exStyle = WS_EX_APPWINDOW | WS_EX_TOOLWINDOW;
  d.x = 0;
  d.y = 0;
  d.cx = 240;
  d.cy = 238;
  d.title = L"VantoExe";
  d.className = kVantoExeDialogClass;
  d.fontName = W("굴림");
  d.pointSize = 9;
  d.charSet = kHangulCharSet;
  const DWORD statik = kChild | SS_LEFT;
  const DWORD bar = kChild;
  d.controls = {
      {IDC_STATIC_STEP, L"Static", W("진행단계 상태 메시지"), statik, 0, 7, 13, 226, 8},
      {IDC_STATIC_TOTAL_LABEL, L"Static", W("전체 :"), statik, 0, 7, 33, 26, 8},
      {IDC_STATIC_TOTAL, L"Static", W("17 / 100  (86%)"), statik, 0, 36, 33, 197, 8},
      {IDC_PROGRESS_TOTAL, L"msctls_progress32", L"Progress", bar, 0, 7, 45, 226, 8},
      {IDC_STATIC_FILE_LABEL, L"Static", W("파일 :"), statik, 0, 7, 59, 26, 8},
      {IDC_STATIC_FILE, L"Static", W("파일이름"), statik, 0, 36, 59, 197, 8},
      {IDC_PROGRESS_FILE, L"msctls_progress32", L"Progress", bar, 0, 7, 71, 226, 8},
      {IDC_LIST_MESSAGE, L"SysListView32", L"List1",
       kChild | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER, 0, 7, 87, 226, 124},
      {IDC_BUTTON_START, L"Button", W("시작"), kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 79, 215, 50, 14},
      {IDC_BUTTON_STOP, L"Button", W("중지"), kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 131, 215, 50, 14},
      {IDOK, L"Button", W("닫기"), kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 183, 215, 50, 14},
  };
  return d;
}

DialogSpec MakeAboutDialogSpec() {
  DialogSpec d{};
  d.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  d.exStyle = 0;
  d.x = 0;
  d.y = 0;
  d.cx = 235;
  d.cy = 55;
  d.title = L"VantoExe Information";
  d.fontName = W("굴림");
  d.pointSize = 9;
  d.charSet = kHangulCharSet;
  d.controls = {
      {IDC_ABOUT_ICON, L"Static", L"", kChild | SS_ICON, 0, 11, 17, 20, 20},
      {IDC_ABOUT_VERSION, L"Static", L"VantoExe Version 11,11,7,1", kChild | SS_LEFT | SS_NOPREFIX, 0, 40, 10,
       130, 8},
      {IDC_ABOUT_NOTE, L"Static", W("클라이언트 프로그램 버전 관리 프로그램"), kChild | SS_LEFT | SS_NOPREFIX, 0, 40,
       25, 130, 8},
      {IDOK, L"Button", W("확인"), kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 178, 7, 50, 14},
  };
  return d;
}
