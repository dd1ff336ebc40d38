// What a screen reader hears, read through the system's accessibility
// interface from another process as a screen reader reads it: the name of
// every list view, tree view, edit field and drop-down (its label's caption),
// the conduit lists' pictures as words, the check boxes as states.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <string>

#include "UiDriver.h"
#include "res/resource.h"

using namespace ui;

namespace {

struct Com {
  Com() { CoInitialize(nullptr); }
  ~Com() { CoUninitialize(); }
};

std::string Narrow(BSTR b) {
  if (!b) return {};
  char sz[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, b, -1, sz, sizeof sz, nullptr, nullptr);
  return sz;
}

// The control's accessible object, as a screen reader gets it.
IAccessible* Object(HWND h) {
  void* pv = nullptr;
  if (FAILED(AccessibleObjectFromWindow(h, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                        &pv)))
    return nullptr;
  return static_cast<IAccessible*>(pv);
}

std::string NameOf(IAccessible* p, long child = CHILDID_SELF) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = child;
  BSTR b = nullptr;
  if (!p || p->get_accName(v, &b) != S_OK) return "<no name>";
  std::string s = Narrow(b);
  SysFreeString(b);
  return s;
}

long StateOf(IAccessible* p, long child) {
  VARIANT v, s;
  v.vt = VT_I4;
  v.lVal = child;
  VariantInit(&s);
  if (!p || FAILED(p->get_accState(v, &s)) || s.vt != VT_I4) return -1;
  return s.lVal;
}

std::string NameOf(HWND h) {
  IAccessible* p = Object(h);
  const std::string s = NameOf(p);
  if (p) p->Release();
  return s;
}

class AccessUi : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(app.StartDemo()); }
  HWND Open(const char* szClass, const std::function<void()>& open) {
    open();
    return WaitTopWindow(app.Pid(), szClass);
  }
  void Close(HWND h) {
    ClickButton(h, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(h); }, 3000));
  }

  Com com;
  App app;
};

}  // namespace

TEST_F(AccessUi, ListsTreesEditsAndDropDownsAreNamedAfterTheirLabels) {
  struct Want {
    const char* szPage;
    int id;
    const char* szName;
  };
  const Want pages[] = {
      {"TtOrvello", IDC_LVOVAPP, "Application Conduits"},
      {"TtOrvello", IDC_LVOVSYS, "System Conduits"},
      {"TtTremwick", IDC_LVTWUSER, "Select User"},
      {"TtTremwick", IDC_LVTWCOND, "Conduit Information"},
      {"TtHalvern", IDC_CBHVUSER, "Select User"},
      {"TtHalvern", IDC_TVLOG, "HotSync Log"},
  };
  for (const Want& w : pages)
    EXPECT_EQ(NameOf(GetDlgItem(app.Page(w.szPage), w.id)), w.szName) << w.szPage << " " << w.id;

  HWND hOrvello = app.Page("TtOrvello");
  struct InDialog {
    int id;
    const char* szName;
  };
  HWND hDlg = Open("TfmOVBackup", [&] { ClickButton(hOrvello, IDC_BTNOVBACKUP); });
  ASSERT_NE(hDlg, nullptr);
  for (const InDialog& w :
       {InDialog{IDC_EDTNEWFILE, "File Name"}, InDialog{IDC_EDTDESC, "Description"},
        InDialog{IDC_LVFILE, "Backup to Existed File"}})
    EXPECT_EQ(NameOf(GetDlgItem(hDlg, w.id)), w.szName) << "backup " << w.id;
  Close(hDlg);

  hDlg = Open("TfmOVRestore", [&] { ClickButton(hOrvello, IDC_BTNOVREST); });
  ASSERT_NE(hDlg, nullptr);
  EXPECT_EQ(NameOf(GetDlgItem(hDlg, IDC_LVFILE)), "Backup sets");
  Close(hDlg);

  hDlg = Open("TfmOVCheck", [&] { PostCommand(app.Main(), IDM_TOOL_CHECK); });
  ASSERT_NE(hDlg, nullptr);
  EXPECT_EQ(NameOf(GetDlgItem(hDlg, IDC_LVCHKFINDINGS)),
            "What would make the next HotSync fail. Check the findings to repair");
  EXPECT_EQ(NameOf(GetDlgItem(hDlg, IDC_EDTCHKSUMMARY)), "Summary");
  Close(hDlg);

  ListSelect(GetDlgItem(hOrvello, IDC_LVOVAPP), 0);
  hDlg = Open("TfmOVCondProp", [&] { ClickButton(hOrvello, IDC_BTNOVAPPPROP); });
  ASSERT_NE(hDlg, nullptr);
  for (const InDialog& w :
       {InDialog{IDC_EDTCREATORID, "Creator ID"}, InDialog{IDC_EDTDIRECTORY, "Data Directory"},
        InDialog{IDC_EDTFILE, "Data File Name"}, InDialog{IDC_EDTPRIORITY, "Priority"},
        InDialog{IDC_EDTPALMDB, "Palm Database"}, InDialog{IDC_EDTFILENAME, "File Name"},
        InDialog{IDC_EDTVERSION, "Version"}})
    EXPECT_EQ(NameOf(GetDlgItem(hDlg, w.id)), w.szName) << "properties " << w.id;
  Close(hDlg);
  EXPECT_TRUE(app.Quit());
}

