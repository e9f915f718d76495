#include "libs/suppcore/IsoDate.h"

namespace {

// Reads count digits at at; false when one is not a digit.
bool Digits(std::string_view text, std::size_t& at, std::size_t count, int& value) {
  if (text.size() - at < count)
    return false;
  value = 0;
  for (std::size_t end = at + count; at < end; ++at) {
    const unsigned digit = static_cast<unsigned char>(text[at]) - '0';
    if (digit > 9)
      return false;
    value = value * 10 + static_cast<int>(digit);
  }
  return true;
}

bool Take(std::string_view text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c)
    return false;
  ++at;
  return true;
}

int DaysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const auto dayOfYear =
      static_cast<unsigned>((153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1);
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

// The zone after a time: Z, or a sign and hh:mm or hhmm; none is UTC.
bool ZoneMinutes(std::string_view text, std::size_t& at, int& minutes) {
  minutes = 0;
  if (at == text.size())
    return true;
  if (Take(text, at, 'Z'))
    return at == text.size();
  const char sign = text[at];
  if (sign != '+' && sign != '-')
    return false;
  ++at;
  int hours = 0;
  int mins = 0;
  if (!Digits(text, at, 2, hours))
    return false;
  Take(text, at, ':');
  if (!Digits(text, at, 2, mins) || at != text.size() || hours > 23 || mins > 59)
    return false;
  minutes = (hours * 60 + mins) * (sign == '-' ? -1 : 1);
  return true;
}

}  // namespace

bool ParseIsoDate(std::string_view text, std::int64_t& milliseconds) {
  // Most texts are no date: one look at their length and dashes sends them back.
  if (text.size() < 10 || text[4] != '-' || text[7] != '-')
    return false;
  std::size_t at = 0;
  int year = 0;
  int month = 0;
  int day = 0;
  if (!Digits(text, at, 4, year) || !Take(text, at, '-') || !Digits(text, at, 2, month) ||
      !Take(text, at, '-') || !Digits(text, at, 2, day))
    return false;
  if (month < 1 || month > 12 || day < 1 || day > DaysIn(year, month))
    return false;
  std::int64_t ms = DaysFromCivil(year, month, day) * 86400000;
  if (at == text.size()) {
    milliseconds = ms;
    return true;
  }
  if (!Take(text, at, 'T') && !Take(text, at, ' '))
    return false;
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (!Digits(text, at, 2, hour) || !Take(text, at, ':') || !Digits(text, at, 2, minute) ||
      hour > 23 || minute > 59)
    return false;
  int millis = 0;
  if (Take(text, at, ':')) {
    if (!Digits(text, at, 2, second) || second > 59)
      return false;
    if (Take(text, at, '.') || Take(text, at, ',')) {
      const std::size_t first = at;
      for (int place = 100; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        millis += (text[at] - '0') * place;
        place /= 10;
      }
      if (at == first)
        return false;
    }
  }
  int zone = 0;
  if (!ZoneMinutes(text, at, zone))
    return false;
  ms += ((hour * 60 + minute - zone) * 60 + second) * std::int64_t{1000} + millis;
  milliseconds = ms;
  return true;
}
