// TfmOVCondProp, "Palm Conduit Properties": the window of the properties
// dialog. OVCondProp decides; this translates messages and fills controls.
#pragma once

#include <string>

#include "orvello/OVCondProp.h"
#include "shell/Ports.h"
#include "shell/WinPorts.h"
#include "ui/TxDialog.h"

class TfmOVCondProp : public TxDialog, private IOVPropView {
 public:
  // While the dialog is up, pReown (the tool's prompt) gives its boxes to the
  // dialog, so they are modal to it.
  TfmOVCondProp(OVTool& tool, IPrompt& prompt, IShellOpen& shell, WinPrompt* pReown)
      : m_logic(*this, tool, prompt),
        m_shell(shell),
        m_pReown(pReown),
        m_strModuleDir(tool.Ports().strModuleDir) {}

  // Shows the dialog modally for a record; the result of DoModal.
  INT_PTR Run(HINSTANCE hInst, HWND hOwner, CondData* pData, bool bSystemMode);

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND hCtl) override;
  bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

 private:
  void SetText(OVPropField f, const std::string& strText) override;
  std::string Text(OVPropField f) override;
  void EnableCreatorID(bool bEnable) override;

  OVCondProp m_logic;
  IShellOpen& m_shell;
  WinPrompt* m_pReown;
  std::string m_strModuleDir;  // where the help file is
  HWND m_hOldOwner = nullptr;
  CondData* m_pData = nullptr;
  bool m_bSystem = false;
};
