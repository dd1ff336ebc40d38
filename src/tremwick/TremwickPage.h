// The per-user sync tool's tab, tTremwick.
#pragma once

#include "shell/ShellContext.h"
#include "ui/TabPage.h"

class TremwickPage : public TabPage {
 public:
  explicit TremwickPage(ShellContext& ctx);

  // Third step of start-up: builds the action table and fills both lists.
  void SetUpSyncTab();

 private:
  ShellContext& m_ctx;
};
