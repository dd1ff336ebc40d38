// The text the user is shown for an exception that reached a boundary.
#pragma once

#include <string>

// The exception being handled: its message, "Out of memory." for a failed
// allocation, and an empty message for a thrown object that is not an
// exception. Call only inside a catch block.
std::string CurrentExceptionText();
