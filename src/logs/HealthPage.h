// The conduit health page: the same bytes for the log tab's "Conduit Health"
// and "tdlog health --html". Every text from outside is escaped.
#pragma once

#include <string>

#include "logs/LogHealth.h"

// The whole page, from the head to "</body>\r\n", appended to out.
void HVWriteHealthPage(std::string& out, const char* pszUser, const HVHealth& h);

// "Failed", "Warned", "OK" or "" for HVRun::None.
const char* HVRunText(HVRun run);
