// The user information dialog fmTWUserInfo: what the User Data library knows
// about one user, and that user's stored sync preferences. Read-only.
#pragma once

#include <vector>

#include "tremwick/TWTool.h"
#include "ui/TxDialog.h"

class TfmTWUserInfo : public TxDialog {
 public:
  TfmTWUserInfo() = default;

  // The conduits whose stored preferences are shown; before SetUserID.
  void SetConduits(const std::vector<TWConduitRef>& conduits) { m_conduits = conduits; }
  // Reads the user's data at once; the controls show it when the dialog opens.
  void SetUserID(uint32_t dwUserID);
  const TWUserInfo& Info() const { return m_info; }

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND hCtl) override;

 private:
  uint32_t m_dwUserID = 0;
  std::vector<TWConduitRef> m_conduits;
  TWUserInfo m_info;
};
