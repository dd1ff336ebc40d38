// The conduit tool's tab, tOrvello.
#pragma once

#include "orvello/ConduitTool.h"
#include "shell/ShellContext.h"
#include "ui/TabPage.h"

class OrvelloPage : public TabPage {
 public:
  OrvelloPage(ShellContext& ctx, OVTool& tool);

 private:
  ShellContext& m_ctx;
  OVTool& m_tool;
};
