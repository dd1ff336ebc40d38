#include "SeedPlan.h"

#include <algorithm>
#include <set>
#include <utility>

namespace {

// Field limits: what the program's records hold without cutting.
constexpr size_t kMaxPath = 259;
constexpr size_t kMaxUserName = 63;
constexpr size_t kMaxUserDir = 255;
constexpr size_t kMaxTitle = 63;
constexpr size_t kMaxShort = 31;  // data directory, file, remote database
constexpr size_t kMaxInfo = 63;
constexpr size_t kMaxSlotName = 255;

class Failure {
 public:
  explicit Failure(std::string s) : m_s(std::move(s)) {}
  const std::string& what() const { return m_s; }

 private:
  std::string m_s;
};

[[noreturn]] void Fail(const std::string& s) { throw Failure(s); }

std::vector<std::string> Split(std::string_view line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string word;
    bool bQuoted = false;
    for (; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '"') {
        bQuoted = !bQuoted;
      } else if (!bQuoted && (c == ' ' || c == '\t')) {
        break;
      } else {
        word += c;
      }
    }
    if (bQuoted) Fail("a quote is not closed");
    words.push_back(std::move(word));
  }
  return words;
}

std::string Expand(const std::string& word, const SeedVars& vars) {
  std::string out;
  for (size_t i = 0; i < word.size(); ++i) {
    if (word[i] != '$') {
      out += word[i];
      continue;
    }
    size_t j = i + 1;
    while (j < word.size() && word[j] >= 'A' && word[j] <= 'Z') ++j;
    if (j == i + 1) {
      out += '$';
      continue;
    }
    const std::string name = word.substr(i + 1, j - i - 1);
    const auto it = vars.find(name);
    if (it == vars.end() || it->second.empty()) Fail("$" + name + " has no value here");
    out += it->second;
    i = j - 1;
  }
  return out;
}

