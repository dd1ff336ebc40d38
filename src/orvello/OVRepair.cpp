#include "orvello/OVRepair.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "orvello/ConduitTool.h"
#include "orvello/OVOutput.h"
#include "orvello/OVPorts.h"
#include "palm/CondAsk.h"
#include "palm/CondKey.h"
#include "palm/CondRecord.h"
#include "palm/PalmDesktop.h"

namespace {

enum class Kind { Uninstall, KeepOne, Priority, MoveLog, DropStoreEntry, MakeDirectory };

// Every check that has a safe repair; the others keep their advice.
const struct {
  const char* szCheck;
  Kind kind;
} kRepairs[] = {
    {"library-missing", Kind::Uninstall},
    {"library-not-32bit", Kind::Uninstall},
    {"library-not-conduit", Kind::Uninstall},
    {"library-crashed", Kind::Uninstall},
    {"library-no-answer", Kind::Uninstall},
    {"library-misbehaved", Kind::Uninstall},
    {"creator-twice", Kind::KeepOne},
    {"priority", Kind::Priority},
    {"log-unreadable", Kind::MoveLog},
    {"log-too-large", Kind::MoveLog},
    {"log-damaged", Kind::MoveLog},
    {"store-library-gone", Kind::DropStoreEntry},
    {"user-directory", Kind::MakeDirectory},
};

const Kind* KindOf(const std::string& check) {
  for (const auto& r : kRepairs)
    if (check == r.szCheck) return &r.kind;
  return nullptr;
}

bool Exists(const std::string& path) {
  return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFile(const std::string& path) {
  const DWORD a = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDir(const std::string& path) {
  const DWORD a = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Quoted(const std::string& s) { return "\"" + OVVisible(s) + "\""; }

// The application conduit a conduit finding is about.
const OVConduitFacts* AppConduit(const OVFacts& facts, const OVFinding& f) {
  for (const OVConduitFacts& c : facts.conduits)
    if (c.kind == OVCondKind::Application && c.strCreator == f.strCreator &&
        c.strLibrary == f.strFile)
      return &c;
  return nullptr;
}

std::string FileNameOf(const std::string& path) {
  const size_t n = path.find_last_of("\\/:");
  return n == std::string::npos ? path : path.substr(n + 1);
}

// A library as --keep names it: the registered text, or its file name alone.
bool SameLibrary(const std::string& registered, const std::string& wanted) {
  return lstrcmpiA(registered.c_str(), wanted.c_str()) == 0 ||
         lstrcmpiA(FileNameOf(registered).c_str(), wanted.c_str()) == 0;
}

// The first installed (or missing) registration of the creator in the tool's
// application manager.
CondData* RegisteredApp(OVTool& tool, const std::string& creator, const std::string* pLibrary) {
  CCondMgr* pMgr = tool.AppManager();
  if (!pMgr) return nullptr;
  for (CondData* p = pMgr->GetFirst(); p; p = pMgr->GetNext()) {
    if (p->nStatus == ST_UNINSTALLED || (p->nMark & MARK_RESTORE)) continue;
    if (OVField(p->szCreatorID) != creator) continue;
    if (pLibrary && OVField(p->szConduit) != *pLibrary) continue;
    return p;
  }
  return nullptr;
}

OVRepairOutcome Outcome(const OVFinding& f, bool bDone, std::string text) {
  return {f.strCheck, f.strSubject, bDone, std::move(text)};
}

}  // namespace

std::vector<OVTwiceChoice> OVTwiceChoices(const OVFacts& facts, const OVFinding& f) {
  std::vector<OVTwiceChoice> v;
  size_t nOthers = 0;  // registrations Tandelix cannot uninstall
  bool bFirstApp = true;
  for (const OVConduitFacts& c : facts.conduits) {
    if (c.kind == OVCondKind::Backup || c.strCreator != f.strCreator) continue;
    OVTwiceChoice choice;
    choice.bApplication = c.kind == OVCondKind::Application;
    if (choice.bApplication && !bFirstApp) {
      choice.strText = "another conduit registered with this creator ID";
    } else {
      choice.strLibrary = c.strLibrary;
      choice.strText = std::string(choice.bApplication ? "conduit " : "install conduit ") +
                       Quoted(c.strTitle) + " with " + Quoted(c.strLibrary);
    }
    bFirstApp = bFirstApp && !choice.bApplication;
    nOthers += !choice.bApplication;
    v.push_back(choice);
  }
  // Only application conduits can be uninstalled: one other registration
  // must be the one kept; two or more leave nothing to choose.
  for (OVTwiceChoice& c : v)
    c.bCanKeep = (nOthers == 0 && !c.strLibrary.empty()) || (nOthers == 1 && !c.bApplication);
  return v;
}

bool OVHasRepair(const OVFacts& facts, const OVFinding& f) {
  const Kind* pKind = KindOf(f.strCheck);
  if (!pKind) return false;
  switch (*pKind) {
    case Kind::Uninstall:
      return AppConduit(facts, f) != nullptr;
    case Kind::KeepOne:
      for (const OVTwiceChoice& c : OVTwiceChoices(facts, f))
        if (c.bCanKeep) return true;
      return false;
    case Kind::Priority:
      return !f.strCreator.empty();
    case Kind::DropStoreEntry:
      return true;
    case Kind::MoveLog:
    case Kind::MakeDirectory:
      return !f.strFile.empty();
  }
  return false;
}

std::string OVRepairText(const OVFacts& facts, const OVFinding& f) {
  if (!OVHasRepair(facts, f)) return "";
  switch (*KindOf(f.strCheck)) {
    case Kind::Uninstall:
      return IsFile(f.strFile) ? "Uninstall the conduit, keeping its settings in OVRes.dat to "
                                 "restore it later."
                               : "Uninstall the conduit (its library is gone: installing its "
                                 "software again brings it back).";
    case Kind::KeepOne:
      for (const OVTwiceChoice& c : OVTwiceChoices(facts, f))
        if (c.bCanKeep)
          return "Keep " + c.strText +
                 " and uninstall the other conduits, keeping their settings in OVRes.dat.";
      return "";
    case Kind::Priority:
      return "Set its priority to 2.";
    case Kind::MoveLog:
      return "Rename the log (it is kept, not deleted); HotSync starts a new one.";
    case Kind::DropStoreEntry:
      return "Remove the entry from OVRes.dat.";
    case Kind::MakeDirectory:
      return "Create the directory " + Quoted(f.strFile) + ".";
  }
  return "";
}

std::string OVMovedLogName(const std::string& strName, const char* szWhy, int nYear, int nMonth,
                           int nDay, int nHour, int nMinute, int nSecond) {
  const size_t dot = strName.find_last_of('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? strName : strName.substr(0, dot);
  const std::string ext = dot == std::string::npos || dot == 0 ? "" : strName.substr(dot);
  char sz[40];
  std::snprintf(sz, sizeof sz, "-%04d%02d%02d-%02d%02d%02d", nYear, nMonth, nDay, nHour, nMinute,
                nSecond);
  return stem + "-" + szWhy + sz + ext;
}

// ---------------------------------------------------------------- the repairer

OVRepairer::OVRepairer(OVTool& tool, IOVClock* pClock) : m_tool(tool), m_pClock(pClock) {}

bool OVRepairer::SaveSettingsFirst() {
  TdxDateTime t{};
  if (m_pClock) t = m_pClock->ToLocal(m_pClock->Now());
  char szWhen[32];
  std::snprintf(szWhen, sizeof szWhen, "%02d-%02d-%04d %02d:%02d:%02d", t.wMonth, t.wDay, t.wYear,
                t.wHour, t.wMinute, t.wSecond);
  const std::string desc = std::string(kOVRepairSetDesc) + szWhen;
  // The registrations as they are now, not as the tool last listed them.
  m_tool.btnOVRefreshClick();
  std::string file;
  if (!m_tool.BackupRegistrations(desc.c_str(), &file)) return false;
  m_strSet = file;
  m_strSetDesc = desc;
  return true;
}

OVRepairOutcome OVRepairer::Repair(const OVFacts& facts, const OVFinding& f) {
  if (!OVHasRepair(facts, f)) return Outcome(f, false, "It has no repair: " + f.strAction);
  // Asked before each change: the run may have waited minutes for answers.
  PdRegChange op;
  if (op.Refused()) return Outcome(f, false, kPdSyncRunning);
  if (m_strSet.empty() && !SaveSettingsFirst())
    return Outcome(f, false,
                   "The conduit settings could not be saved to a backup set first, so nothing "
                   "was changed.");
  switch (*KindOf(f.strCheck)) {
    case Kind::Uninstall:
      return Uninstall(f);
    case Kind::KeepOne:
      return KeepOne(facts, f);
    case Kind::Priority:
      return Priority(f);
    case Kind::MoveLog:
      return MoveLog(f);
    case Kind::DropStoreEntry:
      return DropStoreEntry(f);
    case Kind::MakeDirectory:
      return MakeDirectory(f);
  }
  return Outcome(f, false, "It has no repair.");
}

OVRepairOutcome OVRepairer::Uninstall(const OVFinding& f) {
  CondData* p = RegisteredApp(m_tool, f.strCreator, &f.strFile);
  if (!p) return Outcome(f, false, "The conduit is no longer registered.");
  if (f.strCheck == "library-crashed" || f.strCheck == "library-no-answer" ||
      f.strCheck == "library-misbehaved") {
    // A busy machine or a passing fault is no verdict: asked once more, fresh.
    const CondAnswer a = CondAsker::Instance().AskOneFresh(f.strFile);
    if (a.state == CondLibState::Answered && a.bOpenConduit)
      return Outcome(f, false,
                     "Asked again, the library answered as a conduit does: left installed.");
  }
  if (!m_tool.UninstallConduit(p, true))
    return Outcome(f, false, "The Conduit Manager did not remove the conduit.");
  if (p->nStatus != ST_UNINSTALLED)
    return Outcome(f, true, "Uninstalled; its library is gone, so there is nothing to restore.");
  if (!m_tool.LastUninstallStored())
    return Outcome(f, true,
                   "Uninstalled, but its settings could not be written to " +
                       Quoted(m_tool.RestoreStorePath()) + ".");
  return Outcome(f, true, "Uninstalled; its settings are kept in OVRes.dat for restoring.");
}

OVRepairOutcome OVRepairer::KeepOne(const OVFacts& facts, const OVFinding& f) {
  const std::vector<OVTwiceChoice> choices = OVTwiceChoices(facts, f);
  const OVTwiceChoice* pKeep = nullptr;
  auto it = m_keep.find(f.strCreator);
  for (const OVTwiceChoice& c : choices) {
    if (it == m_keep.end() ? c.bCanKeep : SameLibrary(c.strLibrary, it->second)) {
      pKeep = &c;
      break;
    }
  }
  if (pKeep && !pKeep->bCanKeep)
    return Outcome(f, false,
                   "Only application conduits can be uninstalled, so " + pKeep->strText +
                       " cannot be the one kept.");
  // Every registration as the registry holds it, with its own library (the
  // Conduit Manager shows only the first): the kept one is found by it, and
  // all of them come back as they were if the repair cannot be finished.
  const char* szCreator = f.strCreator.c_str();
  std::vector<CondRegistration> before;
  if (!SnapshotCreator(szCreator, &before))
    return Outcome(f, false,
                   "The registrations of the creator ID could not be read whole; nothing was "
                   "changed.");
  if (before.empty()) return Outcome(f, true, "The creator ID is no longer registered.");
  const bool bKeepApp = !pKeep || pKeep->bApplication;
  size_t nKeep = before.size();  // none: an install conduit stays
  if (bKeepApp) {
    const std::string wanted = pKeep ? pKeep->strLibrary : it->second;
    for (size_t i = 0; i < before.size() && nKeep == before.size(); ++i)
      if (SameLibrary(before[i].strConduit, wanted)) nKeep = i;
    if (nKeep == before.size())
      return Outcome(f, false,
                     it == m_keep.end() ? "No registration of the creator ID can be kept."
                                        : "No registration of the creator ID has the library " +
                                              Quoted(it->second) + ".");
    if (!IsFile(before[nKeep].strConduit))
      return Outcome(
          f, false,
          "The library " + Quoted(before[nKeep].strConduit) + " is gone: keep another one.");
  }
  // The Conduit Manager removes a creator's first registration only: those
  // before the kept one go first and it stays untouched; where others follow
  // it, it goes too and comes back with every value its key held.
  const bool bLast = nKeep + 1 == before.size();
  std::vector<std::string> removed;  // uninstalled into the store
  bool bOk = true;
  for (size_t i = 0; i < before.size() && bOk; ++i) {
    if (i == nKeep && bLast) break;
    m_tool.btnOVRefreshClick();
    if (i == nKeep) {
      PdRegChange::Changed();
      bOk = CmRemoveConduitByCreatorID(szCreator) == 1;
      continue;
    }
    CondData* p = RegisteredApp(m_tool, f.strCreator, nullptr);
    bOk = p && OVField(p->szConduit) == before[i].strConduit && m_tool.UninstallConduit(p, true);
    if (bOk) removed.push_back(before[i].strConduit);
  }
  if (bOk && bKeepApp && !bLast) bOk = PutBackCondKey(szCreator, before[nKeep]);
  if (!bOk) {
    // Back to how it was: every registration, in its order, value for value.
    const bool bBack = RestoreCreatorKeys(szCreator, before);
    for (const std::string& lib : removed) m_tool.ForgetRestorable(szCreator, lib.c_str());
    m_tool.btnOVRefreshClick();
    return Outcome(f, false,
                   bBack ? "The registrations could not be changed as asked; all of them are "
                           "back as they were."
                         : "The registrations could not be changed as asked, nor all put back: "
                           "restore the set saved before the repairs.");
  }
  m_tool.btnOVRefreshClick();
  const std::string kept =
      bKeepApp ? "the conduit with " + Quoted(before[nKeep].strConduit) : pKeep->strText;
  return Outcome(
      f, true,
      "Kept " + kept + "; uninstalled " + std::to_string(removed.size()) + ", kept in OVRes.dat.");
}

OVRepairOutcome OVRepairer::Priority(const OVFinding& f) {
  int32_t nNow = 0;
  if (CmGetCreatorPriority(f.strCreator.c_str(), &nNow) == PD_ERR_NOT_FOUND)
    return Outcome(f, true, "The conduit is no longer registered.");
  const int32_t rc = CmSetCreatorPriority(f.strCreator.c_str(), 2);
  if (rc != 0)
    return Outcome(f, false,
                   "The Conduit Manager did not set the priority (error " + std::to_string(rc) +
                       "); is the conduit still registered?");
  PdRegChange::Changed();
  return Outcome(f, true, "Priority set to 2.");
}

OVRepairOutcome OVRepairer::MoveLog(const OVFinding& f) {
  if (!Exists(f.strFile)) return Outcome(f, true, "The log is no longer there.");
  const size_t slash = f.strFile.find_last_of("\\/");
  const std::string dir = slash == std::string::npos ? "" : f.strFile.substr(0, slash + 1);
  TdxDateTime t{};
  if (m_pClock) t = m_pClock->ToLocal(m_pClock->Now());
  const char* why = f.strCheck == "log-too-large" ? "too-large"
                    : f.strCheck == "log-damaged"   ? "damaged"
                                                    : "unreadable";
  const std::string base = OVMovedLogName(FileNameOf(f.strFile), why, t.wYear, t.wMonth, t.wDay,
                                          t.wHour, t.wMinute, t.wSecond);
  std::string target = dir + base;
  for (int n = 2; Exists(target) && n < 100; ++n) target = dir + std::to_string(n) + "-" + base;
  if (Exists(target) || !MoveFileA(f.strFile.c_str(), target.c_str()))
    return Outcome(f, false,
                   "It could not be renamed to " + Quoted(target) + " (error " +
                       std::to_string(GetLastError()) + ").");
  return Outcome(f, true, "Renamed to " + Quoted(target) + "; HotSync starts a new log.");
}

OVRepairOutcome OVRepairer::DropStoreEntry(const OVFinding& f) {
  size_t nDropped = 0;
  const bool bOk = m_tool.DropFromStore(
      [&](const CondData& rec) {
        return OVField(rec.szCreatorID) == f.strCreator && OVField(rec.szConduit) == f.strFile &&
               !IsFile(f.strFile);
      },
      &nDropped);
  if (!bOk) return Outcome(f, false, "OVRes.dat could not be written; it is unchanged.");
  if (nDropped == 0) return Outcome(f, true, "The entry is no longer in OVRes.dat.");
  return Outcome(f, true, "Removed from OVRes.dat.");
}

OVRepairOutcome OVRepairer::MakeDirectory(const OVFinding& f) {
  if (IsDir(f.strFile)) return Outcome(f, true, "The directory is there.");
  // Each missing parent in turn, as HotSync would need them all.
  for (size_t i = 0; i <= f.strFile.size(); ++i) {
    if (i < f.strFile.size() && f.strFile[i] != '\\' && f.strFile[i] != '/') continue;
    const std::string part = f.strFile.substr(0, i);
    if (part.empty() || part.back() == ':' || IsDir(part)) continue;
    if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return Outcome(f, false,
                     "The directory " + Quoted(part) + " could not be created (error " +
                         std::to_string(GetLastError()) + ").");
  }
  return Outcome(f, IsDir(f.strFile), "Created " + Quoted(f.strFile) + ".");
}
