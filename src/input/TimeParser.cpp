#include "input/TimeParser.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace SEQUENCE_NAMESPACE_800 {

namespace {

constexpr double kSecondsPerDay = 86400.0;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Reads between minDigits and maxDigits digits at text[*i]; advances *i past them.
bool ReadNumber(std::string_view text, std::size_t* i, int minDigits, int maxDigits, int* value) {
  int digits = 0;
  int v = 0;
  while (*i < text.size() && digits < maxDigits && IsDigit(text[*i])) {
    v = v * 10 + (text[*i] - '0');
    ++*i;
    ++digits;
  }
  *value = v;
  return digits >= minDigits;
}

bool Expect(std::string_view text, std::size_t* i, char c) {
  if (*i >= text.size() || text[*i] != c) return false;
  ++*i;
  return true;
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Calendar fields of a time, checked by Combine.
struct Fields {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0;
  double second = 0;
};

bool Combine(const Fields& f, double* time) {
  if (f.year < 0 || f.year > 9999 || f.month < 1 || f.month > 12) return false;
  if (f.day < 1 || f.day > DaysInMonth(f.year, f.month)) return false;
  if (f.hour > 23 || f.minute > 59 || !(f.second < 60)) return false;
  *time = TimeParser::DaysFromCivil(f.year, f.month, f.day) +
          (f.hour * 3600.0 + f.minute * 60.0 + f.second) / kSecondsPerDay;
  return true;
}

bool ReadMonthName(std::string_view text, std::size_t* i, int* month) {
  static const char* const kNames[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
  if (*i + 3 > text.size()) return false;
  for (int m = 0; m < 12; ++m) {
    bool same = true;
    for (int k = 0; k < 3 && same; ++k) {
      char c = text[*i + k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      same = c == kNames[m][k];
    }
    if (same) {
      *month = m + 1;
      *i += 3;
      return true;
    }
  }
  return false;
}

}  // namespace

TimeParser::TimeParser(std::string format) : format_(std::move(format)) {
  for (std::size_t i = 0; i < format_.size(); ++i) {
    if (format_[i] != '%') continue;
    if (++i == format_.size()) throw std::invalid_argument("time format ends with '%'");
    const std::string_view known = "YymdHMSb%";
    if (known.find(format_[i]) == std::string_view::npos) {
      throw std::invalid_argument(std::string("unknown time format directive %") + format_[i]);
    }
  }
}

double TimeParser::DaysFromCivil(int year, int month, int day) {
  // Days in whole 400-year eras, counted from 0000-03-01 so that leap days fall at year ends.
  const int y = month <= 2 ? year - 1 : year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yearOfEra = y - era * 400;
  const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return static_cast<double>(era) * 146097.0 + dayOfEra - 719468.0;
}

bool TimeParser::Parse(std::string_view text, double* time) const {
  text = Trim(text);
  if (text.empty()) return false;
  if (!format_.empty()) return ParseWithFormat(text, time);
  double number = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (ec == std::errc() && end == text.data() + text.size()) {
    if (!std::isfinite(number)) return false;
    *time = number;
    return true;
  }
  return ParseIso(text, time);
}

bool TimeParser::ParseIso(std::string_view text, double* time) {
  Fields f;
  std::size_t i = 0;
  if (!ReadNumber(text, &i, 4, 4, &f.year) || !Expect(text, &i, '-') ||
      !ReadNumber(text, &i, 2, 2, &f.month) || !Expect(text, &i, '-') ||
      !ReadNumber(text, &i, 2, 2, &f.day)) {
    return false;
  }
  double offsetMinutes = 0;
  if (i < text.size()) {
    if (text[i] != 'T' && text[i] != ' ') return false;
    ++i;
    if (!ReadNumber(text, &i, 2, 2, &f.hour) || !Expect(text, &i, ':') ||
        !ReadNumber(text, &i, 2, 2, &f.minute)) {
      return false;
    }
    if (i < text.size() && text[i] == ':') {
      ++i;
      int whole = 0;
      if (!ReadNumber(text, &i, 2, 2, &whole)) return false;
      f.second = whole;
      if (i < text.size() && text[i] == '.') {
        ++i;
        double scale = 0.1;
        const std::size_t first = i;
        while (i < text.size() && IsDigit(text[i])) {
          f.second += (text[i] - '0') * scale;
          scale /= 10;
          ++i;
        }
        if (i == first) return false;
      }
    }
    if (i < text.size() && text[i] == 'Z') {
      ++i;
    } else if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      const double sign = text[i] == '+' ? 1 : -1;
      ++i;
      int hours = 0, minutes = 0;
      if (!ReadNumber(text, &i, 2, 2, &hours) || !Expect(text, &i, ':') ||
          !ReadNumber(text, &i, 2, 2, &minutes) || hours > 23 || minutes > 59) {
        return false;
      }
      offsetMinutes = sign * (hours * 60 + minutes);
    }
    if (i != text.size()) return false;
  }
  if (!Combine(f, time)) return false;
  *time -= offsetMinutes / (24.0 * 60.0);
  return true;
}

bool TimeParser::ParseWithFormat(std::string_view text, double* time) const {
  Fields f;
  std::size_t i = 0;
  for (std::size_t k = 0; k < format_.size(); ++k) {
    if (format_[k] != '%') {
      if (!Expect(text, &i, format_[k])) return false;
      continue;
    }
    const char directive = format_[++k];
    int value = 0;
    bool ok = true;
    switch (directive) {
      case 'Y':
        ok = ReadNumber(text, &i, 1, 4, &f.year);
        break;
      case 'y':
        ok = ReadNumber(text, &i, 2, 2, &value);
        f.year = value < 69 ? 2000 + value : 1900 + value;
        break;
      case 'm':
        ok = ReadNumber(text, &i, 1, 2, &f.month);
        break;
      case 'd':
        ok = ReadNumber(text, &i, 1, 2, &f.day);
        break;
      case 'H':
        ok = ReadNumber(text, &i, 1, 2, &f.hour);
        break;
      case 'M':
        ok = ReadNumber(text, &i, 1, 2, &f.minute);
        break;
      case 'S':
        ok = ReadNumber(text, &i, 1, 2, &value);
        f.second = value;
        break;
      case 'b':
        ok = ReadMonthName(text, &i, &f.month);
        break;
      default:
        ok = Expect(text, &i, '%');
        break;
    }
    if (!ok) return false;
  }
  return i == text.size() && Combine(f, time);
}

}  // namespace SEQUENCE_NAMESPACE_800
