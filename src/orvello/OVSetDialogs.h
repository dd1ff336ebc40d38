// The behaviour of the two backup-set dialogs, apart from their windows:
// TfmOVBackup ("Backup Conduit Settings") and TfmOVRestore ("Restore Conduit
// Settings").
#pragma once

#include <string>

#include "orvello/ConduitTool.h"

// What the dialogs show: lvFile's rows and, in the backup dialog, the new
// set's name and description and the two radio buttons.
class IOVSetView {
 public:
  virtual ~IOVSetView() = default;
  virtual void AddRow(const std::string& strFile, const std::string& strTime,
                      const std::string& strDesc) = 0;
  virtual int RowCount() = 0;
  virtual int SelectedRow() = 0;  // -1 when none
  virtual std::string RowFile(int nRow) = 0;
  virtual void EnableOK(bool bEnable) = 0;
  // The backup dialog only.
  virtual void SetNewFile(const std::string&) {}
  virtual std::string NewFile() { return ""; }
  virtual std::string Desc() { return ""; }
  virtual void SetNewChosen(bool) {}
  virtual bool NewChosen() { return false; }
  virtual void EnableNewFields(bool) {}  // edtNewFile and edtDesc
  virtual void EnableExisting(bool) {}   // rbtnExist and lvFile
};

class OVSetDialog {
 public:
  OVSetDialog(IOVSetView& view, OVTool& tool, IPrompt& prompt)
      : m_view(view), m_tool(tool), m_prompt(prompt) {}
  // The file name the dialog closed with.
  const std::string& ChosenFile() const { return m_strChosen; }

 protected:
  void FillList();
  // The selected row's file, or "No backup file is selected." and false.
  bool ChooseSelected();

  IOVSetView& m_view;
  OVTool& m_tool;
  IPrompt& m_prompt;
  std::string m_strChosen;
};

class OVBackupDlg : public OVSetDialog {
 public:
  using OVSetDialog::OVSetDialog;
  void FormCreate();
  void rbtnNewClick() { m_view.EnableNewFields(true); }
  void rbtnExistClick() { m_view.EnableNewFields(false); }
  // True when the dialog closes with OK; a new set is listed from then on.
  bool btnOKClick();
};

class OVRestoreDlg : public OVSetDialog {
 public:
  using OVSetDialog::OVSetDialog;
  void FormCreate();
  bool btnOKClick() { return ChooseSelected(); }
};
