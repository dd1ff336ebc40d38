// Raised while a list or tree is being filled by the program, so the control's
// own change notifications during the fill are not taken for the user's.
#pragma once

class FillGuard {
 public:
  explicit FillGuard(bool& bFilling) : m_bFilling(bFilling), m_bWas(bFilling) { m_bFilling = true; }
  ~FillGuard() { m_bFilling = m_bWas; }
  FillGuard(const FillGuard&) = delete;
  FillGuard& operator=(const FillGuard&) = delete;

 private:
  bool& m_bFilling;
  bool m_bWas;
};
