// The STL reader's failure report as a pipe receives it: Big5 bytes made with iconv from the
// readable text, for the reader tests and the start-up tests.
#pragma once

#include "tests/platform/iconv_text.h"

inline constexpr std::string_view MESSAGE_CANNOT_OPEN = "檔名或路徑錯誤! 無法開啟檔案!";
inline constexpr std::string_view MESSAGE_NO_CONTENT = "無內容";
inline constexpr std::string_view MESSAGE_BAD_NORMAL = "法向量數值讀取錯誤";

// The two lines written for the failure `message` (readable text).
inline std::string stlReport(std::string_view message)
{
    return utf8ToBig5("讀檔失敗!\n錯誤描述：" + std::string(message) + "\n").value_or("(no Big5)");
}
