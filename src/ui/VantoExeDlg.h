#pragma once
// The program's main window: the modal progress dialog. It shows the step,
// the overall and per-file progress and a time-stamped message list, and
// its Start, Stop and Close buttons drive the run, which executes inside the
// handler of WMU_REQUEST_START on this thread.
#include <windows.h>

#include <functional>
#include <string>

#include "run/RunDialog.h"
#include "ui/ColorStatic.h"
#include "ui/DialogSkin.h"
#include "ui/GdiOwners.h"
#include "ui/GradientProgress.h"
#include "ui/MessageList.h"
#include "ui/SkinButton.h"

class CFileItemLists;
class CVantoEngine;

// What start-up hands to the dialog.
struct VantoDialogInfo {
  std::string strVersion;     // m_strVersion
  std::string strWindowsDir;  // m_strWindowsDir
  std::string strSystemDir;   // m_strSystemDir
  std::string strModuleDir;   // g_szModuleDir
  std::string strExeName;     // first name of g_szExeNames
  std::string strCommandLine;
  CFileItemLists* pLists = nullptr;  // cleared when the window goes
};

class CVantoExeDlg : public IRunDialog {
 public:
  explicit CVantoExeDlg(const VantoDialogInfo& info);
  ~CVantoExeDlg() override;
  CVantoExeDlg(const CVantoExeDlg&) = delete;
  CVantoExeDlg& operator=(const CVantoExeDlg&) = delete;

  // The run the dialog's messages and buttons drive (may stay null).
  void SetEngine(CVantoEngine* engine) { m_pVantoEngine = engine; }
  // In the "R" copy: the self-update check with its log lines; true when
  // the program was replaced and a new copy started, so that this dialog
  // ends at once (cancelled) and no run begins.
  std::function<bool()> m_fnSelfUpdateCheck;
  // Called at the end of the initialisation (previews, tests).
  std::function<void(CVantoExeDlg&)> m_fnAfterInit;

  // Runs the dialog modally; IDOK, IDCANCEL or -1.
  INT_PTR DoModal(HWND parent = nullptr);
  HWND GetHwnd() const { return m_hWnd; }

  // IRunDisplay
  void ShowStepMessage(const char* text) override;
  void AddListMessage(int kind, const std::string& text) override;
  void PumpWaitingMessages(int controlId = 0) override;
  void SetStaticText(int controlId, const std::string& text) override;
  void SetProgressRange(int controlId, int lower, int upper) override;
  void SetProgressPos(int controlId, int position) override;
  int AskUser(const std::string& text, const std::string& caption, unsigned type) override;

  // IRunDialog
  void SetRunButtons(bool startEnabled, bool stopEnabled, bool closeEnabled) override;
  void ResetProgressDisplay() override;
  void DeleteAllListRows() override;
  void DisplaySystemInfo() override;
  int GetFirstStartFlag() const override { return m_nFirstStartFlag; }
  void SetFirstStartFlag(int flag) override { m_nFirstStartFlag = flag; }
  void PostDialogMessage(unsigned message, int wParam, int lParam) override;
  void PumpAllWaitingMessages() override;

  void OnButtonStart();
  void OnButtonStop();

  // Read access for tests and previews.
  CMessageList& MessageList() { return m_list; }
  CColorStatic* StaticById(int controlId);
  CGradientProgress* ProgressById(int controlId);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog();
  void OnPaint();
  void OnDestroy();

  VantoDialogInfo m_info;
  CVantoEngine* m_pVantoEngine = nullptr;
  HWND m_hWnd = nullptr;
  int m_nFirstStartFlag = 1;

  CColorStatic m_staticStep, m_staticTotal, m_staticFile, m_staticTotalLabel, m_staticFileLabel;
  CGradientProgress m_progressTotal, m_progressFile;
  CSkinButton m_buttonStart, m_buttonStop, m_buttonClose;
  CMessageList m_list;
  CDialogSkin m_skin;
  UniqueIcon m_iconLarge, m_iconSmall;
};
