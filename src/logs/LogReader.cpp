#include "logs/LogReader.h"

#include <cstring>
#include <new>

#include "logs/LogFile.h"
#include "misc/Diag.h"
#include "misc/HtmlText.h"

const char HV_ARCHIVE_TEXT2[] = "Moved to the Archive folder.";

namespace {

// Markers, exact to the blank.
constexpr char kHeading[] = "HotSync Log for";
constexpr char kStart[] = "HotSync operation started ";
constexpr char kComplete[] = "HotSync operation complete";
constexpr char kInstalled[] = "   - Installed file: ";
constexpr char kBackup[] = "   -- Backing up";
constexpr char kBackupDb[] = "   -- Backing up db";
constexpr char kArchive[] = "   -- The database for ";
constexpr char kDeleted[] =
    " was deleted on the handheld. Moving the backup to the Archive folder.";
constexpr size_t kDateAt = 26;  // start and completion lines
constexpr size_t kReadChunk = 256 * 1024;

template <size_t N>
constexpr size_t Len(const char (&)[N]) {
  return N - 1;
}

// memchr. The C runtime the Windows build uses looks at one byte at a time;
// a word at a time is several times faster there.
inline const char* FindByte(const char* p, char c, size_t n) {
#ifdef _WIN32
  const char* const end = p + n;
  while (p < end && (reinterpret_cast<uintptr_t>(p) & (sizeof(uintptr_t) - 1))) {
    if (*p == c) return p;
    ++p;
  }
  constexpr uintptr_t ones = ~uintptr_t{0} / 255;
  constexpr uintptr_t highs = ones * 0x80;
  const uintptr_t pat = ones * static_cast<unsigned char>(c);
  while (static_cast<size_t>(end - p) >= sizeof(uintptr_t)) {
    uintptr_t w;
    std::memcpy(&w, p, sizeof w);
    w ^= pat;
    if ((w - ones) & ~w & highs) break;
    p += sizeof w;
  }
  for (; p < end; ++p)
    if (*p == c) return p;
  return nullptr;
#else
  return static_cast<const char*>(std::memchr(p, c, n));
#endif
}

inline char* FindByte(char* p, char c, size_t n) {
  return const_cast<char*>(FindByte(static_cast<const char*>(p), c, n));
}

// First occurrence of pat (m bytes) in s (n bytes), found through the rarer
// byte pat[k]; null when absent.
const char* Find(const char* s, size_t n, const char* pat, size_t m, size_t k) {
  if (m > n) return nullptr;
  const char* p = s + k;
  const char* last = s + (n - m) + k;  // last place pat[k] can stand
  while (p <= last) {
    p = FindByte(p, pat[k], static_cast<size_t>(last - p) + 1);
    if (!p) return nullptr;
    if (std::memcmp(p - k, pat, m) == 0) return p - k;
    ++p;
  }
  return nullptr;
}

// Markers beginning with three blanks are found through their hyphen.
template <size_t N>
const char* FindMarker(const char* s, size_t n, const char (&pat)[N]) {
  return Find(s, n, pat, N - 1, pat[0] == ' ' && N - 1 > 3 && pat[3] == '-' ? 3 : 0);
}

bool IsWhite(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive search for a lower-case word.
bool ContainsNoCase(const char* s, size_t n, const char* word, size_t m) {
  if (m > n) return false;
  for (size_t i = 0; i + m <= n; ++i) {
    if (Lower(s[i]) != word[0]) continue;
    size_t j = 1;
    while (j < m && Lower(s[i + j]) == word[j]) ++j;
    if (j == m) return true;
  }
  return false;
}

// Markup removal in place: "<...>" spans go, a stray ">" goes, and a "<" with no
// ">" after it ends the line. Returns the new length.
size_t StripMarkup(char* s, size_t n) {
  const char* lt = FindByte(s, '<', n);
  const char* gt = FindByte(s, '>', lt ? static_cast<size_t>(lt - s) : n);
  if (!lt && !gt) return n;
  size_t i = static_cast<size_t>((gt ? gt : lt) - s);
  size_t w = i;
  while (i < n) {
    const char c = s[i];
    if (c == '>') {
      ++i;
    } else if (c == '<') {
      const char* close = FindByte(s + i + 1, '>', n - i - 1);
      if (!close) break;
      i = static_cast<size_t>(close - s) + 1;
    } else {
      s[w++] = c;
      ++i;
    }
  }
  s[w] = '\0';
  return w;
}

// The character a reference at p stands for (p[0] is "&", n bytes from p on)
// and the reference's length; 0 for a reference this reader does not read:
// the named ones an HTML writer escapes with, &nbsp; and numeric ones of one
// byte.
unsigned Reference(const char* p, size_t n, size_t& nLen) {
  static const struct {
    const char* sz;
    size_t n;
    unsigned char c;
  } kNamed[] = {{"&amp;", 5, '&'},  {"&lt;", 4, '<'},    {"&gt;", 4, '>'},
                {"&quot;", 6, '"'}, {"&apos;", 6, '\''}, {"&nbsp;", 6, 0xA0}};
  for (const auto& e : kNamed) {
    if (e.n <= n && std::memcmp(p, e.sz, e.n) == 0) {
      nLen = e.n;
      return e.c;
    }
  }
  if (n < 4 || p[1] != '#') return 0;
  const bool hex = p[2] == 'x' || p[2] == 'X';
  size_t i = hex ? 3 : 2;
  unsigned v = 0;
  size_t digits = 0;
  for (; i < n && digits < 8; ++i, ++digits) {
    const char c = p[i];
    unsigned d;
    if (c >= '0' && c <= '9') {
      d = static_cast<unsigned>(c - '0');
    } else if (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
      d = static_cast<unsigned>((c | 0x20) - 'a' + 10);
    } else {
      break;
    }
    v = v * (hex ? 16 : 10) + d;
    if (v > 255) return 0;
  }
  if (digits == 0 || v == 0 || i >= n || p[i] != ';') return 0;
  nLen = i + 1;
  return v;
}

// Character references read in place. Returns the new length.
size_t DecodeReferences(char* s, size_t n) {
  const char* amp = FindByte(s, '&', n);
  if (!amp) return n;
  size_t i = static_cast<size_t>(amp - s);
  size_t w = i;
  while (i < n) {
    size_t len = 0;
    const unsigned c = s[i] == '&' ? Reference(s + i, n - i, len) : 0;
    if (c) {
      s[w++] = static_cast<char>(c);
      i += len;
    } else {
      s[w++] = s[i++];
    }
  }
  s[w] = '\0';
  return w;
}

bool NeedsEscape(const char* s, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (s[i] == '&' || s[i] == '<' || s[i] == '>' || s[i] == '"') return true;
  return false;
}

// How much of an escaped text fits in nRoom bytes without cutting an escape.
size_t FitEscaped(const std::string& esc, size_t nRoom) {
  if (esc.size() <= nRoom) return esc.size();
  if (nRoom == 0) return 0;
  // Escaped text holds "&" only where an escape begins, and its ";" ends it.
  const size_t amp = esc.rfind('&', nRoom - 1);
  return amp != std::string::npos && esc.find(';', amp) >= nRoom ? amp : nRoom;
}

// Date text reading: numbers with an optional sign, literals that must match.
class CDateScan {
 public:
  explicit CDateScan(const char* p) : m_p(p) {}
  bool Number(int nMaxDigits, int& v) {
    const char* p = m_p;
    while (IsWhite(*p)) ++p;
    bool neg = false;
    if (*p == '+' || *p == '-') neg = *p++ == '-';
    int digits = 0;
    long val = 0;
    while (digits < nMaxDigits && *p >= '0' && *p <= '9') {
      val = val * 10 + (*p++ - '0');
      ++digits;
    }
    if (digits == 0) return false;
    v = static_cast<int>(neg ? -val : val);
    m_p = p;
    return true;
  }
  bool Literal(char c) {
    if (*m_p != c) return false;
    ++m_p;
    return true;
  }
  void Blanks() {
    while (IsWhite(*m_p)) ++m_p;
  }

 private:
  const char* m_p;
};

size_t Cut(size_t n, size_t nMax) { return n < nMax ? n : nMax; }

// The markers in the order they are tried; the first one the line holds, at
// any place, decides.
enum LineKind {
  kLineHeading,
  kLineStart,
  kLineComplete,
  kLineInstalled,
  kLineBackup,
  kLineArchive,
  kLineOther
};

template <size_t N>
bool At(const char* s, size_t n, size_t i, const char (&pat)[N]) {
  return i + (N - 1) <= n && std::memcmp(s + i, pat, N - 1) == 0;
}

LineKind Classify(const char* s, size_t n) {
  // Three markers begin with "HotSync ", three with three blanks and a hyphen:
  // one pass over each kind of anchor finds every marker the line holds.
  unsigned found = 0;
  for (const char* p = s; (p = FindByte(p, 'H', static_cast<size_t>(s + n - p))); ++p) {
    const size_t i = static_cast<size_t>(p - s);
    if (!At(s, n, i, "HotSync ")) continue;
    if (At(s, n, i, kHeading)) return kLineHeading;
    if (At(s, n, i, kStart)) found |= 1u << kLineStart;
    if (At(s, n, i, kComplete)) found |= 1u << kLineComplete;
  }
  if (found & (1u << kLineStart)) return kLineStart;
  if (found) return kLineComplete;
  for (const char* p = s + 3; p < s + n && (p = FindByte(p, '-', static_cast<size_t>(s + n - p))); ++p) {
    const size_t i = static_cast<size_t>(p - s) - 3;
    if (s[i] != ' ' || s[i + 1] != ' ' || s[i + 2] != ' ') continue;
    if (At(s, n, i, kInstalled)) return kLineInstalled;
    if (At(s, n, i, kBackup)) found |= 1u << kLineBackup;
    if (At(s, n, i, kArchive)) found |= 1u << kLineArchive;
  }
  if (found & (1u << kLineBackup)) return kLineBackup;
  if (found) return kLineArchive;
  return kLineOther;
}

uint16_t CenturyYear(int v) {
  const unsigned u = static_cast<unsigned>(v);
  if (u <= 59) return static_cast<uint16_t>(u + 2000);
  if (u <= 99) return static_cast<uint16_t>(u + 1900);
  return static_cast<uint16_t>(u);
}

}  // namespace

void HVReadLogDate(const char* d, TdxDateTime& st) {
  const size_t n = std::strlen(d);
  int nYearDigits;
  if (n > 2 && (d[2] == '-' || d[2] == '/')) {
    nYearDigits = 2;
  } else if (n > 4 && (d[4] == '-' || d[4] == '/')) {
    nYearDigits = 4;
  } else {
    return;
  }
  const bool hyphen = std::strchr(d, '-') != nullptr;
  const char sep = hyphen ? '-' : '/';
  // Order of the three date fields: year first, except in the two-digit slash form.
  const bool monthFirst = nYearDigits == 2 && !hyphen;
  uint16_t* date[3];
  int width[3] = {2, 2, 2};
  if (monthFirst) {
    date[0] = &st.wMonth;
    date[1] = &st.wDay;
    date[2] = &st.wYear;
  } else {
    date[0] = &st.wYear;
    date[1] = &st.wMonth;
    date[2] = &st.wDay;
    width[0] = nYearDigits;
  }
  CDateScan scan(d);
  for (int i = 0; i < 3; ++i) {
    if (i > 0 && !scan.Literal(sep)) return;
    int v;
    if (!scan.Number(width[i], v)) return;
    *date[i] = date[i] == &st.wYear ? CenturyYear(v) : static_cast<uint16_t>(v);
  }
  scan.Blanks();
  uint16_t* time[3] = {&st.wHour, &st.wMinute, &st.wSecond};
  for (int i = 0; i < 3; ++i) {
    if (i > 0 && !scan.Literal(':')) return;
    int v;
    if (!scan.Number(2, v)) return;
    *time[i] = static_cast<uint16_t>(v);
  }
}

// Cuts a physical line into the lines the reader sees: CR bytes dropped, a
// Ctrl-Z ends the input, at most HV_LINE_MAX characters per line. A line that
// needs none of this is handed over where it lies in the read buffer.
class CLogReader::CLineSplitter {
 public:
  explicit CLineSplitter(CLogReader& r) : m_reader(r) {}
  // p[n] must be writable: it may carry a terminator for a moment. False once a
  // Ctrl-Z was met: nothing more is read.
  bool Feed(char* p, size_t n) {
    if (m_bStopped) return false;
    char* const end = p + n;
    while (p < end) {
      if (m_nLen == 0) {
        char* lf = FindByte(p, '\n', static_cast<size_t>(end - p));
        if (lf) {
          const size_t len = static_cast<size_t>(lf - p);
          char* cr = FindByte(p, '\r', len);
          if ((!cr || cr == lf - 1) && len - (cr ? 1 : 0) < HV_LINE_MAX &&
              !FindByte(p, 26, len)) {
            if (cr) {
              *cr = '\n';
              *lf = '\0';
              m_reader.ProcessLine(p, len);
            } else {
              const char save = lf[1];
              lf[1] = '\0';
              m_reader.ProcessLine(p, len + 1);
              lf[1] = save;
            }
            p = lf + 1;
            continue;
          }
        }
      }
      // One character at a time up to the end of this line or piece.
      while (p < end) {
        const char c = *p++;
        if (c == '\r') continue;
        if (c == 26) {
          Flush();
          m_bStopped = true;
          return false;
        }
        m_line[m_nLen++] = c;
        if (c == '\n' || m_nLen == HV_LINE_MAX) {
          Flush();
          break;
        }
      }
    }
    return true;
  }
  void Flush() {
    if (m_nLen == 0) return;
    m_line[m_nLen] = '\0';
    const size_t n = m_nLen;
    m_nLen = 0;
    m_reader.ProcessLine(m_line, n);
  }

