// Strict iconv conversion: the whole text or nothing.
#include "tests/platform/iconv_text.h"

#include <cerrno>
#include <iconv.h>

std::optional<std::string> convertStrict(std::string_view text, const char *fromCodeset,
                                         const char *toCodeset)
{
    iconv_t cd = iconv_open(toCodeset, fromCodeset);
    if (cd == reinterpret_cast<iconv_t>(-1))
    {
        return std::nullopt;
    }
    std::string out;
    char *in = const_cast<char *>(text.data());
    size_t inLeft = text.size();
    bool ok = true;
    while (inLeft > 0)
    {
        char chunk[512];
        char *outPtr = chunk;
        size_t outLeft = sizeof chunk;
        size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, static_cast<size_t>(outPtr - chunk));
        if (result == static_cast<size_t>(-1) && errno != E2BIG)
        {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok)
    {
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> big5ToUtf8(std::string_view big5)
{
    return convertStrict(big5, "CP950", "UTF-8");
}

std::optional<std::string> utf8ToBig5(std::string_view utf8)
{
    return convertStrict(utf8, "UTF-8", "CP950");
}
