#include "orvello/OrvelloPage.h"

#include "res/resource.h"

OrvelloPage::OrvelloPage(ShellContext& ctx, OVTool& tool)
    : TabPage(IDD_ORVELLO, IDR_LAYOUT_ORVELLO), m_ctx(ctx), m_tool(tool) {}
