// A generator of HotSync logs that look like a long-serving user's: starts and
// completions in every date form, applications that synchronise or fail with
// messages, installs, backups, archive moves and comments, as plain text or as
// the HTML log.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct HVLogGenStats {
  uint64_t nBytes = 0;
  uint64_t nOperations = 0;
  uint64_t nItems = 0;
};

class CHVLogGen {
 public:
  CHVLogGen(bool bHtml, uint32_t nSeed) : m_bHtml(bHtml), m_nRand(nSeed ? nSeed : 1) {}
  // Writes whole operations until at least nBytes are out, CR LF line ends.
  bool Write(std::FILE* f, uint64_t nBytes);
  const HVLogGenStats& Stats() const { return m_stats; }

 private:
  uint32_t Rand();
  uint32_t Below(uint32_t n) { return Rand() % n; }
  void Line(const std::string& text);  // one log line, wrapped for the HTML log
  void Raw(const std::string& text);   // bytes as they are
  std::string DateText();
  void Operation();
  void Advance(uint32_t nMinutes);

  bool m_bHtml;
  uint32_t m_nRand;
  std::string m_out;
  HVLogGenStats m_stats;
  // The clock of the generated history.
  int m_nYear = 2001, m_nMonth = 3, m_nDay = 1, m_nHour = 8, m_nMinute = 0, m_nSecond = 0;
};
