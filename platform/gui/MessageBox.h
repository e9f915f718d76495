// Message boxes: a modal box with one OK button (or Yes and No), owned by a window. Tests replace
// the box with a hook that records the call and answers.
#pragma once

#include <functional>

#include "platform/core/CString.h"
#include "platform/gui/WinTypes.h"

class wxWindow;

// The captions of the two kinds of box every window shows.
inline constexpr const char16_t* kErrorCaption = u"Error";
inline constexpr const char16_t* kInformationCaption = u"Information";

using MessageBoxHook = std::function<int(const CString& text, const CString& caption, UINT type)>;

// Replaces every message box of the process with hook; an empty hook restores the box.
void SetMessageBoxHook(MessageBoxHook hook);

// Shows text under caption with the icon that type names (MB_ICONERROR,
// MB_ICONINFORMATION, ...); returns IDOK. With MB_YESNO the box asks, No being the default
// (Escape and the close box answer it too), and returns IDYES or IDNO.
int AfxShowMessageBox(wxWindow* owner, const CString& text, const CString& caption, UINT type);
