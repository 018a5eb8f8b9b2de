// Reading a float from characters the way std::from_chars does with chars_format::general, on
// every standard library the game is built with.
#pragma once

#include <system_error>

struct FloatChars
{
    const char *ptr; // one past the last character read (`first` when nothing was read)
    std::errc ec;    // std::errc() when read, invalid_argument or result_out_of_range otherwise
};

// Reads the longest number at [first, last): an optional '-', digits with an optional '.', then
// an optional exponent. On success `value` holds it, correctly rounded; otherwise `value` is left
// as it was. std::from_chars where the library has it for floats; floatFromCharsPortably where it
// does not (the browser build's libc++).
FloatChars floatFromChars(const char *first, const char *last, float &value);

// The same, worked out with strtof, in whatever locale the program has. Digits only: "inf" and
// "nan", which from_chars also reads, are refused (the STL reader never hands them over).
FloatChars floatFromCharsPortably(const char *first, const char *last, float &value);
