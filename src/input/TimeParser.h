// Turns the text of a time column into the number the miner compares.
#ifndef CARMASEQ_INPUT_TIMEPARSER_H_
#define CARMASEQ_INPUT_TIMEPARSER_H_

#include <string>
#include <string_view>

#include "foundation/Visibility.h"

namespace SEQUENCE_NAMESPACE_800 {

// Dates and date-times become days since 1970-01-01 00:00 UTC, with the time of day as the
// fraction (so gaps and windows over dates are in days). Without a format a text is read as
// the first that fits of:
//   - a decimal number, taken as it is ("42", "-1.5e3");
//   - an ISO 8601 date "YYYY-MM-DD", or date-time "YYYY-MM-DDThh:mm[:ss[.fff]]" (a space may
//     replace the T), optionally followed by "Z" or an offset "+hh:mm" / "-hh:mm".
// With a format, the text must match it exactly: %Y (year, 1 to 4 digits), %y (two digits,
// 69-99 meaning 1969-1999 and 00-68 meaning 2000-2068), %m, %d, %H, %M, %S (1 or 2 digits),
// %b (English month abbreviation, any case), %% (a percent sign); any other character matches
// itself. Fields the format lacks default to 1970-01-01 00:00:00. Copyable.
class CARMASEQ_MINING_EXPORT TimeParser {
 public:
  // Throws std::invalid_argument for a format with an unknown or unfinished directive.
  explicit TimeParser(std::string format = std::string());

  // Returns true and sets *time iff text is a valid time (a real calendar date within years
  // 0..9999 and a valid time of day). Leading and trailing blanks are ignored.
  bool Parse(std::string_view text, double* time) const;

  // Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
  // REQUIRES: a valid date.
  static double DaysFromCivil(int year, int month, int day);

 private:
  bool ParseWithFormat(std::string_view text, double* time) const;
  static bool ParseIso(std::string_view text, double* time);

  std::string format_;
};

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_INPUT_TIMEPARSER_H_