uint32_t Number(const std::string& s, const char* what) {
  if (s.empty() || s.size() > 10) Fail(std::string("bad ") + what + " '" + s + "'");
  const bool bHex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  uint64_t v = 0;
  for (size_t i = bHex ? 2 : 0; i < s.size(); ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (bHex && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (bHex && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      Fail(std::string("bad ") + what + " '" + s + "'");
    v = v * (bHex ? 16 : 10) + static_cast<uint64_t>(d);
  }
  if (v > 0xFFFFFFFFull) Fail(std::string(what) + " too large '" + s + "'");
  return static_cast<uint32_t>(v);
}

void Creator(const std::string& s) {
  if (s.size() != 4) Fail("creator must have four characters: '" + s + "'");
}

void Fits(const std::string& s, size_t nMax, const char* what) {
  if (s.size() > nMax)
    Fail(std::string(what) + " longer than " + std::to_string(nMax) + " characters");
}

void NotEmpty(const std::string& s, const char* what) {
  if (s.empty()) Fail(std::string(what) + " is empty");
}

// A name inside the desktop: relative, no way out of it.
void Relative(const std::string& s, const char* what) {
  NotEmpty(s, what);
  if (s[0] == '\\' || s[0] == '/' || s.find(':') != std::string::npos)
    Fail(std::string(what) + " must be relative to the desktop: '" + s + "'");
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find_first_of("\\/", start);
    if (end == std::string::npos) end = s.size();
    // "..", and any other run of dots Windows would fold into it, leaves the desktop.
    const std::string part = s.substr(start, end - start);
    if (!part.empty() && part.find_first_not_of('.') == std::string::npos)
      Fail(std::string(what) + " must stay inside the desktop: '" + s + "'");
    start = end + 1;
  }
  Fits(s, kMaxUserDir, what);
}

class Parser {
 public:
  Parser(const SeedVars& vars, SeedPlan* pPlan) : m_vars(vars), m_spec(*pPlan) {
    const auto it = m_vars.find("DESKTOP");
    if (it != m_vars.end() && !it->second.empty()) m_spec.sDesktop = it->second;
  }

  void Line(std::vector<std::string> w, int nLine) {
    const std::string cmd = w[0];
    w.erase(w.begin());
    for (auto& s : w) s = Expand(s, m_vars);

    if (cmd == "desktop") {
      Args(w, 1, 1, cmd);
      if (m_nDesktopLine) Fail("a second desktop line (the first is line " +
                               std::to_string(m_nDesktopLine) + ")");
      m_nDesktopLine = nLine;
      NotEmpty(w[0], "desktop directory");
      Fits(w[0], kMaxPath - 13, "desktop directory");  // room for "\UserData.dll"
      const auto it = m_vars.find("DESKTOP");
      if (it == m_vars.end() || it->second.empty()) {
        m_spec.sDesktop = w[0];
        m_vars["DESKTOP"] = w[0];
      }
      m_spec.nDesktopLine = nLine;
    } else if (cmd == "user") {
      Args(w, 3, 4, cmd);
      SeedUser u;
      u.dwUserID = Number(w[0], "user id");
      u.sName = w[1];
      u.sDir = w[2];
      NotEmpty(u.sName, "user name");
      Fits(u.sName, kMaxUserName, "user name");
      Relative(u.sDir, "user directory");
      if (w.size() == 4) {
        if (w[3] != "profile") Fail("unknown word '" + w[3] + "' (only 'profile' may follow)");
        u.bProfile = true;
      }
      if (!m_userIDs.insert(u.dwUserID).second) Fail("user id " + w[0] + " is used twice");
      u.nLine = nLine;
      m_spec.users.push_back(u);
    } else if (cmd == "slot") {
      Args(w, 4, 4, cmd);
      SeedSlot s;
      s.dwUserID = KnownUser(w[0]);
      s.dwSlotRef = Number(w[1], "slot reference");
      if (w[2].size() != 4) Fail("media type must have four characters: '" + w[2] + "'");
      for (char c : w[2]) s.dwMediaType = (s.dwMediaType << 8) | static_cast<uint8_t>(c);
      s.sName = w[3];
      Fits(s.sName, kMaxSlotName, "slot name");
      if (!m_slotRefs.insert({s.dwUserID, s.dwSlotRef}).second)
        Fail("slot " + w[1] + " of user " + w[0] + " is given twice");
      s.nLine = nLine;
      m_spec.slots.push_back(s);
    } else if (cmd == "app") {
      if (w.size() < 3) Fail("app needs a creator, a library and a title");
      SeedApp a;
      a.sCreator = w[0];
      Creator(a.sCreator);
      a.sLibrary = w[1];
      NotEmpty(a.sLibrary, "library");
      Fits(a.sLibrary, kMaxPath, "library");
      a.sTitle = w[2];
      Fits(a.sTitle, kMaxTitle, "title");
      for (size_t i = 3; i < w.size(); ++i) Option(w[i], &a);
      if (!m_appCreators.insert(a.sCreator).second)
        Fail("creator '" + a.sCreator + "' has an application conduit already");
      a.nLine = nLine;
      m_spec.apps.push_back(a);
    } else if (cmd == "install") {
      Args(w, 3, 3, cmd);
      SeedInstall in{w[0], w[1], w[2], nLine};
      Creator(in.sCreator);
      NotEmpty(in.sLibrary, "library");
      Fits(in.sLibrary, 255, "library");
      Fits(in.sTitle, kMaxTitle, "title");
      m_spec.installs.push_back(in);
    } else if (cmd == "backup") {
      Args(w, 1, 1, cmd);
      if (m_spec.nBackupLine) Fail("a second backup line");
      NotEmpty(w[0], "library");
      Fits(w[0], kMaxPath, "library");
      m_spec.sBackup = w[0];
      m_spec.nBackupLine = nLine;
    } else if (cmd == "copy") {
      Args(w, 2, 2, cmd);
      NotEmpty(w[0], "source file");
      Relative(w[1], "target");
      m_spec.files.push_back({w[0], w[1], nLine});
    } else if (cmd == "log") {
      Args(w, 3, 3, cmd);
      const uint32_t id = KnownUser(w[0]);
      if (w[1].empty() || w[1].find_first_of("\\/:") != std::string::npos)
        Fail("log file name must be a plain file name: '" + w[1] + "'");
      NotEmpty(w[2], "source file");
      const auto it = std::find_if(m_spec.users.begin(), m_spec.users.end(),
                                   [&](const SeedUser& u) { return u.dwUserID == id; });
      m_spec.files.push_back({w[2], it->sDir + "\\" + w[1], nLine});
    } else {
      Fail("unknown command '" + cmd + "'");
    }
  }

  void Finish() {
    if (m_spec.sDesktop.empty()) Fail("no desktop line");
  }

 private:
  static void Args(const std::vector<std::string>& w, size_t nMin, size_t nMax,
                   const std::string& cmd) {
    if (w.size() < nMin || w.size() > nMax)
      Fail(cmd + " takes " + std::to_string(nMin) +
           (nMin == nMax ? "" : " to " + std::to_string(nMax)) + " words, not " +
           std::to_string(w.size()));
  }

  uint32_t KnownUser(const std::string& s) {
    const uint32_t id = Number(s, "user id");
    if (!m_userIDs.count(id)) Fail("no user " + s + " on an earlier line");
    return id;
  }

  static void Option(const std::string& word, SeedApp* a) {
    const size_t eq = word.find('=');
    if (eq == std::string::npos) Fail("expected name=value, not '" + word + "'");
    const std::string key = word.substr(0, eq), value = word.substr(eq + 1);
    if (key == "directory") {
      Fits(value, kMaxShort, "directory");
      a->sDirectory = value;
    } else if (key == "file") {
      Fits(value, kMaxShort, "file");
      a->sFile = value;
    } else if (key == "remote") {
      Fits(value, kMaxShort, "remote");
      a->sRemote = value;
    } else if (key == "info") {
      Fits(value, kMaxInfo, "info");
      a->sInfo = value;
    } else if (key == "priority") {
      const uint32_t p = Number(value, "priority");
      if (p < 1 || p > 5) Fail("priority must be 1 to 5");
      a->nPriority = static_cast<int32_t>(p);
    } else if (key == "integrate") {
      a->nIntegrate = static_cast<int32_t>(Number(value, "integrate"));
    } else {
      Fail("unknown setting '" + key + "'");
    }
  }

  SeedVars m_vars;
  SeedPlan& m_spec;
  int m_nDesktopLine = 0;
  std::set<uint32_t> m_userIDs;
  std::set<std::pair<uint32_t, uint32_t>> m_slotRefs;
  std::set<std::string> m_appCreators;
};

}  // namespace

bool ParseSeedPlan(std::string_view text, const SeedVars& vars, SeedPlan* pPlan,
                   std::string* pError) {
  SeedPlan plan;
  Parser parser(vars, &plan);
  int nLine = 0;
  size_t pos = 0;
  try {
    while (pos < text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(pos, end - pos);
      pos = end + 1;
      ++nLine;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (line.find('\0') != std::string_view::npos) Fail("a NUL byte in the line");
      std::vector<std::string> words = Split(line);
      if (words.empty() || words[0][0] == '#') continue;
      parser.Line(std::move(words), nLine);
    }
    nLine = 0;
    parser.Finish();
  } catch (const Failure& f) {
    if (pError) *pError = nLine ? "line " + std::to_string(nLine) + ": " + f.what() : f.what();
    return false;
  }
  *pPlan = std::move(plan);
  return true;
}
