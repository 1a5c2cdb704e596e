#include "ui/VantoExeDlg.h"

#include <gtest/gtest.h>

#include <cstring>

#include "config/VantoCfg.h"
#include "run/RunFakes.h"
#include "run/VantoEngine.h"
#include "ui/GdiplusSession.h"
#include "ui/UiResource.h"
#include "util/TextConv.h"
#include "util/VantoResult.h"

namespace {
std::string TextOf(HWND window) {
  wchar_t buffer[512] = {0};
  ::GetWindowTextW(window, buffer, 512);
  return WideToCp949(buffer);
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[64] = {0};
  ::GetClassNameW(window, buffer, 64);
  return buffer;
}

// Dispatches the thread's messages for a while, as the run's pumping does,
// and once more at the end (whatever came due meanwhile).
void PumpFor(DWORD ms) {
  const DWORD start = ::GetTickCount();
  MSG msg;
  for (bool last = false; !last;) {
    last = ::GetTickCount() - start >= ms;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (!last) ::Sleep(5);
  }
}

RECT DialogUnits(HWND dialog, int x, int y, int cx, int cy) {
  RECT r{x, y, x + cx, y + cy};
  ::MapDialogRect(dialog, &r);
  return r;
}

RECT ClientRectOfChild(HWND dialog, int id) {
  RECT r;
  HWND child = ::GetDlgItem(dialog, id);
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class VantoExeDlgTest : public ::testing::Test {
 protected:
  VantoExeDlgTest() {
    info.strVersion = "11.11.7.1";
    info.strWindowsDir = "C:\\windows";
    info.strSystemDir = "C:\\windows\\system32";
    g_nResult = 0;
  }
  // Runs the dialog; the check sees it initialised and then ends it.
  INT_PTR Show(const std::function<void(CVantoExeDlg&)>& check) {
    CVantoExeDlg dialog(info);
    dialog.m_fnAfterInit = [&](CVantoExeDlg& d) {
      check(d);
      ::EndDialog(d.GetHwnd(), 77);
    };
    return dialog.DoModal();
  }
  CGdiplusSession gdiplus;
  VantoDialogInfo info;
};
}  // namespace

TEST_F(VantoExeDlgTest, ControlsOfTheTemplate) {
  const INT_PTR r = Show([](CVantoExeDlg& d) {
    HWND h = d.GetHwnd();
    const struct {
      int id;
      const wchar_t* cls;
      int x, y, cx, cy;
    } controls[] = {
        {IDC_STATIC_STEP, L"Static", 7, 13, 226, 8},          {IDC_STATIC_TOTAL_LABEL, L"Static", 7, 33, 26, 8},
        {IDC_STATIC_TOTAL, L"Static", 36, 33, 197, 8},        {IDC_PROGRESS_TOTAL, L"msctls_progress32", 7, 45, 226, 8},
        {IDC_STATIC_FILE_LABEL, L"Static", 7, 59, 26, 8},     {IDC_STATIC_FILE, L"Static", 36, 59, 197, 8},
        {IDC_PROGRESS_FILE, L"msctls_progress32", 7, 71, 226, 8}, {IDC_LIST_MESSAGE, L"SysListView32", 7, 87, 226, 124},
    };
    for (const auto& c : controls) {
      HWND child = ::GetDlgItem(h, c.id);
      ASSERT_TRUE(child) << c.id;
      EXPECT_EQ(ClassOf(child), c.cls) << c.id;
      const RECT want = DialogUnits(h, c.x, c.y, c.cx, c.cy);
      const RECT got = ClientRectOfChild(h, c.id);
      EXPECT_EQ(got.left, want.left) << c.id;
      EXPECT_EQ(got.top, want.top) << c.id;
      EXPECT_EQ(got.right - got.left, want.right - want.left) << c.id;
    }
    // Buttons keep their place and take the size of one skin frame.
    const struct {
      int id, x, y;
      const char* text;
    } buttons[] = {{IDC_BUTTON_START, 79, 215, "시작"}, {IDC_BUTTON_STOP, 131, 215, "중지"}, {IDOK, 183, 215, "닫기"}};
    for (const auto& b : buttons) {
      const RECT want = DialogUnits(h, b.x, b.y, 50, 14);
      const RECT got = ClientRectOfChild(h, b.id);
      EXPECT_EQ(got.left, want.left) << b.id;
      EXPECT_EQ(got.top, want.top) << b.id;
      EXPECT_EQ(got.right - got.left, 88) << b.id;
      EXPECT_EQ(got.bottom - got.top, 21) << b.id;
      EXPECT_EQ(TextOf(::GetDlgItem(h, b.id)), b.text);
    }
    const LONG_PTR listStyle = ::GetWindowLongPtrW(::GetDlgItem(h, IDC_LIST_MESSAGE), GWL_STYLE);
    EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(listStyle & LVS_SINGLESEL);
    EXPECT_TRUE(listStyle & LVS_NOSORTHEADER);
    EXPECT_TRUE(listStyle & WS_TABSTOP);
    EXPECT_EQ(ClassOf(h), L"VantoExeDlg");  // not a message box's class
    const LONG_PTR style = ::GetWindowLongPtrW(h, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_TRUE(::GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(::SendMessageW(h, DM_GETDEFID, 0, 0) & 0xFFFF, IDC_BUTTON_START);
    // Initial texts, once shown: placeholders replaced, step line waiting.
    PumpFor(250);
    EXPECT_EQ(TextOf(::GetDlgItem(h, IDC_STATIC_STEP)), "대기중...");
    EXPECT_EQ(TextOf(::GetDlgItem(h, IDC_STATIC_TOTAL)), "");
    EXPECT_EQ(TextOf(::GetDlgItem(h, IDC_STATIC_FILE)), "");
    EXPECT_EQ(TextOf(::GetDlgItem(h, IDC_STATIC_TOTAL_LABEL)), "전체 :");
    // Message list columns.
    HWND list = ::GetDlgItem(h, IDC_LIST_MESSAGE);
    EXPECT_EQ(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), 140);
    EXPECT_EQ(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), 373);
    wchar_t title[32] = {0};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = title;
    col.cchTextMax = 32;
    ::SendMessageW(list, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
    EXPECT_EQ(WideToCp949(title), "내용");
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_FULLROWSELECT);
    EXPECT_TRUE(ListView_GetImageList(list, LVSIL_SMALL));
    // Icon 128 and string 101 are resources of the program file.
    EXPECT_TRUE(::SendMessageW(h, WM_GETICON, ICON_BIG, 0));
    EXPECT_TRUE(::SendMessageW(h, WM_GETICON, ICON_SMALL, 0));
    // The about entry of the system menu, where the system gives the
    // caption-less window one.
    if (HMENU menu = ::GetSystemMenu(h, FALSE)) {
      wchar_t item[64] = {0};
      EXPECT_GT(::GetMenuStringW(menu, IDM_ABOUTBOX, item, 64, MF_BYCOMMAND), 0);
      EXPECT_EQ(WideToCp949(item), "VantoExe 정보(&A)...");
    }
  });
  EXPECT_EQ(r, 77);
}

TEST_F(VantoExeDlgTest, MessageRows) {
  Show([](CVantoExeDlg& d) {
    CMessageList& list = d.MessageList();
    d.AddListMessage(3, "nothing");
    EXPECT_EQ(list.GetRowCount(), 0);
    d.AddListMessage(LIST_ROW_ERROR, "첫째");
    d.AddListMessage(LIST_ROW_INFO, "둘째");
    ASSERT_EQ(list.GetRowCount(), 2);
    EXPECT_EQ(list.GetRowText(0, 1), "첫째");
    EXPECT_EQ(list.GetRowText(1, 1), "둘째");
    EXPECT_EQ(list.GetRowImage(0), 1);
    EXPECT_EQ(list.GetRowImage(1), 0);
    const std::string when = list.GetRowText(0, 0);
    ASSERT_EQ(when.size(), 19u);  // YYYY-MM-DD hh:mm:ss
    EXPECT_EQ(when[4], '-');
    EXPECT_EQ(when[10], ' ');
    EXPECT_EQ(when[13], ':');

    d.DisplaySystemInfo();
    ASSERT_EQ(list.GetRowCount(), 5);
    EXPECT_EQ(list.GetRowText(2, 1), "프로그램 버전 관리 시작, 버전 = 11.11.7.1");
    EXPECT_EQ(list.GetRowText(3, 1), "윈도우 디렉토리 경로 : C:\\windows");
    EXPECT_EQ(list.GetRowText(4, 1), "시스템 디렉토리 경로 : C:\\windows\\system32");

    // After the first start the rows survive a reset and no system rows come.
    d.SetFirstStartFlag(0);
    d.ResetProgressDisplay();
    d.DisplaySystemInfo();
    EXPECT_EQ(list.GetRowCount(), 5);
    d.SetFirstStartFlag(1);
    d.ResetProgressDisplay();
    EXPECT_EQ(list.GetRowCount(), 0);
  });
}

TEST_F(VantoExeDlgTest, LinesAndBars) {
  Show([](CVantoExeDlg& d) {
    d.ShowStepMessage("단계");
    d.ShowStepMessage(nullptr);
    EXPECT_EQ(d.StaticById(IDC_STATIC_STEP)->GetText(), "단계");
    d.SetProgressRange(IDC_PROGRESS_TOTAL, 0, 7);
    d.SetProgressPos(IDC_PROGRESS_TOTAL, 3);
    CGradientProgress* bar = d.ProgressById(IDC_PROGRESS_TOTAL);
    EXPECT_EQ(bar->GetPos(), 3);
    EXPECT_EQ(bar->GetUpper(), 7);
    d.SetProgressPos(IDC_PROGRESS_TOTAL, 250);  // kept as a paint keeps it: at the upper bound
    EXPECT_EQ(bar->GetPos(), 7);
    d.ResetProgressDisplay();
    EXPECT_EQ(bar->GetUpper(), 100);
    EXPECT_EQ(bar->GetPos(), 0);
    EXPECT_EQ(d.StaticById(IDC_STATIC_FILE)->GetText(), "");
  });
}

// A run sets the lines and bars for each of thousands of entries: they are
// painted at the display rate, always ending with the last state, and a bar
// step that fills no further pixel paints nothing.
TEST_F(VantoExeDlgTest, BurstsOfChangesArePaintedAtTheDisplayRate) {
  Show([](CVantoExeDlg& d) {
    ::ShowWindow(d.GetHwnd(), SW_SHOWNA);  // hidden windows are never painted
    PumpFor(250);
    CColorStatic* line = d.StaticById(IDC_STATIC_FILE);
    const int linePaints = line->GetPaintCount();
    for (int i = 0; i <= 1000; ++i) d.SetStaticText(IDC_STATIC_FILE, "f" + std::to_string(i) + ".dll (크기 : 1,024)");
    EXPECT_LT(line->GetPaintCount() - linePaints, 10);
    PumpFor(250);
    EXPECT_EQ(TextOf(::GetDlgItem(d.GetHwnd(), IDC_STATIC_FILE)), "f1000.dll (크기 : 1,024)");
    const int shown = line->GetPaintCount();
    EXPECT_GT(shown, linePaints);
    PumpFor(250);
    EXPECT_EQ(line->GetPaintCount(), shown);  // nothing more to show: no more paints

    CGradientProgress* bar = d.ProgressById(IDC_PROGRESS_TOTAL);
    d.SetProgressRange(IDC_PROGRESS_TOTAL, 0, 100000);
    PumpFor(250);
    const int ranged = bar->GetPaintCount();
    d.SetProgressPos(IDC_PROGRESS_TOTAL, 1);
    d.SetProgressPos(IDC_PROGRESS_TOTAL, 2);
    PumpFor(250);
    EXPECT_EQ(bar->GetPos(), 2);
    EXPECT_EQ(bar->GetPaintCount(), ranged);
    for (int i = 0; i <= 100000; i += 100) d.SetProgressPos(IDC_PROGRESS_TOTAL, i);
    EXPECT_LT(bar->GetPaintCount() - ranged, 10);
    PumpFor(250);
    EXPECT_GT(bar->GetPaintCount(), ranged);
    EXPECT_EQ(bar->GetPos(), 100000);
  });
}

TEST_F(VantoExeDlgTest, StopAndCloseButtons) {
  CFileItemLists lists;
  CScriptedServer server(lists);
  CVantoCfg cfg;
  FileItem listItem;
  CVantoExeDlg dialog(info);
  VantoRunContext ctx;
  ctx.pCfg = &cfg;
  ctx.pLists = &lists;
  ctx.pListFileItem = &listItem;
  CVantoEngine engine(dialog, server, ctx);
  dialog.SetEngine(&engine);
  dialog.m_fnAfterInit = [&](CVantoExeDlg& d) {
    HWND h = d.GetHwnd();
    d.SetRunButtons(false, true, false);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, IDOK)));
    ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDC_BUTTON_STOP, BN_CLICKED), 0);
    EXPECT_EQ(engine.m_nRequestStopFlag, 1);
    EXPECT_EQ(g_nResult, VANTO_STOP_BY_USER);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, IDC_BUTTON_START)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, IDC_BUTTON_STOP)));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, IDOK)));
    // Close goes through Stop and ends with OK.
    engine.m_nRequestStopFlag = 0;
    g_nResult = 0;
    ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(engine.m_nRequestStopFlag, 1);
    EXPECT_EQ(g_nResult, VANTO_STOP_BY_USER);
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST_F(VantoExeDlgTest, EscapeEndsWithoutTouchingTheRun) {
  CFileItemLists lists;
  CScriptedServer server(lists);
  CVantoCfg cfg;
  FileItem listItem;
  CVantoExeDlg dialog(info);
  VantoRunContext ctx;
  ctx.pCfg = &cfg;
  ctx.pLists = &lists;
  ctx.pListFileItem = &listItem;
  CVantoEngine engine(dialog, server, ctx);
  dialog.SetEngine(&engine);
  dialog.m_fnAfterInit = [&](CVantoExeDlg& d) {
    ::SendMessageW(d.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(engine.m_nRequestStopFlag, 0);
  EXPECT_EQ(g_nResult, 0);
}

TEST_F(VantoExeDlgTest, ASuccessfulRunClosesTheDialog) {
  CFileItemLists lists;
  CScriptedServer server(lists);
  for (int i = 0; i < 3; ++i) {
    ServerEntry e;
    e.path = "bin/f" + std::to_string(i) + ".dll";
    server.entries.push_back(e);
  }
  CVantoCfg cfg;
  cfg.TARGET_DIR = "C:\\T";
  cfg.LIST_FILE_NAME = "Vanto.lst";
  cfg.CHECK_LIST_FILE_FLAG = 0;
  cfg.DOWNLOAD_FROM_BP_SERVER = 0;
  cfg.SVR_HTTPS = 0;
  cfg.DELETE_LOCAL_LIST_FILE = 0;
  FileItem listItem;
  info.pLists = &lists;
  CVantoExeDlg dialog(info);
  VantoRunContext ctx;
  ctx.pCfg = &cfg;
  ctx.pLists = &lists;
  ctx.pListFileItem = &listItem;
  CVantoEngine engine(dialog, server, ctx);
  dialog.SetEngine(&engine);
  server.onDownload = [&](FileItem&) {
    // The Start button is disabled while the run goes on.
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog.GetHwnd(), IDC_BUTTON_START)));
  };
  const INT_PTR r = dialog.DoModal();
  EXPECT_EQ(r, IDCANCEL);  // closed by WM_CLOSE after result 0
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
  EXPECT_EQ(server.Count("Download:bin/"), 3);
  EXPECT_TRUE(lists.DownFileItemList.empty());
}

TEST_F(VantoExeDlgTest, SelfUpdateCheckOnlyInTheRunCopy) {
  const struct {
    const char* commandLine;
    bool replaced;
    int checks;
    bool shown;
  } cases[] = {{"R", true, 1, false}, {"R", false, 1, true}, {"N", true, 0, true}, {"R2", true, 0, true},
               {"", true, 0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.commandLine);
    info.strCommandLine = c.commandLine;
    CVantoExeDlg dialog(info);
    int checks = 0;
    bool shown = false;
    dialog.m_fnSelfUpdateCheck = [&] {
      ++checks;
      return c.replaced;
    };
    dialog.m_fnAfterInit = [&](CVantoExeDlg& d) {
      shown = true;
      ::EndDialog(d.GetHwnd(), 77);
    };
    // Replaced: the dialog ends cancelled before its initialisation goes on.
    EXPECT_EQ(dialog.DoModal(), c.shown ? 77 : IDCANCEL);
    EXPECT_EQ(checks, c.checks);
    EXPECT_EQ(shown, c.shown);
  }
}
