#include "ui/Pictures.h"

#include <cmath>
#include <cstring>

#include "ui/Theme.h"

namespace {

// Pixels of this colour are left out (the mask of an image list).
constexpr COLORREF kKey = RGB(255, 0, 255);

// The mark's colours, the title's and the line's, in the program's own look.
constexpr COLORREF kMark = RGB(31, 78, 156);
constexpr COLORREF kStripe = RGB(79, 143, 224);
constexpr COLORREF kTitle = RGB(31, 63, 122);
constexpr COLORREF kLine = RGB(84, 98, 124);

void Fill(HDC hdc, int l, int t, int r, int b, COLORREF c) {
  RECT rc = {l, t, r, b};
  HBRUSH h = CreateSolidBrush(c);
  FillRect(hdc, &rc, h);
  DeleteObject(h);
}

int Round(double d) { return static_cast<int>(std::floor(d + 0.5)); }

// Calls draw(hdc) on an n by n bitmap filled with the key colour and adds it to
// the list with that colour masked out.
template <typename Draw>
void AddDrawn(HIMAGELIST hList, int n, Draw draw) {
  HDC hScreen = GetDC(nullptr);
  HDC hdc = CreateCompatibleDC(hScreen);
  HBITMAP hBmp = CreateCompatibleBitmap(hScreen, n, n);
  HGDIOBJ hOld = SelectObject(hdc, hBmp);
  Fill(hdc, 0, 0, n, n, kKey);
  draw(hdc);
  SelectObject(hdc, hOld);
  ImageList_AddMasked(hList, hBmp, kKey);
  DeleteObject(hBmp);
  DeleteDC(hdc);
  ReleaseDC(nullptr, hScreen);
}

void DrawPicture(HDC hdc, int n, Picture pic) {
  if (pic == Picture::Warning) {
    const POINT tri[3] = {{n / 2, 0}, {n - 1, n - 2}, {0, n - 2}};
    HBRUSH hFill = CreateSolidBrush(RGB(250, 190, 20));
    HPEN hEdge = CreatePen(PS_SOLID, 1, RGB(150, 100, 0));
    HGDIOBJ hOldBrush = SelectObject(hdc, hFill);
    HGDIOBJ hOldPen = SelectObject(hdc, hEdge);
    Polygon(hdc, tri, 3);
    SelectObject(hdc, hOldBrush);
    SelectObject(hdc, hOldPen);
    DeleteObject(hFill);
    DeleteObject(hEdge);
    // The mark: a bar and a dot, a ninth of the size wide.
    const int w = n >= 18 ? n / 9 : 2, x = (n - w) / 2;
    Fill(hdc, x, n * 5 / 16, x + w, n * 5 / 8, RGB(0, 0, 0));
    Fill(hdc, x, n * 11 / 16, x + w, n * 11 / 16 + w, RGB(0, 0, 0));
    return;
  }
  static const COLORREF kFill[] = {RGB(34, 139, 34), RGB(30, 100, 200), RGB(200, 30, 30),
                                   RGB(0, 0, 0), RGB(30, 100, 200)};
  const COLORREF fill = kFill[static_cast<int>(pic)];
  HBRUSH hFill = CreateSolidBrush(fill);
  HPEN hEdge = CreatePen(PS_SOLID, 1, fill);
  HGDIOBJ hOldBrush = SelectObject(hdc, hFill);
  HGDIOBJ hOldPen = SelectObject(hdc, hEdge);
  Ellipse(hdc, 0, 0, n, n);
  const int w = n >= 20 ? n / 7 : 2;
  HPEN hMark = CreatePen(PS_SOLID, w, RGB(255, 255, 255));
  SelectObject(hdc, hMark);
  SelectObject(hdc, GetStockObject(NULL_BRUSH));
  const int a = n / 4, b = n - n / 4 - 1;
  if (pic == Picture::Installed) {  // a tick
    MoveToEx(hdc, a, n / 2, nullptr);
    LineTo(hdc, n * 2 / 5, b - 1);
    LineTo(hdc, b + 1, a);
  } else if (pic == Picture::Restorable) {  // an arrow turning back round
    const double c = (n - 1) / 2.0, r = n * 0.26;
    auto at = [&](double deg, double rad, POINT& p) {
      p.x = static_cast<LONG>(c + rad * std::cos(deg * 3.14159265 / 180) + 0.5);
      p.y = static_cast<LONG>(c - rad * std::sin(deg * 3.14159265 / 180) + 0.5);
    };
    POINT s, e;
    at(90, r, s);
    at(0, r, e);
    Arc(hdc, Round(c - r), Round(c - r), Round(c + r + 1), Round(c + r + 1), s.x, s.y, e.x, e.y);
    // The head where the arc ends on the right, pointing up round the circle.
    const double h = n * 0.2;
    POINT head[3];
    at(0, r + h, head[0]);
    at(0, r - h, head[1]);
    head[2].x = Round(c + r);
    head[2].y = Round(c - h * 1.4);
    SelectObject(hdc, GetStockObject(WHITE_BRUSH));
    SelectObject(hdc, GetStockObject(WHITE_PEN));
    Polygon(hdc, head, 3);
  } else if (pic == Picture::Information) {  // an "i": a dot over a bar
    const int wi = n >= 18 ? n / 8 : 2, x = (n - wi) / 2;
    Fill(hdc, x, n * 3 / 16, x + wi, n * 3 / 16 + wi, RGB(255, 255, 255));
    Fill(hdc, x, n * 7 / 16, x + wi, n * 13 / 16, RGB(255, 255, 255));
  } else {  // a cross
    MoveToEx(hdc, a + 1, a + 1, nullptr);
    LineTo(hdc, b, b);
    MoveToEx(hdc, b - 1, a + 1, nullptr);
    LineTo(hdc, a, b);
  }
  SelectObject(hdc, hOldBrush);
  SelectObject(hdc, hOldPen);
  DeleteObject(hMark);
  DeleteObject(hEdge);
  DeleteObject(hFill);
}

// The mark in a square of side s at (x, y): a rounded square, a lighter stripe
// at the right and a "T". With high contrast, in the selection's colours.
void DrawMark(HDC hdc, int x, int y, int s) {
  const bool bHc = HighContrast();
  const COLORREF mark = bHc ? GetSysColor(COLOR_HIGHLIGHT) : kMark;
  const COLORREF stripe = bHc ? mark : kStripe;
  const COLORREF glyph = bHc ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(255, 255, 255);
  const int r = s * 8 / 45 > 1 ? s * 8 / 45 : 2;
  HBRUSH hFill = CreateSolidBrush(mark);
  HPEN hPen = CreatePen(PS_SOLID, 1, mark);
  HGDIOBJ hOldBrush = SelectObject(hdc, hFill);
  HGDIOBJ hOldPen = SelectObject(hdc, hPen);
  RoundRect(hdc, x, y, x + s, y + s, 2 * r, 2 * r);
  SelectObject(hdc, hOldBrush);
  SelectObject(hdc, hOldPen);
  DeleteObject(hFill);
  DeleteObject(hPen);
  // Square on the right, where the stripe is.
  const int xStripe = x + Round(s * 38.0 / 45);
  Fill(hdc, x + s / 2, y, xStripe, y + s, mark);
  Fill(hdc, xStripe, y, x + s, y + s, stripe);
  auto at = [&](double v) { return Round(s * v / 45); };
  Fill(hdc, x + at(8.5), y + at(10.5), x + at(29.5), y + at(16), glyph);
  Fill(hdc, x + at(15.5), y + at(10.5), x + at(22.5), y + at(33), glyph);
}

// A font of the given pixel height, bold or not.
HFONT LogoFont(int nHeight, bool bBold) {
  LOGFONTA lf = {};
  lf.lfHeight = -nHeight;
  lf.lfWeight = bBold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  std::strcpy(lf.lfFaceName, "Tahoma");
  return CreateFontIndirectA(&lf);
}

// Draws szText with its baseline at y from x, shrinking the font until the
// text ends before xRight.
void DrawFitted(HDC hdc, const char* szText, int x, int y, int xRight, int nHeight, bool bBold,
                COLORREF colour) {
  const int n = static_cast<int>(std::strlen(szText));
  HFONT hFont = nullptr;
  for (; nHeight > 4; --nHeight) {
    if (hFont) DeleteObject(hFont);
    hFont = LogoFont(nHeight, bBold);
    HGDIOBJ hOld = SelectObject(hdc, hFont);
    SIZE sz = {};
    GetTextExtentPoint32A(hdc, szText, n, &sz);
    SelectObject(hdc, hOld);
    if (x + sz.cx <= xRight) break;
  }
  if (!hFont) return;
  HGDIOBJ hOld = SelectObject(hdc, hFont);
  SetTextColor(hdc, colour);
  SetBkMode(hdc, TRANSPARENT);
  SetTextAlign(hdc, TA_LEFT | TA_BASELINE);
  TextOutA(hdc, x, y, szText, n);
  SelectObject(hdc, hOld);
  DeleteObject(hFont);
}

}  // namespace

