// The reader of the clients' messages (server/messages.h): a table of texts as a client might
// send them, hostile ones most of all, and what each must read as.
#include "server/messages.h"
#include "tests/server/server_fixture.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

const std::string GAME = "local-k3mzq2x7bd4hv6tp";
const std::string SECRET = "0123456789abcdef0123456789abcdef";

// What a text must read as: a request, in words, or an error code.
struct Case
{
    std::string text;
    // "create", "join GAME [SECRET]", "move R C N", "undo N", "answer N yes|no", or "error CODE"
    std::string reads;
};

std::string describe(const ClientMessage &message)
{
    if (std::holds_alternative<CreateRequest>(message))
    {
        return "create";
    }
    if (const auto *join = std::get_if<JoinRequest>(&message))
    {
        return "join " + join->game + (join->secret ? " " + *join->secret : "");
    }
    if (const auto *move = std::get_if<MoveRequest>(&message))
    {
        return "move " + std::to_string(move->row) + " " + std::to_string(move->col) + " " +
               std::to_string(move->n);
    }
    if (const auto *undo = std::get_if<UndoRequest>(&message))
    {
        return "undo " + std::to_string(undo->n);
    }
    if (const auto *answer = std::get_if<UndoAnswer>(&message))
    {
        return "answer " + std::to_string(answer->n) + (answer->accept ? " yes" : " no");
    }
    return "error " + std::string(codeName(std::get<Refusal>(message).code));
}

std::string move(const std::string &row, const std::string &col, const std::string &n)
{
    return R"({"type":"move","row":)" + row + R"(,"col":)" + col + R"(,"n":)" + n + "}";
}

const std::vector<Case> CASES = {
    {R"({"type":"create"})", "create"},
    {R"(  {"type" : "create", "extra": [1, {"x": null}]}  )", "create"},
    {join(GAME), "join " + GAME},
    {join(GAME, SECRET), "join " + GAME + " " + SECRET},
    {move("3", "4", "0"), "move 3 4 0"},
    {move("17", "0", "323"), "move 17 0 323"},
    // Coordinates beyond the board read as off it, whatever their size; counts beyond any board
    // as a count that is never the board's.
    {move("18", "0", "0"), "move -1 0 0"},
    {move("-1", "5", "0"), "move -1 5 0"},
    {move("0", "99999999999999999999", "0"), "error bad-field"}, // beyond 64 bits: a float
    {move("0", "9223372036854775807", "0"), "move 0 -1 0"},
    {move("0", "18446744073709551615", "0"), "move 0 -1 0"},
    {move("0", "-9223372036854775808", "0"), "move 0 -1 0"},
    {move("0", "0", "18446744073709551615"), "move 0 0 325"},
    {move("0", "0", "325"), "move 0 0 325"},
    {move("0", "0", "-1"), "error bad-field"},
    {move("3.0", "4", "0"), "error bad-field"},
    {move("3", "1e1", "0"), "error bad-field"},
    {move("\"3\"", "4", "0"), "error bad-field"},
    {move("true", "4", "0"), "error bad-field"},
    {move("null", "4", "0"), "error bad-field"},
    {move("3", "4", "0.5"), "error bad-field"},
    {R"({"type":"move","row":3,"col":4})", "error bad-field"},
    {R"({"type":"move","col":4,"n":0})", "error bad-field"},
    {R"({"type":"undo","n":4})", "undo 4"},
    {R"({"type":"undo","n":1e3})", "error bad-field"},
    {R"({"type":"undo","n":-2})", "error bad-field"},
    {R"({"type":"undo"})", "error bad-field"},
    {R"({"type":"undo-answer","n":4,"accept":false})", "answer 4 no"},
    {R"({"type":"undo-answer","n":400,"accept":true})", "answer 325 yes"},
    {R"({"type":"undo-answer","n":4,"accept":"yes"})", "error bad-field"},
    {R"({"type":"undo-answer","n":4,"accept":1})", "error bad-field"},
    {R"({"type":"undo-answer","n":4})", "error bad-field"},
    {R"({"type":"undo-answer","accept":true})", "error bad-field"},
    {join("local-K3MZQ2X7BD4HV6TP"), "error bad-field"},
    {join("local-k3mzq2x7bd4hv6t"), "error bad-field"},
    {join("local-k3mzq2x7bd4hv6tp0"), "error bad-field"},
    {join("local_k3mzq2x7bd4hv6tp"), "error bad-field"},
    {join("-k3mzq2x7bd4hv6tp"), "error bad-field"},
    {join("abcdefghijklmnopq-k3mzq2x7bd4hv6tp"), "error bad-field"},
    {join("local-k3mzq2x7bd4hv6t1"), "error bad-field"}, // 1 is not base32
    {join("local-k3m9q2x7bd4hv6tp"), "error bad-field"}, // nor is 9
    {join("../../etc-k3mzq2x7bd4hv6tp"), "error bad-field"},
    {R"({"type":"join","game":17})", "error bad-field"},
    {R"({"type":"join"})", "error bad-field"},
    {join(GAME, "0123456789ABCDEF0123456789ABCDEF"), "error bad-field"},
    {join(GAME, "0123456789abcdef"), "error bad-field"},
    {R"({"type":"join","game":")" + GAME + R"(","secret":null})", "error bad-field"},
    {R"({"type":"create2"})", "error unknown-type"},
    {R"({"type":""})", "error unknown-type"},
    {R"({"type":"CREATE"})", "error unknown-type"},
    {R"({"type":7})", "error bad-field"},
    {R"({"kind":"create"})", "error bad-field"},
    {R"({})", "error bad-field"},
    {"", "error bad-json"},
    {"create", "error bad-json"},
    {R"({"type":"create")", "error bad-json"},
    {R"({"type":"create"}{"type":"create"})", "error bad-json"},
    {R"({"type":"create"} // note)", "error bad-json"},
    {R"({'type':'create'})", "error bad-json"},
    {"{\"type\":\"cr\xff\xfe\"}", "error bad-json"}, // not UTF-8
    {std::string("{\"type\":\"create\"}\0", 18), "error bad-json"},
    {std::string("{\"type\":\"create\"}\0{\"type\":\"move\"}", 33), "error bad-json"},
    {std::string("{\"type\":\"cre\0ate\"}", 18), "error bad-json"},
    {R"(["create"])", "error bad-json"},
    {R"("create")", "error bad-json"},
    {"null", "error bad-json"},
    {std::string(2000, '[') + std::string(2000, ']'), "error bad-json"},
    {padded(MAX_MESSAGE_BYTES), "create"},
    {padded(MAX_MESSAGE_BYTES + 1), "error too-large"},
};

// Each text reads as written; every refusal says why in words too.
TEST(ServerMessages, theTableOfMessagesReadsAsWritten)
{
    for (const Case &c : CASES)
    {
        const ClientMessage message = readClientMessage(c.text);
        EXPECT_EQ(describe(message), c.reads) << "text: " << c.text.substr(0, 120);
        if (const auto *refusal = std::get_if<Refusal>(&message))
        {
            EXPECT_GT(refusal->message.size(), 10u) << c.text.substr(0, 120);
        }
    }
}

} // namespace
