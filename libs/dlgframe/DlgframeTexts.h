// The dialog library's own texts.
#pragma once

namespace DlgframeTexts {

// The program's name, as its window and its About box show it.
inline constexpr const char16_t* kConverterName = u"Ostrel Corvane Converter";
// The maker's name, for a product without one of its own.
inline constexpr const char16_t* kMakerName = u"Ostrel";
// The About box: its title before the product's name, the version's label, and the line
// naming the libraries ("Runs on ...").
inline constexpr const char16_t* kAboutTitle = u"About ";
inline constexpr const char16_t* kVersionLabel = u"Version ";
inline constexpr const char16_t* kRunsOn = u"Runs on ";
// %s: the address that no program could be found for.
inline constexpr const char16_t* kCannotOpen = u"No program to open %s was found on this computer.";

// Tools > Truncate Log asks first: an emptied log cannot be brought back.
inline constexpr const char16_t* kTruncateLogCaption = u"Truncate Log";
inline constexpr const char16_t* kTruncateLogQuestion =
    u"Delete every entry of the log?\nThe entries cannot be brought back.";

// %s: the user guide's page that is not there.
inline constexpr const char16_t* kGuideMissing = u"The user guide was not found at %s.";
inline constexpr const char* kGuideTitle = "User Guide";

inline constexpr const char* kLogTitle = "Log";
inline constexpr const char* kLogFileLabel = "Log file: ";
inline constexpr const char* kLogShortened = "(Older entries are not shown.)\n";

}  // namespace DlgframeTexts
