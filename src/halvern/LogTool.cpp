#include "halvern/LogTool.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "logs/HealthPage.h"
#include "logs/LogFile.h"
#include "logs/LogPages.h"
#include "logs/LogShortPath.h"
#include "misc/WinUtil.h"
#include "palm/CondMgr.h"

namespace {

bool IsFile(const char* szPath) {
  const DWORD a = GetFileAttributesA(szPath);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::vector<HVRegistered> HVRegisteredFrom(CCondMgr& mgr) {
  std::vector<HVRegistered> v;
  for (CondData* p = mgr.GetFirst(); p; p = mgr.GetNext()) {
    if (p->nStatus == ST_UNINSTALLED || (p->nMark & MARK_RESTORE)) continue;
    HVRegistered r;
    r.strCreator.assign(p->szCreatorID, strnlen(p->szCreatorID, sizeof p->szCreatorID));
    r.strTitle.assign(p->szTitle, strnlen(p->szTitle, sizeof p->szTitle));
    // A conduit that names itself shows that name; the logs may use the other.
    char sz[sizeof p->szTitle] = {};
    int32_t cb = sizeof sz;
    if (CmGetCreatorTitle(r.strCreator.c_str(), sz, &cb) == 0) {
      r.strAlias.assign(sz, strnlen(sz, sizeof sz));
      if (r.strAlias == r.strTitle) r.strAlias.clear();
    }
    v.push_back(std::move(r));
  }
  return v;
}

HVTool::HVTool(IHVUserBox& box, IHVTree& tree, IPrompt& prompt, IShellOpen& shell,
               IBrowser& browser, TdxSettings& settings, const char* szModuleDir,
               HVRegisteredFn registered)
    : m_box(box),
      m_tree(tree),
      m_prompt(prompt),
      m_shell(shell),
      m_browser(browser),
      m_settings(settings),
      m_strModuleDir(szModuleDir ? szModuleDir : ""),
      m_registered(std::move(registered)) {}

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

void HVTool::btnHVHealthClick() {
  PalmUser* pUser = m_box.Selected();
  if (!pUser) return;
  // Read afresh, keeping operations whose log stops before their end.
  CLogReader reader;
  reader.KeepUnfinished(true);
  char szDesktop[HV_PATH_SIZE];
  if (GetPalmDesktopPath(szDesktop, sizeof szDesktop) == 0)
    reader.LoadUserLogs(szDesktop, pUser->szUserDir);
  std::vector<HVRegistered> registered;
  const bool bKnown = m_registered && m_registered(registered);
  std::string page;
  HVWriteHealthPage(page, pUser->szUserName,
                    HVBuildHealth(reader.Operations(), bKnown ? &registered : nullptr));
  if (!ReplacePage(page)) return;
  Navigate(PagePath().c_str());
}
