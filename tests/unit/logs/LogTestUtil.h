// Helpers for the log tests: read log text, describe what the reader built.
#pragma once

#include <string>
#include <vector>

#include "logs/LogReader.h"
#include "logs/LogPages.h"

namespace hvtest {

inline void Read(CLogReader& r, const std::string& text) { r.ReadBuffer(text.data(), text.size()); }

inline std::string Date(const TdxDateTime& t) {
  char sz[64];
  std::snprintf(sz, sizeof sz, "%u-%u-%u %u:%u:%u", unsigned{t.wYear}, unsigned{t.wMonth},
                unsigned{t.wDay}, unsigned{t.wHour}, unsigned{t.wMinute}, unsigned{t.wSecond});
  return sz;
}

// One line per operation and per item, every field shown.
inline std::string Dump(CLogReader& r) {
  std::string s;
  for (SyncOperation* op = r.GetFirst(); op; op = r.GetNext()) {
    s += "op " + Date(op->stStart) + " .. " + Date(op->stEnd) +
         " failures=" + std::to_string(op->nFailures) + " comments=[" + op->Comments() + "]\n";
    for (SyncItem* it = op->lItems.GetFirst(); it; it = op->lItems.GetNext()) {
      s += "  " + std::to_string(it->nKind) + " ok=" + std::to_string(it->nOk) + " name=[" +
           it->Name() + "] t1=[" + it->Text1() + "] t2=[" + it->Text2() + "] msg=[" +
           it->Messages() + "]\n";
    }
  }
  return s;
}

// Reads bytes the plain way: CR dropped, Ctrl-Z ends, lines of at most
// HV_LINE_MAX characters handed to ParseLine one by one.
inline void ReadByLines(CLogReader& r, const std::string& bytes) {
  r.BeginFile();
  std::string line;
  for (char c : bytes) {
    if (c == '\r') continue;
    if (c == 26) break;
    line += c;
    if (c == '\n' || line.size() == HV_LINE_MAX) {
      r.ParseLine(line.c_str());
      line.clear();
    }
  }
  if (!line.empty()) r.ParseLine(line.c_str());
  r.EndFile();
}

inline std::vector<SyncOperation*> Ops(CLogReader& r) {
  std::vector<SyncOperation*> v;
  for (SyncOperation* op = r.GetFirst(); op; op = r.GetNext()) v.push_back(op);
  return v;
}

inline std::vector<SyncItem*> Items(SyncOperation* op) {
  std::vector<SyncItem*> v;
  for (SyncItem* it = op->lItems.GetFirst(); it; it = op->lItems.GetNext()) v.push_back(it);
  return v;
}

}  // namespace hvtest
