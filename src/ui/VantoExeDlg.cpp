#include "ui/VantoExeDlg.h"

#include <commctrl.h>

#include "list/FileItemLists.h"
#include "run/VantoEngine.h"
#include "ui/AboutDlg.h"
#include "ui/DialogTemplate.h"
#include "ui/SkinArtwork.h"
#include "ui/UiResource.h"
#include "ui/VantoDialogTemplates.h"
#include "util/MessageBoxKind.h"
#include "util/MyLog.h"
#include "util/TextConv.h"
#include "util/VantoResult.h"

namespace {
const char* const kDefaultCaption = "VantoExe";

// A string resource of the program file; empty when it carries none.
std::wstring LoadResourceString(UINT id) {
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}
}  // namespace

CVantoExeDlg::CVantoExeDlg(const VantoDialogInfo& info) : m_info(info) {}

CVantoExeDlg::~CVantoExeDlg() = default;

INT_PTR CVantoExeDlg::DoModal(HWND parent) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  RegisterVantoExeDialogClass();
  const CDialogTemplate dialogTemplate(MakeVantoExeDialogSpec());
  return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dialogTemplate.Get(), parent,
                                   &CVantoExeDlg::DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CVantoExeDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CVantoExeDlg* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CVantoExeDlg*>(lParam);
    self->m_hWnd = window;
    ::SetWindowLongPtrW(window, DWLP_USER, lParam);
  } else {
    self = reinterpret_cast<CVantoExeDlg*>(::GetWindowLongPtrW(window, DWLP_USER));
  }
  if (!self) return FALSE;
  const INT_PTR r = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) self->m_hWnd = nullptr;
  return r;
}

INT_PTR CVantoExeDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_ERASEBKGND:
      ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, 1);  // the paint covers everything
      return TRUE;
    case WM_PAINT:
      OnPaint();
      return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // Corners of the text-less parts show the white panel.
      ::SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      CSkinButton* button = item->CtlID == IDC_BUTTON_START ? &m_buttonStart
                            : item->CtlID == IDC_BUTTON_STOP ? &m_buttonStop
                            : item->CtlID == IDOK            ? &m_buttonClose
                                                             : nullptr;
      if (!button) return FALSE;
      button->DrawItem(*item);
      return TRUE;
    }
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(m_iconLarge.get());
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        ShowAboutBox(m_hWnd);
        return TRUE;
      }
      return FALSE;
    case WM_LBUTTONDOWN:
      // The window has no caption: dragging anywhere moves it.
      ::PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_BUTTON_START:
          if (HIWORD(wParam) == BN_CLICKED) OnButtonStart();
          return TRUE;
        case IDC_BUTTON_STOP:
          if (HIWORD(wParam) == BN_CLICKED) OnButtonStop();
          return TRUE;
        case IDOK:
          OnButtonStop();
          ::EndDialog(m_hWnd, IDOK);
          return TRUE;
        case IDCANCEL:
          // Esc: the dialog ends; the stop request and the result stay as they are.
          ::EndDialog(m_hWnd, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_CLOSE:
      ::EndDialog(m_hWnd, IDCANCEL);
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default:
      if (message == WMU_REQUEST_START) {
        if (m_pVantoEngine) m_pVantoEngine->OnRequestStart(static_cast<int>(wParam), static_cast<int>(lParam));
        return TRUE;
      }
      if (message == WMU_DOWN_COMPLETE) {
        if (m_pVantoEngine) m_pVantoEngine->OnDownComplete(static_cast<int>(wParam), static_cast<int>(lParam));
        return TRUE;
      }
      return FALSE;
  }
}

