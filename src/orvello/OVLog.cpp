#include "orvello/OVLog.h"

#include <windows.h>

#include <vector>

#include "misc/WinUtil.h"
#include "orvello/OVPages.h"

void OVLog::Attach(const char* szModuleDir, IPrompt* pPrompt, IShellOpen* pShell,
                   IOVClock* pClock) {
  m_strDir = szModuleDir ? szModuleDir : "";
  m_pPrompt = pPrompt;
  m_pShell = pShell;
  m_pClock = pClock;
}

std::string OVLog::PagePath() const { return m_strDir + kOVHistoryPage; }

bool OVLog::Append(const OVLogEntry& entry) {
  if (m_strDir.empty()) return false;
  return OVAppendHistory(HistoryPath().c_str(), entry);
}

bool OVLog::WriteHistoryPage(const std::string& strPath, bool* pbNoHistory) {
  if (pbNoHistory) *pbNoHistory = false;
  std::vector<OVLogEntry> entries;
  if (m_strDir.empty() || !m_pClock || !OVReadHistory(HistoryPath().c_str(), &entries)) {
    if (pbNoHistory) *pbNoHistory = true;
    return false;
  }
  IOVClock& clock = *m_pClock;
  std::string page;
  OVWriteHistoryPage(page, clock.ToLocal(clock.Now()), entries,
                     [&](int32_t t) { return clock.ToLocal(t); });
  return WriteWholeFile(strPath.c_str(), page.data(), page.size());
}

void OVLog::ShowHistory() {
  bool bNoHistory = false;
  if (!WriteHistoryPage(PagePath(), &bNoHistory)) {
    if (bNoHistory && m_pPrompt) m_pPrompt->ShowInfo(kOVNoHistory, "Error");
    return;
  }
  if (m_pShell) m_pShell->Open(PagePath().c_str());
}
