// The main window's fixed texts.
#pragma once

inline constexpr const char16_t* kWindowName = u"MainWnd";
inline constexpr const char16_t* kConvertTooltip = u"Run the conversion";
inline constexpr const char16_t* kQuitTooltip = u"Quit the software";
inline constexpr const char16_t* kCustomSeparator = u"Custom";
inline constexpr const char16_t* kSourceExtension = u"txt";
inline constexpr const char16_t* kAboutYears = u"Copyright \u00A9 2011\u20132025 Ostrel";

// Message boxes' texts; their captions are the platform's (platform/gui/MessageBox.h).
inline constexpr const char16_t* kSourceMissing =
    u"The source text file does not exist or inaccessible";
inline constexpr const char16_t* kTargetMissing = u"The target file is not specified yet.";
inline constexpr const char16_t* kConversionError = u"Conversion error.";
// The progress dialog's title while Convert runs.
inline constexpr const char16_t* kConverting = u"Converting";
// %d: the number of rows written.
inline constexpr const char16_t* kRowsConverted = u"%d rows has been converted";
// The second line when lines were left out; %lld: how many (more than one).
inline constexpr const char16_t* kLinesLeftOut =
    u"%lld lines were left out because their number of fields differs from the header's; "
    u"Tools > View Log lists them.";
inline constexpr const char16_t* kOneLineLeftOut =
    u"1 line was left out because its number of fields differs from the header's; "
    u"Tools > View Log lists it.";
// The same with quoted fields on, where a malformed quote leaves a record out too.
inline constexpr const char16_t* kLinesLeftOutQuoted =
    u"%lld lines were left out because their number of fields differs from the header's or "
    u"a quote is malformed; Tools > View Log lists them.";
inline constexpr const char16_t* kOneLineLeftOutQuoted =
    u"1 line was left out because its number of fields differs from the header's or a quote "
    u"is malformed; Tools > View Log lists it.";

// The file the lines left out were kept in (%s), with the header line first; when none
// was left out, it holds the header line alone (or nothing without one).
inline constexpr const char16_t* kRejectsKept = u"The lines left out are kept in %s.";
inline constexpr const char16_t* kNoRejects =
    u"No line was left out: %s holds the header line only.";
inline constexpr const char16_t* kNoRejectsNoHeader = u"No line was left out: %s is empty.";
// What the file of lines left out is named after the output's name.
inline constexpr const char16_t* kRejectsSuffix = u".rejected.txt";

// After the lines left out, when the log that would list them could not be written.
inline constexpr const char16_t* kLogNotWritten =
    u"The log could not be written, so it does not list them.";
// A line of the Convert message when the source's lines end with carriage returns alone.
inline constexpr const char16_t* kOldMacLineEnds =
    u"Its lines end with carriage returns alone, as in an old Mac file.";

// The smallest window, in pixels at 96 dots per inch.
inline constexpr int kMinWindowWidth = 640;
inline constexpr int kMinWindowHeight = 480;
