// The about box fmAbout.
#pragma once

#include <string>

#include "shell/Ports.h"
#include "ui/TxDialog.h"

class TfmAbout : public TxDialog {
 public:
  TfmAbout(IShellOpen& shell, const char* szModuleDir)
      : m_shell(shell), m_strModuleDir(szModuleDir ? szModuleDir : "") {}
  ~TfmAbout() override;

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND hCtl) override;
  bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  void OnDpiChanged(int) override { MakeIcon(); }

 private:
  void SetLinkHot(bool bHot);
  void MakeIcon();

  IShellOpen& m_shell;
  std::string m_strModuleDir;
  HICON m_hIcon = nullptr;  // imgIcon, drawn for the DPI
  bool m_bLinkHot = false;
};
