#include "run/ListInfoPrefetch.h"

#include <chrono>
#include <utility>

#include "http/CertificateError.h"
#include "http/ServerFileInfo.h"
#include "run/HeldDisplay.h"
#include "run/VantoEntryLane.h"
#include "util/RunDisplay.h"

namespace {
constexpr size_t kAheadPerLane = 4;
}

CListInfoPrefetch::CListInfoPrefetch(std::vector<std::unique_ptr<IEntryLane>> lanes, IRunDisplay& display,
                                     const int32_t& stopFlag, const int& certIgnoreFlag)
    : m_window(lanes.size() * kAheadPerLane),
      m_display(display),
      m_stopFlag(stopFlag),
      m_certIgnoreFlag(certIgnoreFlag),
      m_pool(std::move(lanes)) {}

CListInfoPrefetch::~CListInfoPrefetch() = default;

void CListInfoPrefetch::Announce(std::vector<std::string> serverPaths) {
  m_paths = std::move(serverPaths);
  m_next = m_taken = 0;
  HandOn();
}

void CListInfoPrefetch::HandOn() {
  while (!m_bOff && m_stopFlag == 0 && m_next < m_paths.size() && m_ahead.size() < m_window) {
    auto query = std::make_unique<Query>();
    query->path = m_paths[m_next++];
    Query* q = query.get();
    const int certIgnoreFlag = m_certIgnoreFlag;
    m_ahead.push_back(std::move(query));
    m_pool.Submit([q, certIgnoreFlag](IEntryLane& lane) {
      CHeldLogLines held;
      CHeldDisplay display;  // a certificate question is never answered here
      std::string message;
      lane.BeginEntry(certIgnoreFlag, display, message);
      ServerFileInfo info;
      info.m_strFilePath = q->path;
      std::string errText;
      try {
        // The pool's lanes are the run services' own lanes.
        q->result = static_cast<CVantoEntryLane&>(lane).GetListEntryInfo(info, q->errCode, errText);
      } catch (const std::exception&) {
        q->result = -1;
        q->errCode = -1;  // asked again by the reading
      }
      q->modifyTime = info.m_strModifyTime;
      q->fileSize = info.m_strFileSize;
      q->chunkedFlag = info.m_nChunkedFlag;
      q->gzipFlag = info.m_nGzipFlag;
      q->lines = held.Take();
      q->done = true;
    });
  }
}

bool CListInfoPrefetch::Take(FileItem& item, int& result) {
  if (m_bOff || m_ahead.empty() || m_taken >= m_paths.size() || m_paths[m_taken] != item.m_strFilePath) {
    m_bOff = true;  // an entry not announced: the reading goes on by itself
    return false;
  }
  ++m_taken;
  std::unique_ptr<Query> query = std::move(m_ahead.front());
  m_ahead.pop_front();
  HandOn();
  while (!query->done) {
    m_pool.WaitForProgress(std::chrono::milliseconds(20));
    m_display.PumpWaitingMessages();
  }
  // A certificate error, or a failure of the work itself: asked again here.
  if (query->errCode == -1 || IsCertificateError(query->errCode)) return false;
  if (g_pMyLog) g_pMyLog->WriteHeld(query->lines);
  // As the query writes its answer into the entry.
  item.m_nChunkedFlag = query->chunkedFlag;
  item.m_nGzipFlag = query->gzipFlag;
  if (query->result == 0) {
    item.m_strModifyTime = query->modifyTime;
    if (query->chunkedFlag == 0) item.m_strFileSize = query->fileSize;
  }
  result = query->result;
  return true;
}
