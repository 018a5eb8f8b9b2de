// The console: Big5 text out, and the terminal cursor put at a column and row.
// The only code that knows what standard output is connected to.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Writes Big5 (code page 950) bytes to standard output. When standard output is a terminal
// whose locale does not decode Big5, the text is transcoded to the terminal's codeset so that
// it reads as Chinese there; otherwise (a file, a pipe, a Big5 terminal) the bytes go out as
// they stand. Does not flush.
void consoleWriteBig5(std::string_view big5);

// Flushes standard output.
void consoleFlush();

// Puts the terminal's cursor at `column`, `row` (both from 0 at the top left) when standard
// output is a terminal; does nothing when it is redirected.
void consoleMoveCursor(int column, int row);

// Converts Big5 bytes to the codeset `toCodeset` (e.g. "UTF-8"), replacing what cannot be
// converted with '?'. Exposed for tests; POSIX systems only (the Windows console takes the text
// as UTF-16 instead).
std::string big5ToCodeset(std::string_view big5, const char *toCodeset);
