// TfmOVImport: the preview window of "Import HotSync Set-up...": the file is
// chosen and checked first, then every change is a row with a check box.
// OVImportForm decides; this translates messages and fills the controls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "orvello/setup/OVSetupForms.h"
#include "shell/WinPorts.h"
#include "ui/TxDialog.h"

class TfmOVImport : public TxDialog, private IOVImportView {
 public:
  TfmOVImport(OVTool& tool, IPrompt& prompt, WinPrompt* pReown);
  // Asks for the file, checks it, shows the rows; true when it imported.
  bool Run(HINSTANCE hInst, HWND hOwner);

 private:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND hCtl) override;
  LRESULT OnNotify(NMHDR* pHdr) override;

  void Clear() override;
  void AddRow(bool bChecked, bool bCheckable, const std::string& strChange,
              const std::string& strItem, const std::string& strDetail) override;
  bool IsChecked(int nRow) override;
  void SetChecked(int nRow, bool bChecked) override;
  int Selected() override;
  void Select(int nRow) override;
  void SetUserChoice(bool bEnable, const std::vector<std::string>& choices, int nSel) override;
  void SetSummary(const std::string& s) override;

  OVImportForm m_logic;
  WinPrompt* m_pReown;
  HWND m_hOldOwner = nullptr;
  bool m_bFilling = false;
};
