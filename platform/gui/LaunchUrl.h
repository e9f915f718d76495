// Opening an address with the desktop's own program for it: a web address in the default
// browser, a mailto: address in the user's mail program. Tests replace the launch with a
// hook that records the address.
#pragma once

#include <functional>

#include "platform/core/CString.h"

// Returns true when a program was started for url.
using UrlLaunchHook = std::function<bool(const CString& url)>;

// Replaces every launch of the process with hook; an empty hook restores the real launch.
void SetUrlLaunchHook(UrlLaunchHook hook);

// Opens url with the program the desktop has for its scheme; false when none started, with
// the system's reason in *reason when it gives one. Shows nothing itself.
bool AfxLaunchUrl(const CString& url, CString* reason = nullptr);
