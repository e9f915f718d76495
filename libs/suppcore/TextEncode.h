// Encoding of UTF-16 texts for the writer: plain UTF-8 (BSON) and UTF-8 with JSON string
// escapes. Both write into memory the caller has reserved, the stated number of bytes per
// UTF-16 unit, so the loops over the characters never allocate; they may use all of it as
// scratch space, also beyond the end they return. A surrogate pair becomes one 4-byte
// sequence; a lone surrogate becomes U+FFFD.
#pragma once

#include <cstddef>
#include <string_view>

// Bytes per UTF-16 unit at most: "\u001f" for JSON, 3 bytes of UTF-8 otherwise (a pair of
// units gives 4 bytes, U+FFFD for one lone unit gives 3).
constexpr size_t kMaxJsonBytesPerUnit = 6;
constexpr size_t kMaxUtf8BytesPerUnit = 3;

// Writes text as the inside of a JSON string: '"', '\\' and control characters escaped
// (short forms for \b \f \n \r \t, \u00XX for the others). Returns the end of the output.
char* EscapeJson(char* out, std::u16string_view text);
// The same for text that is UTF-8 already: bytes from 0x80 on are copied as they are.
// Needs kMaxJsonBytesPerUnit bytes per byte of text.
char* EscapeJsonUtf8(char* out, std::string_view text);
// The same for text followed by kTextSlack readable bytes, which it may read and ignore:
// short texts go in whole chunks rather than byte by byte. Writes up to kTextSlack bytes
// past the end it returns.
constexpr size_t kTextSlack = 16;
char* EscapeJsonUtf8Padded(char* out, std::string_view text);
// Copies text followed by kTextSlack readable bytes; writes up to kTextSlack bytes past
// the end it returns.
char* CopyPadded(char* out, std::string_view text);
// Writes text as UTF-8 without any escapes. Returns the end of the output.
char* EncodeUtf8(char* out, std::u16string_view text);

// Length of the first piece of text of about maxUnits units (at least one) that does not
// end between the two units of a surrogate pair; long texts are encoded piece by piece so
// that the memory reserved for them stays bounded.
size_t PieceLength(std::u16string_view text, size_t maxUnits);
