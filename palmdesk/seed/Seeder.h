// Creates the Palm Desktop a SeedPlan describes (Windows): the directory with
// the stand-in libraries, the copied files and logs, "DesktopPath", and the
// users, slots and conduits through the stand-ins' own operations.
#pragma once

#include <string>

#include "SeedPlan.h"

// Every source file is checked before anything is created. The registry part
// replaces all earlier Palm Desktop state; if any operation fails it is wiped
// again, so a failed run leaves nothing half registered. False with a message
// naming the line in *pError.
bool SeedDesktop(const SeedPlan& plan, const std::string& sBinDir, std::string* pError);
