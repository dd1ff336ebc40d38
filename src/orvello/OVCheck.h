// "Check HotSync Set-up...": the doctor's findings in a list, "Repair
// Selected" for those that have a repair, a summary of what was repaired and
// what could not be, and a fresh check. The dialog window supplies the list;
// the repairs run on the conduit tab's own tool, so the tab shows them.
#pragma once

#include <string>
#include <vector>

#include "orvello/OVDoctor.h"
#include "shell/Ports.h"

class OVTool;
class IOVClock;

enum : int { OV_CHECK_IMG_ERROR = 0, OV_CHECK_IMG_WARNING = 1, OV_CHECK_IMG_INFO = 2 };

// lvChkFindings (rows with a check box: the selection "Repair Selected"
// takes), the summary text and the button.
class IOVCheckView {
 public:
  virtual ~IOVCheckView() = default;
  virtual void Clear() = 0;
  virtual void AddRow(int nImage, const std::string& strWhat, const std::string& strWhere,
                      const std::string& strAdvice, const std::string& strRepair) = 0;
  virtual bool IsChecked(int nRow) = 0;
  virtual void EnableRepair(bool bEnable) = 0;
  virtual void SetSummary(const std::string& strText) = 0;
};

class OVCheck {
 public:
  // strModuleDir: the program's directory (the restore store), with a
  // trailing backslash. The Palm Desktop layer is started.
  OVCheck(IOVCheckView& view, IPrompt& prompt, OVTool& tool, IOVClock* pClock,
          std::string strModuleDir);

  // Checks and fills the list.
  void FormCreate() { Check(); }
  void Check();
  // A check box changed: the button follows whether a checked row has a repair.
  void lvChkFindingsChange();
  // Repairs the checked findings that have one (asking which conduit to keep
  // and before removing a restore-store entry), says what was done, checks
  // again and refreshes the conduit tab. False when nothing was run.
  bool btnChkRepairClick();

  const std::vector<OVFinding>& Findings() const { return m_findings; }

 private:
  IOVCheckView& m_view;
  IPrompt& m_prompt;
  OVTool& m_tool;
  IOVClock* m_pClock;
  std::string m_strModuleDir;
  OVFacts m_facts;
  std::vector<OVFinding> m_findings;
};

inline constexpr char kOVCheckNothing[] = "No problems found.";
inline constexpr char kOVCheckNoneChecked[] =
    "Check the findings to repair first; only those with a repair in the last column can be "
    "repaired.";
