// Number-to-text functions for everything the library writes into XML. Two kinds of output: text
// that follows the process's current locale (for callers outside the library) and text that always
// uses the classic locale, so that written documents read the same on every machine.
#ifndef CARMASEQ_XML_NUMBERFORMAT_H_
#define CARMASEQ_XML_NUMBERFORMAT_H_

#include <cstdint>
#include <string>

#include "foundation/Visibility.h"

namespace QxXML_940 {

// Returns "%.15g", the format used when none is given.
CARMASEQ_EXPORT std::string GetDefaultNumericFormat();

// Returns the decimal-point string of the current C locale (LC_NUMERIC), e.g. "," under a German
// locale.
CARMASEQ_EXPORT std::string GetDecimalCharacter();

// Returns ";" whatever the locale.
CARMASEQ_EXPORT std::string GetListSeparator();

// Returns Format(double(value), true, nullptr): follows the current locale.
CARMASEQ_EXPORT std::string Format(std::int32_t value);

// When plain is true, prints value with snprintf under the current C locale using format (or
// "%.15g" when format is null); output longer than 111 characters is cut to 111. When plain is
// false, returns ReplaceSep(value, format), which ignores the locale.
// REQUIRES: format is null or a printf format taking exactly one double ("%g"/"%f"/"%e" family).
CARMASEQ_EXPORT std::string Format(double value, bool plain, const char* format);

// Returns value in fixed notation with 16 digits after the point, classic locale: the text of
// printf "%.16f" in the "C" locale (0.25 gives "0.2500000000000000").
CARMASEQ_EXPORT std::string ReplaceSep(double value);

// Returns value with up to 15 significant digits in the shortest notation, classic locale: the
// text of printf "%.15g" in the "C" locale ("3", "0.1", "1e+20", "inf", "-nan"). format is
// accepted and ignored.
CARMASEQ_EXPORT std::string ReplaceSep(double value, const char* format);

// Appends ReplaceSep(value, nullptr) to *out without a temporary string. For writers that format
// many numbers.
CARMASEQ_EXPORT void AppendClassic(std::string* out, double value);

}  // namespace QxXML_940

#endif  // CARMASEQ_XML_NUMBERFORMAT_H_
