// What screen readers and the keyboard get from the controls of the program's
// windows. Every list view, tree view, edit field and drop-down is named after
// the label or group box it belongs to: the nearest static text, group box or
// option button before it in tab order, with nothing that takes the focus in
// between. The name is served through the system's accessibility interface
// (the control answers WM_GETOBJECT with the standard object, renamed) and,
// where Windows has it, also set as a Dynamic Annotation.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A caption as a name: without its access-key marks, spaces at either end and
// a closing colon ("&Select User :" -> "Select User").
std::string AccessibleText(const std::string& strCaption);
// The caption of the label hCtl belongs to, empty when it has none.
std::string LabelOf(HWND hCtl);

// Names each list view, tree view, edit field and drop-down among the direct
// children of hDialog after its label; those without a label keep the system's
// own name. A named list view also shows a focused row whenever it has the
// focus, and each named control opens its context menu on the menu key.
void NameControls(HWND hDialog);

// Rows of the list carry pictures (image index i means words[i]): screen
// readers hear the row's caption followed by those words.
void SetRowPictureWords(HWND hList, const std::vector<std::string>& words);
// Enter in the list view reaches its parent as NM_RETURN instead of pressing
// the dialog's default button (lists whose rows open something).
void SetReturnNotifies(HWND hList);

// The accessible name a control serves for itself (CHILDID_SELF), for tests in
// the same process; empty when it serves none of its own.
std::string ServedName(HWND hCtl);
