#pragma once
// Records what the run shows, in order.
#include <string>
#include <utility>
#include <vector>

#include "util/RunDisplay.h"

class FakeRunDisplay : public IRunDisplay {
 public:
  void ShowStepMessage(const char* text) override { m_steps.push_back(text ? text : "(null)"); }
  void AddListMessage(int kind, const std::string& text) override { m_rows.emplace_back(kind, text); }
  void PumpWaitingMessages(int controlId) override { m_pumps.push_back(controlId); }
  void SetStaticText(int controlId, const std::string& text) override { m_texts.emplace_back(controlId, text); }
  void SetProgressRange(int controlId, int lower, int upper) override {
    m_ranges.push_back({controlId, lower, upper});
  }
  void SetProgressPos(int controlId, int position) override { m_positions.emplace_back(controlId, position); }
  int AskUser(const std::string&, const std::string&, unsigned) override { return 0; }

  struct Range {
    int control, lower, upper;
  };
  std::vector<std::string> m_steps;
  std::vector<std::pair<int, std::string>> m_rows;
  std::vector<int> m_pumps;
  std::vector<std::pair<int, std::string>> m_texts;
  std::vector<Range> m_ranges;
  std::vector<std::pair<int, int>> m_positions;
};
