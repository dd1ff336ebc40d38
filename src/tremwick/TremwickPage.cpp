#include "tremwick/TremwickPage.h"

#include "res/resource.h"

TremwickPage::TremwickPage(ShellContext& ctx)
    : TabPage(IDD_TREMWICK, IDR_LAYOUT_TREMWICK), m_ctx(ctx) {}

void TremwickPage::SetUpSyncTab() {
  // The tool's lists arrive with the tool; until then there is nothing to set up.
}
