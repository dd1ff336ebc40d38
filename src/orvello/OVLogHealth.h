// The doctor's checks over every user's HotSync logs: logs whose bytes are no
// log (HotSync Manager reads them as it starts), conduits that failed in each
// of a user's latest operations, and registered conduits no user's latest
// operations name.
#pragma once

#include <vector>

#include "orvello/OVDoctor.h"

// The newest operations in a row a conduit must have failed in to be reported.
inline constexpr uint32_t kOVFailingRun = 3;

// Reads the users' logs (those that can be read and are not too large): what
// damages them, and each user's conduit health. After the users and the
// conduits are read.
void OVGatherLogHealth(OVFacts& facts);

// The application conduits the health was matched against, in that order.
std::vector<HVRegistered> OVRegisteredForHealth(const OVFacts& facts);

// "log-damaged" per log, "conduit-failing" per user and conduit,
// "conduit-never-synced" per registered conduit; appended to out.
void OVDiagnoseLogHealth(const OVFacts& facts, std::vector<OVFinding>& out);
