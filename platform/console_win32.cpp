// The console on Windows: Big5 text as it stands to a file, a pipe or a console showing code
// page 950, as UTF-16 to a console showing another code page; the cursor placed with the
// console API.
#include "platform/console.h"

#include "platform/windows.h"

#include <iostream>
#include <string>

namespace
{

constexpr UINT BIG5_CODE_PAGE = 950;
constexpr wchar_t REPLACEMENT = L'?'; // shown for a byte that starts no Big5 character

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

// Decodes one character of `size` bytes, or returns false when they are not one.
bool decodeCharacter(const char *bytes, int size, wchar_t *out)
{
    return MultiByteToWideChar(BIG5_CODE_PAGE, MB_ERR_INVALID_CHARS, bytes, size, out, 1) == 1;
}

// Big5 to UTF-16, one character at a time so that each byte that begins no character becomes
// one replacement mark and the text after it still reads.
std::wstring big5ToWide(std::string_view big5)
{
    std::wstring wide;
    wide.reserve(big5.size());
    size_t at = 0;
    while (at < big5.size())
    {
        const auto byte = static_cast<unsigned char>(big5[at]);
        wchar_t character = REPLACEMENT;
        if (byte < 0x80)
        {
            character = static_cast<wchar_t>(byte);
            at += 1;
        }
        else if (IsDBCSLeadByteEx(BIG5_CODE_PAGE, byte) && at + 1 < big5.size() &&
                 decodeCharacter(&big5[at], 2, &character))
        {
            at += 2;
        }
        else
        {
            if (!decodeCharacter(&big5[at], 1, &character))
            {
                character = REPLACEMENT;
            }
            at += 1;
        }
        wide.push_back(character);
    }
    return wide;
}

} // namespace

void consoleWriteBig5(std::string_view big5)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!isConsole(out))
    {
        std::cout.write(big5.data(), static_cast<std::streamsize>(big5.size()));
        return;
    }
    // On a console the text goes to it directly, after whatever the stream still holds: the C
    // runtime may translate bytes it writes to a console through its own locale.
    std::cout.flush();
    DWORD written = 0;
    if (GetConsoleOutputCP() == BIG5_CODE_PAGE)
    {
        WriteConsoleA(out, big5.data(), static_cast<DWORD>(big5.size()), &written, nullptr);
        return;
    }
    // A console showing another code page gets the text as UTF-16, which it shows whatever its
    // code page; the code page itself is left as the user set it.
    const std::wstring wide = big5ToWide(big5);
    WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

void consoleFlush()
{
    std::cout.flush();
}

void consoleMoveCursor(int column, int row)
{
    // Text still held in the stream belongs before the move.
    std::cout.flush();
    // A fresh handle each time; both results are ignored, and with standard output redirected
    // the move simply fails.
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    COORD position;
    position.X = static_cast<SHORT>(column);
    position.Y = static_cast<SHORT>(row);
    SetConsoleCursorPosition(out, position);
}
