// Repairs for the doctor's findings: each check that has a safe repair names
// it in one table, and the program's "Check HotSync Set-up" dialog and
// "tdcond doctor --fix" both run it through an OVRepairer. Conduits are
// uninstalled through the conduit tab's own tool, so they land in the
// restore store and the history as an uninstall on the tab does; nothing a
// user owns is deleted.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "orvello/OVDoctor.h"
#include "palm/SyncGuard.h"

class OVTool;
class IOVClock;

// The finding has a repair that can be run on this desktop (a conduit repair
// only for an application conduit, a directory only when one is recorded...).
bool OVHasRepair(const OVFacts& facts, const OVFinding& finding);
// What the repair does, for a question or a list: "uninstall the conduit ...".
std::string OVRepairText(const OVFacts& facts, const OVFinding& finding);

// The registrations of a creator-twice finding, in the Conduit Manager's
// order (application conduits first), as "title (library)" for a question;
// and which of them can be kept (the others must be application conduits).
// The Conduit Manager answers for a creator with its first registration
// only: a later application registration's library is not known until the
// ones before it are uninstalled.
struct OVTwiceChoice {
  std::string strText;
  std::string strLibrary;  // empty when not known yet
  bool bApplication = false;
  bool bCanKeep = false;
};
std::vector<OVTwiceChoice> OVTwiceChoices(const OVFacts& facts, const OVFinding& finding);

struct OVRepairOutcome {
  std::string strCheck, strSubject;
  bool bDone = false;
  std::string strText;  // what was done, or why it was not
};

// One run of repairs: one operation on the conduit registrations. Each repair
// is refused while a HotSync is in progress (asked before each: a run may
// wait minutes for a person's answers); when the run ends after a change,
// HotSync Manager is asked once to reread its conduit list. Before its first
// change the run saves every conduit registration to a new backup set,
// "Before repair <time>", so that restoring that set undoes the run.
class OVRepairer {
 public:
  // tool: the conduit tab's tool, started over the same desktop.
  OVRepairer(OVTool& tool, IOVClock* pClock);
  bool Refused() const { return m_op.Refused(); }

  // The library to keep among the registrations of a creator ("--keep
  // CREATOR=LIBRARY", or the program's question); the first that can be
  // kept otherwise. A full path or a file name.
  void Keep(const std::string& strCreator, const std::string& strLibrary) {
    m_keep[strCreator] = strLibrary;
  }

  OVRepairOutcome Repair(const OVFacts& facts, const OVFinding& finding);

  // The backup set saved before the first change, and its description;
  // empty while nothing was changed.
  const std::string& SavedSet() const { return m_strSet; }
  const std::string& SavedSetDesc() const { return m_strSetDesc; }

 private:
  bool SaveSettingsFirst();
  OVRepairOutcome Uninstall(const OVFinding& f);
  OVRepairOutcome KeepOne(const OVFacts& facts, const OVFinding& f);
  OVRepairOutcome Priority(const OVFinding& f);
  OVRepairOutcome MoveLog(const OVFinding& f);
  OVRepairOutcome DropStoreEntry(const OVFinding& f);
  OVRepairOutcome MakeDirectory(const OVFinding& f);

  PdRegChange m_op;
  OVTool& m_tool;
  IOVClock* m_pClock;
  std::map<std::string, std::string> m_keep;
  std::string m_strSet, m_strSetDesc;
};

inline constexpr char kOVRepairSetDesc[] = "Before repair ";

// The name a log is moved aside to: beside it, saying why and when
// ("HotSync-unreadable-20261209-231500.Log"). Only the name, no directory.
std::string OVMovedLogName(const std::string& strName, const char* szWhy, int nYear, int nMonth,
                           int nDay, int nHour, int nMinute, int nSecond);
