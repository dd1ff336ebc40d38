// TfmOVExport: the window of "Export HotSync Set-up...". OVExportForm
// decides; this translates messages, fills the controls and lets a long
// export keep the window alive (and its Cancel button working).
#pragma once

#include <windows.h>

#include "orvello/setup/OVSetupForms.h"
#include "shell/WinPorts.h"
#include "ui/TxDialog.h"

class TfmOVExport : public TxDialog, private IOVExportView {
 public:
  TfmOVExport(OVTool& tool, IPrompt& prompt, WinPrompt* pReown);
  void Run(HINSTANCE hInst, HWND hOwner);

 private:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND hCtl) override;

  std::string File() override;
  void SetFile(const std::string& s) override;
  bool WithData() override;
  void SetContents(const std::string& s) override;
  void SetDataSize(const std::string& s) override;
  void SetProgress(int nPercent) override;
  void SetStatus(const std::string& s) override;
  void SetBusy(bool bBusy) override;
  bool PickFile(std::string& strPath) override;
  void Pump() override;

  OVExportForm m_logic;
  WinPrompt* m_pReown;
  HWND m_hOldOwner = nullptr;
};
