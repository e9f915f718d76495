// The main window's fixed texts.
#pragma once

inline constexpr const char16_t* kWindowName = u"MainWnd";
inline constexpr const char16_t* kConvertTooltip = u"Run the conversion";
inline constexpr const char16_t* kQuitTooltip = u"Quit the software";
inline constexpr const char16_t* kCustomSeparator = u"Custom";
inline constexpr const char16_t* kSourceExtension = u"txt";
inline constexpr const char16_t* kTargetExtension = u"json";
inline constexpr const char16_t* kAboutYears = u"Copyright \u00A9 2011\u20132025 Ostrel";

// The smallest window, in pixels at 96 dots per inch.
inline constexpr int kMinWindowWidth = 640;
inline constexpr int kMinWindowHeight = 480;
