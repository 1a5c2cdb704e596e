#include "http/DownloadProgress.h"

void CDownloadProgress::Start() {
  m_nLastPos = 0;
  m_nPacing = 0;
  if (!m_display) return;
  m_nLastPumpMs = m_clock();
  m_display->SetProgressRange(IDC_PROGRESS_FILE, 0, 100);
  m_display->SetProgressPos(IDC_PROGRESS_FILE, 0);
}

void CDownloadProgress::OnBlock(uint32_t size, int64_t total) {
  if (m_bChunked) {
    m_nPacing += size;
    if (m_nPacing >= kChunkedBarCycle) {
      m_nPacing = 0;
      Move(0);
    } else {
      Move(static_cast<int>(m_nPacing * 100 / kChunkedBarCycle));
    }
  } else if (m_nServerSize > 0) {
    Move(static_cast<int>(total * 100 / m_nServerSize));
  }
  PumpAtDisplayRate();
}

void CDownloadProgress::PumpAtDisplayRate() {
  if (!m_display) return;
  const int64_t now = m_clock();
  if (now - m_nLastPumpMs < kTransferPumpIntervalMs) return;
  m_nLastPumpMs = now;
  m_display->PumpWaitingMessages();
}

void CDownloadProgress::Move(int position) {
  if (!m_display || position == m_nLastPos) return;
  m_display->SetProgressPos(IDC_PROGRESS_FILE, position);
  m_nLastPos = position;
}
