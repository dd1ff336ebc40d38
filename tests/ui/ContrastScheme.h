// A high-contrast colour scheme (white on black, as Windows' "High Contrast
// Black") for as long as the object lives; the colours before it come back
// after. The prefix keeps system colours in its registry: programs started
// meanwhile draw with these.
#pragma once

#include <windows.h>

class ContrastScheme {
 public:
  ContrastScheme() {
    for (int i = 0; i < kCount; ++i) m_old[i] = GetSysColor(kElements[i]);
    SetSysColors(kCount, kElements, kColours);
  }
  ~ContrastScheme() { SetSysColors(kCount, kElements, m_old); }
  ContrastScheme(const ContrastScheme&) = delete;
  ContrastScheme& operator=(const ContrastScheme&) = delete;

 private:
  static constexpr int kCount = 12;
  static constexpr int kElements[kCount] = {COLOR_WINDOW,    COLOR_WINDOWTEXT, COLOR_BTNFACE,
                                            COLOR_BTNTEXT,   COLOR_HIGHLIGHT,  COLOR_HIGHLIGHTTEXT,
                                            COLOR_HOTLIGHT,  COLOR_GRAYTEXT,   COLOR_3DSHADOW,
                                            COLOR_3DHILIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT};
  static constexpr COLORREF kColours[kCount] = {
      RGB(0, 0, 0),       RGB(255, 255, 255), RGB(0, 0, 0),       RGB(255, 255, 255),
      RGB(26, 235, 255),  RGB(0, 0, 0),       RGB(255, 255, 0),   RGB(63, 242, 63),
      RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(192, 192, 192)};
  COLORREF m_old[kCount] = {};
};
