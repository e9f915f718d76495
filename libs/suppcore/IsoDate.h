// IsoDate: an ISO 8601 date or date and time as a point in time. Taken: YYYY-MM-DD, then
// optionally T (or one space) and hh:mm, :ss and a fraction of any length (milliseconds
// kept, the rest dropped), then Z, +hh:mm, -hh:mm or +hhmm; a time without a zone is UTC.
// Every field is checked (month lengths, leap years, 24:00 refused); anything else is not
// a date, so a column of them stays text.
#pragma once

#include <cstdint>
#include <string_view>

// Milliseconds since 1970-01-01T00:00:00Z, negative before; false when text is no date.
bool ParseIsoDate(std::string_view text, std::int64_t& milliseconds);
