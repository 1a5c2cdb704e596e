#pragma once
// What the Windows commands that talk to the server share: the settings as
// the client holds them after start-up, and a display that prints instead of
// showing. Windows only: the requests need WinINet.
#ifdef _WIN32
#include <functional>
#include <string>

#include "config/VantoCfg.h"
#include "util/RunDisplay.h"

// Reads the INI section (plain or encrypted) as start-up does and applies
// start-up's corrections of DOWNLOAD_BASE_URL and TARGET_DIR; false when
// the file cannot be read.
bool LoadClientSettings(const std::string& iniPath, const std::string& section, CVantoCfg& cfg);

// Rows and questions go to callbacks; every question is answered No, so a
// certificate error is reported, never accepted.
class CToolDisplay : public IRunDisplay {
 public:
  using TextFn = std::function<void(const std::string& cp949)>;
  CToolDisplay(TextFn onRow, TextFn onQuestion) : m_onRow(std::move(onRow)), m_onQuestion(std::move(onQuestion)) {}

  void ShowStepMessage(const char*) override {}
  void AddListMessage(int, const std::string& text) override {
    if (m_onRow) m_onRow(text);
  }
  void PumpWaitingMessages(int) override {}
  void SetStaticText(int, const std::string&) override {}
  void SetProgressRange(int, int, int) override {}
  void SetProgressPos(int, int) override {}
  int AskUser(const std::string& text, const std::string& caption, unsigned type) override;

 private:
  TextFn m_onRow;
  TextFn m_onQuestion;
};

// A text on one line: CR and LF become spaces.
std::string OneLine(const std::string& text);
#endif
