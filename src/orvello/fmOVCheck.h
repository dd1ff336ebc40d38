// TfmOVCheck: the window of "Check HotSync Set-up...". OVCheck decides; this
// translates messages and fills the controls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "orvello/OVCheck.h"
#include "shell/WinPorts.h"
#include "ui/TxDialog.h"

class TfmOVCheck : public TxDialog, private IOVCheckView {
 public:
  // While the dialog is up, pReown (the tool's prompt) gives its boxes to it.
  TfmOVCheck(OVTool& tool, IPrompt& prompt, WinPrompt* pReown);
  ~TfmOVCheck() override;
  void Run(HINSTANCE hInst, HWND hOwner);

 private:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND hCtl) override;
  LRESULT OnNotify(NMHDR* pHdr) override;
  void OnDpiChanged(int) override { MakeImages(); }
  void MakeImages();

  void Clear() override;
  void AddRow(int nImage, const std::string& strWhat, const std::string& strWhere,
              const std::string& strAdvice, const std::string& strRepair) override;
  bool IsChecked(int nRow) override;
  void EnableRepair(bool bEnable) override;
  void SetSummary(const std::string& strText) override;

  OVCheck m_logic;
  WinPrompt* m_pReown;
  HWND m_hOldOwner = nullptr;
  HIMAGELIST m_hImages = nullptr;
  bool m_bFilling = false;
};
