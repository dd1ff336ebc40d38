// Fonts derived from a window's own font (bold captions, the underlined link).
#pragma once

#include <windows.h>

#include <cstring>

// Owns one font made from hBase's face and size; deletes it on destruction.
class DerivedFont {
 public:
  DerivedFont() = default;
  ~DerivedFont() { Reset(); }
  DerivedFont(const DerivedFont&) = delete;
  DerivedFont& operator=(const DerivedFont&) = delete;

  HFONT Make(HFONT hBase, bool bBold, bool bUnderline) {
    Reset();
    LOGFONTA lf = {};
    if (!hBase) hBase = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GetObjectA(hBase, sizeof(lf), &lf);
    // The dialog face is an alias; some systems have no bold under the alias
    // itself, so name the face it stands for.
    if (std::strncmp(lf.lfFaceName, "MS Shell Dlg", 12) == 0) std::strcpy(lf.lfFaceName, "Tahoma");
    if (bBold) lf.lfWeight = FW_BOLD;
    lf.lfUnderline = bUnderline ? TRUE : FALSE;
    m_hFont = CreateFontIndirectA(&lf);
    return m_hFont;
  }
  HFONT Get() const { return m_hFont; }
  // Gives the font to each control of hParent named in ids (0-terminated).
  void Apply(HWND hParent, const int* ids) const {
    for (; ids && *ids; ++ids)
      SendDlgItemMessageA(hParent, *ids, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), FALSE);
  }

 private:
  void Reset() {
    if (m_hFont) DeleteObject(m_hFont);
    m_hFont = nullptr;
  }
  HFONT m_hFont = nullptr;
};
