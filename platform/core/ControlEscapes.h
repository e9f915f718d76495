// Text for a terminal or a log: a file name may hold control characters (ESC sequences
// that recolour, retitle or rewrite a terminal), which are shown as escapes instead.
#pragma once

#include <string>
#include <string_view>

// The UTF-8 (or raw) bytes of text with every C0 control, DEL and C1 control (U+0080 to
// U+009F) written as an escape: "\x1b", "\x7f", "\u009b". With breaksAsSpaces, line feeds
// and carriage returns become spaces instead, so that an entry stays one line.
std::string EscapeControls(std::string_view text, bool breaksAsSpaces = false);
