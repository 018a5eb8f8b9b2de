// Tests of the nine instruction lines: their exact Big5 bytes, checked against the readable
// text through iconv, and what writeInstructions puts on a redirected standard output.
#include "app/instructions.h"
#include "platform/console.h"
#include "tests/app/instruction_text.h"
#include "tests/platform/iconv_text.h"
#include "tests/platform/stdout_capture.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

TEST(InstructionLines, AreTheBig5EncodingOfTheReadableText)
{
    for (int i = 0; i < INSTRUCTION_LINE_COUNT; ++i)
    {
        SCOPED_TRACE("line " + std::to_string(i + 1));
        const std::string_view bytes = INSTRUCTION_LINES[i];
        EXPECT_EQ(bytes.size(), EXPECTED_LINES[i].bytes);
        std::optional<std::string> decoded = big5ToUtf8(bytes);
        ASSERT_TRUE(decoded.has_value()) << "not valid Big5";
        EXPECT_EQ(*decoded, EXPECTED_LINES[i].text);
        std::optional<std::string> encoded = utf8ToBig5(EXPECTED_LINES[i].text);
        ASSERT_TRUE(encoded.has_value());
        EXPECT_EQ(bytes, *encoded);
    }
}

TEST(InstructionLines, EachEndsInItsOnlyLineFeedAndAllTogetherAre307Bytes)
{
    std::size_t total = 0;
    for (int i = 0; i < INSTRUCTION_LINE_COUNT; ++i)
    {
        SCOPED_TRACE("line " + std::to_string(i + 1));
        const std::string_view bytes = INSTRUCTION_LINES[i];
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes.back(), '\n');
        EXPECT_EQ(bytes.find('\n'), bytes.size() - 1);
        total += bytes.size();
    }
    EXPECT_EQ(total, 307u);
}

TEST(InstructionLines, WriteTheFullWidthCommaAsA141)
{
    // Lines 2 and 9 hold the comma; its trail byte is the ASCII letter 'A'.
    EXPECT_NE(INSTRUCTION_LINES[1].find("\xa1\x41"), std::string_view::npos);
    EXPECT_NE(INSTRUCTION_LINES[8].find("\xa1\x41"), std::string_view::npos);
}

TEST(WriteInstructions, WritesExactlyTheNineLinesInOrder)
{
    std::optional<std::string> expected = utf8ToBig5(allInstructionText());
    ASSERT_TRUE(expected.has_value());
    std::string written = captureStdout([] { writeInstructions(); });
    EXPECT_EQ(written.size(), 307u);
    EXPECT_EQ(written, *expected);
}

TEST(WriteInstructions, ReadAsUtf8ThroughTheConsoleConverter)
{
    // The whole text at once is longer than one round of the converter's output buffer.
    std::string big5;
    for (std::string_view line : INSTRUCTION_LINES)
    {
        big5 += line;
    }
    EXPECT_EQ(big5ToCodeset(big5, "UTF-8"), allInstructionText());
}
