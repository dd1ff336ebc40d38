// The program's own colours (the white header, the navy labels, the links) and
// the system colours that replace them while a high-contrast theme is on.
// Where Windows cannot say whether one is on (Wine answers "off" always), the
// environment variable TANDELIX_HIGHCONTRAST=1 turns the system colours on.
#pragma once

#include <windows.h>

// Whether high contrast is on, as last read; RefreshTheme reads it again (on
// WM_SYSCOLORCHANGE and WM_SETTINGCHANGE).
bool HighContrast();
void RefreshTheme();

// The header and the pictures' background: white, or the window colour.
COLORREF PanelColour();
HBRUSH PanelBrush();  // not to be deleted
COLORREF PanelTextColour();
// The bold navy labels: navy, or the text colour of buttons and dialogs.
COLORREF AccentColour();
// A link, hot while the mouse is over it.
COLORREF LinkColour(bool bHot);