 private:
  CLogReader& m_reader;
  char m_line[HV_LINE_MAX + 1];
  size_t m_nLen = 0;
  bool m_bStopped = false;
};

void CLogReader::LoadUserLogs(const char* pszDesktopDir, const char* pszUserDir) {
  Clear();
  char szPath[HV_PATH_SIZE];
  if (HVFormLogPath(szPath, HV_HTML_LOG_FORMAT, pszDesktopDir, pszUserDir)) ReadFile(szPath, true);
  if (HVFormLogPath(szPath, HV_PLAIN_LOG_FORMAT, pszDesktopDir, pszUserDir)) ReadFile(szPath);
}

void CLogReader::Clear() {
  // Nothing is listed on the way out.
  const bool bKeep = m_bKeepUnfinished;
  m_bKeepUnfinished = false;
  DropCurrent();
  m_bKeepUnfinished = bKeep;
  m_ops.DeleteAll();
  m_store.Reset();
  m_texts.Reset();
  m_opMark = m_store.GetMark();
  m_state = Idle;
}

void CLogReader::DropCurrent() {
  if (m_pOp && !m_pOp->bListed) {
    if (m_bKeepUnfinished && m_ops.Add(m_pOp)) {
      m_pOp->bListed = true;
      m_pOp->bUnfinished = true;
      if (m_state == Messages) m_pOp->pCutItem = m_pItem;
    } else {
      delete m_pOp;
      m_store.Rollback(m_opMark);
    }
  }
  m_pOp = nullptr;
  m_pItem = nullptr;
  m_pMessages = nullptr;
  m_nMessagesLen = 0;
}

void CLogReader::BeginFile(bool bHtml) {
  DropCurrent();
  m_state = Idle;
  m_bHtml = bHtml;
}

void CLogReader::EndFile() { DropCurrent(); }

void CLogReader::ReadFile(const char* pszPath, bool bHtml) {
  if (!pszPath) return;
  std::FILE* f = HVOpenForReading(pszPath);
  if (!f) return;
  BeginFile(bHtml);
  CLineSplitter lines(*this);
  char* buf = new (std::nothrow) char[kReadChunk + 1];
  if (TDX_VERIFY(buf)) {
    size_t n;
    while ((n = std::fread(buf, 1, kReadChunk, f)) > 0)
      if (!lines.Feed(buf, n)) break;
    lines.Flush();
    delete[] buf;
  }
  std::fclose(f);
  EndFile();
}

void CLogReader::ReadBuffer(const void* pData, size_t nSize, bool bHtml) {
  BeginFile(bHtml);
  CLineSplitter lines(*this);
  const char* p = static_cast<const char*>(pData);
  // Through a read buffer of the same size as a file's, so the same lines cross
  // the same boundaries.
  char* buf = new (std::nothrow) char[kReadChunk + 1];
  if (TDX_VERIFY(buf) && p) {
    while (nSize > 0) {
      const size_t n = nSize < kReadChunk ? nSize : kReadChunk;
      std::memcpy(buf, p, n);
      if (!lines.Feed(buf, n)) break;
      p += n;
      nSize -= n;
    }
    lines.Flush();
  }
  delete[] buf;
  EndFile();
}

void CLogReader::ParseLine(const char* pszLine) {
  if (!pszLine) return;
  m_scratch.assign(pszLine);
  ProcessLine(m_scratch.data(), m_scratch.size());
}

void CLogReader::ProcessLine(char* s, size_t nLen) {
  // The line as read ends at its first zero byte, if it holds one.
  const char* zero = FindByte(s, '\0', nLen);
  const size_t raw = zero ? static_cast<size_t>(zero - s) : nLen;
  if (raw <= 2) m_state = Comments;
  size_t n = raw;
  if (n >= 1 && (s[n - 1] == '\r' || s[n - 1] == '\n')) s[--n] = '\0';
  if (raw >= 2 && (s[raw - 2] == '\r' || s[raw - 2] == '\n')) {
    n = raw - 2;
    s[n] = '\0';
  }
  n = StripMarkup(s, n);
  // What is left of an HTML log's line is its text as shown, the markers' too.
  if (m_bHtml) n = DecodeReferences(s, n);

  switch (Classify(s, n)) {
    case kLineHeading:
      return;
    case kLineStart:
      return StartLine(s);
    case kLineComplete:
      return CompletionLine(s);
    case kLineInstalled:
      return InstalledLine(s, n);
    case kLineBackup:
      return BackupLine(s, n);
    case kLineArchive:
      return ArchiveLine(s, n);
    default:
      return OtherLine(s, n);
  }
}

// The date text: from position 26, or right after the first " on " in it.
static const char* DateText(const char* d) {
  const char* on = FindMarker(d, std::strlen(d), " on ");
  return on ? on + 4 : d;
}

void CLogReader::StartLine(const char* s) {
  DropCurrent();
  m_opMark = m_store.GetMark();
  m_pOp = new (std::nothrow) SyncOperation;
  TDX_VERIFY(m_pOp);
  m_state = Idle;
  if (m_pOp) HVReadLogDate(DateText(s + kDateAt), m_pOp->stStart);
}

void CLogReader::CompletionLine(const char* s) {
  if (!m_pOp) return;
  const char* d = s + kDateAt;
  if (*d == ' ') ++d;
  // A later completion line for the same operation gives its end time anew.
  TdxDateTime end{};
  HVReadLogDate(DateText(d), end);
  m_pOp->stEnd = end;
  if (!m_pOp->bListed && m_ops.Add(m_pOp)) m_pOp->bListed = true;
  m_state = Idle;
}

void CLogReader::AppendMessages(const char* s, size_t n) {
  const size_t take = Cut(n, HV_MESSAGES_MAX - m_nMessagesLen);
  if (take == 0) return;
  char* p = m_store.AppendText(m_pMessages, m_nMessagesLen, s, take);
  if (!p) return;  // out of memory: the messages stay as they were
  m_pMessages = p;
  m_nMessagesLen += take;
  m_pItem->pszB = p;
}

// Messages and comments hold page markup: each line is escaped before its join
// is added, so their caps count escaped bytes.
void CLogReader::AppendMessageText(const char* s, size_t n) {
  if (!NeedsEscape(s, n)) return AppendMessages(s, n);
  m_escaped.clear();
  TdxAppendHtml(m_escaped, s, n);
  AppendMessages(m_escaped.data(), FitEscaped(m_escaped, HV_MESSAGES_MAX - m_nMessagesLen));
}

void CLogReader::AppendComment(const char* s, size_t n) {
  std::string& c = m_pOp->strComments;
  if (c.size() < HV_COMMENTS_MAX) {
    if (NeedsEscape(s, n)) {
      m_escaped.clear();
      TdxAppendHtml(m_escaped, s, n);
      c.append(m_escaped, 0, FitEscaped(m_escaped, HV_COMMENTS_MAX - c.size()));
    } else {
      c.append(s, Cut(n, HV_COMMENTS_MAX - c.size()));
    }
  }
  if (c.size() < HV_COMMENTS_MAX) c.append("<br><br>", Cut(8, HV_COMMENTS_MAX - c.size()));
}

SyncItem* CLogReader::NewItem(int32_t nKind) {
  auto* p = static_cast<SyncItem*>(m_store.Alloc(sizeof(SyncItem), alignof(SyncItem)));
  if (!p) return nullptr;
  *p = SyncItem{nKind, 1, nullptr, nullptr, nullptr};
  if (!m_pOp->lItems.Add(p)) return nullptr;  // the store space goes with the operation
  m_pItem = p;
  m_pMessages = nullptr;
  m_nMessagesLen = 0;
  return p;
}

void CLogReader::InstalledLine(const char* s, size_t n) {
  if (!m_pOp) return;
  const size_t at = Len(kInstalled);
  SyncItem* item = NewItem(HV_ITEM_INSTALL);
  if (item) item->pszA = m_texts.Intern(s + at, Cut(n - at, HV_TEXT_MAX));
  m_state = Idle;
}

void CLogReader::BackupLine(const char* s, size_t n) {
  if (!m_pOp) return;
  const size_t at = FindMarker(s, n, kBackupDb) ? Len(kBackupDb) : Len(kBackup);
  const char* p = s + at;
  const size_t np = n - at;
  const char* to = Find(p, np, " to ", 4, 1);
  if (!to) return;
  const char* toFile = Find(p, np, " to file ", 9, 1);
  const char* dest = toFile ? toFile + 9 : to + 4;
  SyncItem* item = NewItem(HV_ITEM_BACKUP);
  if (item) {
    item->pszA = m_texts.Intern(p, Cut(static_cast<size_t>(to - p), HV_TEXT_MAX));
    item->pszB = m_texts.Intern(dest, Cut(static_cast<size_t>(s + n - dest), HV_TEXT_MAX));
  }
  m_state = Idle;
}

void CLogReader::ArchiveLine(char* s, size_t n) {
  if (!m_pOp) return;
  const char* del = Find(s, n, kDeleted, Len(kDeleted), 1);
  if (!del) return;
  n = static_cast<size_t>(del - s);
  s[n] = '\0';
  const size_t at = Len(kArchive);
  SyncItem* item = NewItem(HV_ITEM_ARCHIVE);
  if (item) {
    // The deletion text may stand before the name's position: then there is no name.
    if (n > at) item->pszA = m_texts.Intern(s + at, Cut(n - at, HV_TEXT_MAX));
    item->pszB = HV_ARCHIVE_TEXT2;
  }
  m_state = Idle;
}

void CLogReader::OtherLine(const char* s, size_t n) {
  if (n == 0) return;
  switch (m_state) {
    case Comments: {
      if (m_pOp) AppendComment(s, n);
      return;
    }
    case Messages: {
      if (!TDX_VERIFY(m_pItem && m_pOp)) {
        m_state = Idle;
        return;
      }
      if (!IsWhite(s[0])) {
        if (ContainsNoCase(s, n, "failed", 6) || ContainsNoCase(s, n, "error", 5)) {
          if (m_pItem->nOk) m_pItem->pszNote = m_texts.Intern(s, Cut(n, HV_TEXT_MAX));
          m_pItem->nOk = 0;
          ++m_pOp->nFailures;
        }
        const char* name = m_pItem->Name();
        if (!*name || Find(s, n, name, std::strlen(name), 0)) {
          m_state = Idle;
          return;
        }
      }
      while (n > 0 && IsWhite(*s)) {
        ++s;
        --n;
      }
      if (!m_pItem->pszNote) m_pItem->pszNote = m_texts.Intern(s, Cut(n, HV_TEXT_MAX));
      static constexpr char kEnd[] = "<br><br>\r\n";
      AppendMessageText(s, n);
      AppendMessages(kEnd, Len(kEnd));
      return;
    }
    case Idle: {
      const char* rest = n >= 3 ? s + 3 : "";
      if (std::strcmp(rest, "System") == 0 || std::strcmp(rest, "Install") == 0) return;
      if (!m_pOp) return;
      SyncItem* item = NewItem(HV_ITEM_APP);
      if (!item) return;
      const bool dashes = s[0] == '-' && n >= 2 && s[1] == '-';
      const bool ok = s[0] == 'O' && n >= 2 && s[1] == 'K';
      if ((dashes || ok) && n > 3) item->pszA = m_texts.Intern(s + 3, Cut(n - 3, HV_NAME_MAX));
      if (dashes) m_state = Messages;
      return;
    }
  }
}
