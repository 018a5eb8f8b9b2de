// Tests of the console text: Big5 converted for a terminal, the nine instruction lines, and the
// real program's start-up on a terminal; held against tests/e2e/*.utf8.txt through iconv.
#include "app/instructions.h"
#include "platform/console.h"

#include <cstdio>
#include <fstream>
#include <iconv.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

#include <gtest/gtest.h>

namespace
{

// A readable text file in `codeset`, as iconv writes it; every character must convert.
std::string textIn(const char *fileName, const char *codeset)
{
    std::ifstream file(std::string(GOMOKU_TEXT_DIR "/") + fileName, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::string out(text.size() * 4, '\0');
    char *in = text.data();
    char *outAt = out.data();
    std::size_t inLeft = text.size();
    std::size_t outLeft = out.size();
    iconv_t cd = iconv_open(codeset, "UTF-8");
    EXPECT_NE(iconv(cd, &in, &inLeft, &outAt, &outLeft), static_cast<std::size_t>(-1)) << codeset;
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// The program's standard output on a raw pseudo-terminal (no "\n" to "\r\n"), started where no
// mesh file is and with no display: after its console text it ends, unable to open a window.
std::string runOnTerminal(const char *locale)
{
    std::string lcAll = std::string("LC_ALL=") + locale;
    char *environment[] = {lcAll.data(), const_cast<char *>("LOCPATH=" GOMOKU_LOCALES), nullptr};
    termios raw{};
    cfmakeraw(&raw);
    int terminal = -1;
    pid_t child = forkpty(&terminal, nullptr, &raw, nullptr);
    if (child == 0)
    {
        alarm(60); // a child that hangs ends all the same, even when its test has timed out
        std::freopen("/dev/null", "w", stderr); // freeglut's complaint about the display
        _exit(chdir(GOMOKU_NO_MESHES) == 0
                  ? execle(GOMOKU_EXECUTABLE, GOMOKU_EXECUTABLE, nullptr, environment)
                  : 126);
    }
    std::string output;
    char chunk[4096];
    for (ssize_t got; (got = read(terminal, chunk, sizeof chunk)) > 0;) // EIO once it has ended
    {
        output.append(chunk, static_cast<std::size_t>(got));
    }
    close(terminal);
    waitpid(child, nullptr, 0);
    return output;
}

} // namespace

TEST(Big5ToCodeset, ConvertsAndShowsEachCharacterItCannotConvertAsOneQuestionMark)
{
    const std::tuple<std::string, const char *, std::string> cases[] = {
        // ，這€ (the euro sign is in code page 950, not in plain Big5)
        {"\xa1\x41\xb3\x6f\xa3\xe1!! 360\n", "UTF-8", "，這€!! 360\n"},
        {std::string(600, '~'), "UTF-8", std::string(600, '~')}, // more than one output chunk
        // Latin-1 has no Chinese; the trail bytes 'A' and 'o' must not show up as letters
        {"x\xa1\x41\xb3\x6fy", "ISO-8859-1", "x??y"},
        // no character of code page 950, at each edge of the lead and trail byte ranges
        {"\x81\x40|\x81\x7e|\x81\xa1|\x81\xfe|\xfe\x40", "UTF-8", "?|?|?|?|?"},
        // FF starts no character; A4 is followed by no trail byte, then by nothing
        {"\xff\x41\xa4 x\xa4", "UTF-8", "?A? x?"},
        {"\xa1\x41\xff", "NO-SUCH-CODESET", "\xa1\x41\xff"}, // left as it is
    };
    for (const auto &[big5, codeset, expected] : cases)
    {
        EXPECT_EQ(big5ToCodeset(big5, codeset), expected);
    }
}

TEST(InstructionLines, AreTheReadableLinesInBig5InOrder)
{
    std::string lines;
    for (std::string_view line : INSTRUCTION_LINES)
    {
        lines += line;
    }
    EXPECT_EQ(lines, textIn("instructions.utf8.txt", "CP950"));
    EXPECT_EQ(lines.size(), 307u);
}

TEST(StartupOnATerminal, ShowsTheInstructionsThenEachReportAtColumn0Row7)
{
    const std::pair<const char *, const char *> cases[] = {
        {"C.UTF-8", "UTF-8"},
        {"C", "UTF-8"},             // cannot show Chinese: UTF-8 is the best guess
        {"xx_XX.NOWHERE", "UTF-8"}, // no such locale: the same guess
        {"zh_TW.BIG5", "CP950"},    // a terminal that decodes Big5 gets the bytes as they stand
        {"zh_TW.BIG5-HKSCS", "CP950"},
        {"zh_TW.CP950", "CP950"},
    };
    for (const auto &[locale, codeset] : cases)
    {
        SCOPED_TRACE(locale);
        // All five files are missing; the cursor sequence counts from 1, so row 7 is "8".
        std::string expected = textIn("instructions.utf8.txt", codeset);
        for (int model = 0; model < 5; ++model)
        {
            expected += "\x1b[8;1H" + textIn("missing_mesh_report.utf8.txt", codeset);
        }
        EXPECT_EQ(runOnTerminal(locale), expected);
    }
}