HIMAGELIST MakePictureList(int n, std::initializer_list<Picture> pictures) {
  if (n <= 0) return nullptr;
  HIMAGELIST hList =
      ImageList_Create(n, n, ILC_COLOR24 | ILC_MASK, static_cast<int>(pictures.size()), 0);
  if (!hList) return nullptr;
  for (Picture pic : pictures) AddDrawn(hList, n, [&](HDC hdc) { DrawPicture(hdc, n, pic); });
  return hList;
}

HIMAGELIST MakeCheckBoxList(int n) {
  if (n <= 0) return nullptr;
  HIMAGELIST hList = ImageList_Create(n, n, ILC_COLOR24 | ILC_MASK, 2, 0);
  if (!hList) return nullptr;
  const int b = n * 13 / 16, o = (n - b) / 2;
  for (UINT state : {0u, static_cast<UINT>(DFCS_CHECKED)})
    AddDrawn(hList, n, [&](HDC hdc) {
      RECT rc = {o, o, o + b, o + b};
      DrawFrameControl(hdc, &rc, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | state);
    });
  return hList;
}

HBITMAP MakeLogoBitmap(int cx, int cy, const char* szLine) {
  if (cx <= 0 || cy <= 0) return nullptr;
  HDC hScreen = GetDC(nullptr);
  HDC hdc = CreateCompatibleDC(hScreen);
  HBITMAP hBmp = CreateCompatibleBitmap(hScreen, cx, cy);
  ReleaseDC(nullptr, hScreen);
  if (!hBmp) {
    DeleteDC(hdc);
    return nullptr;
  }
  HGDIOBJ hOld = SelectObject(hdc, hBmp);
  RECT rc = {0, 0, cx, cy};
  FillRect(hdc, &rc, PanelBrush());
  // Everything in proportion to the height, as designed for 62 pixels.
  auto at = [&](double v) { return Round(cy * v / 62); };
  const int s = at(45), x = at(6), y = (cy - s) / 2;
  DrawMark(hdc, x, y, s);
  const bool bHc = HighContrast();
  const int xText = x + s + at(11);
  DrawFitted(hdc, "Tandelix", xText, y + at(27), cx - 1, at(30), true,
             bHc ? PanelTextColour() : kTitle);
  if (szLine && *szLine)
    DrawFitted(hdc, szLine, xText + at(1), y + at(43), cx - 1, at(12), false,
               bHc ? PanelTextColour() : kLine);
  SelectObject(hdc, hOld);
  DeleteDC(hdc);
  return hBmp;
}

HICON MakeMarkIcon(int n) {
  if (n <= 0) return nullptr;
  HIMAGELIST hList = ImageList_Create(n, n, ILC_COLOR24 | ILC_MASK, 1, 0);
  if (!hList) return nullptr;
  AddDrawn(hList, n, [&](HDC hdc) { DrawMark(hdc, 0, 0, n); });
  HICON hIcon = ImageList_GetIcon(hList, 0, ILD_NORMAL);
  ImageList_Destroy(hList);
  return hIcon;
}

void SetStaticBitmap(HWND hStatic, HBITMAP hBitmap) {
  auto hOld = reinterpret_cast<HBITMAP>(
      SendMessageA(hStatic, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
  if (hOld && hOld != hBitmap) DeleteObject(hOld);
}

void SetStaticIcon(HWND hStatic, HICON hIcon) {
  SendMessageA(hStatic, STM_SETICON, reinterpret_cast<WPARAM>(hIcon), 0);
}
