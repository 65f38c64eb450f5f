// ScanFormat: the format-driven line scanner of the text model readers, and the number
// readers it is built on.
//
// Numbers are read the same way on every system, whatever the process locale: a decimal point
// is always '.'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Walks input and format side by side and stores each conversion into the next output:
// %d into an int32_t*, %f into a float*, %s into a std::string*, %x into a uint32_t*; any
// other letter uses up one output (a void*) without storing. Returns the number of
// conversions performed. Never reads past the end of input.
//
// Spaces and tabs are skipped in both before and after every element; literals must match
// byte for byte, and the first that does not ends the scan, as does the end of the input.
// %s empties its string and copies bytes up to the format character that follows the
// conversion (to the end of the input when none follows). A numeric conversion is counted
// even when the input holds no number there (it stores 0) and advances past exactly the text
// it read: %d an optional sign and digits; %f an optional sign, digits with at most one '.',
// and an exponent part ("e", optional sign, digits) when one follows the digits; %x an
// optional sign, an optional "0x" and hexadecimal digits.
int ScanFormat(std::string_view input, const char* format, ...);

// The integer %d reads at text[pos] (after skipping white space, as atoi does); pos moves past
// the text read. Values beyond the int32 range saturate. 0 when there is no digit.
int32_t scanInt(std::string_view text, std::size_t& pos);

// The number %f reads at text[pos] (after skipping white space, as atof does), as a double;
// pos moves past the text read. 0 when there is no digit; +-infinity beyond the double range.
double scanDouble(std::string_view text, std::size_t& pos);

// scanDouble stored as a float: values beyond the float range become +-infinity.
float scanFloat(std::string_view text, std::size_t& pos);

// atoi and atof of the start of text, through scanInt and scanDouble.
int32_t textToInt(std::string_view text);
double textToDouble(std::string_view text);

// The float nearest to value; +-infinity for values beyond the float range.
float narrowToFloat(double value);
