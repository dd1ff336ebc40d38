// The browser pane in a window of its own: it takes any address, remembers the
// last one as its text, follows its parent's layout and goes away cleanly,
// whether or not a browser engine is there (under Wine there is none).
#include <gtest/gtest.h>

#include <windows.h>

#include "halvern/LogBrowserHost.h"

TEST(LogBrowserHost, RemembersTheLastAddressWithOrWithoutAnEngine) {
  HINSTANCE hInst = GetModuleHandleA(nullptr);
  HWND hParent = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                 nullptr, nullptr, hInst, nullptr);
  ASSERT_NE(hParent, nullptr);
  {
    LogBrowserHost host;
    HWND h = host.CreateHost(hInst, hParent, 714);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetDlgItem(hParent, 714), h);
    MoveWindow(h, 10, 10, 300, 200, TRUE);

    char sz[MAX_PATH] = {};
    host.Navigate("about:blank");
    GetWindowTextA(h, sz, sizeof sz);
    EXPECT_STREQ(sz, "about:blank");
    host.Navigate("C:\\Program Files\\Tandelix\\result.html");
    GetWindowTextA(h, sz, sizeof sz);
    EXPECT_STREQ(sz, "C:\\Program Files\\Tandelix\\result.html");
    host.Navigate(nullptr);  // ignored
    GetWindowTextA(h, sz, sizeof sz);
    EXPECT_STREQ(sz, "C:\\Program Files\\Tandelix\\result.html");

    // Messages the page would see meanwhile do not trip over a missing engine.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    RecordProperty("engine", host.HasBrowser() ? "yes" : "no");
  }
  DestroyWindow(hParent);
}
