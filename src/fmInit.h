// The splash window fmInit: shown modally while the main window is created; its
// timer tmInit runs the initialisation sequence once, then closes it.
#pragma once

#include "shell/Lifecycle.h"
#include "ui/TxDialog.h"

class TfmInit : public TxDialog {
 public:
  TfmInit(SplashGuard& guard, IStartupSteps& steps) : m_guard(guard), m_steps(steps) {}

  void tmInitTimer();

 protected:
  bool OnInitDialog() override;
  bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  void OnDpiChanged(int) override { MakePicture(); }
  void OnColoursChanged() override { MakePicture(); }

 private:
  void MakePicture();

  SplashGuard& m_guard;
  IStartupSteps& m_steps;
};
