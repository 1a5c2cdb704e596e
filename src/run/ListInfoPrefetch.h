#pragma once
// The server answers for the list's entries without size or time, fetched
// ahead on the lanes of a parallel run while the list is read in order. The
// reading still takes them one by one, in list order: each answer's log
// lines are written when its entry's turn comes, as if it had been asked
// then. An answer with a certificate error is not used (the reading asks
// again on the dialog's thread, where the question can be shown).
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "list/FileItem.h"
#include "run/EntryLanePool.h"
#include "util/MyLog.h"

class CVantoEntryLane;
class IRunDisplay;

class CListInfoPrefetch {
 public:
  // lanes: CVantoEntryLane objects. display is pumped while an answer is
  // awaited; no more queries are handed on once stopFlag is set.
  CListInfoPrefetch(std::vector<std::unique_ptr<IEntryLane>> lanes, IRunDisplay& display, const int32_t& stopFlag,
                    const int& certIgnoreFlag);
  ~CListInfoPrefetch();

  void Announce(std::vector<std::string> serverPaths);
  // The answer for the next announced entry when it is item's: true with
  // its result, the answer written into item and its lines into the log;
  // false when the caller asks the server itself.
  bool Take(FileItem& item, int& result);

 private:
  struct Query {
    std::string path;
    std::atomic<bool> done{false};
    int result = -1;
    int32_t errCode = 0;
    std::string modifyTime, fileSize;
    int32_t chunkedFlag = 0, gzipFlag = -1;
    CMyLog::HeldLines lines;
  };
  void HandOn();

  std::vector<std::string> m_paths;
  size_t m_next = 0;    // next path to hand on
  size_t m_taken = 0;   // next path the reading takes
  std::deque<std::unique_ptr<Query>> m_ahead;  // handed on, not yet taken, in order
  size_t m_window;
  IRunDisplay& m_display;
  const int32_t& m_stopFlag;
  const int& m_certIgnoreFlag;
  bool m_bOff = false;  // the reading went its own way: no more answers ahead
  CEntryLanePool m_pool;  // last: its threads end before the queries go
};
