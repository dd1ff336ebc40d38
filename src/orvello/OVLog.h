// The conduit tool's install/uninstall history. Built with the main window and
// destroyed last at shut-down; it keeps nothing yet.
#pragma once

class OVLog {
 public:
  OVLog() = default;
  ~OVLog() = default;
  OVLog(const OVLog&) = delete;
  OVLog& operator=(const OVLog&) = delete;
};
