#include "orvello/setup/OVSetupForms.h"

#include <cstdio>

#include "orvello/ConduitTool.h"
#include "orvello/OVText.h"
#include "orvello/setup/OVSetupPaths.h"
#include "orvello/setup/OVSetupSys.h"

namespace {

std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A report for a message box: at most a screenful of lines.
std::string Lines(const std::vector<std::string>& lines) {
  std::string s;
  const size_t nMax = 15;
  for (size_t i = 0; i < lines.size() && i < nMax; ++i) s += "\r\n- " + lines[i];
  if (lines.size() > nMax) s += "\r\n- and " + std::to_string(lines.size() - nMax) + " more";
  return s;
}

std::string Report(const OVImportReport& rep) {
  std::string s;
  if (!rep.done.empty()) s += "\r\n\r\nDone:" + Lines(rep.done);
  if (!rep.notDone.empty()) s += "\r\n\r\nNot done:" + Lines(rep.notDone);
  return s;
}

}  // namespace

// ---------------------------------------------------------------- export

OVExportForm::OVExportForm(IOVExportView& view, IPrompt& prompt, OVTool& tool,
                           std::string strModuleDir, std::string strFolder)
    : m_view(view),
      m_prompt(prompt),
      m_tool(tool),
      m_strModuleDir(std::move(strModuleDir)),
      m_strFolder(std::move(strFolder)) {}

void OVExportForm::FormCreate() {
  m_view.SetFile(OVJoinPath(m_strFolder, OVDefaultExportName()));
  std::string why;
  if (!OVPlanExport(m_strModuleDir, m_tool.BackupSets(), false, &m_counted, &why)) {
    m_view.SetContents(why + ".");
    m_view.SetDataSize("");
    return;
  }
  const OVSetupManifest& m = m_counted.manifest;
  size_t nLibraries = 0;
  for (const OVSetupLibrary& l : m.libraries) nLibraries += l.bPresent;
  m_view.SetContents(Count(m.conduits.size(), "conduit", "conduits") + ", " +
                     Count(nLibraries, "conduit library", "conduit libraries") + ", " +
                     Count(m.users.size(), "user", "users") + " with their HotSync actions, " +
                     Count(m.sets.size(), "backup set", "backup sets") +
                     (m.bHasHistory ? " and the history" : "") + ".");
  m_view.SetDataSize(Count(m_counted.nDataFiles, "file", "files") + ", " +
                     OVSizeText(m_counted.qwDataBytes));
  m_view.SetProgress(0);
  m_view.SetStatus("");
}

void OVExportForm::btnBrowseClick() {
  std::string path = m_view.File();
  if (m_view.PickFile(path)) m_view.SetFile(path);
}

void OVExportForm::cbDataClick() {
  m_view.SetStatus(m_view.WithData() ? "The users' folders add " +
                                           OVSizeText(m_counted.qwDataBytes) + " before packing."
                                     : "");
}

bool OVExportForm::Progress(uint64_t qwDone, uint64_t qwTotal) {
  const int n = qwTotal ? static_cast<int>(qwDone * 100 / qwTotal) : 100;
  if (n != m_nPercent) {
    m_nPercent = n;
    m_view.SetProgress(n);
  }
  m_view.Pump();
  return !m_bCancel;
}