BOOL CVantoExeDlg::OnInitDialog() {
  m_staticStep.Attach(::GetDlgItem(m_hWnd, IDC_STATIC_STEP));
  m_staticTotal.Attach(::GetDlgItem(m_hWnd, IDC_STATIC_TOTAL));
  m_staticFile.Attach(::GetDlgItem(m_hWnd, IDC_STATIC_FILE));
  m_staticTotalLabel.Attach(::GetDlgItem(m_hWnd, IDC_STATIC_TOTAL_LABEL));
  m_staticFileLabel.Attach(::GetDlgItem(m_hWnd, IDC_STATIC_FILE_LABEL));
  m_staticTotalLabel.SetStaticText("전체 :");
  m_staticFileLabel.SetStaticText("파일 :");
  m_progressTotal.Attach(::GetDlgItem(m_hWnd, IDC_PROGRESS_TOTAL));
  m_progressFile.Attach(::GetDlgItem(m_hWnd, IDC_PROGRESS_FILE));
  m_buttonStart.Attach(::GetDlgItem(m_hWnd, IDC_BUTTON_START));
  m_buttonStop.Attach(::GetDlgItem(m_hWnd, IDC_BUTTON_STOP));
  m_buttonClose.Attach(::GetDlgItem(m_hWnd, IDOK));

  if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE)) {
    const std::wstring text = LoadResourceString(IDS_ABOUTBOX);
    if (!text.empty()) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text.c_str());
    }
  }

  m_iconLarge = LoadAppIcon(32);
  m_iconSmall = LoadAppIcon(16);
  ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_iconLarge.get()));
  ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_iconSmall.get()));

  // Only the copy the launcher started looks for a newer program file; when
  // it was replaced the new copy does the run and this dialog never shows.
  if (m_info.strCommandLine == "R" && m_fnSelfUpdateCheck && m_fnSelfUpdateCheck()) {
    ::EndDialog(m_hWnd, IDCANCEL);
    return TRUE;
  }

  ResetProgressDisplay();
  ShowStepMessage("대기중...");

  for (CColorStatic* s : {&m_staticTotalLabel, &m_staticFileLabel, &m_staticTotal, &m_staticFile, &m_staticStep})
    s->SetBackgroundColour(RGB(255, 255, 255));
  m_staticTotalLabel.SetMarkerBitmap(IDB_LABEL_MARKER);
  m_staticFileLabel.SetMarkerBitmap(IDB_LABEL_MARKER);
  m_staticStep.SetMarkerBitmap(IDB_STEP_MARKER);

  m_buttonStop.SetSkin(IDB_BUTTON_STRIP, 0, 4, true);
  m_buttonStart.SetSkin(IDB_BUTTON_STRIP, 0, 4, true);
  m_buttonClose.SetSkin(IDB_BUTTON_STRIP, 0, 4, true);
  ::SendMessageW(m_hWnd, DM_SETDEFID, IDC_BUTTON_START, 0);

  m_skin.LoadImages();
  m_list.Attach(::GetDlgItem(m_hWnd, IDC_LIST_MESSAGE));

  if (m_fnAfterInit) m_fnAfterInit(*this);
  ::PostMessageW(m_hWnd, WMU_REQUEST_START, 0, 0);
  return TRUE;
}

void CVantoExeDlg::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  if (::IsIconic(m_hWnd)) {
    const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(dc, (client.right - cx + 1) / 2, (client.bottom - cy + 1) / 2, m_iconLarge.get());
  } else {
    m_skin.Paint(dc, client);
  }
  ::EndPaint(m_hWnd, &ps);
}

void CVantoExeDlg::OnDestroy() {
  m_skin.ReleaseImages();
  if (m_info.pLists) m_info.pLists->ClearAllFileItemLists();
}

void CVantoExeDlg::OnButtonStart() { ::PostMessageW(m_hWnd, WMU_REQUEST_START, 0, 0); }

void CVantoExeDlg::OnButtonStop() {
  if (g_pMyLog) g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::OnButtonStop> Set m_nResult = VANTO_STOP_BY_USER");
  g_nResult = VANTO_STOP_BY_USER;
  if (g_pMyLog) g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::OnButtonStop> Set m_pVantoEngine->m_nRequestStopFlag = 1");
  if (m_pVantoEngine) m_pVantoEngine->m_nRequestStopFlag = 1;
  SetRunButtons(true, false, true);
}

CColorStatic* CVantoExeDlg::StaticById(int controlId) {
  switch (controlId) {
    case IDC_STATIC_STEP: return &m_staticStep;
    case IDC_STATIC_TOTAL: return &m_staticTotal;
    case IDC_STATIC_FILE: return &m_staticFile;
    case IDC_STATIC_TOTAL_LABEL: return &m_staticTotalLabel;
    case IDC_STATIC_FILE_LABEL: return &m_staticFileLabel;
    default: return nullptr;
  }
}

