#include "misc/Diag.h"

#include <cstdio>

#ifdef _WIN32
extern "C" __declspec(dllimport) void __stdcall OutputDebugStringA(const char*);
#endif

namespace tdx {
namespace {

void DefaultSink(const char* text, const char* file, int line) {
  char msg[512];
  std::snprintf(msg, sizeof msg, "Assertion failed: %s, file %s, line %d\n", text, file, line);
#ifdef _WIN32
  OutputDebugStringA(msg);
#else
  std::fputs(msg, stderr);
#endif
}

DiagSink g_sink = DefaultSink;

}  // namespace

void ReportCondition(const char* text, const char* file, int line) { g_sink(text, file, line); }

DiagSink SetDiagSink(DiagSink sink) {
  DiagSink old = g_sink;
  g_sink = sink ? sink : DefaultSink;
  return old;
}

}  // namespace tdx
