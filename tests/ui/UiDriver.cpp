#include "UiDriver.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "palm/PalmApi.h"

namespace ui {

namespace {

constexpr UINT kSendTimeout = 5000;

LRESULT SendTo(HWND h, UINT msg, WPARAM w, LPARAM l) {
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutA(h, msg, w, l, SMTO_ABORTIFHUNG, kSendTimeout, &r)) return 0;
  return static_cast<LRESULT>(r);
}

// A block of memory in another process, for messages that carry pointers.
class RemoteBlock {
 public:
  RemoteBlock(HWND hInProcess, size_t cb) : m_cb(cb) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hInProcess, &pid);
    m_hProc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (m_hProc)
      m_p = VirtualAllocEx(m_hProc, nullptr, cb, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBlock() {
    if (m_p) VirtualFreeEx(m_hProc, m_p, 0, MEM_RELEASE);
    if (m_hProc) CloseHandle(m_hProc);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool ok() const { return m_p != nullptr; }
  char* at(size_t off) const { return static_cast<char*>(m_p) + off; }
  bool Write(size_t off, const void* src, size_t cb) {
    SIZE_T n = 0;
    return off + cb <= m_cb && WriteProcessMemory(m_hProc, at(off), src, cb, &n) && n == cb;
  }
  bool Read(size_t off, void* dst, size_t cb) const {
    SIZE_T n = 0;
    return off + cb <= m_cb && ReadProcessMemory(m_hProc, at(off), dst, cb, &n) && n == cb;
  }
  std::string ReadText(size_t off, size_t cbMax) const {
    std::string s(cbMax, '\0');
    if (!Read(off, s.data(), cbMax)) return {};
    s.resize(std::strlen(s.c_str()));
    return s;
  }

 private:
  HANDLE m_hProc = nullptr;
  void* m_p = nullptr;
  size_t m_cb;
};

constexpr size_t kTextOff = 512, kTextMax = 512;

struct EnumCtx {
  DWORD pid;
  std::string cls, caption;
  std::vector<HWND> found;
};

BOOL CALLBACK EnumTop(HWND h, LPARAM l) {
  auto* c = reinterpret_cast<EnumCtx*>(l);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != c->pid) return TRUE;
  if (!c->cls.empty() && ClassOf(h) != c->cls) return TRUE;
  if (!c->caption.empty() && WindowText(h) != c->caption) return TRUE;
  c->found.push_back(h);
  return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(15);
  }
}

std::string ControlText(HWND h) {
  wchar_t wz[1024] = {};
  SendMessageTimeoutW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(wz), SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  char sz[2048] = {};
  WideCharToMultiByte(CP_ACP, 0, wz, -1, sz, sizeof sz, nullptr, nullptr);
  return sz;
}

std::string WindowText(HWND h) {
  char buf[1024] = {};
  GetWindowTextA(h, buf, sizeof(buf));
  return buf;
}

std::string ClassOf(HWND h) {
  char buf[256] = {};
  GetClassNameA(h, buf, sizeof(buf));
  return buf;
}

bool IsShown(HWND h) { return h && IsWindowVisible(h) && IsWindowEnabled(h); }

std::vector<HWND> TopWindows(DWORD pid, const std::string& cls, const std::string& caption) {
  EnumCtx c{pid, cls, caption, {}};
  EnumWindows(EnumTop, reinterpret_cast<LPARAM>(&c));
  return c.found;
}

HWND WaitTopWindow(DWORD pid, const char* szClass, DWORD timeoutMs) {
  HWND h = nullptr;
  WaitUntil(
      [&] {
        for (HWND w : TopWindows(pid, szClass))
          if (IsWindowVisible(w)) h = w;
        return h != nullptr;
      },
      timeoutMs);
  return h;
}

MessageBoxInfo FindMessageBox(DWORD pid) {
  for (HWND h : TopWindows(pid, "#32770")) {
    HWND hText = GetDlgItem(h, 0xFFFF);
    if (!hText || !IsWindowVisible(h)) continue;
    return {h, WindowText(h), WindowText(hText), GetWindow(h, GW_OWNER)};
  }
  return {};
}