bool OVExportForm::btnOKClick() {
  if (m_bBusy) return false;
  std::string path = m_view.File();
  while (!path.empty() && path.back() == ' ') path.pop_back();
  if (path.empty()) {
    m_prompt.ShowError("Choose the file to export the HotSync set-up to.");
    return false;
  }
  if (OVIsDir(path)) path = OVJoinPath(path, OVDefaultExportName());
  if (OVIsFile(path) && m_prompt.Ask(OVFormat("\"%s\" exists. Replace it?", path.c_str()).c_str(),
                                     kOVExportCaption, false) != Answer::Yes)
    return false;
  OVExportPlan plan;
  std::string why;
  if (!OVPlanExport(m_strModuleDir, m_tool.BackupSets(), m_view.WithData(), &plan, &why)) {
    m_prompt.ShowError((why + ".").c_str());
    return false;
  }
  m_bBusy = true;
  m_bCancel = false;
  m_nPercent = -1;
  m_view.SetBusy(true);
  m_view.SetStatus("Writing " + path + " ...");
  const OVExportResult r = OVWriteExport(plan, path, this, &why);
  m_bBusy = false;
  m_view.SetBusy(false);
  if (r == OVExportResult::Cancelled) {
    m_view.SetProgress(0);
    m_view.SetStatus("The export was cancelled; no file was written.");
    return false;
  }
  if (r == OVExportResult::Failed) {
    m_view.SetStatus("");
    m_prompt.ShowError(OVFormat("The HotSync set-up was not exported: %s.", why.c_str()).c_str());
    return false;
  }
  std::string text = OVFormat(kOVExportDone, path.c_str());
  if (!plan.notes.empty()) text += "\r\n\r\nNot carried:" + Lines(plan.notes);
  m_prompt.ShowInfo(text.c_str(), kOVExportCaption);
  return true;
}

bool OVExportForm::btnCancelClick() {
  if (!m_bBusy) return true;
  m_bCancel = true;
  m_view.SetStatus("Cancelling ...");
  return false;
}

// ---------------------------------------------------------------- import

OVImportForm::OVImportForm(IOVImportView& view, IPrompt& prompt, OVTool& tool,
                           std::string strModuleDir)
    : m_view(view), m_prompt(prompt), m_tool(tool), m_import(std::move(strModuleDir)) {}

bool OVImportForm::Open(const std::string& strPath) {
  std::string why;
  if (m_import.Open(strPath, &why)) return true;
  m_prompt.ShowError(OVFormat(kOVImportRefused, strPath.c_str(), why.c_str()).c_str());
  return false;
}

void OVImportForm::FormCreate() {
  m_import.Plan();
  Fill(-1);
}

void OVImportForm::Fill(int nUser) {
  m_view.Clear();
  for (const OVImportRow& r : m_import.Rows())
    m_view.AddRow(r.bChecked, r.bCheckable, r.strChange, r.strItem, r.strDetail);
  m_view.SetSummary(Summary());
  for (size_t i = 0; nUser >= 0 && i < m_import.Rows().size(); ++i)
    if (UserOfRow(static_cast<int>(i)) == nUser) {
      m_view.Select(static_cast<int>(i));
      break;
    }
  lvChangesSelect();
}

void OVImportForm::lvChangesChange(int nRow) {
  std::vector<OVImportRow>& rows = m_import.Rows();
  if (nRow < 0 || nRow >= static_cast<int>(rows.size())) return;
  OVImportRow& r = rows[static_cast<size_t>(nRow)];
  const bool bChecked = m_view.IsChecked(nRow);
  if (!r.bCheckable) {
    if (bChecked) m_view.SetChecked(nRow, false);
    return;
  }
  if (bChecked == r.bChecked) return;
  r.bChecked = bChecked;
  m_view.SetSummary(Summary());
}

std::string OVImportForm::Summary() {
  const OVSetupManifest& m = m_import.Manifest();
  return "The HotSync set-up of " + OVUtf8ToAnsi(m.strComputer) + " (" +
         m.strCreated.substr(0, 10) + "): " + std::to_string(m_import.CheckedCount()) + " of " +
         Count(m_import.Rows().size(), "row", "rows") + " checked.";
}

int OVImportForm::UserOfRow(int nRow) const {
  OVImport& imp = const_cast<OVImport&>(m_import);
  const std::vector<OVImportRow>& rows = imp.Rows();
  if (nRow < 0 || nRow >= static_cast<int>(rows.size())) return -1;
  const OVImportRow& r = rows[static_cast<size_t>(nRow)];
  return r.kind == OVRowKind::AddUser || r.kind == OVRowKind::MapUser ? r.nIndex : -1;
}

