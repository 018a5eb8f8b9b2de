// Tests of the console: Big5 conversion, the bytes written to a redirected standard output, and
// what reaches a real terminal (a pseudo-terminal) under different locales.
#include "platform/console.h"
#include "tests/platform/child_process.h"
#include "tests/platform/stdout_capture.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

struct ConversionCase
{
    const char *what;
    std::string big5;
    std::string utf8;
};

std::string repeated(const std::string &text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
    {
        result += text;
    }
    return result;
}

} // namespace

TEST(Big5ToCodeset, ConvertsToUtf8AndMarksEveryBadByte)
{
    const ConversionCase cases[] = {
        // ，
        {"full-width comma", "\xa1\x41", "，"},
        // 這是三維的!!
        {"Chinese text with ASCII", "\xb3\x6f\xac\x4f\xa4\x54\xba\xfb\xaa\xba!!", "這是三維的!!"},
        {"plain ASCII", "'Cheat' 'Restart' 360\n", "'Cheat' 'Restart' 360\n"},
        {"nothing", "", ""},
        {"a byte no character starts with",
         "A\xff"
         "B",
         "A?B"},
        {"a lead byte cut off at the end", "A\xa4", "A?"},
        {"a lead byte before a byte no character ends with", "\xa4\x20x", "? x"},
        // 900 bytes of UTF-8: more than one round of the converter's output buffer
        {"text longer than one output chunk", repeated("\xa1\x41", 300), repeated("，", 300)},
    };
    for (const ConversionCase &c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(big5ToCodeset(c.big5, "UTF-8"), c.utf8);
    }
}

TEST(Big5ToCodeset, ReplacesACharacterTheTargetLacksWithOneQuestionMark)
{
    // Latin-1 has no Chinese: each character becomes one '?', and its trail byte (41 is 'A',
    // 6F is 'o') must not come out as a letter of its own.
    // ，這
    EXPECT_EQ(big5ToCodeset("\xa1\x41\xb3\x6f", "ISO-8859-1"), "??");
    // x，y
    EXPECT_EQ(big5ToCodeset("x\xa1\x41y", "ISO-8859-1"), "x?y");
}

TEST(Big5ToCodeset, LeavesTheBytesAloneForACodesetIconvDoesNotKnow)
{
    const std::string big5 = "\xa1\x41\xff";
    EXPECT_EQ(big5ToCodeset(big5, "NO-SUCH-CODESET"), big5);
}

TEST(ConsoleRedirected, WritesBig5BytesUnchanged)
{
    // 錯誤描述：, then a byte that is no Big5, then a line end
    const std::string bytes = "\xbf\xf9\xbb\x7e\xb4\x79\xad\x7a\xa1\x47\xff\n";
    std::string written = captureStdout(
        [&]
        {
            consoleWriteBig5(bytes);
            consoleFlush();
        });
    EXPECT_EQ(written, bytes);
}

TEST(ConsoleRedirected, MovingTheCursorWritesNothing)
{
    std::string written = captureStdout(
        [&]
        {
            consoleWriteBig5("a");
            consoleMoveCursor(0, 7);
            consoleMoveCursor(12, 3);
            consoleWriteBig5("b");
        });
    EXPECT_EQ(written, "ab");
}

namespace
{

// The probe writes "，" and a byte that is no Big5, puts the cursor at column 0, row 7, then
// writes "x".
const std::vector<std::string> PROBE_ACTIONS = {"text", "\xa1\x41\xff", "cursor", "0",
                                                "7",    "text",         "x"};

ChildLaunch probeSpec(std::optional<std::string> localeName, std::optional<std::string> locPath)
{
    ChildLaunch launch;
    launch.argv = {GOMOKU_CONSOLE_PROBE};
    launch.argv.insert(launch.argv.end(), PROBE_ACTIONS.begin(), PROBE_ACTIONS.end());
    launch.environment = {{"LC_ALL", localeName},
                          {"LC_CTYPE", std::nullopt},
                          {"LANG", std::nullopt},
                          {"LOCPATH", locPath}};
    return launch;
}

struct TerminalCase
{
    const char *what;
    const char *localeName;
    std::string expected;
};

} // namespace

TEST(ConsoleOnTerminal, TranscodesForTheTerminalAndPlacesTheCursor)
{
    // The cursor-position sequence counts from 1: row 7 is the eighth row.
    const TerminalCase cases[] = {
        {"a UTF-8 locale", "C.UTF-8", "，?\x1b[8;1Hx"},
        {"the C locale, which cannot show Chinese: UTF-8 is the guess", "C", "，?\x1b[8;1Hx"},
        {"a locale that does not exist: UTF-8 is the guess", "xx_XX.NOWHERE", "，?\x1b[8;1Hx"},
    };
    for (const TerminalCase &c : cases)
    {
        SCOPED_TRACE(c.what);
        ChildResult result = runChild(probeSpec(c.localeName, std::nullopt), StdoutKind::Terminal);
        ASSERT_FALSE(result.hung);
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, c.expected);
    }
}

TEST(ConsoleOnTerminal, CursorRowAndColumnCountFromOne)
{
    ChildLaunch launch = probeSpec("C.UTF-8", std::nullopt);
    launch.argv = {GOMOKU_CONSOLE_PROBE, "cursor", "4", "2", "cursor", "0", "0"};
    ChildResult result = runChild(launch, StdoutKind::Terminal);
    ASSERT_FALSE(result.hung);
    EXPECT_EQ(result.output, "\x1b[3;5H\x1b[1;1H");
}

TEST(ConsoleOnTerminal, ABig5TerminalGetsTheBytesUnchanged)
{
    const std::filesystem::path locales = GOMOKU_TEST_LOCALE_DIR;
    if (!std::filesystem::exists(locales / "zh_TW.BIG5" / "LC_CTYPE"))
    {
        GTEST_SKIP() << "no Big5 locale was built in " << locales;
    }
    ChildResult result = runChild(probeSpec("zh_TW.BIG5", locales.string()), StdoutKind::Terminal);
    ASSERT_FALSE(result.hung);
    // Not even the byte that is no Big5 is touched: the terminal gets what the program wrote.
    EXPECT_EQ(result.output, "\xa1\x41\xff\x1b[8;1Hx");
}

TEST(ConsoleOnPipe, WritesTheBytesUnchangedAndNoCursorSequence)
{
    ChildResult result = runChild(probeSpec("C.UTF-8", std::nullopt), StdoutKind::Pipe);
    ASSERT_FALSE(result.hung);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "\xa1\x41\xffx");
}
