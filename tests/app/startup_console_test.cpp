// Tests of the console text of the real program's start-up: the instructions, then a cursor
// move and any report for each of the five mesh files, on a terminal and on a pipe.
#include "tests/app/instruction_text.h"
#include "tests/model/stl_messages.h"
#include "tests/platform/child_process.h"
#include "tests/platform/iconv_text.h"

#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

// Puts the cursor at column 0, row 7 (counted from 1 in the sequence).
const std::string CURSOR_TO_ROW_7 = "\x1b[8;1H";

// A working directory with the five mesh files, some good and some bad: plane.STL and
// "black wins.STL" load, lines.STL has a normal that is not a number, circle.STL is missing,
// and "white wins.STL" is empty.
class StartupConsole : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("gomoku-startup-" + std::to_string(getpid()));
        fs::create_directories(folder);
        const fs::path data = GOMOKU_TEST_DATA_DIR;
        fs::copy_file(data / "three_facets.STL", folder / "plane.STL");
        fs::copy_file(data / "normal_not_a_number.STL", folder / "lines.STL");
        fs::copy_file(data / "three_facets.STL", folder / "black wins.STL");
        fs::copy_file(data / "empty.STL", folder / "white wins.STL");
    }

    void TearDown() override { fs::remove_all(folder); }

    // The program with no display to open: after the console phase, opening the window fails
    // and freeglut ends the process, so the console text is all there is to collect.
    ChildResult runGame(StdoutKind kind) const
    {
        ChildLaunch launch;
        launch.argv = {GOMOKU_EXECUTABLE};
        launch.environment = {{"DISPLAY", std::nullopt},
                              {"WAYLAND_DISPLAY", std::nullopt},
                              {"LC_ALL", "C.UTF-8"},
                              {"LC_CTYPE", std::nullopt},
                              {"LANG", std::nullopt}};
        launch.workingDirectory = folder.string();
        return runChild(launch, kind);
    }

    fs::path folder;
};

} // namespace

TEST_F(StartupConsole, OnAUtf8TerminalShowsTheTextAsChineseAndEachReportAtRow7)
{
    // One cursor move before each file, in model order; a report after each that fails.
    std::string expected = allInstructionText();
    expected += CURSOR_TO_ROW_7; // plane.STL loads
    expected += CURSOR_TO_ROW_7 + "讀檔失敗!\n錯誤描述：法向量數值讀取錯誤\n";
    expected += CURSOR_TO_ROW_7 + "讀檔失敗!\n錯誤描述：檔名或路徑錯誤! 無法開啟檔案!\n";
    expected += CURSOR_TO_ROW_7; // "black wins.STL" loads
    expected += CURSOR_TO_ROW_7 + "讀檔失敗!\n錯誤描述：無內容\n";

    ChildResult result = runGame(StdoutKind::Terminal);
    ASSERT_FALSE(result.hung);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.output, expected);
}

TEST_F(StartupConsole, OnAPipeWritesTheBig5BytesInOrderWithNoCursorMoves)
{
    std::optional<std::string> instructions = utf8ToBig5(allInstructionText());
    ASSERT_TRUE(instructions.has_value());
    const std::string expected = *instructions + stlReport(MESSAGE_BAD_NORMAL) +
                                 stlReport(MESSAGE_CANNOT_OPEN) + stlReport(MESSAGE_NO_CONTENT);

    ChildResult result = runGame(StdoutKind::Pipe);
    ASSERT_FALSE(result.hung);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.output, expected);
}
