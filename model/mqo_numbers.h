// The numbers that make up most of a Metasequoia document (positions and texture coordinates
// such as "-12.3456"), read on a short path that gives exactly what scanFloat gives for them;
// any other form is left to scanFloat.
#pragma once

#include <cstddef>
#include <string_view>

// Reads a number of the form [-]digits[.digits] with at most 15 digits in all and no exponent
// that starts at text[pos], as scanFloat would read it, and moves pos past it; false, leaving
// pos, for anything else.
bool scanPlainFloat(std::string_view text, std::size_t& pos, float& value);

// A number at text[pos] as scanFloat reads it (white space before it skipped), through the
// short path where it applies.
float scanMqoFloat(std::string_view text, std::size_t& pos);
