// The texts the window shows for several sources at once. Tests compare against these.
#pragma once

// The field's list of sources, when it can't be read: why, then how it is written.
inline constexpr const char16_t* kListQuoteNotClosed =
    u"The list of sources has a double quote that is not closed.";
inline constexpr const char16_t* kListTextOutsideQuotes =
    u"The list of sources has text outside double quotes: %s";
inline constexpr const char16_t* kListEmptyName = u"The list of sources has an empty name: \"\".";
inline constexpr const char16_t* kListHowTo =
    u"Write each file in double quotes, separated by spaces: \"a.csv\" \"b.csv\".";
// A file chosen or dropped with others whose name can't be written in the list: its path.
inline constexpr const char16_t* kQuoteInListedName =
    u"%s: a file whose name holds a double quote can't be one of several sources. Convert it "
    u"on its own.";

// The labels that follow what the source field holds.
inline constexpr const char16_t* kOutputFileLabel = u"Output file";
// As short as "Output file": the label has that one's room left of the field.
inline constexpr const char16_t* kOutputFolderLabel = u"To folder";
inline constexpr const char16_t* kPreviewLabel = u"Preview";
// Under "Preview" with several sources: the pane shows the first of them.
inline constexpr const char16_t* kPreviewOfSeveral = u"Preview\n1 of %d";

// Convert with several sources.
inline constexpr const char16_t* kFolderMissing = u"The output folder is not specified yet.";
inline constexpr const char16_t* kNotAFolder = u"is not a folder";
// The first line of the message at the end: sources written, sources, rows in all.
inline constexpr const char16_t* kBatchTotal = u"%lld of %lld sources written, %lld rows in all";
// A line for each source after its path and ": ".
inline constexpr const char16_t* kBatchWritten = u"%lld rows written, %lld lines left out";
inline constexpr const char16_t* kBatchFailed = u"could not convert: %s";
inline constexpr const char16_t* kBatchCancelled = u"cancelled, its output as it was";
