#include "LogGen.h"

namespace {

const char* const kApps[] = {"Date Book",   "Address Book", "To Do List", "Memo Pad",
                             "Expense",     "Mail",         "Note Pad",   "Calendar",
                             "Contacts",    "Tasks",        "Memos",      "Photos",
                             "Voice Memo",  "Quick Sheet",  "Docs To Go", "Media",
                             "News Reader", "City Guide"};
const char* const kDatabases[] = {"Saved_Preferences", "Unsaved_Preferences", "Graffiti_ShortCuts",
                                  "AddressDB",         "DatebookDB",          "MemoDB",
                                  "ToDoDB",            "ExpenseDB",           "MailDB",
                                  "Net_Prefs",         "CityGuide_Data",      "NewsReader_Cache",
                                  "Solitaire_Scores",  "QuickSheet_Budget"};
const char* const kInstalls[] = {"Solitaire.prc", "CityGuide.pdb", "NewsReader.prc",
                                 "QuickSheet.prc", "Budget2003.pdb", "Dictionary.pdb"};
const char* const kMessages[] = {
    "   Warning: 3 records could not be converted and were skipped.",
    "   The record \"Lunch with the team\" has a category that does not exist on the desktop.",
    "Could not open the desktop database (error 0x4003).",
    "   Duplicate records were found and merged.",
    "The connection was lost while reading the handheld's records: error 12.",
    "   Some records are private and were not shown."};
const char* const kComments[] = {"Battery low: please recharge the handheld soon.",
                                 "Synchronised at the office cradle.",
                                 "Second HotSync of the day after installing new applications.",
                                 "Slow connection through the infrared port."};
const int kDaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

template <size_t N>
constexpr uint32_t Count(const char* const (&)[N]) {
  return N;
}

}  // namespace

uint32_t CHVLogGen::Rand() {
  // xorshift32: the same seed gives the same log on every machine.
  m_nRand ^= m_nRand << 13;
  m_nRand ^= m_nRand >> 17;
  m_nRand ^= m_nRand << 5;
  return m_nRand;
}

void CHVLogGen::Raw(const std::string& text) { m_out += text; }

void CHVLogGen::Line(const std::string& text) {
  if (m_bHtml) {
    m_out += "<tr><td>";
    m_out += text;
    m_out += "</td></tr>\r\n";
  } else {
    m_out += text;
    m_out += "\r\n";
  }
}

void CHVLogGen::Advance(uint32_t nMinutes) {
  m_nSecond = static_cast<int>(Below(60));
  m_nMinute += static_cast<int>(nMinutes);
  m_nHour += m_nMinute / 60;
  m_nMinute %= 60;
  m_nDay += m_nHour / 24;
  m_nHour %= 24;
  while (m_nDay > kDaysIn[m_nMonth - 1]) {
    m_nDay -= kDaysIn[m_nMonth - 1];
    if (++m_nMonth > 12) {
      m_nMonth = 1;
      ++m_nYear;
    }
  }
}

std::string CHVLogGen::DateText() {
  char sz[64];
  const int yy = m_nYear % 100;
  // Older entries use the two-digit forms, later ones the four-digit forms.
  switch ((m_nYear >= 2004 ? 2 : 0) + static_cast<int>(Below(2))) {
    case 0:
      std::snprintf(sz, sizeof sz, "%02d/%02d/%02d %02d:%02d:%02d", m_nMonth, m_nDay, yy, m_nHour,
                    m_nMinute, m_nSecond);
      break;
    case 1:
      std::snprintf(sz, sizeof sz, "%02d-%02d-%02d %02d:%02d:%02d", yy, m_nMonth, m_nDay, m_nHour,
                    m_nMinute, m_nSecond);
      break;
    case 2:
      std::snprintf(sz, sizeof sz, "%04d/%02d/%02d %02d:%02d:%02d", m_nYear, m_nMonth, m_nDay,
                    m_nHour, m_nMinute, m_nSecond);
      break;
    default:
      std::snprintf(sz, sizeof sz, "%04d-%02d-%02d %02d:%02d:%02d", m_nYear, m_nMonth, m_nDay,
                    m_nHour, m_nMinute, m_nSecond);
      break;
  }
  return sz;
}

