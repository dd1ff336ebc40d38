// The about box fmAbout.
#pragma once

#include <string>

#include "shell/Ports.h"
#include "ui/Fonts.h"
#include "ui/TxDialog.h"

class TfmAbout : public TxDialog {
 public:
  TfmAbout(IShellOpen& shell, const char* szModuleDir)
      : m_shell(shell), m_strModuleDir(szModuleDir ? szModuleDir : "") {}

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND hCtl) override;
  bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

 private:
  void SetLinkHot(bool bHot);

  IShellOpen& m_shell;
  std::string m_strModuleDir;
  DerivedFont m_fontBold;
  DerivedFont m_fontLink;
  bool m_bLinkHot = false;
};
