#include "misc/ErrorText.h"

#include <exception>
#include <new>

std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "Out of memory.";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "";
  }
}
