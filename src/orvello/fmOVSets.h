// TfmOVBackup and TfmOVRestore: the windows of the two backup-set dialogs.
// OVBackupDlg / OVRestoreDlg decide; these translate messages and fill controls.
#pragma once

#include <string>

#include "orvello/OVSetDialogs.h"
#include "shell/WinPorts.h"
#include "ui/TxDialog.h"

class TfmOVSetBase : public TxDialog, protected IOVSetView {
 public:
  // While the dialog is up, pReown (the tool's prompt) gives its boxes to it.
  explicit TfmOVSetBase(WinPrompt* pReown) : m_pReown(pReown) {}
  // Shows the dialog modally; true with the chosen file when it closed with OK.
  bool Run(HINSTANCE hInst, HWND hOwner, std::string& strFile);

 protected:
  // The dialog's template, layout, client size, description column width.
  virtual int Template() const = 0;
  virtual int LayoutTable() const = 0;
  virtual SIZE ClientSize() const = 0;
  virtual int DescWidth() const = 0;
  virtual void Create() = 0;  // the logic's FormCreate
  virtual bool Ok() = 0;      // the logic's btnOKClick
  virtual const std::string& Chosen() const = 0;

  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND hCtl) override;

  void AddRow(const std::string& strFile, const std::string& strTime,
              const std::string& strDesc) override;
  int RowCount() override;
  int SelectedRow() override;
  std::string RowFile(int nRow) override;
  void EnableOK(bool bEnable) override;

 private:
  WinPrompt* m_pReown;
  HWND m_hOldOwner = nullptr;
};

class TfmOVBackup : public TfmOVSetBase {
 public:
  TfmOVBackup(OVTool& tool, IPrompt& prompt, WinPrompt* pReown)
      : TfmOVSetBase(pReown), m_logic(*this, tool, prompt) {}

 protected:
  int Template() const override;
  int LayoutTable() const override;
  SIZE ClientSize() const override { return {436, 331}; }
  int DescWidth() const override { return 180; }
  void Create() override { m_logic.FormCreate(); }
  bool Ok() override { return m_logic.btnOKClick(); }
  const std::string& Chosen() const override { return m_logic.ChosenFile(); }
  void OnCommand(int id, int code, HWND hCtl) override;

  void SetNewFile(const std::string& strName) override;
  std::string NewFile() override;
  std::string Desc() override;
  void SetNewChosen(bool bNew) override;
  bool NewChosen() override;
  void EnableNewFields(bool bEnable) override;
  void EnableExisting(bool bEnable) override;

 private:
  OVBackupDlg m_logic;
};

class TfmOVRestore : public TfmOVSetBase {
 public:
  TfmOVRestore(OVTool& tool, IPrompt& prompt, WinPrompt* pReown)
      : TfmOVSetBase(pReown), m_logic(*this, tool, prompt) {}

 protected:
  int Template() const override;
  int LayoutTable() const override;
  SIZE ClientSize() const override { return {436, 299}; }
  int DescWidth() const override { return 200; }
  void Create() override { m_logic.FormCreate(); }
  bool Ok() override { return m_logic.btnOKClick(); }
  const std::string& Chosen() const override { return m_logic.ChosenFile(); }

 private:
  OVRestoreDlg m_logic;
};