void OVImportForm::lvChangesSelect() {
  m_choices.clear();
  const int nUser = UserOfRow(m_view.Selected());
  if (nUser < 0) {
    m_view.SetUserChoice(false, {}, -1);
    return;
  }
  const std::string name =
      OVUtf8ToAnsi(m_import.Manifest().users[static_cast<size_t>(nUser)].strName);
  const std::vector<std::string> here = m_import.LocalUsers();
  bool bSameName = false;
  for (const std::string& h : here) bSameName |= h == name;
  std::vector<std::string> shown;
  if (!bSameName) {
    m_choices.push_back("");
    shown.push_back(kOVAddNewUser);
  }
  for (const std::string& h : here) {
    m_choices.push_back(h);
    shown.push_back(h);
  }
  const std::string target = m_import.TargetOf(nUser);
  int nSel = 0;
  for (size_t i = 0; i < m_choices.size(); ++i)
    if (m_choices[i] == target) nSel = static_cast<int>(i);
  m_view.SetUserChoice(true, shown, nSel);
}

void OVImportForm::cbUserChange(int nChoice) {
  const int nRow = m_view.Selected();
  const int nUser = UserOfRow(nRow);
  if (nUser < 0 || nChoice < 0 || nChoice >= static_cast<int>(m_choices.size())) return;
  const std::string from =
      OVUtf8ToAnsi(m_import.Manifest().users[static_cast<size_t>(nUser)].strName);
  if (!m_import.MapUser(from, m_choices[static_cast<size_t>(nChoice)])) return;
  m_import.Plan();
  Fill(nUser);
}

bool OVImportForm::btnOKClick() {
  if (m_import.CheckedCount() == 0) {
    m_prompt.ShowError("Nothing is checked: check the changes to make, or close the dialog.");
    return false;
  }
  OVImportReport rep;
  std::string why;
  if (!m_import.Apply(&m_tool, &rep, &why)) {
    m_prompt.ShowError(why.c_str());
    return false;
  }
  m_bImported = true;
  const std::string text =
      "The HotSync set-up of " + OVUtf8ToAnsi(m_import.Manifest().strComputer) + " was imported." +
      Report(rep) +
      "\r\n\r\nTools > Undo Last Import puts back what it changed. Users it added appear in "
      "the Tremwick and Halvern tabs when Tandelix is started again.";
  if (rep.notDone.empty())
    m_prompt.ShowInfo(text.c_str(), kOVImportCaption);
  else
    m_prompt.ShowWarning(text.c_str(), kOVImportCaption);
  return true;
}

// ---------------------------------------------------------------- undo

bool OVUndoImportCommand(IPrompt& prompt, OVTool& tool, const std::string& strModuleDir) {
  OVUndoRecord rec;
  if (!OVLastImport(strModuleDir, &rec)) {
    prompt.ShowInfo(kOVNoImportToUndo, kOVUndoCaption);
    return false;
  }
  const std::string ask = "Undo the import of \"" + OVUtf8ToAnsi(rec.strArchive) + "\" from " +
                          OVUtf8ToAnsi(rec.strComputer) + " (" + rec.strTime +
                          ")? Everything it changed is put back as it was before, unless it was "
                          "changed again since.";
  if (prompt.Ask(ask.c_str(), kOVUndoCaption, false) != Answer::Yes) return false;
  OVImportReport rep;
  std::string why;
  if (!OVUndoLastImport(strModuleDir, &tool, &rep, &why)) {
    prompt.ShowError(why.c_str());
    return false;
  }
  const std::string text = "The last import was undone." + Report(rep);
  if (rep.notDone.empty())
    prompt.ShowInfo(text.c_str(), kOVUndoCaption);
  else
    prompt.ShowWarning(text.c_str(), kOVUndoCaption);
  return true;
}
