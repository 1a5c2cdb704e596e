#pragma once
// The narrow window onto the progress dialog that the run, the downloads and
// the handlers talk to. The dialog implements it; tests implement it with a
// recorder that answers questions from a script.
#include <string>

#include "util/MessageBoxKind.h"

// Control identifiers of dialog 102 that the run addresses.
enum VantoControlId : int {
  IDC_STATIC_TOTAL = 1000,    // overall count line
  IDC_STATIC_FILE = 1001,     // file-name line
  IDC_STATIC_STEP = 1002,     // step line
  IDC_PROGRESS_TOTAL = 1007,  // overall bar
  IDC_PROGRESS_FILE = 1008,   // file bar
};

// Row kinds of AddListMessage.
enum VantoListRowKind : int { LIST_ROW_ERROR = 1, LIST_ROW_INFO = 2 };

class IRunDisplay {
 public:
  virtual ~IRunDisplay() = default;

  // Step line; a null text leaves it unchanged. Texts are CP949.
  virtual void ShowStepMessage(const char* text) = 0;
  // Appends a time-stamped row for kind 1 (error) or 2 (information).
  virtual void AddListMessage(int kind, const std::string& text) = 0;
  // Dispatches at most one waiting message; controlId 0 means any window
  // of the thread, otherwise only messages addressed to that control.
  virtual void PumpWaitingMessages(int controlId = 0) = 0;
  // Colour static lines 1000, 1001, 1002.
  virtual void SetStaticText(int controlId, const std::string& text) = 0;
  // Progress bars 1007, 1008.
  virtual void SetProgressRange(int controlId, int lower, int upper) = 0;
  virtual void SetProgressPos(int controlId, int position) = 0;
  // A message box owned by the dialog; type is MessageBoxKind values
  // (BOX_YESNO | BOX_ICON_QUESTION, ...), returns IDYES/IDNO/IDOK... Texts
  // are CP949.
  virtual int AskUser(const std::string& text, const std::string& caption, unsigned type) = 0;
};
