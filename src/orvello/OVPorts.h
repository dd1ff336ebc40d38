// What the conduit tool shows and asks, as small interfaces: the two conduit
// lists, the buttons and cursor of the tab, the open-file dialog, the
// properties dialog and the clock. The tab supplies the real controls; the
// console tool and the tests supply the in-memory ones below.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "misc/DateTime.h"
#include "palm/CondData.h"

// imgOV pictures.
enum : int { OV_IMG_INSTALLED = 0, OV_IMG_RESTORABLE = 1, OV_IMG_INVALID = 2 };

// lvOVApp or lvOVSys: rows of a caption, two sub-items (creator ID, file) and
// an image, each carrying the record it shows (or none).
class IOVList {
 public:
  virtual ~IOVList() = default;
  virtual void SuspendRedraw(bool bSuspend) = 0;
  virtual void Clear() = 0;
  // Appends a row and returns its index.
  virtual int Add(const char* szCaption, int nImage, const char* szCreator, const char* szFile,
                  CondData* pData) = 0;
  virtual int Count() = 0;
  virtual CondData* Data(int nRow) = 0;
  // A row's text: column 0 the caption, 1 the creator ID, 2 the file.
  virtual std::string Text(int nRow, int nColumn) = 0;
  virtual void SetData(int nRow, CondData* pData) = 0;
  virtual void SetImage(int nRow, int nImage) = 0;
  virtual void Delete(int nRow) = 0;
  // The selected row, or -1.
  virtual int Selected() = 0;
  // Selecting by program raises no change event: the tool updates itself.
  virtual void Select(int nRow) = 0;
};

enum class OVButton { Uninstall, Restore, AppProperties, SysProperties };

class IOVView {
 public:
  virtual ~IOVView() = default;
  virtual void EnableButton(OVButton b, bool bEnable) = 0;
  virtual void SetWaitCursor(bool bWait) = 0;
};

// The standard open-file dialog for a conduit library.
class IOVFilePicker {
 public:
  virtual ~IOVFilePicker() = default;
  // False when the user cancels.
  virtual bool PickConduitFile(std::string& strPath) = 0;
};

// Shows the properties dialog modally for a record (Part of the conduit tab's
// commands); whatever it applies is in the record and the Conduit Manager
// when it returns.
class IOVPropDialog {
 public:
  virtual ~IOVPropDialog() = default;
  virtual void ShowProperties(CondData* pData, bool bSystemMode) = 0;
};

// The two backup-set dialogs: each gives the chosen set's file name when it
// closes with OK.
class IOVSetDialogs {
 public:
  virtual ~IOVSetDialogs() = default;
  virtual bool ChooseBackupSet(std::string& strFile) = 0;
  virtual bool ChooseRestoreSet(std::string& strFile) = 0;
};

class IOVClock {
 public:
  virtual ~IOVClock() = default;
  // Seconds since 1970, UTC, as the system clock gives them.
  virtual int32_t Now() = 0;
  virtual TdxDateTime ToLocal(int32_t nTime) = 0;
};

// An in-memory list: the console tool's lists and the tests' fakes.
class OVRowList : public IOVList {
 public:
  struct Row {
    std::string strCaption;
    int nImage;
    std::string strCreator, strFile;
    CondData* pData;
  };
  std::vector<Row> rows;
  int nSelected = -1;

  void SuspendRedraw(bool) override {}
  void Clear() override {
    rows.clear();
    nSelected = -1;
  }
  int Add(const char* szCaption, int nImage, const char* szCreator, const char* szFile,
          CondData* pData) override {
    rows.push_back({szCaption ? szCaption : "", nImage, szCreator ? szCreator : "",
                    szFile ? szFile : "", pData});
    return static_cast<int>(rows.size()) - 1;
  }
  int Count() override { return static_cast<int>(rows.size()); }
  CondData* Data(int i) override { return Valid(i) ? rows[i].pData : nullptr; }
  std::string Text(int i, int nColumn) override {
    if (!Valid(i)) return {};
    return nColumn == 0 ? rows[i].strCaption : nColumn == 1 ? rows[i].strCreator : rows[i].strFile;
  }
  void SetData(int i, CondData* p) override {
    if (Valid(i)) rows[i].pData = p;
  }
  void SetImage(int i, int nImage) override {
    if (Valid(i)) rows[i].nImage = nImage;
  }
  void Delete(int i) override {
    if (!Valid(i)) return;
    rows.erase(rows.begin() + i);
    if (nSelected == i) nSelected = -1;
    else if (nSelected > i) --nSelected;
  }
  int Selected() override { return nSelected; }
  void Select(int i) override { nSelected = Valid(i) ? i : -1; }

 private:
  bool Valid(int i) const { return i >= 0 && i < static_cast<int>(rows.size()); }
};
