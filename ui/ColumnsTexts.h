// The Columns dialog's fixed texts.
#pragma once

inline constexpr const char16_t* kColumnsCaption = u"Columns";
// The table's column titles, in its order.
inline constexpr const char16_t* kKeepTitle = u"Keep";
inline constexpr const char16_t* kNameTitle = u"Name";
inline constexpr const char16_t* kOutputNameTitle = u"Output name";
inline constexpr const char16_t* kTypeTitle = u"Type";
inline constexpr const char16_t* kEmptyTitle = u"Empty values";
// The recipe files' save and open dialogs.
inline constexpr const char16_t* kRecipeFilter = u"Column recipes (*.json)|*.json|All Files|*.*||";
inline constexpr const char16_t* kRecipeExtension = u"json";

// Message boxes. %s: the recipe file, then the reason or the columns.
inline constexpr const char16_t* kRecipeNotRead = u"The recipe %s could not be read: %s";
inline constexpr const char16_t* kRecipeNotWritten = u"The recipe %s could not be written: %s";
inline constexpr const char16_t* kRecipeColumnsMissing =
    u"The recipe %s names columns the source does not have, which are left out: %s";
// %s: the output name, then the two columns.
inline constexpr const char16_t* kSameOutputName =
    u"Two columns would be written under the name \u201C%s\u201D: %s and %s. Give one of them "
    u"another output name, or leave one out.";
// %s: the file the window keeps the columns chosen in for this source's header, and why.
inline constexpr const char16_t* kPlanNotKept =
    u"The columns chosen could not be kept for the next time: %s: %s";
// %s: the source, when its header can't be read.
inline constexpr const char16_t* kNoColumnsToChoose =
    u"The columns of %s can't be chosen: it has no header line that can be read.";
