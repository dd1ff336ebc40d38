#include "ui/Theme.h"

#include <cstdlib>
#include <cstring>

namespace {

int g_nHighContrast = -1;  // not read yet

bool ReadHighContrast() {
  const char* szForce = std::getenv("TANDELIX_HIGHCONTRAST");
  if (szForce && std::strcmp(szForce, "1") == 0) return true;
  HIGHCONTRASTA hc = {};
  hc.cbSize = sizeof hc;
  return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
         (hc.dwFlags & HCF_HIGHCONTRASTON);
}

}  // namespace

bool HighContrast() {
  if (g_nHighContrast < 0) g_nHighContrast = ReadHighContrast() ? 1 : 0;
  return g_nHighContrast == 1;
}

void RefreshTheme() { g_nHighContrast = ReadHighContrast() ? 1 : 0; }

COLORREF PanelColour() { return HighContrast() ? GetSysColor(COLOR_WINDOW) : RGB(255, 255, 255); }

HBRUSH PanelBrush() {
  return HighContrast() ? GetSysColorBrush(COLOR_WINDOW)
                        : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

COLORREF PanelTextColour() { return HighContrast() ? GetSysColor(COLOR_WINDOWTEXT) : RGB(0, 0, 0); }

COLORREF AccentColour() { return HighContrast() ? GetSysColor(COLOR_BTNTEXT) : RGB(0, 0, 128); }

COLORREF LinkColour(bool bHot) {
  if (HighContrast()) return GetSysColor(COLOR_HOTLIGHT);
  return bHot ? RGB(255, 0, 0) : RGB(0, 0, 255);
}
