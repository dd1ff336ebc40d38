#include "palm/CondAnswer.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr char kMagic[4] = {'T', 'D', 'X', 'A'};
constexpr uint32_t kFormat = 1;
constexpr size_t kMaxKey = 259;  // a Windows path
constexpr uint8_t kFlagOpen = 1, kFlagName = 2, kFlagVersion = 4;
constexpr uint8_t kKnownFlags = kFlagOpen | kFlagName | kFlagVersion;

uint8_t FlagsOf(const CondAnswer& a) {
  return static_cast<uint8_t>((a.bOpenConduit ? kFlagOpen : 0) | (a.bHasName ? kFlagName : 0) |
                              (a.bHasVersion ? kFlagVersion : 0));
}

void SetFlags(CondAnswer& a, uint8_t f) {
  a.bOpenConduit = (f & kFlagOpen) != 0;
  a.bHasName = (f & kFlagName) != 0;
  a.bHasVersion = (f & kFlagVersion) != 0;
}

size_t NameLength(const CondAnswer& a) { return strnlen(a.szName, sizeof a.szName - 1); }

// Little-endian appenders and a bounded reader.
void Put8(std::string& s, uint8_t v) { s.push_back(static_cast<char>(v)); }
void Put16(std::string& s, uint16_t v) {
  Put8(s, static_cast<uint8_t>(v));
  Put8(s, static_cast<uint8_t>(v >> 8));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, static_cast<uint16_t>(v));
  Put16(s, static_cast<uint16_t>(v >> 16));
}
void Put64(std::string& s, uint64_t v) {
  Put32(s, static_cast<uint32_t>(v));
  Put32(s, static_cast<uint32_t>(v >> 32));
}

struct Reader {
  const uint8_t* p;
  size_t n;
  bool ok = true;
  uint64_t Get(int nBytes) {
    if (!ok || n < static_cast<size_t>(nBytes)) {
      ok = false;
      return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < nBytes; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
    p += nBytes;
    n -= static_cast<size_t>(nBytes);
    return v;
  }
  // Bytes without a zero among them.
  bool Text(size_t cb, char* pOut) {
    if (!ok || n < cb || std::memchr(p, 0, cb)) return ok = false;
    std::memcpy(pOut, p, cb);
    p += cb;
    n -= cb;
    return true;
  }
};

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }
int HexValue(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

// One space-separated field of a line; false at the end or for an empty one.
bool NextField(const char*& p, const char* end, const char** pField, size_t* pcb) {
  if (p >= end) return false;
  const char* q = p;
  while (q < end && *q != ' ') ++q;
  if (q == p) return false;
  *pField = p;
  *pcb = static_cast<size_t>(q - p);
  p = q < end ? q + 1 : q;
  return true;
}

// A decimal number of at most 10 digits, optionally negative, within [lo, hi].
bool Number(const char* f, size_t cb, int64_t lo, int64_t hi, int64_t* pOut) {
  bool bNeg = false;
  if (cb > 0 && *f == '-') {
    bNeg = true;
    ++f;
    --cb;
  }
  if (cb == 0 || cb > 10) return false;
  int64_t v = 0;
  for (size_t i = 0; i < cb; ++i) {
    if (f[i] < '0' || f[i] > '9') return false;
    v = v * 10 + (f[i] - '0');
  }
  if (bNeg) v = -v;
  if (v < lo || v > hi) return false;
  *pOut = v;
  return true;
}

}  // namespace

std::string EncodeProbeAnswer(uint32_t nIndex, const CondAnswer& a) {
  char head[96];
  std::snprintf(head, sizeof head, "A %u %u %u %ld ", static_cast<unsigned>(nIndex),
                static_cast<unsigned>(a.state), static_cast<unsigned>(FlagsOf(a)),
                static_cast<long>(a.nNameResult));
  std::string s = head;
  const size_t n = NameLength(a);
  if (n == 0) s += '-';
  static const char kHex[] = "0123456789abcdef";
  for (size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(a.szName[i]);
    s += kHex[c >> 4];
    s += kHex[c & 15];
  }
  for (uint16_t v : a.wVersion) s += ' ' + std::to_string(v);
  s += ' ' + std::to_string(a.dwLoadError);
  return s;
}

bool DecodeProbeLine(const char* pLine, size_t cbLine, CondProbeLine* pOut) {
  if (!pLine || !pOut) return false;
  const char* p = pLine;
  const char* end = pLine + cbLine;
  const char* f;
  size_t cb;
  int64_t v;
  CondProbeLine line;
  if (!NextField(p, end, &f, &cb) || cb != 1 || (*f != 'A' && *f != 'B')) return false;
  line.cKind = *f;
  if (!NextField(p, end, &f, &cb) || !Number(f, cb, 0, 0xFFFFFFFFll, &v)) return false;
  line.nIndex = static_cast<uint32_t>(v);
  if (line.cKind == 'A') {
    CondAnswer& a = line.answer;
    // The helper reports only what it saw: an answer or the loader's refusal.
    // Every other state is the program's own verdict.
    if (!NextField(p, end, &f, &cb) || !Number(f, cb, 0, 1, &v)) return false;
    a.state = static_cast<CondLibState>(v);
    if (!NextField(p, end, &f, &cb) || !Number(f, cb, 0, kKnownFlags, &v)) return false;
    SetFlags(a, static_cast<uint8_t>(v));
    if (!NextField(p, end, &f, &cb) || !Number(f, cb, INT32_MIN, INT32_MAX, &v)) return false;
    a.nNameResult = static_cast<int32_t>(v);
    if (!NextField(p, end, &f, &cb)) return false;
    if (!(cb == 1 && *f == '-')) {
      if (cb % 2 || cb / 2 > sizeof a.szName - 1) return false;
      for (size_t i = 0; i < cb; i += 2) {
        if (!IsHex(f[i]) || !IsHex(f[i + 1])) return false;
        const char c = static_cast<char>(HexValue(f[i]) * 16 + HexValue(f[i + 1]));
        if (c == 0) return false;
        a.szName[i / 2] = c;
      }
    }
    for (uint16_t& w : a.wVersion) {
      if (!NextField(p, end, &f, &cb) || !Number(f, cb, 0, 0xFFFF, &v)) return false;
      w = static_cast<uint16_t>(v);
    }
    if (!NextField(p, end, &f, &cb) || !Number(f, cb, 0, 0xFFFFFFFFll, &v)) return false;
    a.dwLoadError = static_cast<uint32_t>(v);
  }
  if (p != end) return false;  // nothing may follow
  *pOut = line;
  return true;
}

