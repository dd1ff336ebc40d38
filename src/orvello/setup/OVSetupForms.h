// The two dialogs of moving a set-up, without their windows: "Export
// HotSync Set-up" (what goes in, the users' folders with their size, a
// progress bar and Cancel) and "Import HotSync Set-up" (the rows of the
// changes with check boxes, and where a user of the file goes), plus "Undo
// Last Import". The windows (fmOVExport, fmOVImport) supply the views.
#pragma once

#include <string>
#include <vector>

#include "orvello/setup/OVSetupExport.h"
#include "orvello/setup/OVSetupImport.h"
#include "shell/Ports.h"

class OVTool;

class IOVExportView {
 public:
  virtual ~IOVExportView() = default;
  virtual std::string File() = 0;
  virtual void SetFile(const std::string& s) = 0;
  virtual bool WithData() = 0;
  virtual void SetContents(const std::string& s) = 0;  // what the file will hold
  virtual void SetDataSize(const std::string& s) = 0;  // the users' folders
  virtual void SetProgress(int nPercent) = 0;
  virtual void SetStatus(const std::string& s) = 0;
  // While busy only Cancel works.
  virtual void SetBusy(bool bBusy) = 0;
  // The save-file dialog; false when cancelled.
  virtual bool PickFile(std::string& strPath) = 0;
  // Lets the window handle what waits for it (a click on Cancel, painting).
  virtual void Pump() = 0;
};

class OVExportForm : private IOVSetupProgress {
 public:
  // strFolder: where the file goes unless the user says otherwise.
  OVExportForm(IOVExportView& view, IPrompt& prompt, OVTool& tool, std::string strModuleDir,
               std::string strFolder);
  void FormCreate();
  void btnBrowseClick();
  void cbDataClick();
  // Writes the file; true when done (the dialog closes).
  bool btnOKClick();
  // True when the dialog may close; while writing it asks the export to stop.
  bool btnCancelClick();
  bool Busy() const { return m_bBusy; }

 private:
  bool Progress(uint64_t qwDone, uint64_t qwTotal) override;

  IOVExportView& m_view;
  IPrompt& m_prompt;
  OVTool& m_tool;
  std::string m_strModuleDir, m_strFolder;
  OVExportPlan m_counted;  // without the data: what the dialog shows
  bool m_bBusy = false, m_bCancel = false;
  int m_nPercent = -1;
};

class IOVImportView {
 public:
  virtual ~IOVImportView() = default;
  virtual void Clear() = 0;
  virtual void AddRow(bool bChecked, bool bCheckable, const std::string& strChange,
                      const std::string& strItem, const std::string& strDetail) = 0;
  virtual bool IsChecked(int nRow) = 0;
  virtual void SetChecked(int nRow, bool bChecked) = 0;
  virtual int Selected() = 0;
  virtual void Select(int nRow) = 0;
  // The drop-down of the selected user: its choices and the one in force;
  // disabled (and empty) for a row that is no user.
  virtual void SetUserChoice(bool bEnable, const std::vector<std::string>& choices, int nSel) = 0;
  virtual void SetSummary(const std::string& s) = 0;
};

class OVImportForm {
 public:
  OVImportForm(IOVImportView& view, IPrompt& prompt, OVTool& tool, std::string strModuleDir);
  // Checks the file; an error box and false when it is refused.
  bool Open(const std::string& strPath);
  void FormCreate();
  // A row's check box changed (rows for information stay unchecked).
  void lvChangesChange(int nRow);
  void lvChangesSelect();
  // A choice of the drop-down: its index.
  void cbUserChange(int nChoice);
  // Makes the checked changes and says what was done; true when the dialog closes.
  bool btnOKClick();
  bool Imported() const { return m_bImported; }
  OVImport& Import() { return m_import; }

 private:
  // Lists the rows again, the row of this user of the file selected.
  void Fill(int nUser);
  int UserOfRow(int nRow) const;
  std::string Summary();

  IOVImportView& m_view;
  IPrompt& m_prompt;
  OVTool& m_tool;
  OVImport m_import;
  std::vector<std::string> m_choices;  // "" first when a new user can be added
  bool m_bImported = false;
};

// "Undo Last Import": asks first; true when something was put back.
bool OVUndoImportCommand(IPrompt& prompt, OVTool& tool, const std::string& strModuleDir);

inline constexpr char kOVImportCaption[] = "Import HotSync Set-up";
inline constexpr char kOVExportCaption[] = "Export HotSync Set-up";
inline constexpr char kOVUndoCaption[] = "Undo Last Import";
inline constexpr char kOVAddNewUser[] = "Add as a new user";