void CHVLogGen::Operation() {
  static const std::string dir = "C:\\Program Files\\Palm\\SmithA\\";
  const std::string start = Below(3) == 0
                                ? "HotSync operation started for Ann Smith on " + DateText()
                                : "HotSync operation started " + DateText();
  if (m_bHtml) {
    Raw("<p><b>" + start + "</b></p>\r\n<table border=0 cellpadding=2>\r\n");
  } else {
    Line(start);
  }
  uint64_t items = 0;
  // Installs come first, as the install conduit runs first.
  if (Below(10) == 0) {
    for (uint32_t n = 1 + Below(3); n; --n, ++items)
      Line("   - Installed file: " + dir + "Install\\" + kInstalls[Below(Count(kInstalls))]);
  }
  const uint32_t first = Below(Count(kApps));
  for (uint32_t n = 6 + Below(7), i = 0; i < n; ++i, ++items) {
    const std::string app = kApps[(first + i) % Count(kApps)];
    const uint32_t roll = Below(100);
    if (roll < 6) {  // failed, with messages
      Line("-- " + app);
      for (uint32_t m = 1 + Below(3); m; --m) Line(kMessages[Below(Count(kMessages))]);
      Line(app + " synchronization failed");
    } else if (roll < 12) {  // messages, then fine
      Line("-- " + app);
      Line("   " + app + ": " + std::to_string(1 + Below(40)) + " records were updated.");
      Line("OK " + app);
    } else {
      Line("OK " + app);
    }
  }
  for (uint32_t n = Below(7); n; --n, ++items) {
    const char* db = kDatabases[Below(Count(kDatabases))];
    if (Below(4) == 0)
      Line(std::string("   -- Backing up ") + db + " to " + dir + "Backup\\" + db + ".PDB");
    else
      Line(std::string("   -- Backing up db ") + db + " to file " + dir + "Backup\\" + db + ".PRC");
  }
  if (Below(30) == 0) {
    ++items;
    Line(std::string("   -- The database for ") + kDatabases[Below(Count(kDatabases))] +
         " was deleted on the handheld. Moving the backup to the Archive folder.");
  }
  Advance(1 + Below(3));
  const std::string end = Below(2) == 0 ? "HotSync operation completed on " + DateText()
                                        : "HotSync operation complete " + DateText();
  if (m_bHtml) {
    Raw("</table>\r\n<p><b>" + end + "</b></p>\r\n");
  } else {
    Line(end);
  }
  if (Below(20) == 0) {
    Raw("\r\n");
    for (uint32_t n = 1 + Below(2); n; --n) Line(kComments[Below(Count(kComments))]);
  }
  Raw("\r\n");
  ++m_stats.nOperations;
  m_stats.nItems += items;
  Advance(30 + Below(600));
}

bool CHVLogGen::Write(std::FILE* f, uint64_t nBytes) {
  m_out.clear();
  if (m_bHtml) {
    Raw("<html><head><title>HotSync Log</title></head><body>\r\n");
    Raw("<h2>HotSync Log for Ann Smith</h2>\r\n");
  } else {
    Raw("HotSync Log for Ann Smith\r\n\r\n");
  }
  uint64_t written = 0;
  while (written + m_out.size() < nBytes) {
    Operation();
    if (m_out.size() >= 64 * 1024) {
      if (std::fwrite(m_out.data(), 1, m_out.size(), f) != m_out.size()) return false;
      written += m_out.size();
      m_out.clear();
    }
  }
  if (m_bHtml) Raw("</body></html>\r\n");
  if (std::fwrite(m_out.data(), 1, m_out.size(), f) != m_out.size()) return false;
  written += m_out.size();
  m_stats.nBytes = written;
  return true;
}
