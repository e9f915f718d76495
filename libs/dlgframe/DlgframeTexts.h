// The dialog library's own texts.
#pragma once

namespace DlgframeTexts {

inline constexpr const char16_t* kErrorCaption = u"Error";
inline constexpr const char16_t* kInformationCaption = u"Information";
// %s: the address that no program could be found for.
inline constexpr const char16_t* kCannotOpen = u"No program to open %s was found on this computer.";

inline constexpr const char* kLogTitle = "Log";
inline constexpr const char* kLogFileLabel = "Log file: ";
inline constexpr const char* kLogShortened = "(Older entries are not shown.)\n";

}  // namespace DlgframeTexts