// ---------------------------------------------------------------- cache

const CondAnswer* CondAnswerCache::Find(const std::string& strPath, uint64_t qwSize,
                                        uint64_t qwTime) {
  auto it = m_map.find(strPath);
  if (it == m_map.end() || it->second.qwSize != qwSize || it->second.qwTime != qwTime)
    return nullptr;
  it->second.bUsed = true;
  return &it->second.answer;
}

void CondAnswerCache::Put(const std::string& strPath, uint64_t qwSize, uint64_t qwTime,
                          const CondAnswer& answer) {
  if (strPath.empty() || strPath.size() > kMaxKey || strPath.find('\0') != std::string::npos ||
      !answer.Lasting())
    return;
  Entry e;
  e.qwSize = qwSize;
  e.qwTime = qwTime;
  e.answer = answer;
  e.answer.szName[sizeof e.answer.szName - 1] = '\0';
  e.bUsed = true;
  m_map[strPath] = e;
  m_bChanged = true;
}

void CondAnswerCache::Clear() {
  m_map.clear();
  m_bChanged = false;
}

bool CondAnswerCache::Decode(const void* pBytes, size_t cbBytes) {
  Clear();
  if (cbBytes == 0) return true;
  Reader r{static_cast<const uint8_t*>(pBytes), cbBytes};
  if (!pBytes || cbBytes < 12 || std::memcmp(pBytes, kMagic, 4) != 0) return false;
  r.Get(4);
  if (r.Get(4) != kFormat) return false;
  const uint64_t nCount = r.Get(4);
  // The smallest entry: key length, one key byte, size, time, state, flags,
  // result, name length, four version numbers, load error.
  constexpr size_t kMinEntry = 2 + 1 + 8 + 8 + 1 + 1 + 4 + 1 + 8 + 4;
  if (nCount > kMaxEntries || nCount > r.n / kMinEntry) return false;
  std::unordered_map<std::string, Entry> map;
  for (uint64_t i = 0; i < nCount; ++i) {
    const size_t cbKey = static_cast<size_t>(r.Get(2));
    char szKey[kMaxKey];
    if (!r.ok || cbKey == 0 || cbKey > kMaxKey || !r.Text(cbKey, szKey)) return false;
    Entry e;
    e.qwSize = r.Get(8);
    e.qwTime = r.Get(8);
    const uint64_t nState = r.Get(1), nFlags = r.Get(1);
    if (nState > static_cast<uint64_t>(CondLibState::Misbehaved) ||
        (nFlags & ~static_cast<uint64_t>(kKnownFlags)))
      return false;
    e.answer.state = static_cast<CondLibState>(nState);
    SetFlags(e.answer, static_cast<uint8_t>(nFlags));
    e.answer.nNameResult = static_cast<int32_t>(static_cast<uint32_t>(r.Get(4)));
    const size_t cbName = static_cast<size_t>(r.Get(1));
    if (!r.ok || cbName > sizeof e.answer.szName - 1 || !r.Text(cbName, e.answer.szName))
      return false;
    for (uint16_t& w : e.answer.wVersion) w = static_cast<uint16_t>(r.Get(2));
    e.answer.dwLoadError = static_cast<uint32_t>(r.Get(4));
    if (!r.ok) return false;
    if (!e.answer.Lasting()) continue;  // an older file's passing trouble is asked again
    map[std::string(szKey, cbKey)] = e;
  }
  if (r.n != 0) return false;  // trailing bytes: not a file this program wrote
  m_map.swap(map);
  return true;
}

std::string CondAnswerCache::Encode() const {
  std::vector<const std::pair<const std::string, Entry>*> keep;
  keep.reserve(m_map.size());
  for (const auto& kv : m_map) keep.push_back(&kv);
  if (keep.size() > kMaxEntries) {
    std::vector<const std::pair<const std::string, Entry>*> used;
    for (const auto* kv : keep)
      if (kv->second.bUsed && used.size() < kMaxEntries) used.push_back(kv);
    keep.swap(used);
  }
  std::string s(kMagic, sizeof kMagic);
  Put32(s, kFormat);
  Put32(s, static_cast<uint32_t>(keep.size()));
  for (const auto* kv : keep) {
    const Entry& e = kv->second;
    Put16(s, static_cast<uint16_t>(kv->first.size()));
    s += kv->first;
    Put64(s, e.qwSize);
    Put64(s, e.qwTime);
    Put8(s, static_cast<uint8_t>(e.answer.state));
    Put8(s, FlagsOf(e.answer));
    Put32(s, static_cast<uint32_t>(e.answer.nNameResult));
    const size_t n = NameLength(e.answer);
    Put8(s, static_cast<uint8_t>(n));
    s.append(e.answer.szName, n);
    for (uint16_t w : e.answer.wVersion) Put16(s, w);
    Put32(s, e.answer.dwLoadError);
  }
  return s;
}