void Answer(const MessageBoxInfo& box, int idButton) {
  PostMessageA(box.hWnd, WM_COMMAND, MAKEWPARAM(idButton, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.hWnd, idButton)));
}

void PostCommand(HWND hWnd, int id) { PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void ClickButton(HWND hDialog, int idButton) {
  PostMessageA(hDialog, WM_COMMAND, MAKEWPARAM(idButton, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(hDialog, idButton)));
}

std::vector<std::string> TabCaptions(HWND hTab) {
  std::vector<std::string> out;
  RemoteBlock mem(hTab, kTextOff + kTextMax);
  if (!mem.ok()) return out;
  const int n = static_cast<int>(SendTo(hTab, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    TCITEMA it = {};
    it.mask = TCIF_TEXT;
    it.pszText = mem.at(kTextOff);
    it.cchTextMax = kTextMax;
    const char zero = 0;
    mem.Write(kTextOff, &zero, 1);
    mem.Write(0, &it, sizeof(it));
    SendTo(hTab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(mem.at(0)));
    out.push_back(mem.ReadText(kTextOff, kTextMax));
  }
  return out;
}

static void TreeWalk(HWND hTree, RemoteBlock& mem, HTREEITEM hItem, int level,
                     std::vector<TreeNode>& out) {
  for (; hItem; hItem = reinterpret_cast<HTREEITEM>(
                    SendTo(hTree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(hItem)))) {
    TVITEMA it = {};
    it.mask = TVIF_TEXT | TVIF_HANDLE;
    it.hItem = hItem;
    it.pszText = mem.at(kTextOff);
    it.cchTextMax = kTextMax;
    mem.Write(0, &it, sizeof(it));
    SendTo(hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(mem.at(0)));
    out.push_back({level, mem.ReadText(kTextOff, kTextMax)});
    auto hChild = reinterpret_cast<HTREEITEM>(
        SendTo(hTree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(hItem)));
    TreeWalk(hTree, mem, hChild, level + 1, out);
  }
}

std::vector<TreeNode> TreeItems(HWND hTree) {
  std::vector<TreeNode> out;
  RemoteBlock mem(hTree, kTextOff + kTextMax);
  if (!mem.ok()) return out;
  TreeWalk(hTree, mem, reinterpret_cast<HTREEITEM>(SendTo(hTree, TVM_GETNEXTITEM, TVGN_ROOT, 0)), 0,
           out);
  return out;
}

std::vector<std::vector<std::string>> ListRows(HWND hList, int nColumns) {
  std::vector<std::vector<std::string>> rows;
  RemoteBlock mem(hList, kTextOff + kTextMax);
  if (!mem.ok()) return rows;
  const int n = static_cast<int>(SendTo(hList, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::vector<std::string> row;
    for (int c = 0; c < nColumns; ++c) {
      LVITEMA it = {};
      it.iSubItem = c;
      it.pszText = mem.at(kTextOff);
      it.cchTextMax = kTextMax;
      mem.Write(0, &it, sizeof(it));
      SendTo(hList, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(mem.at(0)));
      row.push_back(mem.ReadText(kTextOff, kTextMax));
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<int> ListImages(HWND hList) {
  std::vector<int> out;
  RemoteBlock mem(hList, sizeof(LVITEMA));
  if (!mem.ok()) return out;
  const int n = static_cast<int>(SendTo(hList, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    LVITEMA it = {};
    it.mask = LVIF_IMAGE;
    it.iItem = i;
    mem.Write(0, &it, sizeof(it));
    SendTo(hList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(mem.at(0)));
    mem.Read(0, &it, sizeof(it));
    out.push_back(it.iImage);
  }
  return out;
}

int ListSelected(HWND hList) {
  return static_cast<int>(SendTo(hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int ListFind(HWND hList, const std::string& text) {
  const auto rows = ListRows(hList, 1);
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i][0] == text) return static_cast<int>(i);
  return -1;
}

// Wine reads file associations from HKEY_CLASSES_ROOT only (no per-user merge).
static void SetClassKey(const std::string& key, const char* name, const std::string& value) {
  HKEY h;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(h);
}

OpenRecorder::OpenRecorder(const std::string& ext, const std::string& log) : m_ext(ext), m_log(log) {
  DeleteFileA(m_log.c_str());
  const std::string progId = "TandelixTest" + ext;
  SetClassKey(ext, nullptr, progId);
  SetClassKey(progId + "\\shell\\open\\command", nullptr,
              "\"" + DriverDir() + "tdx_uidriver.exe\" --record-open \"" + m_log + "\" \"%1\"");
}

OpenRecorder::~OpenRecorder() {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ("TandelixTest" + m_ext).c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, ("TandelixTest" + m_ext).c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, m_ext.c_str());
  DeleteFileA(m_log.c_str());
}

std::vector<std::string> OpenRecorder::Opened() const {
  std::vector<std::string> out;
  if (FILE* f = std::fopen(m_log.c_str(), "rb")) {
    char line[1024];
    while (std::fgets(line, sizeof line, f)) {
      std::string s = line;
      while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
      out.push_back(s);
    }
    std::fclose(f);
  }
  return out;
}

int RecordOpen(const char* szLog, const char* szPath) {
  FILE* f = std::fopen(szLog, "ab");
  if (!f) return 1;
  std::fprintf(f, "%s\n", szPath);
  return std::fclose(f) == 0 ? 0 : 1;
}

bool ListSetState(HWND hList, int i, UINT state, UINT mask) {
  RemoteBlock mem(hList, sizeof(LVITEMA));
  LVITEMA it = {};
  it.state = state;
  it.stateMask = mask;
  if (!mem.ok() || !mem.Write(0, &it, sizeof(it))) return false;
  return SendTo(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(i),
                reinterpret_cast<LPARAM>(mem.at(0))) != 0;
}

bool ListSelect(HWND hList, int i) {
  return ListSetState(hList, -1, 0, LVIS_SELECTED) &&
         ListSetState(hList, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

bool ListSetChecked(HWND hList, int i, bool bCheck) {
  return ListSetState(hList, i, INDEXTOSTATEIMAGEMASK(bCheck ? 2 : 1), LVIS_STATEIMAGEMASK);
}

bool ListChecked(HWND hList, int i) {
  const LRESULT s = SendTo(hList, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_STATEIMAGEMASK);
  return ((s & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

bool ListDoubleClick(HWND hList, int i) {
  RemoteBlock mem(hList, sizeof(RECT));
  RECT rc = {LVIR_LABEL, 0, 0, 0};
  if (!mem.ok() || !mem.Write(0, &rc, sizeof(rc)) ||
      !SendTo(hList, LVM_GETITEMRECT, static_cast<WPARAM>(i),
              reinterpret_cast<LPARAM>(mem.at(0))) ||
      !mem.Read(0, &rc, sizeof(rc)))
    return false;
  const LPARAM pt = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  return PostMessageA(hList, WM_LBUTTONDBLCLK, MK_LBUTTON, pt) != 0;
}

RECT RectInParent(HWND hCtl) {
  RECT rc = {};
  GetWindowRect(hCtl, &rc);
  MapWindowPoints(nullptr, GetParent(hCtl), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

RECT ListItemRect(HWND hList, int i, int code) {
  RemoteBlock mem(hList, sizeof(RECT));
  RECT rc = {code, 0, 0, 0};
  if (!mem.ok() || !mem.Write(0, &rc, sizeof(rc)) ||
      !SendTo(hList, LVM_GETITEMRECT, static_cast<WPARAM>(i),
              reinterpret_cast<LPARAM>(mem.at(0))) ||
      !mem.Read(0, &rc, sizeof(rc)))
    return RECT{};
  return rc;
}

bool SendDpiChanged(HWND hWnd, int dpi, const RECT& rcSuggested) {
  RemoteBlock mem(hWnd, sizeof(RECT));
  if (!mem.ok() || !mem.Write(0, &rcSuggested, sizeof(RECT))) return false;
  DWORD_PTR r = 0;
  return SendMessageTimeoutA(hWnd, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                             reinterpret_cast<LPARAM>(mem.at(0)), SMTO_ABORTIFHUNG, kSendTimeout,
                             &r) != 0;
}

COLORREF ClientPixel(HWND hWnd, int x, int y) {
  POINT pt = {x, y};
  ClientToScreen(hWnd, &pt);
  HDC hdc = GetDC(nullptr);
  const COLORREF c = GetPixel(hdc, pt.x, pt.y);
  ReleaseDC(nullptr, hdc);
  return c;
}

HWND FocusOf(HWND hAny) {
  GUITHREADINFO gti = {};
  gti.cbSize = sizeof gti;
  return GetGUIThreadInfo(GetWindowThreadProcessId(hAny, nullptr), &gti) ? gti.hwndFocus : nullptr;
}

void PressKey(HWND hTarget, WPARAM vk) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(vk), 0)) << 16;
  PostMessageA(hTarget, WM_KEYDOWN, vk, scan | 1);
  PostMessageA(hTarget, WM_KEYUP, vk, scan | 1 | (1u << 30) | (1u << 31));
}

bool SaveWindowBitmap(HWND hWnd, const std::string& path) {
  RECT rc = {};
  if (!GetWindowRect(hWnd, &rc)) return false;
  const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
  if (cx <= 0 || cy <= 0) return false;
  HDC hScreen = GetDC(nullptr);
  HDC hMem = CreateCompatibleDC(hScreen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = cx;
  bi.bmiHeader.biHeight = cy;  // bottom-up, as BMP files store rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* pBits = nullptr;
  HBITMAP hBmp = CreateDIBSection(hScreen, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
  bool ok = false;
  if (hBmp && pBits) {
    HGDIOBJ hOld = SelectObject(hMem, hBmp);
    BitBlt(hMem, 0, 0, cx, cy, hScreen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    const DWORD cbRow = ((cx * 3) + 3) & ~3u;
    const DWORD cbImage = cbRow * cy;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + cbImage;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
      ok = std::fwrite(&fh, sizeof(fh), 1, f) == 1 &&
           std::fwrite(&bi.bmiHeader, sizeof(bi.bmiHeader), 1, f) == 1 &&
           std::fwrite(pBits, cbImage, 1, f) == 1;
      ok = (std::fclose(f) == 0) && ok;
    }
    SelectObject(hMem, hOld);
  }
  if (hBmp) DeleteObject(hBmp);
  DeleteDC(hMem);
  ReleaseDC(nullptr, hScreen);
  return ok;
}

std::string DriverDir() {
  char buf[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, buf, MAX_PATH);
  std::string s = buf;
  return s.substr(0, s.find_last_of("\\/") + 1);
}

std::string SourcePath(const std::string& rel) {
  std::string s = std::string("Z:") + TDX_SOURCE_DIR + "/" + rel;
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

void ForgetPalmDesktop() { RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT); }

long RunAndWait(const std::string& cmdLine, DWORD timeoutMs) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::string cmd = cmdLine;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  long code = -1;
  if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    DWORD dw = 0;
    GetExitCodeProcess(pi.hProcess, &dw);
    code = static_cast<long>(dw);
  } else {
    TerminateProcess(pi.hProcess, 1);
  }
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return code;
}

// ---------------------------------------------------------------- App

App::App(const std::string& exePath, bool bInPlace) {
  if (bInPlace) {
    char szFull[MAX_PATH] = {};
    GetFullPathNameA(exePath.c_str(), MAX_PATH, szFull, nullptr);
    m_exe = szFull;
    m_dir = m_exe.substr(0, m_exe.find_last_of("\\/") + 1);
    m_bOwnDir = false;
    return;
  }
  static unsigned s_nSeq = 0;
  char szTemp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, szTemp);
  char szDir[MAX_PATH] = {};
  std::snprintf(szDir, sizeof(szDir), "%stdx-ui-%lu-%lu-%u\\", szTemp, GetCurrentProcessId(),
                GetTickCount(), s_nSeq++);
  m_dir = szDir;
  CreateDirectoryA(m_dir.c_str(), nullptr);
  m_exe = m_dir + "Tandelix.exe";
  const std::string from = exePath.empty() ? DriverDir() + "Tandelix.exe" : exePath;
  CopyFileA(from.c_str(), m_exe.c_str(), FALSE);
  // The helper that asks conduit libraries ships beside the program.
  const std::string probe = from.substr(0, from.find_last_of("\\/") + 1) + "tdcprobe.exe";
  CopyFileA(probe.c_str(), (m_dir + "tdcprobe.exe").c_str(), FALSE);
}

App::~App() {
  if (m_pi.hProcess) {
    if (Running()) {
      TerminateProcess(m_pi.hProcess, 1);
      WaitForSingleObject(m_pi.hProcess, 5000);
    }
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
  }
  if (m_bSeeded) ForgetPalmDesktop();
  if (!m_bOwnDir) return;
  std::error_code ec;
  std::filesystem::remove_all(m_dir, ec);
}

bool App::Start() {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  std::string cmd = "\"" + m_exe + "\"";
  m_hMain = nullptr;
  m_nNoUsers = 0;
  if (m_pi.hProcess) {
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
    m_pi = {};
  }
  return CreateProcessA(m_exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        m_dir.c_str(), &si, &m_pi) != 0;
}

HWND App::WaitMain(DWORD timeoutMs) {
  WaitUntil(
      [&] {
        // Without a Palm Desktop the start-up says so once; say OK.
        MessageBoxInfo box = FindMessageBox(Pid());
        if (box.hWnd && box.text == "Can not find any Palm users in your desktop environment.") {
          ++m_nNoUsers;
          Answer(box, IDOK);
          WaitUntil([&] { return !IsWindow(box.hWnd); }, 3000);
        }
        for (HWND h : TopWindows(Pid(), "TfmMain", kMainCaption))
          if (IsWindowVisible(h)) m_hMain = h;
        return m_hMain != nullptr || !Running();
      },
      timeoutMs);
  return m_hMain;
}

bool App::Running() const {
  return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

long App::WaitExit(DWORD timeoutMs) {
  if (!m_pi.hProcess || WaitForSingleObject(m_pi.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(m_pi.hProcess, &code);
  return static_cast<long>(code);
}

bool App::Quit() {
  if (!m_hMain) return false;
  PostMessageA(m_hMain, WM_CLOSE, 0, 0);
  MessageBoxInfo box;
  if (!WaitUntil([&] { return (box = FindMessageBox(Pid())).hWnd != nullptr; }, 5000)) return false;
  Answer(box, IDYES);
  return WaitExit() == 0;
}

bool App::SeedDesktop(const std::string& descFile) {
  m_bSeeded = true;
  std::string bin = DriverDir();
  bin.pop_back();  // no trailing backslash inside the quotes
  const std::string cmd = "\"" + DriverDir() + "tdseed.exe\" --desktop \"" + m_dir +
                          "Palm\" --bin \"" + bin + "\" \"" + descFile + "\"";
  return RunAndWait(cmd) == 0;
}

bool App::StartDemo() {
  return SeedDesktop(SourcePath("palmdesk/demo/demo.seed")) && Start() && WaitMain() != nullptr;
}

HWND App::Page(const char* szClass) const {
  return FindWindowExA(m_hMain, nullptr, szClass, nullptr);
}

// ---------------------------------------------------------------- menus

static void WalkMenu(HMENU hMenu, const std::string& prefix, std::vector<MenuEntry>& out) {
  const int n = GetMenuItemCount(hMenu);
  for (int i = 0; i < n; ++i) {
    char buf[256] = {};
    MENUITEMINFOA mi = {};
    mi.cbSize = sizeof(mi);
    mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    mi.dwTypeData = buf;
    mi.cch = sizeof(buf);
    if (!GetMenuItemInfoA(hMenu, i, TRUE, &mi)) continue;
    const std::string path =
        prefix + ((mi.fType & MFT_SEPARATOR) ? std::string("-") : std::string(buf));
    out.push_back({path, mi.hSubMenu ? 0u : mi.wID});
    if (mi.hSubMenu) WalkMenu(mi.hSubMenu, path + "/", out);
  }
}

std::vector<MenuEntry> ResourceMenu(const std::string& exePath, int idMenu) {
  std::vector<MenuEntry> out;
  HMODULE hMod = LoadLibraryExA(exePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!hMod) return out;
  if (HMENU hMenu = LoadMenuA(hMod, MAKEINTRESOURCEA(idMenu))) {
    WalkMenu(hMenu, "", out);
    DestroyMenu(hMenu);
  }
  FreeLibrary(hMod);
  return out;
}

}  // namespace ui
