#include "orvello/OVCheck.h"

#include "orvello/OVRepair.h"
#include "orvello/ConduitTool.h"

OVCheck::OVCheck(IOVCheckView& view, IPrompt& prompt, OVTool& tool, IOVClock* pClock,
                 std::string strModuleDir)
    : m_view(view),
      m_prompt(prompt),
      m_tool(tool),
      m_pClock(pClock),
      m_strModuleDir(std::move(strModuleDir)) {}

void OVCheck::Check() {
  m_facts = OVGatherFacts(m_strModuleDir);
  m_findings = OVDiagnose(m_facts);
  m_view.Clear();
  for (const OVFinding& f : m_findings)
    m_view.AddRow(f.severity == OVSeverity::Error     ? OV_CHECK_IMG_ERROR
                  : f.severity == OVSeverity::Warning ? OV_CHECK_IMG_WARNING
                                                      : OV_CHECK_IMG_INFO,
                  f.strSubject + ": " + f.strProblem, f.strFile, f.strAction,
                  OVRepairText(m_facts, f));
  m_view.EnableRepair(false);
}

void OVCheck::lvChkFindingsChange() {
  bool bAny = false;
  for (size_t i = 0; i < m_findings.size() && !bAny; ++i)
    bAny = m_view.IsChecked(static_cast<int>(i)) && OVHasRepair(m_facts, m_findings[i]);
  m_view.EnableRepair(bAny);
}

bool OVCheck::btnChkRepairClick() {
  std::vector<const OVFinding*> chosen;
  for (size_t i = 0; i < m_findings.size(); ++i)
    if (m_view.IsChecked(static_cast<int>(i)) && OVHasRepair(m_facts, m_findings[i]))
      chosen.push_back(&m_findings[i]);
  if (chosen.empty()) {
    m_prompt.ShowInfo(kOVCheckNoneChecked, "Check HotSync Set-up");
    return false;
  }
  std::string summary, saved;
  size_t nDone = 0, nNot = 0;
  {
    OVRepairer repairer(m_tool, m_pClock);
    if (repairer.Refused()) {
      m_prompt.ShowError(kPdSyncRunning);
      return false;
    }
    for (const OVFinding* f : chosen) {
      if (f->strCheck == "creator-twice") {
        // Which one stays is the user's choice, one question per candidate.
        std::string keep;
        bool bAsked = false;
        for (const OVTwiceChoice& c : OVTwiceChoices(m_facts, *f)) {
          if (!c.bCanKeep) continue;
          bAsked = true;
          const Answer a =
              m_prompt.Ask(("Creator ID \"" + f->strCreator + "\" is registered " +
                            "more than once. Keep " + c.strText + " and uninstall the others?")
                               .c_str(),
                           "Keep which conduit?", true);
          if (a == Answer::Cancel) break;
          if (a == Answer::Yes) {
            keep = c.strLibrary;
            break;
          }
        }
        if (!bAsked || keep.empty()) {
          summary += "Not repaired: " + f->strSubject + ": no conduit was chosen to keep.\r\n";
          ++nNot;
          continue;
        }
        repairer.Keep(f->strCreator, keep);
      } else if (f->strCheck == "store-library-gone") {
        if (m_prompt.Ask(("Remove " + f->strSubject +
                          " from OVRes.dat? Its settings cannot be restored afterwards.")
                             .c_str(),
                         "Confirm", false) != Answer::Yes) {
          summary += "Not repaired: " + f->strSubject + ": kept, as answered.\r\n";
          ++nNot;
          continue;
        }
      }
      const OVRepairOutcome o = repairer.Repair(m_facts, *f);
      summary +=
          (o.bDone ? "Repaired: " : "Not repaired: ") + o.strSubject + ": " + o.strText + "\r\n";
      ++(o.bDone ? nDone : nNot);
    }
    if (!repairer.SavedSet().empty())
      saved = "Every conduit registration was saved first to the backup set " +
              repairer.SavedSet() + " (\"" + repairer.SavedSetDesc() +
              "\"): restore it with Restore on the Orvello tab to undo the repairs.\r\n";
  }  // one refresh of HotSync Manager's list for the whole run
  summary = std::to_string(nDone) + " repaired, " + std::to_string(nNot) + " not repaired.\r\n" +
            saved + summary;
  m_tool.btnOVRefreshClick();
  Check();
  // What is there for information only does not remain.
  const size_t nLeft = m_findings.size() - OVCount(m_findings, OVSeverity::Info);
  m_view.SetSummary(summary + (nLeft == 0 ? std::string("Checked again: ") + kOVCheckNothing
                                          : "Checked again: " + std::to_string(nLeft) +
                                                " findings remain."));
  return true;
}
