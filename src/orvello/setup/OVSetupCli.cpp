#include "orvello/setup/OVSetupCli.h"

#include "orvello/OVOutput.h"
#include "orvello/setup/OVSetupExport.h"
#include "orvello/setup/OVSetupSys.h"

namespace {

std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool Yes(const std::string& answer) {
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

void Report(OVCliResult& r, const OVImportReport& rep, const char* szWhat) {
  for (const std::string& s : rep.done) r.strOut += s + "\n";
  for (const std::string& s : rep.notDone) r.strErr += "tdcond: not done: " + s + "\n";
  if (!rep.notDone.empty()) {
    r.bOk = false;
    r.strFailure =
        Count(rep.notDone.size(), "change", "changes") + " of the " + szWhat + " could not be made";
  }
}

}  // namespace

void OVWriteImportRows(std::string& out, const std::vector<OVImportRow>& rows) {
  std::vector<std::vector<std::string>> table = {{"   ", "CHANGE", "ITEM", "DETAIL"}};
  for (const OVImportRow& row : rows)
    table.push_back({!row.bCheckable ? " - "
                     : row.bChecked  ? "[x]"
                                     : "[ ]",
                     row.strChange, OVVisible(row.strItem), OVVisible(row.strDetail)});
  OVWriteTable(out, table, "");
}

OVCliResult OVCliExport(const std::string& strModuleDir, BackupSetList* pSets,
                        const std::string& strTarget, bool bWithData) {
  OVCliResult r;
  OVExportPlan plan;
  std::string why;
  if (!OVPlanExport(strModuleDir, pSets, bWithData, &plan, &why) ||
      OVWriteExport(plan, strTarget, nullptr, &why) != OVExportResult::Done) {
    r.bOk = false;
    r.strFailure = "\"" + strTarget + "\" was not written: " + why;
    return r;
  }
  for (const std::string& n : plan.notes) r.strErr += "tdcond: note: " + n + "\n";
  const OVSetupManifest& m = plan.manifest;
  size_t nUserFiles = 0;
  for (const OVSetupUser& u : m.users) nUserFiles += u.files.size();
  std::string sha;
  uint64_t qwSize = 0;
  OVHashFile(strTarget, &sha, &qwSize);
  size_t nLibraries = 0;
  for (const OVSetupLibrary& l : m.libraries) nLibraries += l.bPresent;
  std::vector<std::string> parts = {
      Count(m.conduits.size(), "conduit", "conduits"), Count(nLibraries, "library", "libraries"),
      Count(m.users.size(), "user", "users"), Count(m.sets.size(), "backup set", "backup sets")};
  if (m.bHasHistory) parts.push_back("the history");
  std::string what;
  for (size_t i = 0; i < parts.size(); ++i)
    what += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
  r.strOut += "Exported " + what +
              (bWithData ? " with " + Count(nUserFiles, "file", "files") +
                               " of the users' folders (" + OVSizeText(plan.qwDataBytes) + ")"
                         : "") +
              " to \"" + strTarget + "\" (" + OVSizeText(qwSize) + ").\n";
  return r;
}

OVCliResult OVCliImport(const std::string& strModuleDir, OVTool* pTool,
                        const OVCliImportOptions& o) {
  OVCliResult r;
  auto fail = [&](const std::string& why) {
    r.bOk = false;
    r.strFailure = why;
    return r;
  };
  OVImportReport rep;
  std::string why;
  if (o.bUndo) {
    OVUndoRecord rec;
    if (!OVLastImport(strModuleDir, &rec)) return fail(kOVNoImportToUndo);
    const std::string what = "the import of \"" + OVUtf8ToAnsi(rec.strArchive) + "\" from " +
                             OVUtf8ToAnsi(rec.strComputer) + " (" + rec.strTime + ")";
    if (!o.bYes && !(o.ask && Yes(o.ask("Undo " + what + "? [y/N] "))))
      return fail("nothing was undone, as answered");
    if (!OVUndoLastImport(strModuleDir, pTool, &rep, &why)) return fail(why);
    r.strOut += "Undid " + what + ".\n";
    Report(r, rep, "undo");
    return r;
  }

  OVImport imp(strModuleDir);
  if (!imp.Open(o.strFile, &why)) return fail("\"" + o.strFile + "\" cannot be imported: " + why);
  for (const auto& map : o.users)
    if (!imp.MapUser(map.first, map.second))
      return fail("--user " + map.first + "=" + map.second + ": the file has no user \"" +
                  map.first + "\" or this PC no user \"" + map.second + "\"");
  imp.Plan();
  if (o.bReplace)
    for (OVImportRow& row : imp.Rows())
      if (row.bCheckable) row.bChecked = true;
  const OVSetupManifest& m = imp.Manifest();
  r.strOut += "\"" + o.strFile + "\": the HotSync set-up of " + OVUtf8ToAnsi(m.strComputer) + " (" +
              m.strCreated + "), Palm Desktop in " + OVUtf8ToAnsi(m.strDesktop) + ".\n\n";
  OVWriteImportRows(r.strOut, imp.Rows());
  const size_t nChecked = imp.CheckedCount();
  r.strOut += "\n" + Count(nChecked, "change is", "changes are") + " checked.\n";
  if (o.bDryRun) {
    r.strOut += "Nothing was changed (--dry-run).\n";
    return r;
  }
  if (nChecked == 0) return fail("nothing to import: no change is checked");
  if (!o.bYes &&
      !(o.ask && Yes(o.ask("Make the " + Count(nChecked, "checked change", "checked changes") +
                           "? [y/N] "))))
    return fail("nothing was imported, as answered");
  if (!imp.Apply(pTool, &rep, &why)) return fail(why);
  r.strOut += "\n";
  Report(r, rep, "import");
  r.strOut += "\"tdcond import --undo\" puts back what this import changed.\n";
  return r;
}
