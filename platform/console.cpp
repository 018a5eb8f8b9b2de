// The console on a POSIX terminal: Big5 text transcoded for the terminal's locale when it does
// not decode Big5 itself, and the cursor placed with the ANSI cursor-position sequence.
#include "platform/console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <iostream>
#include <langinfo.h>
#include <locale.h>
#include <string>
#include <unistd.h>

namespace
{

bool stdoutIsTerminal()
{
    return isatty(STDOUT_FILENO) == 1;
}

// The codeset of the user's character-type locale, read without touching the process's own
// locale (so number parsing is never affected). Empty when the locale cannot be had.
std::string terminalCodeset()
{
    locale_t userLocale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (userLocale == static_cast<locale_t>(nullptr))
    {
        return {};
    }
    std::string codeset = nl_langinfo_l(CODESET, userLocale);
    freelocale(userLocale);
    return codeset;
}

bool isBig5Codeset(const std::string &codeset)
{
    return strcasecmp(codeset.c_str(), "BIG5") == 0 ||
           strcasecmp(codeset.c_str(), "BIG5-HKSCS") == 0 ||
           strcasecmp(codeset.c_str(), "CP950") == 0;
}

// Decided once: whether console text is transcoded, and to what.
const std::string &transcodeTarget()
{
    static const std::string target = []
    {
        if (!stdoutIsTerminal())
        {
            return std::string();
        }
        std::string codeset = terminalCodeset();
        // The C locale's "ANSI_X3.4-1968" cannot show Chinese at all; UTF-8 is what a
        // terminal of today decodes, so it is the best guess there.
        if (codeset.empty() || codeset == "ANSI_X3.4-1968")
        {
            codeset = "UTF-8";
        }
        return isBig5Codeset(codeset) ? std::string() : codeset;
    }();
    return target;
}

// The length of the Big5 character at `bytes`: two for a lead byte followed by a trail byte,
// otherwise one. Skipping a whole character keeps its trail byte (often an ASCII letter) from
// showing up on its own.
size_t big5CharacterLength(const char *bytes, size_t available)
{
    auto lead = static_cast<unsigned char>(bytes[0]);
    if (available < 2 || lead < 0x81 || lead > 0xfe)
    {
        return 1;
    }
    auto trail = static_cast<unsigned char>(bytes[1]);
    bool isTrail = (trail >= 0x40 && trail <= 0x7e) || (trail >= 0xa1 && trail <= 0xfe);
    return isTrail ? 2 : 1;
}

} // namespace

std::string big5ToCodeset(std::string_view big5, const char *toCodeset)
{
    iconv_t cd = iconv_open(toCodeset, "CP950");
    if (cd == reinterpret_cast<iconv_t>(-1))
    {
        return std::string(big5);
    }
    std::string out;
    char chunk[256];
    char *in = const_cast<char *>(big5.data());
    size_t inLeft = big5.size();
    while (inLeft > 0)
    {
        char *outPtr = chunk;
        size_t outLeft = sizeof chunk;
        size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, static_cast<size_t>(outPtr - chunk));
        if (result == static_cast<size_t>(-1) && errno != E2BIG)
        {
            // A character the target cannot show, or an invalid byte: one '?' stands for it.
            size_t skipped = big5CharacterLength(in, inLeft);
            out.push_back('?');
            in += skipped;
            inLeft -= skipped;
        }
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv_close(cd);
    return out;
}

void consoleWriteBig5(std::string_view big5)
{
    const std::string &target = transcodeTarget();
    if (target.empty())
    {
        std::cout.write(big5.data(), static_cast<std::streamsize>(big5.size()));
    }
    else
    {
        std::string text = big5ToCodeset(big5, target.c_str());
        std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
}

void consoleFlush()
{
    std::cout.flush();
}

void consoleMoveCursor(int column, int row)
{
    if (!stdoutIsTerminal())
    {
        return;
    }
    // CUP counts rows and columns from 1.
    std::cout << "\x1b[" << row + 1 << ';' << column + 1 << 'H';
    std::cout.flush();
}
