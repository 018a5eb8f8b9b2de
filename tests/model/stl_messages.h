// The STL reader's failure report as a pipe receives it: Big5 bytes made with iconv from the
// readable text, for the reader tests and the start-up tests.
#pragma once

#include <iconv.h>
#include <string>
#include <string_view>

inline constexpr std::string_view MESSAGE_CANNOT_OPEN = "檔名或路徑錯誤! 無法開啟檔案!";
inline constexpr std::string_view MESSAGE_NO_CONTENT = "無內容";
inline constexpr std::string_view MESSAGE_BAD_NORMAL = "法向量數值讀取錯誤";

// The two lines written for the failure `message` (readable text), converted by iconv.
inline std::string stlReport(std::string_view message)
{
    std::string text = "讀檔失敗!\n錯誤描述：" + std::string(message) + "\n",
                big5(text.size(), '\0');
    char *in = text.data(), *out = big5.data();
    std::size_t inLeft = text.size(), outLeft = big5.size();
    iconv_t cd = iconv_open("CP950", "UTF-8");
    const bool converted = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return converted ? big5.substr(0, big5.size() - outLeft) : "(no Big5)";
}
