// The nine instruction lines as a reader sees them (UTF-8), with their lengths in Big5: what the
// app tests hold the program's bytes against.
#pragma once

#include <cstddef>
#include <string>

struct InstructionLine
{
    const char *text;  // the line, UTF-8, its line feed included
    std::size_t bytes; // its length in Big5, the line feed included
};

inline constexpr InstructionLine EXPECTED_LINES[9] = {
    {"這是一個標準的五子棋\n", 21},
    {"但是相比傳統的二維五子棋，這是三維的!!\n", 39},
    {"按滑鼠右鍵會有'Cheat' 'Restart'這二個選項\n", 42},
    {"選擇'Cheat'會開啟作弊模式\n", 26},
    {"選擇'Restart'會開始新的一局\n", 28},
    {"選擇'w' 'a' 's' 'd'可以控制旗子上下左右~~\n", 42},
    {"按空白鍵便會下棋\n", 17},
    {"選擇上下左右鍵可以360度觀看整個棋盤\n", 36},
    {"如果有一方贏了就會有一些變化，此時可以按'Restart重來!!!\n", 56},
};

// All nine lines, readable, in order.
inline std::string allInstructionText()
{
    std::string text;
    for (const InstructionLine &line : EXPECTED_LINES)
    {
        text += line.text;
    }
    return text;
}
