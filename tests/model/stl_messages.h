// The STL reader's failure report as the console receives it: Big5 bytes, shared by the reader
// tests and the start-up tests.
#pragma once

#include <string>
#include <string_view>

// 讀檔失敗!
inline constexpr std::string_view REPORT_HEADLINE = "\xc5\xaa\xc0\xc9\xa5\xa2\xb1\xd1!\n";
// 錯誤描述：
inline constexpr std::string_view REPORT_DESCRIPTION = "\xbf\xf9\xbb\x7e\xb4\x79\xad\x7a\xa1\x47";

// 引數錯誤
inline constexpr std::string_view MESSAGE_NO_NAME = "\xa4\xde\xbc\xc6\xbf\xf9\xbb\x7e";
// 檔名或路徑錯誤! 無法開啟檔案!
inline constexpr std::string_view MESSAGE_CANNOT_OPEN =
    "\xc0\xc9\xa6\x57\xa9\xce\xb8\xf4\xae\x7c\xbf\xf9\xbb\x7e! \xb5\x4c\xaa\x6b\xb6\x7d\xb1\xd2\xc0\xc9\xae\xd7!";
// 無內容
inline constexpr std::string_view MESSAGE_NO_CONTENT = "\xb5\x4c\xa4\xba\xae\x65";
// 格式不合(無solid)
inline constexpr std::string_view MESSAGE_NO_SOLID =
    "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4csolid)";
// 格式不合(無normal)
inline constexpr std::string_view MESSAGE_NO_NORMAL =
    "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4cnormal)";
// 法向量數值讀取錯誤
inline constexpr std::string_view MESSAGE_BAD_NORMAL =
    "\xaa\x6b\xa6\x56\xb6\x71\xbc\xc6\xad\xc8\xc5\xaa\xa8\xfa\xbf\xf9\xbb\x7e";
// 格式不合(無outer)
inline constexpr std::string_view MESSAGE_NO_OUTER =
    "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4couter)";
// 格式不合(無loop)
inline constexpr std::string_view MESSAGE_NO_LOOP =
    "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4cloop)";
// 格式不合(無vertex)
inline constexpr std::string_view MESSAGE_NO_VERTEX =
    "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4cvertex)";
// vertex 1 數值讀取錯誤
inline constexpr std::string_view MESSAGE_BAD_VERTEX_1 =
    "vertex 1 \xbc\xc6\xad\xc8\xc5\xaa\xa8\xfa\xbf\xf9\xbb\x7e";
// vertex 2 數值讀取錯誤
inline constexpr std::string_view MESSAGE_BAD_VERTEX_2 =
    "vertex 2 \xbc\xc6\xad\xc8\xc5\xaa\xa8\xfa\xbf\xf9\xbb\x7e";
// vertex 3 數值讀取錯誤
inline constexpr std::string_view MESSAGE_BAD_VERTEX_3 =
    "vertex 3 \xbc\xc6\xad\xc8\xc5\xaa\xa8\xfa\xbf\xf9\xbb\x7e";
// 格式不合(無endloop) (the literal is split: a hex escape would swallow the "e" of "endloop")
inline constexpr std::string_view MESSAGE_NO_ENDLOOP = "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4c"
                                                       "endloop)";
// 格式不合(無endfacet)
inline constexpr std::string_view MESSAGE_NO_ENDFACET = "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4c"
                                                        "endfacet)";

// Every message the reader can report.
inline constexpr std::string_view ALL_MESSAGES[] = {
    MESSAGE_NO_NAME,    MESSAGE_CANNOT_OPEN,  MESSAGE_NO_CONTENT,   MESSAGE_NO_SOLID,
    MESSAGE_NO_NORMAL,  MESSAGE_BAD_NORMAL,   MESSAGE_NO_OUTER,     MESSAGE_NO_LOOP,
    MESSAGE_NO_VERTEX,  MESSAGE_BAD_VERTEX_1, MESSAGE_BAD_VERTEX_2, MESSAGE_BAD_VERTEX_3,
    MESSAGE_NO_ENDLOOP, MESSAGE_NO_ENDFACET,
};

// The two lines the reader writes for a failure with `message`.
inline std::string stlReport(std::string_view message)
{
    std::string report(REPORT_HEADLINE);
    report += REPORT_DESCRIPTION;
    report += message;
    report += "\n";
    return report;
}
