// The console text: Big5 converted for a terminal, notices, and the real program's start-up on a
// terminal, held against tests/e2e/*.utf8.txt through iconv.
#include "platform/console.h"
#include "platform/status.h"

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
    char *in = text.data(), *outAt = out.data();
    std::size_t inLeft = text.size(), outLeft = out.size();
    iconv_t cd = iconv_open(codeset, "UTF-8");
    EXPECT_NE(iconv(cd, &in, &inLeft, &outAt, &outLeft), static_cast<std::size_t>(-1)) << codeset;
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// What `action` writes to standard output on a raw pseudo-terminal (no "\n" to "\r\n"), run in
// a child process under `locale`, with no display, in the test's working folder.
std::string onTerminal(const char *locale, void (*action)())
{
    termios raw{};
    cfmakeraw(&raw);
    int terminal = -1;
    pid_t child = forkpty(&terminal, nullptr, &raw, nullptr);
    if (child == 0)
    {
        alarm(60); // a child that hangs ends all the same, even when its test has timed out
        std::freopen("/dev/null", "w", stderr); // freeglut's complaint about the display
        setenv("LC_ALL", locale, 1);
        setenv("LOCPATH", GOMOKU_LOCALES, 1);
        unsetenv("DISPLAY");
        action();
        consoleFlush();
        _exit(0);
    }
    std::string output;
    char chunk[4096];
    for (ssize_t got; (got = read(terminal, chunk, sizeof chunk)) > 0;) // EIO once it has ended
        output.append(chunk, static_cast<std::size_t>(got));
    close(terminal);
    waitpid(child, nullptr, 0);
    return output;
}

} // namespace

TEST(Big5ToCodeset, ConvertsAndShowsEachCharacterItCannotConvertAsOneQuestionMark)
{
    const std::tuple<std::string, const char *, std::string> cases[] = {
        {"\xa1\x41\xb3\x6f\xa3\xe1!! 360\n", "UTF-8", "，這€!! 360\n"}, // € is not in plain Big5
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
        EXPECT_EQ(big5ToCodeset(big5, codeset), expected);
}

// Each new notice once, on a line of its own; the frames between and empty notices print nothing.
TEST(Notices, EachNewOneIsOneLineOfTheConsole)
{
    using Frame = std::tuple<std::string, unsigned, std::string>; // notice, its number, the output
    const std::string three = "Black may not play there under renju: a double three.";
    const std::string swap2 = "Swap2: the second player places two more stones: white, then black.";
    const Frame frames[] = {{"", 0, ""},    {three, 1, three + "\n"},
                            {three, 1, ""}, {three, 2, three + "\n"},
                            {"", 3, ""},    {swap2, 4, swap2 + "\n"}};
    for (const auto &[notice, number, written] : frames)
    {
        testing::internal::CaptureStdout();
        platformShowStatus(0, false, false, -1, 1, 2, 1, notice.c_str(), number);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), written) << number;
    }
}

TEST(StartupOnATerminal, ShowsTheTextInTheTerminalsCodesetAndEachReportAtColumn0Row7)
{
    const std::tuple<const char *, const char *, const char *> cases[] = {
        {"C.UTF-8", "UTF-8", "?"},
        {"C", "UTF-8", "?"},             // cannot show Chinese: UTF-8 is the best guess
        {"xx_XX.NOWHERE", "UTF-8", "?"}, // no such locale: the same guess
        // a terminal that decodes Big5 gets the bytes as they stand, even a byte that is no Big5
        {"zh_TW.BIG5", "CP950", "\xff"},
        {"zh_TW.BIG5-HKSCS", "CP950", "\xff"},
        {"zh_TW.CP950", "CP950", "\xff"},
    };
    for (const auto &[locale, codeset, badByte] : cases)
    {
        SCOPED_TRACE(locale);
        // The real program, where no mesh is (ctest runs it in its build folder): with no display
        // it ends after its console text. The cursor sequence counts from 1: row 7 is "8".
        std::string expected = textIn("instructions.utf8.txt", codeset);
        for (int model = 0; model < 5; ++model)
            expected += "\x1b[8;1H" + textIn("missing_mesh_report.utf8.txt", codeset);
        EXPECT_EQ(onTerminal(locale, [] { execl(GOMOKU_EXECUTABLE, GOMOKU_EXECUTABLE, nullptr); }),
                  expected);
        EXPECT_EQ(onTerminal(locale, [] { consoleWriteBig5("\xff"); }), badByte);
    }
}
