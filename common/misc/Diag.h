// Internal-condition reports. A violated condition is reported with its text on
// the diagnostic channel (the debugger output on Windows, stderr elsewhere) and
// the caller carries on with its failure path; nothing here ends the program.
#pragma once

namespace tdx {

// Receives every report; tests install one to see what was reported.
using DiagSink = void (*)(const char* text, const char* file, int line);

void ReportCondition(const char* text, const char* file, int line);
DiagSink SetDiagSink(DiagSink sink);  // returns the previous sink; null restores the default

}  // namespace tdx

// TDX_VERIFY(cond): evaluates cond; when false, reports its text and yields false.
#define TDX_VERIFY(cond) \
  ((cond) ? true : (::tdx::ReportCondition(#cond, __FILE__, __LINE__), false))
