// Texts of the log tab's browser pane where no HTML engine exists.
#pragma once

inline constexpr const char kHVNoViewer[] = "This page cannot be shown here: no HTML viewer is installed.";
inline constexpr const char kHVOpenPage[] = "Open in &Browser";