TEST_F(AccessUi, ConduitPicturesAreReadAsWordsAndCheckBoxesAsStates) {
  // The demo desktop: installed conduits, one whose library is missing, one
  // uninstalled that can be restored (made here, as a user would).
  HWND hOrvello = app.Page("TtOrvello");
  HWND hApp = GetDlgItem(hOrvello, IDC_LVOVAPP);
  const int nClip = ListFind(hApp, "Web Clippings");
  ASSERT_GE(nClip, 0);
  ListSelect(hApp, nClip);
  ClickButton(hOrvello, IDC_BTNOVUNINST);
  MessageBoxInfo box;
  for (int answer : {IDYES, IDOK}) {
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(app.Pid())).hWnd != nullptr; }));
    Answer(box, answer);
    WaitUntil([&] { return !IsWindow(box.hWnd); }, 3000);
  }
  ASSERT_TRUE(WaitUntil([&] { return ListImages(hApp)[nClip] == 1; }, 3000));

  IAccessible* p = Object(hApp);
  ASSERT_NE(p, nullptr);
  const auto rows = ListRows(hApp, 1);
  const auto images = ListImages(hApp);
  const char* words[] = {"installed", "uninstalled, can be restored", "missing or faulty"};
  bool seen[3] = {};
  for (size_t i = 0; i < rows.size(); ++i) {
    ASSERT_TRUE(images[i] >= 0 && images[i] < 3) << rows[i][0];
    seen[images[i]] = true;
    EXPECT_EQ(NameOf(p, static_cast<long>(i + 1)), rows[i][0] + ", " + words[images[i]]);
  }
  p->Release();
  EXPECT_TRUE(seen[0] && seen[1] && seen[2]) << "every picture among the rows";

  // Tremwick's conduit list: a check box is a state, switched with the row.
  PostCommand(app.Main(), IDM_FILE_TREMWICK);
  HWND hConds = GetDlgItem(app.Page("TtTremwick"), IDC_LVTWCOND);
  ASSERT_TRUE(WaitUntil([&] { return !ListRows(hConds, 1).empty(); }));
  ASSERT_TRUE(ListSetChecked(hConds, 1, false));
  p = Object(hConds);
  ASSERT_NE(p, nullptr);
  EXPECT_NE(StateOf(p, 1) & STATE_SYSTEM_CHECKED, 0) << "first row checked";
  EXPECT_EQ(StateOf(p, 2) & STATE_SYSTEM_CHECKED, 0) << "second row switched off";
  EXPECT_EQ(NameOf(p, 2), ListRows(hConds, 1)[1][0]);
  p->Release();
  EXPECT_TRUE(app.Quit());
}
