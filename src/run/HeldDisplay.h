#pragma once
// The display of an entry worked on by a worker thread: the dialog belongs
// to its own thread, so the entry's rows are kept and shown later, in list
// order, by the dialog's thread. Bars, lines and pumping have no meaning
// for one of several entries at once and are dropped; no question is ever
// asked from here.
#include <string>
#include <utility>
#include <vector>

#include "util/RunDisplay.h"

class CHeldDisplay : public IRunDisplay {
 public:
  using Row = std::pair<int, std::string>;  // kind, text

  void ShowStepMessage(const char*) override {}
  void AddListMessage(int kind, const std::string& text) override { m_rows.emplace_back(kind, text); }
  void PumpWaitingMessages(int) override {}
  void SetStaticText(int, const std::string&) override {}
  void SetProgressRange(int, int, int) override {}
  void SetProgressPos(int, int) override {}
  int AskUser(const std::string&, const std::string&, unsigned) override { return 0; }

  const std::vector<Row>& Rows() const { return m_rows; }

 private:
  std::vector<Row> m_rows;
};
