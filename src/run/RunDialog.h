#pragma once
// What the run needs from its dialog beyond the display operations: button
// states, the progress reset, the first-start state and posting itself
// messages. The progress dialog implements it; tests record it.
#include "util/RunDisplay.h"

// Dialog messages that start and end a run.
constexpr unsigned WMU_DOWN_COMPLETE = 0x0400 + 101;  // WM_USER + 101
constexpr unsigned WMU_REQUEST_START = 0x0400 + 102;  // WM_USER + 102
constexpr unsigned WMU_CLOSE_DIALOG = 0x0010;         // WM_CLOSE

// How a run ended: the WPARAM of WMU_DOWN_COMPLETE (logged as a number).
enum RunCompletion : int {
  RUN_COMPLETE_DOWNLOADED = 0,           // every step succeeded (or the user accepted the failures)
  RUN_COMPLETE_UP_TO_DATE_OR_STOPPED = 1,  // the list was unchanged, or Stop was pressed
  RUN_COMPLETE_FATAL = 2,                // the list could not be read or fetched
  RUN_COMPLETE_PARTIAL = 3,              // some files failed
};

class IRunDialog : public IRunDisplay {
 public:
  // Start (1003), Stop (1004), Close (1).
  virtual void SetRunButtons(bool startEnabled, bool stopEnabled, bool closeEnabled) = 0;
  // Empties the three lines, resets both bars to 0..100; at the first start
  // also deletes every row of the message list.
  virtual void ResetProgressDisplay() = 0;
  virtual void DeleteAllListRows() = 0;
  // The first-start rows (version, Windows and system folders).
  virtual void DisplaySystemInfo() = 0;
  // 1 from construction until the first start request has been handled.
  virtual int GetFirstStartFlag() const = 0;
  virtual void SetFirstStartFlag(int flag) = 0;
  // Posts a message to the dialog itself (WMU_*, or WMU_CLOSE_DIALOG).
  virtual void PostDialogMessage(unsigned message, int wParam, int lParam) = 0;
  // Dispatches window messages until none is waiting.
  virtual void PumpAllWaitingMessages() = 0;
};
