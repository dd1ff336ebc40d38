// The HotSync log reader: turns a Palm user's two HotSync log files into an
// ordered list of HotSync operations with their items. Text processing only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "logs/LogStore.h"
#include "misc/CxList.h"
#include "misc/DateTime.h"

// Item kinds.
enum : int32_t {
  HV_ITEM_APP = 1,      // synchronised application
  HV_ITEM_BACKUP = 2,   // backed-up database
  HV_ITEM_INSTALL = 3,  // installed file
  HV_ITEM_ARCHIVE = 4,  // database moved to the archive folder
};

// Longest texts the fields hold, terminator not counted. Names and texts count
// the characters as logged; messages and comments count their page bytes, the
// escapes included, and are never cut inside an escape (the join that follows
// a line may be cut).
constexpr size_t HV_NAME_MAX = 39;
constexpr size_t HV_TEXT_MAX = 255;
constexpr size_t HV_MESSAGES_MAX = 1023;
constexpr size_t HV_COMMENTS_MAX = 1023;
// A physical line longer than this is delivered in pieces.
constexpr size_t HV_LINE_MAX = 1022;
// Longest composed path, terminator counted.
constexpr size_t HV_PATH_SIZE = 260;

extern const char HV_ARCHIVE_TEXT2[];  // "Moved to the Archive folder."

// One item reported inside a HotSync operation. Its texts live in the reader's
// store; an absent text reads as "".
struct SyncItem {
  int32_t nKind;
  int32_t nOk;  // kind 1: 0 once a failure was reported; 1 for the other kinds
  const char* pszA;  // kind 1: name; other kinds: text1
  const char* pszB;  // kind 1: messages; other kinds: text2
  // Kind 1: the line that first reported a failure for it, or without one its
  // first message line (blanks before it dropped); null when there is neither.
  const char* pszNote;

  // Name, text1 and text2 are text as the log gives it; the pages escape them.
  // Messages are page markup already: each line escaped, then joined.

  const char* Name() const { return nKind == HV_ITEM_APP && pszA ? pszA : ""; }
  const char* Text1() const { return nKind != HV_ITEM_APP && pszA ? pszA : ""; }
  const char* Text2() const { return nKind != HV_ITEM_APP && pszB ? pszB : ""; }
  const char* Messages() const { return nKind == HV_ITEM_APP && pszB ? pszB : ""; }
  const char* Note() const { return nKind == HV_ITEM_APP && pszNote ? pszNote : ""; }
};

// One HotSync operation. Created and destroyed by CLogReader only.
struct SyncOperation {
  TdxDateTime stStart{};
  TdxDateTime stEnd{};
  CxListOf<SyncItem> lItems;  // the items live in the reader's store
  int32_t nFailures = 0;
  // Page markup: each comment line escaped, then followed by "<br><br>".
  std::string strComments;
  bool bListed = false;
  // Listed without a completion line (only when the reader keeps such ones);
  // the application whose messages were being read when its log stopped.
  bool bUnfinished = false;
  const SyncItem* pCutItem = nullptr;

  SyncOperation() = default;
  ~SyncOperation() { lItems.Detach(); }
  SyncOperation(const SyncOperation&) = delete;
  SyncOperation& operator=(const SyncOperation&) = delete;
  const char* Comments() const { return strComments.c_str(); }
};

// Reads the date text of a start or completion line into st. Fields the text
// does not reach are left as they are.
void HVReadLogDate(const char* pszDate, TdxDateTime& st);

class CLogReader {
 public:
  enum State { Idle, Messages, Comments };

  CLogReader() = default;
  ~CLogReader() { Clear(); }
  CLogReader(const CLogReader&) = delete;
  CLogReader& operator=(const CLogReader&) = delete;

  // Clear, then the HTML log and the plain log of the user, in that order.
  void LoadUserLogs(const char* pszDesktopDir, const char* pszUserDir);
  void Clear();
  // Appends the completed operations of one log file; a file that cannot be
  // opened adds nothing. In an HTML log (bHtml) the character references of
  // each line are read as the characters they stand for, once its markup is
  // gone; a plain log's text is taken as it is.
  void ReadFile(const char* pszPath, bool bHtml = false);
  // The same for log bytes held in memory.
  void ReadBuffer(const void* pData, size_t nSize, bool bHtml = false);
  // One line as read, its line end included, of the file begun last.
  void ParseLine(const char* pszLine);

  SyncOperation* GetFirst() { return m_ops.GetFirst(); }
  SyncOperation* GetNext() { return m_ops.GetNext(); }
  uint32_t GetCount() const { return m_ops.GetCount(); }
  CxListOf<SyncOperation>& Operations() { return m_ops; }

  // An operation whose file ends, or whose next start line comes, before its
  // completion line is dropped; kept, it is listed there with bUnfinished.
  void KeepUnfinished(bool bKeep) { m_bKeepUnfinished = bKeep; }

  State GetState() const { return m_state; }
  // Bytes held for items and texts (for measurements).
  size_t GetStoreReserved() const { return m_store.GetReserved() + m_texts.GetReserved(); }

  // Starts a file: Idle, no current operation or item.
  void BeginFile(bool bHtml = false);
  // Ends a file: an operation that was never completed is dropped.
  void EndFile();

 private:
  class CLineSplitter;

  // The line in s (nLen bytes, terminated) may be changed in place.
  void ProcessLine(char* s, size_t nLen);
  void StartLine(const char* s);
  void CompletionLine(const char* s);
  void InstalledLine(const char* s, size_t n);
  void BackupLine(const char* s, size_t n);
  void ArchiveLine(char* s, size_t n);
  void OtherLine(const char* s, size_t n);
  SyncItem* NewItem(int32_t nKind);
  void AppendMessages(const char* s, size_t n);
  void AppendMessageText(const char* s, size_t n);
  void AppendComment(const char* s, size_t n);
  void DropCurrent();

  CxListOf<SyncOperation> m_ops;
  CHVStore m_store;      // items and messages, given back with their operation
  CHVTextPool m_texts;   // names, files and paths, kept once each
  CHVStore::Mark m_opMark{};
  SyncOperation* m_pOp = nullptr;
  SyncItem* m_pItem = nullptr;
  char* m_pMessages = nullptr;  // the current item's messages
  size_t m_nMessagesLen = 0;
  State m_state = Idle;
  bool m_bHtml = false;   // the file being read is an HTML log
  bool m_bKeepUnfinished = false;
  std::string m_scratch;  // copy of a line handed to ParseLine
  std::string m_escaped;  // a message or comment line made page text
};
