#include "halvern/LogTool.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "logs/LogFile.h"
#include "logs/LogPages.h"
#include "logs/LogShortPath.h"
#include "misc/WinUtil.h"

namespace {

bool IsFile(const char* szPath) {
  const DWORD a = GetFileAttributesA(szPath);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

HVTool::HVTool(IHVUserBox& box, IHVTree& tree, IPrompt& prompt, IShellOpen& shell,
               IBrowser& browser, TdxSettings& settings, const char* szModuleDir)
    : m_box(box),
      m_tree(tree),
      m_prompt(prompt),
      m_shell(shell),
      m_browser(browser),
      m_settings(settings),
      m_strModuleDir(szModuleDir ? szModuleDir : "") {}

HVTool::~HVTool() { ShutDownLogTab(); }

void HVTool::SetUpLogTab() {
  m_pReader = std::make_unique<CLogReader>();
  m_box.Reset();
  int nSelect = -1;
  if (CxListOf<PalmUser>* pUsers = GetPalmUserList()) {
    int i = 0;
    for (PalmUser* p = pUsers->GetFirst(); p; p = pUsers->GetNext(), ++i) {
      m_box.Add(p->szUserName, p);
      if (nSelect < 0 && p->dwUserID == m_settings.dwLastUserID) nSelect = i;
    }
  }
  m_box.Select(nSelect < 0 ? 0 : nSelect);
  Navigate("about:blank");
  cbHVUserChange();
}

void HVTool::ShutDownLogTab() {
  if (!m_pReader) return;
  m_pReader->Clear();
  m_pReader.reset();
}

void HVTool::cbHVUserChange() {
  PalmUser* pUser = m_box.Selected();
  if (!pUser || !m_pReader) return;
  m_settings.dwLastUserID = pUser->dwUserID;
  char szDesktop[HV_PATH_SIZE];
  if (GetPalmDesktopPath(szDesktop, sizeof szDesktop) == 0) {
    m_pReader->LoadUserLogs(szDesktop, pUser->szUserDir);
  } else {
    // Without the desktop's directory the paths would point elsewhere: no logs.
    m_pReader->Clear();
  }
  BuildLogTree();
}

void HVTool::BuildLogTree() {
  if (!m_pReader) return;
  m_tree.SuspendRedraw(true);
  m_tree.Clear();
  IHVTree::Node hRoot = m_tree.Add(nullptr, kHVRootText, nullptr);
  std::vector<IHVTree::Node> months;
  for (const HVMonthRun& run : HVGroupMonthRuns(m_pReader->Operations())) {
    IHVTree::Node hMonth = m_tree.Add(hRoot, run.strLabel.c_str(), nullptr);
    months.push_back(hMonth);
    for (SyncOperation* op : run.ops) m_tree.Add(hMonth, HVTimeLabel(op->stStart).c_str(), op);
  }
  m_tree.Select(hRoot);
  WriteLogPage();  // what the selection change would do
  m_tree.Expand(hRoot);
  for (IHVTree::Node h : months) m_tree.Expand(h);
  m_tree.SuspendRedraw(false);
}

void HVTool::WriteLogPage() {
  if (!m_pReader) return;
  int nLevel = 0;
  std::string strText;
  SyncOperation* pOp = nullptr;
  if (!m_tree.Selection(nLevel, strText, pOp)) return;
  PalmUser* pUser = m_box.Selected();
  if (!pUser) return;

  std::string page;
  CxListOf<SyncOperation>& ops = m_pReader->Operations();
  switch (nLevel) {
    case 0:
      HVWriteRootPage(page, pUser->szUserName, ops);
      break;
    case 1:
      HVWriteMonthPage(page, pUser->szUserName, strText.c_str(), ops);
      break;
    case 2:
      if (!pOp) return;
      HVWriteOperationPage(page, pUser->szUserName, *pOp, HVGetShortPath);
      break;
    default:
      return;
  }
  if (!ReplacePage(page)) return;  // the browser keeps what it shows
  Navigate(PagePath().c_str());
}

// Written whole or not at all (see WriteWholeFile).
bool HVTool::ReplacePage(const std::string& bytes) {
  if (m_strModuleDir.empty()) return false;
  return WriteWholeFile(PagePath().c_str(), bytes.data(), bytes.size());
}

void HVTool::Navigate(const char* szAddress) {
  m_strLastAddress = szAddress;
  m_browser.Navigate(szAddress);
}

void HVTool::btnOpenPageClick() {
  if (m_strLastAddress.empty() || !IsFile(m_strLastAddress.c_str())) return;
  m_shell.Open(m_strLastAddress.c_str());
}

void HVTool::btnOpenLogClick() {
  PalmUser* pUser = m_box.Selected();
  if (!pUser) return;
  char szDesktop[HV_PATH_SIZE];
  char szPath[HV_PATH_SIZE];
  const bool bDesktop = GetPalmDesktopPath(szDesktop, sizeof szDesktop) == 0;
  if (!(bDesktop && HVFormLogPath(szPath, HV_HTML_LOG_FORMAT, szDesktop, pUser->szUserDir) &&
        IsFile(szPath)) &&
      !(bDesktop && HVFormLogPath(szPath, HV_PLAIN_LOG_FORMAT, szDesktop, pUser->szUserDir) &&
        IsFile(szPath))) {
    m_prompt.ShowInfo(kHVNoLogFile, "Information");
    return;
  }
  m_shell.Open(szPath);
}
