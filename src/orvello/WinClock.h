// The real clock of the conduit tool: the system's time and time zone. The
// tab and the console tool share it, so their pages carry the same stamps.
#pragma once

#include "orvello/OVPorts.h"

class WinClock : public IOVClock {
 public:
  int32_t Now() override;
  TdxDateTime ToLocal(int32_t nTime) override;
};