CGradientProgress* CVantoExeDlg::ProgressById(int controlId) {
  switch (controlId) {
    case IDC_PROGRESS_TOTAL: return &m_progressTotal;
    case IDC_PROGRESS_FILE: return &m_progressFile;
    default: return nullptr;
  }
}

void CVantoExeDlg::ShowStepMessage(const char* text) {
  if (!text) return;
  m_staticStep.SetStaticText(text);
}

void CVantoExeDlg::AddListMessage(int kind, const std::string& text) {
  if (kind != LIST_ROW_ERROR && kind != LIST_ROW_INFO) return;
  m_list.AddRow(kind, FormatListTime(), text);
}

void CVantoExeDlg::PumpWaitingMessages(int controlId) {
  HWND filter = nullptr;
  if (controlId != 0 && m_hWnd) {
    // The controls know their windows: no search among the children per call.
    CColorStatic* line = StaticById(controlId);
    CGradientProgress* bar = ProgressById(controlId);
    filter = line && line->GetHwnd() ? line->GetHwnd()
             : bar && bar->GetHwnd() ? bar->GetHwnd()
                                     : ::GetDlgItem(m_hWnd, controlId);
  }
  MSG msg;
  if (::PeekMessageW(&msg, filter, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave it for the loop that owns it.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void CVantoExeDlg::PumpAllWaitingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void CVantoExeDlg::SetStaticText(int controlId, const std::string& text) {
  if (CColorStatic* s = StaticById(controlId)) s->SetStaticText(text);
}

void CVantoExeDlg::SetProgressRange(int controlId, int lower, int upper) {
  if (CGradientProgress* p = ProgressById(controlId)) p->SetProgressRange(lower, upper);
}

void CVantoExeDlg::SetProgressPos(int controlId, int position) {
  if (CGradientProgress* p = ProgressById(controlId)) p->SetProgressPos(position);
}

// The kinds the run passes are handed to MessageBoxW as they are.
static_assert(BOX_OK == MB_OK && BOX_YESNO == MB_YESNO && BOX_ICON_ERROR == MB_ICONERROR &&
                  BOX_ICON_QUESTION == MB_ICONQUESTION && BOX_ICON_EXCLAMATION == MB_ICONEXCLAMATION &&
                  BOX_ANSWER_YES == IDYES,
              "message box kinds are the Windows values");

int CVantoExeDlg::AskUser(const std::string& text, const std::string& caption, unsigned type) {
  const std::wstring body = Cp949ToWide(text);
  const std::wstring title = Cp949ToWide(caption.empty() ? std::string(kDefaultCaption) : caption);
  return ::MessageBoxW(m_hWnd, body.c_str(), title.c_str(), type);
}

void CVantoExeDlg::SetRunButtons(bool startEnabled, bool stopEnabled, bool closeEnabled) {
  if (!m_hWnd) return;
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BUTTON_START), startEnabled);
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BUTTON_STOP), stopEnabled);
  ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), closeEnabled);
}

void CVantoExeDlg::ResetProgressDisplay() {
  m_staticFile.SetStaticText("");
  m_staticStep.SetStaticText("");
  m_staticTotal.SetStaticText("");
  m_progressTotal.SetProgressRange(0, 100);
  m_progressFile.SetProgressRange(0, 100);
  if (m_nFirstStartFlag == 1) DeleteAllListRows();
}

void CVantoExeDlg::DeleteAllListRows() { m_list.DeleteAllRows(); }

void CVantoExeDlg::DisplaySystemInfo() {
  if (m_nFirstStartFlag != 1) return;
  if (g_pMyLog) g_pMyLog->Log(LOG_INFO, "CVantoExeDlg::DisplaySystemInfo> Vanto Start, Version = %s", m_info.strVersion.c_str());
  AddListMessage(LIST_ROW_INFO, "프로그램 버전 관리 시작, 버전 = " + m_info.strVersion);
  AddListMessage(LIST_ROW_INFO, "윈도우 디렉토리 경로 : " + m_info.strWindowsDir);
  AddListMessage(LIST_ROW_INFO, "시스템 디렉토리 경로 : " + m_info.strSystemDir);
}

void CVantoExeDlg::PostDialogMessage(unsigned message, int wParam, int lParam) {
  if (m_hWnd) ::PostMessageW(m_hWnd, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}
