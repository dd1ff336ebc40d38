// The properties dialog's behaviour (TfmOVCondProp, "Palm Conduit
// Properties"), apart from its window: loading the controls from a record,
// the built-in defaults on leaving the creator ID, and OK, which installs,
// restores or applies the record through the conduit tool.
#pragma once

#include <string>

#include "orvello/ConduitTool.h"

enum class OVPropField { Title, CreatorID, Directory, File, Priority, PalmDB, FileName, Version };

class IOVPropView {
 public:
  virtual ~IOVPropView() = default;
  virtual void SetText(OVPropField f, const std::string& strText) = 0;
  virtual std::string Text(OVPropField f) = 0;
  virtual void EnableCreatorID(bool bEnable) = 0;
};

class OVCondProp {
 public:
  OVCondProp(IOVPropView& view, OVTool& tool, IPrompt& prompt) : m_view(view), m_tool(tool), m_prompt(prompt) {}

  void FormCreate();
  void SetSystemMode(bool bSystem) { m_bSystem = bSystem; }
  void SetConduit(CondData* pData);
  void edtCreatorIDExit();
  // True when the dialog closes with OK; false keeps it open.
  bool btnOKClick();

  bool NewConduitMode() const { return m_bNew; }
  bool SystemMode() const { return m_bSystem; }

 private:
  IOVPropView& m_view;
  OVTool& m_tool;
  IPrompt& m_prompt;
  CondData* m_pData = nullptr;
  bool m_bNew = false;
  bool m_bSystem = false;
};

inline constexpr char kOVNeedCreator[] = "The creator ID is the must have for Orvello.";

// The leading decimal integer of a text (blanks and a sign allowed; 0 when
// there is none), with 0 or less read as 2. Values beyond the 32-bit range
// are held at its ends.
int32_t OVParsePriority(const char* szText);
