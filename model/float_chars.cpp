// Reading a float from characters: the standard library's reader, or one made with strtof.
#include "model/float_chars.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

namespace
{

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

const char *skipDigits(const char *p, const char *last)
{
    while (p < last && isDigit(*p))
    {
        ++p;
    }
    return p;
}

} // namespace

FloatChars floatFromCharsPortably(const char *first, const char *last, float &value)
{
    // The number's extent first, so that strtof never reads past it (it would take "inf", hex
    // digits or a '+' that from_chars refuses).
    const char *p = first < last && *first == '-' ? first + 1 : first;
    const char *whole = skipDigits(p, last);
    const char *fraction = whole;
    if (fraction < last && *fraction == '.')
    {
        fraction = skipDigits(fraction + 1, last);
    }
    if (whole == p && fraction <= whole + 1)
    {
        return {first, std::errc::invalid_argument}; // no digit in the mantissa
    }
    const char *end = fraction;
    if (end < last && (*end == 'e' || *end == 'E'))
    {
        const char *exponent = end + 1;
        if (exponent < last && (*exponent == '+' || *exponent == '-'))
        {
            ++exponent;
        }
        const char *digits = skipDigits(exponent, last);
        if (digits > exponent)
        {
            end = digits; // an exponent without digits is not part of the number
        }
    }
    std::string text(first, end);
    // strtof reads the locale's decimal point; the number's is always '.'.
    const char *point = std::localeconv()->decimal_point;
    if (point[0] != '.' && point[0] != '\0' && point[1] == '\0')
    {
        std::replace(text.begin(), text.end(), '.', point[0]);
    }
    errno = 0;
    float read = std::strtof(text.c_str(), nullptr);
    // strtof also says ERANGE of a subnormal result, which from_chars returns as read; out of
    // range is what overflows, or underflows to zero.
    if (errno == ERANGE && (read == 0.0f || std::isinf(read)))
    {
        return {end, std::errc::result_out_of_range};
    }
    value = read;
    return {end, std::errc()};
}

FloatChars floatFromChars(const char *first, const char *last, float &value)
{
#if defined(__cpp_lib_to_chars) || (defined(__GLIBCXX__) && __GNUC__ >= 11)
    std::from_chars_result result = std::from_chars(first, last, value, std::chars_format::general);
    return {result.ptr, result.ec};
#else
    return floatFromCharsPortably(first, last, value);
#endif
}
