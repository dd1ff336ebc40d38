// "condrpt.html": every application and system conduit with its library's
// version.
#include <map>
#include <vector>

#include "misc/WinUtil.h"
#include "orvello/ConduitTool.h"
#include "orvello/OVPages.h"

bool OVTool::WriteConduitReportTo(const std::string& strPath) {
  // A library shared by several conduits is asked for its version once.
  std::map<std::string, std::string> versions;
  auto version = [&](const char* szPath) -> const std::string& {
    std::string key = szPath;
    for (char& c : key) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    auto it = versions.find(key);
    if (it == versions.end()) it = versions.emplace(key, LibraryVersion(szPath)).first;
    return it->second;
  };
  std::vector<OVReportRow> app, sys;
  if (m_pAppMgr)
    for (CondData* p = m_pAppMgr->GetFirst(); p; p = m_pAppMgr->GetNext())
      app.push_back({p->szTitle, p->szCreatorID, p->dwCreatorID, p->szConduit, version(p->szConduit)});
  if (m_pSysMgr)
    for (CondData* p = m_pSysMgr->GetFirst(); p; p = m_pSysMgr->GetNext())
      sys.push_back({p->szTitle, p->szCreatorID, p->dwCreatorID, p->szConduit, version(p->szConduit)});
  TdxDateTime now{};
  if (m_ports.pClock) now = m_ports.pClock->ToLocal(m_ports.pClock->Now());
  std::string page;
  OVWriteReportPage(page, now, app, sys);
  return WriteWholeFile(strPath.c_str(), page.data(), page.size());
}

void OVTool::WriteConduitReport() {
  const std::string path = m_ports.strModuleDir + kOVReportPage;
  if (m_ports.strModuleDir.empty() || !WriteConduitReportTo(path)) return;  // no message
  if (m_ports.pShell) m_ports.pShell->Open(path.c_str());
}
