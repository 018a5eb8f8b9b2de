// The online game's client side, without a network: links, the server's texts, sessions (what
// the transport was asked, the status line, the stones) and the input callbacks in an online game.
#include "game/game_state.h"
#include "app/input.h"
#include "app/online_options.h"
#include "game/online.h"
#include "game/online_message.h"
#include "tests/fakes/fake_glut.h"
#include "tests/game/game_test_support.h"

#include <GL/freeglut_std.h>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

const std::string GAME = "local-k3m7q2x7bd4hv6tp";
const std::string SECRET = "0123456789abcdef0123456789abcdef";

struct LinkCase
{
    const char *name;
    std::string text;
    bool valid;
    bool secure = false;
    std::string host = "";
    int port = 0;
};

const std::vector<LinkCase> LINK_CASES = {
    {"Page", "http://127.0.0.1:8080/?game=" + GAME, true, false, "127.0.0.1", 8080},
    {"NoPort", "http://example.org/?game=" + GAME, true, false, "example.org", 80},
    {"Https", "https://Example.org/?game=" + GAME, true, true, "Example.org", 443},
    {"HttpsPort", "HTTPS://example.org:8443/play/?game=" + GAME, true, true, "example.org", 8443},
    {"IPv6", "http://[::1]:9000/?game=" + GAME, true, false, "[::1]", 9000},
    {"GameAmongOthers", "http://h/index.html?x=1&game=" + GAME + "&y#top", true, false, "h", 80},
    {"NoPath", "http://h?game=" + GAME, true, false, "h", 80},
    // clang-format off
    {"FtpScheme", "ftp://h/?game=" + GAME, false}, {"NoScheme", "h:8080/?game=" + GAME, false},
    {"NoHost", "http:///?game=" + GAME, false}, {"UserInHost", "http://me@h/?game=" + GAME, false},
    {"PortZero", "http://h:0/?game=" + GAME, false},
    {"PortTooLarge", "http://h:65536/?game=" + GAME, false},
    {"PortNotANumber", "http://h:80a/?game=" + GAME, false},
    {"EmptyPort", "http://h:/?game=" + GAME, false},
    {"OpenBracket", "http://[::1/?game=" + GAME, false}, {"NoGame", "http://h/", false},
    {"EmptyGame", "http://h/?game=", false}, {"GameInFragment", "http://h/#?game=" + GAME, false},
    {"BadGame", "http://h/?game=local-k3m7q2x7bd4hv6t1", false},
    {"TooLong", "http://h/?game=" + GAME + "&" + std::string(3000, 'x'), false},
    // clang-format on
};

TEST(Link, IsReadOrRefusedWithAReason)
{
    for (const LinkCase &c : LINK_CASES)
    {
        SCOPED_TRACE(c.name);
        GameLink link;
        std::string why;
        ASSERT_EQ(parseGameLink(c.text, &link, &why), c.valid) << why;
        if (c.valid)
        {
            EXPECT_EQ(link.secure, c.secure);
            EXPECT_EQ(link.host, c.host);
            EXPECT_EQ(link.port, c.port);
            EXPECT_EQ(link.game, GAME);
        }
        else
        {
            EXPECT_FALSE(why.empty());
        }
    }
}

TEST(Names, GameIdsAndSecretsOfTheProtocolOnly)
{
    // clang-format off
    const std::vector<std::pair<std::string, bool>> games = {{GAME, true},
        {"a-aaaaaaaaaaaaaaaa", true}, {"abcdefghijklmnop-2222222222222222", true}, // a name of 16
        {"abcdefghijklmnopq-2222222222222222", false}, {"-k3m7q2x7bd4hv6tp", false}, // 17, none
        {"local-k3m7q2x7bd4hv6t", false}, {"local-k3m7q2x7bd4hv6tpp", false}, // tokens of 15, 17
        {"local-k3m7q2x7bd4hv6t8", false}, // 8 is not base32
        {"Local-k3m7q2x7bd4hv6tp", false}, {"lo_al-k3m7q2x7bd4hv6tp", false},
        {"local-k3m7q2x7bd4hv6t-", false}, {"", false}};
    // clang-format on
    for (const auto &[text, valid] : games)
    {
        EXPECT_EQ(isGameId(text), valid) << text;
    }
    const std::vector<std::pair<std::string, bool>> secrets = {
        {SECRET, true},
        {SECRET.substr(1), false},
        {SECRET + "0", false},
        {"0123456789ABCDEF0123456789abcdef", false},
        {"0123456789abcdeg0123456789abcdef", false},
        {"", false}};
    for (const auto &[text, valid] : secrets)
    {
        EXPECT_EQ(isSecret(text), valid) << text;
    }
}

// "ok TYPE" and each field that differs from a fresh message's, or "unreadable".
std::string decoded(const std::string &text)
{
    ServerMessage m;
    if (!decodeServerMessage(text, &m))
    {
        return "unreadable";
    }
    const ServerMessage fresh;
    const auto n = [](auto value) { return std::to_string(static_cast<long long>(value)); };
    const auto points = [&n](const std::vector<ServerMessage::Point> &list)
    {
        std::string text;
        for (const auto &[row, col] : list)
        {
            text.append(" ").append(n(row)).append(",").append(n(col));
        }
        return text;
    };
    const char *types[] = {"created",   "joined", "state",   "moved",  "presence", "error",
                           "rematched", "player", "seeking", "paired", "other"};
    std::string out = std::string("ok ") + types[static_cast<int>(m.type)];
    const auto add = [&out](bool differs, const std::string &field)
    { out += differs ? " " + field : ""; };
    add(m.game != fresh.game, "game " + m.game);
    add(m.secret != fresh.secret, "secret " + m.secret);
    add(m.role != fresh.role, "role " + n(m.role));
    add(m.moves != fresh.moves, "moves" + points(m.moves));
    add(m.black != fresh.black || m.white != fresh.white, "seats " + n(m.black) + n(m.white));
    add(m.over != fresh.over, "over");
    add(m.winner != fresh.winner, "winner " + n(m.winner));
    add(m.five != fresh.five, "five" + points(m.five));
    add(m.n != fresh.n, "n " + n(m.n));
    add(m.row != fresh.row || m.col != fresh.col, "at " + n(m.row) + "," + n(m.col));
    add(m.colour != fresh.colour, "colour " + n(m.colour));
    add(m.code != fresh.code, "code " + m.code);
    add(m.undo != fresh.undo, "undo " + n(m.undo));
    add(m.rule != fresh.rule, "rule " + n(m.rule));
    add(m.opening != fresh.opening, "opening " + n(m.opening));
    add(m.player != fresh.player, "player " + n(m.player));
    add(m.secondChoice != fresh.secondChoice || m.firstChoice != fresh.firstChoice,
        "choices " + n(m.secondChoice) + n(m.firstChoice));
    add(m.text != fresh.text, "text " + m.text);
    add(m.ending != fresh.ending, "ending " + n(m.ending));
    add(m.draw != fresh.draw, "draw " + n(m.draw));
    add(m.rematch != fresh.rematch, "rematch " + n(m.rematch));
    add(m.next != fresh.next, "next " + m.next);
    add(m.names[0] != fresh.names[0] || m.names[1] != fresh.names[1],
        "players " + m.names[0] + " " + n(m.ratings[0]) + " " + m.names[1] + " " + n(m.ratings[1]));
    add(m.watchers != fresh.watchers, "watchers " + n(m.watchers));
    add(m.name != fresh.name || m.rating != fresh.rating, "name " + m.name + " " + n(m.rating));
    return out;
}

const std::string STATE_END =
    R"(,"black":"present","white":"away","over":false,"winner":null,"five":null})";

TEST(Decoder, ReadsTheKindsOfEachTypeAndRefusesTheRest)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"({"type":"created","game":"g","secret":"s"})", "ok created game g secret s"},
        {R"({"type":"created","game":"g"})", "unreadable"},
        {R"({"type":"created","game":7,"secret":"s"})", "unreadable"},
        {R"({"type":"joined","game":"g","role":"white","secret":"s"})",
         "ok joined game g secret s role 3"},
        {R"({"type":"joined","game":"g","role":"watcher"})", "ok joined game g role 4"},
        {R"({"type":"joined","game":"g","role":"referee"})", "unreadable"},
        {R"({"type":"joined","game":"g","role":"black","secret":null})", "unreadable"},
        {R"({"type":"state","game":"g","moves":[[9,9],[0,17]],"you":"black")" + STATE_END,
         "ok state game g role 2 moves 9,9 0,17 seats 12"},
        {R"({"type":"state","game":"g","moves":[],"you":"waiting","black":"present","white":"empty","over":true,"winner":"white","five":[[1,1],[1,2],[1,3],[1,4],[1,5]]})",
         "ok state game g role 1 seats 10 over winner 1 five 1,1 1,2 1,3 1,4 1,5"},
        {R"({"type":"state","game":"g","moves":[[9,9]],"you":"white","black":"present","white":"away","over":false,"winner":null,"five":null,"undo":"black"})",
         "ok state game g role 3 moves 9,9 seats 12 undo 0"},
        {R"({"type":"state","game":"g","moves":[],"you":"white","black":"present","white":"away","over":false,"winner":null,"five":null,"undo":null})",
         "ok state game g role 3 seats 12"},
        {R"({"type":"state","game":"g","moves":[],"you":"white","black":"present","white":"away","over":false,"winner":null,"five":null,"undo":"red"})",
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"white","black":"present","white":"away","over":false,"winner":null,"five":null,"undo":1})",
         "unreadable"},
        // The rule, the opening, the player and the swap2 choices, each a word of the protocol's.
        {R"({"type":"state","game":"g","rule":"renju","opening":"swap2","step":"over","moves":[],"you":"white","player":2,"first":"black","second-choice":"two","first-choice":"black")" +
             STATE_END,
         "ok state game g role 3 seats 12 rule 2 opening 1 player 2 choices 32"},
        {R"({"type":"state","game":"g","rule":"exactly-five","opening":"free","moves":[],"you":"watcher","player":null,"second-choice":null,"first-choice":null)" +
             STATE_END,
         "ok state game g role 4 seats 12 rule 1"},
        {R"({"type":"state","game":"g","rule":"gomoku","moves":[],"you":"black")" + STATE_END,
         "unreadable"},
        {R"({"type":"state","game":"g","rule":2,"moves":[],"you":"black")" + STATE_END,
         "unreadable"},
        {R"({"type":"state","game":"g","opening":"swap5","moves":[],"you":"black")" + STATE_END,
         "unreadable"},
        {R"({"type":"state","game":"g","player":3,"moves":[],"you":"black")" + STATE_END,
         "unreadable"},
        {R"({"type":"state","game":"g","player":"1","moves":[],"you":"black")" + STATE_END,
         "unreadable"},
        {R"({"type":"state","game":"g","second-choice":"grey","moves":[],"you":"black")" +
             STATE_END,
         "unreadable"},
        {R"({"type":"state","game":"g","first-choice":"two","moves":[],"you":"black")" + STATE_END,
         "unreadable"},
        {R"({"type":"state","game":"g","second-choice":"","moves":[],"you":"black")" + STATE_END,
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[[-3,40]],"you":"watcher")" + STATE_END,
         "ok state game g role 4 moves -3,40 seats 12"},
        {R"({"type":"state","game":"g","moves":[[9]],"you":"black")" + STATE_END, "unreadable"},
        {R"({"type":"state","game":"g","moves":[[9,9,9]],"you":"black")" + STATE_END, "unreadable"},
        {R"({"type":"state","game":"g","moves":[[9,"9"]],"you":"black")" + STATE_END, "unreadable"},
        {R"({"type":"state","game":"g","moves":[[9,9.5]],"you":"black")" + STATE_END, "unreadable"},
        {R"({"type":"state","game":"g","moves":{"0":[9,9]},"you":"black")" + STATE_END,
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"nobody")" + STATE_END, "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"black","black":"here","white":"away","over":false,"winner":null,"five":null})",
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"black","black":"present","white":"away","over":0,"winner":null,"five":null})",
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"black","black":"present","white":"away","over":true,"winner":"red","five":null})",
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"black","black":"present","white":"away","over":true,"winner":"black","five":[[1,1],[1,2],[1,3],[1,4]]})",
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"black","black":"present","white":"away","over":true,"winner":"black","five":[[1,1],[1,2],[1,3],[1,4],[1,5],[1,6]]})",
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"black","black":"present","white":"away","over":false,"winner":null})",
         "unreadable"},
        {R"({"type":"moved","n":3,"row":4,"col":5,"colour":"white"})",
         "ok moved n 3 at 4,5 colour 1"},
        {R"({"type":"moved","n":3,"row":4,"col":5,"colour":"green"})", "unreadable"},
        {R"({"type":"moved","n":3,"row":4,"colour":"black"})", "unreadable"},
        {R"({"type":"moved","n":99999999999999999999,"row":4,"col":5,"colour":"black"})",
         "unreadable"},
        {R"({"type":"moved","n":3,"row":-9999999,"col":5,"colour":"black"})", "unreadable"},
        {R"({"type":"moved","n":true,"row":4,"col":5,"colour":"black"})", "unreadable"},
        {R"({"type":"presence","black":"away","white":"empty"})", "ok presence seats 20"},
        {R"({"type":"presence","black":"away"})", "unreadable"},
        {R"({"type":"error","code":"occupied","message":"That point is taken"})",
         "ok error code occupied text That point is taken"},
        {R"({"type":"error","message":"no code"})", "unreadable"},
        {R"({"type":"hello","anything":[1,2,3]})", "ok other"},
        {R"({"type":"moved","n":0,"row":1,"col":2,"colour":"black","extra":{"x":1}})",
         "ok moved n 0 at 1,2 colour 0"},
        {R"({"type":3})", "unreadable"},
        // Ends off the board, offers, and the rematch.
        {R"({"type":"state","game":"g","moves":[],"you":"white","black":"present","white":"away","over":true,"winner":"black","five":null,"ending":"resignation","rematch":"white","next":"local-bbbbbbbbbbbbbbbb"})",
         "ok state game g role 3 seats 12 over winner 0 ending 3 rematch 1 next local-bbbbbbbbbbbbbbbb"},
        {R"({"type":"state","game":"g","moves":[],"you":"white","black":"present","white":"away","over":false,"winner":null,"five":null,"ending":null,"draw":"black","rematch":null,"next":null})",
         "ok state game g role 3 seats 12 draw 0"},
        {R"({"type":"state","game":"g","moves":[],"you":"white","black":"present","white":"away","over":true,"winner":null,"five":null,"ending":"agreement"})",
         "ok state game g role 3 seats 12 over ending 4"},
        {R"({"type":"state","game":"g","moves":[],"you":"white","black":"present","white":"away","over":true,"winner":null,"five":null,"ending":"flag"})",
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"white","black":"present","white":"away","over":false,"winner":null,"five":null,"draw":"grey"})",
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"white","black":"present","white":"away","over":true,"winner":null,"five":null,"rematch":1})",
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"white","black":"present","white":"away","over":true,"winner":null,"five":null,"next":"g"})",
         "unreadable"},
        {R"({"type":"rematched","game":"g","secret":"s"})", "ok rematched game g secret s"},
        {R"({"type":"rematched","game":"g"})", "ok rematched game g"},
        {R"({"type":"rematched","game":"g","secret":7})", "unreadable"},
        {R"({"type":"rematched"})", "unreadable"},
        // Meeting strangers: the player, the seek, the pairing; the players and watchers.
        {R"({"type":"player","secret":"s","name":"Ann","rating":1512,"deviation":80})",
         "ok player secret s name Ann 1512"},
        {R"({"type":"player","secret":"s","name":"Ann"})", "unreadable"},
        {R"({"type":"player","name":"Ann","rating":1500})", "unreadable"},
        {R"({"type":"seeking","rule":"renju","clock":null})", "ok seeking"},
        {R"({"type":"paired","game":"g","secret":"s"})", "ok paired game g secret s"},
        {R"({"type":"paired","game":"g"})", "unreadable"},
        {R"({"type":"presence","black":"away","white":"present","watchers":3})",
         "ok presence seats 21 watchers 3"},
        {R"({"type":"presence","black":"away","white":"present","watchers":-1})", "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"black","black":"present","white":"present","over":false,"winner":null,"five":null,"players":{"black":{"name":"Ann","rating":1512},"white":{"name":"Bo","rating":1490}},"watchers":2})",
         "ok state game g role 2 seats 11 players Ann 1512 Bo 1490 watchers 2"},
        {R"({"type":"state","game":"g","moves":[],"you":"black","black":"present","white":"present","over":false,"winner":null,"five":null,"players":{"black":{"name":"Ann","rating":1512}}})",
         "unreadable"},
        {R"({"type":"state","game":"g","moves":[],"you":"black","black":"present","white":"present","over":false,"winner":null,"five":null,"players":{"black":{"name":"","rating":1},"white":{"name":"Bo","rating":1}}})",
         "unreadable"},
        {R"({"game":"g"})", "unreadable"},
        {R"(["type","created"])", "unreadable"},
        {R"("created")", "unreadable"},
        {R"({"type":"created","game":"g","secret":"s")", "unreadable"},
        {"", "unreadable"},
        {"\xff\xfe{}", "unreadable"},
        {R"({"type":"error","code":")" + std::string(4100, 'x') + R"("})", "unreadable"},
        {std::string(2000, '[') + std::string(2000, ']'), "unreadable"},
    };
    for (const auto &[text, expected] : cases)
    {
        EXPECT_EQ(decoded(text), expected) << text.substr(0, 200);
    }
    // The limit itself: a message of exactly 4096 bytes is one.
    const std::string head = R"({"type":"error","code":"x","message":")";
    const std::string exact = head + std::string(MESSAGE_MAX - head.size() - 2, 'y') + "\"}";
    ASSERT_EQ(exact.size(), MESSAGE_MAX);
    EXPECT_EQ(decoded(exact),
              "ok error code x text " + std::string(MESSAGE_MAX - head.size() - 2, 'y'));
}

// Records what the online game asks, with a storage of secrets of its own.
class RecordingTransport : public OnlineTransport
{
public:
    std::vector<std::string> calls;
    std::map<std::string, std::string> secrets;

    void connect(const std::string &path, int delayMs) override
    {
        calls.push_back("connect " + path + " " + std::to_string(delayMs));
    }
    void send(const std::string &text) override { calls.push_back("send " + text); }
    void disconnect() override { calls.push_back("disconnect"); }
    std::string loadSecret(const std::string &game) override
    {
        const auto found = secrets.find(game);
        return found == secrets.end() ? "" : found->second;
    }
    void storeSecret(const std::string &game, const std::string &secret) override
    {
        calls.push_back("store " + game + " " + secret);
        secrets[game] = secret;
    }
    void forgetSecret(const std::string &game) override
    {
        calls.push_back("forget " + game);
        secrets.erase(game);
    }
    void changed() override {}
};

// $G and $S in a text stand for the game's id and a secret.
std::string filled(std::string text)
{
    for (const auto &[mark, value] : {std::pair{"$G", GAME}, std::pair{"$S", SECRET}})
    {
        for (std::size_t at = 0; (at = text.find(mark, at)) != std::string::npos;)
        {
            text.replace(at, 2, value);
        }
    }
    return text;
}

// The steps of a session:
//   "create", "join", "leave", "open", "close R" (R the random draw), "place ROW COL", "undo"
//   (asking to take back), "allow" and "refuse" (answering), "stored" (the seat's secret kept from before), and "<" followed by the server's text.
std::string state(const std::string &you, const std::string &moves = "[]",
                  const std::string &presence = R"("black":"present","white":"present")",
                  const std::string &end = R"("over":false,"winner":null,"five":null)")
{
    return R"(<{"type":"state","game":"$G","moves":)" + moves + R"(,"you":")" + you + "\"," +
           presence + "," + end + "}";
}
std::string moved(int n, int row, int col, const char *colour)
{
    return R"(<{"type":"moved","n":)" + std::to_string(n) + R"(,"row":)" + std::to_string(row) +
           R"(,"col":)" + std::to_string(col) + R"(,"colour":")" + colour + "\"}";
}
std::string error(const std::string &code)
{
    return R"(<{"type":"error","code":")" + code + R"(","message":"words"})";
}
const std::string JOINED_BLACK = R"(<{"type":"joined","game":"$G","role":"black","secret":"$S"})";
const std::string JOINED_WHITE = R"(<{"type":"joined","game":"$G","role":"white","secret":"$S"})";
const std::string JOINED_WATCHER = R"(<{"type":"joined","game":"$G","role":"watcher"})";
const std::string CREATED = R"(<{"type":"created","game":"$G","secret":"$S"})";
// Black's five along row 3, white's four along row 4; the last stone is black's at (3, 6).
const std::string BLACK_FIVE = "[[3,2],[4,2],[3,3],[4,3],[3,4],[4,4],[3,5],[4,5],[3,6]]";
const std::string BLACK_WON =
    R"("over":true,"winner":"black","five":[[3,2],[3,3],[3,4],[3,5],[3,6]])";
const std::string WHITE_AWAY = R"("black":"present","white":"away")";
const std::string PRESENT = R"("black":"present","white":"present")";
// A request to take back a move, waiting for the other player's answer.
const std::string BLACK_ASKS = R"("over":false,"winner":null,"five":null,"undo":"black")";
const std::string WHITE_ASKS = R"("over":false,"winner":null,"five":null,"undo":"white")";
using Steps = std::vector<std::string>;
Steps operator+(Steps a, const Steps &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
// What every joining session asks once connected, without a seat's secret and with one.
const Steps JOIN_CALLS = {"connect /ws?game=$G 0", R"(send {"type":"join","game":"$G"})"};
const Steps RESUME_CALLS = {"connect /ws?game=$G 0",
                            R"(send {"type":"join","game":"$G","secret":"$S"})"};

struct SessionCase
{
    const char *name;
    std::vector<std::string> steps;
    std::vector<std::string> calls; // every call the transport got, in order
    std::string status;             // the status line; "problem: ..." once the game has stopped
    std::string stones = "";        // the board's stones in the order they were placed
};

// The calls of a session that joins, without a seat or with the one kept, and then `more`.
const auto joined = [](const Steps &more = {}) { return JOIN_CALLS + more; };
const auto resumed = [](const Steps &more = {}) { return RESUME_CALLS + more; };
const Steps JOIN = {"join", "open"};
const Steps RESUME = {"stored", "join", "open"};

const std::string STORE = "store $G $S";
// The move sent as the first of the game.
std::string sent(int row, int col)
{
    return R"(send {"type":"move","row":)" + std::to_string(row) + R"(,"col":)" +
           std::to_string(col) + R"(,"n":0})";
}
const std::string CREATE_CALL = R"(send {"type":"create","rule":"freestyle","opening":"free"})";

// A state of a game under `rule` with the swap2 opening, this client the `player` (1 or 2) whose
// colour is `you`; `choices` the second player's and the first's, as the protocol writes them.
std::string swap2State(const std::string &you, int player, const std::string &moves,
                       const std::string &choices = R"(null,"first-choice":null)",
                       const std::string &rule = "freestyle")
{
    return R"(<{"type":"state","game":"$G","rule":")" + rule +
           R"(","opening":"swap2","step":"?","moves":)" + moves + R"(,"you":")" + you +
           R"(","player":)" + std::to_string(player) + R"(,"second-choice":)" + choices +
           R"(,"black":"present","white":"present","over":false,"winner":null,"five":null})";
}
// A state of a renju game with the free opening.
std::string renjuState(const std::string &you, const std::string &moves)
{
    return R"(<{"type":"state","game":"$G","rule":"renju","opening":"free","moves":)" + moves +
           R"(,"you":")" + you +
           R"(","black":"present","white":"present","over":false,"winner":null,"five":null})";
}
std::string sentAt(int row, int col, int n)
{
    return R"(send {"type":"move","row":)" + std::to_string(row) + R"(,"col":)" +
           std::to_string(col) + R"(,"n":)" + std::to_string(n) + "}";
}
std::string sentChoice(const std::string &choice, int n)
{
    return R"(send {"type":"choose","choice":")" + choice + R"(","n":)" + std::to_string(n) + "}";
}
const std::string THREE = "[[9,9],[9,10],[10,9]]";
const std::string THREE_STONES = "9,9 9,10 10,9";
// Black's two open twos across (9, 9), white's stones along row 0: (9, 9) is a double three.
const std::string TWO_TWOS = "[[9,7],[0,0],[9,8],[0,2],[7,9],[0,4],[8,9],[0,6]]";
const std::string TWO_TWOS_STONES = "9,7 0,0 9,8 0,2 7,9 0,4 8,9 0,6";
const std::string RETRY = "connect /ws?game=$G ";
const std::string JOINING = "Joining the online game…";
const std::string LOST = "Connection lost, trying again…";
const std::string FIVE_STONES = "3,2 4,2 3,3 4,3 3,4 4,4 3,5 4,5 3,6"; // BLACK_FIVE's
const std::string BROKE = " The server sent a game that breaks the rules.";

// A step right after resuming a seat that leaves the player waiting for the game, as before it.
SessionCase ignored(const char *name, const std::string &step)
{
    return {name, RESUME + Steps{step}, resumed(), JOINING};
}
const std::string WHITE_WON_BY_NONE = R"("over":true,"winner":"white","five":null)";
const std::string BLACK_WON_BY_NONE = R"("over":true,"winner":"black","five":null)";
// Ends off the board, offers of a draw, and a rematch.
const std::string BLACK_RESIGNED =
    R"("over":true,"winner":"white","five":null,"ending":"resignation")";
const std::string DRAW_AGREED = R"("over":true,"winner":null,"five":null,"ending":"agreement")";
const std::string BLACK_OFFERS = R"("over":false,"winner":null,"five":null,"draw":"black")";
const std::string NEXT = "local-bbbbbbbbbbbbbbbb";
const std::string NEXT_SECRET = "fedcba9876543210fedcba9876543210";
const std::string REMATCHED = R"({"type":"rematched","game":"local-bbbbbbbbbbbbbbbb")";
const std::string BLACK_WON_ON_EMPTY =
    R"("over":true,"winner":"black","five":[[0,0],[0,1],[0,2],[0,3],[0,4]])";

const std::vector<SessionCase> SESSION_CASES = {
    // Making a game, and joining it.
    // clang-format off
    {"CreateAsksOnceOpen", {"create", "open"}, {"connect /ws 0", CREATE_CALL},
     "Creating an online game…"},
    {"CreateWithoutAServer", {"create", "close 0.5"}, {"connect /ws 0", "disconnect"},
     "problem: Online play needs the game's own server, and none answered here."},
    {"CreateClosedBeforeTheGame", {"create", "open", "close 0.5"},
     {"connect /ws 0", CREATE_CALL, "disconnect"},
     "problem: The server closed the connection before the game was made."},
    {"CreatedWithABadSecret",
     {"create", "open", R"(<{"type":"created","game":"$G","secret":"x"})"},
     {"connect /ws 0", CREATE_CALL, "disconnect"},
     "problem: The server's answer could not be read."},
    {"TooManyGames", {"create", "open", error("too-many-games")},
     {"connect /ws 0", CREATE_CALL, "disconnect"},
     "problem: The server holds too many games from this address; try again later."},
    // Its seat kept, the creator waits: no move before the second player has come.
    {"CreatedKeepsTheSeatAndWaitsForTheSecondPlayer",
     {"create", "open", CREATED, state("waiting", "[]", R"("black":"present","white":"empty")"),
      "place 9 9"},
     {"connect /ws 0", CREATE_CALL, STORE}, "Waiting for the other player to join."},
    // clang-format on
    {"JoinWithoutASeat", JOIN, joined(), JOINING},
    {"JoinerDrawsWhite", JOIN + Steps{JOINED_WHITE, state("white", "[[9,9]]")}, joined({STORE}),
     "Your move (white).", "9,9"},
    {"TheOthersTurn", RESUME + Steps{JOINED_BLACK, state("black", "[[9,9]]")}, resumed({STORE}),
     "White to move (you play black).", "9,9"},
    {"TheOtherPlayerIsAway", RESUME + Steps{state("black", "[]", WHITE_AWAY)}, resumed(),
     "Your move (black). The other player is away."},
    {"PresenceChanges",
     RESUME + Steps{state("black"), R"(<{"type":"presence","black":"present","white":"away"})"},
     resumed(), "Your move (black). The other player is away."},
    {"PresenceBeforeTheState",
     RESUME + Steps{R"(<{"type":"presence","black":"present","white":"away"})", state("black")},
     resumed(), "Your move (black)."},
    {"WatcherSeesWhoMoves", JOIN + Steps{JOINED_WATCHER, state("watcher", "[[9,9]]", WHITE_AWAY)},
     joined(), "White to move (you are watching). White is away.", "9,9"},
    {"WatcherBeforeTheSecondPlayer",
     JOIN + Steps{state("watcher", "[]", R"("black":"present","white":"empty")")}, joined(),
     "Waiting for the players to join (you are watching)."},
    {"AWatcherForgetsASeatItDoesNotHold", RESUME + Steps{JOINED_WATCHER, state("watcher")},
     resumed({"forget $G"}), "Black to move (you are watching)."},
    {"NoSuchGame", JOIN + Steps{error("no-such-game")}, joined({"forget $G", "disconnect"}),
     "problem: There is no such online game on the server: the link is wrong, or the game has expired."},
    {"Expired", RESUME + Steps{error("expired")}, resumed({"forget $G", "disconnect"}),
     "problem: This online game has expired."},
    {"ASeatTheServerForgot", RESUME + Steps{error("bad-field"), JOINED_WATCHER, state("watcher")},
     resumed({"forget $G", JOIN_CALLS[1]}), "Black to move (you are watching)."},
    {"JoinRefused", JOIN + Steps{error("bad-field")}, joined({"disconnect"}),
     "problem: The server could not read a message of this game."},
    ignored("NotStoredBeforeTheState", error("internal")),
    {"NotAGameId", {"join bad-id"}, {}, "problem: The link does not name an online game."},

    // Moves: sent, not placed, until the server has stored them.
    {"StoredMoveIsPlaced", RESUME + Steps{state("black"), "place 9 9", moved(0, 9, 9, "black")},
     resumed({sent(9, 9)}), "White to move (you play black).", "9,9"},
    {"TheOthersMoveIsPlaced",
     RESUME + Steps{state("white", "[[9,9]]"), moved(1, 8, 8, "white"), moved(2, 7, 7, "black")},
     resumed(), "Your move (white).", "9,9 8,8 7,7"},
    {"MyMoveIsSentNotPlacedAndOneAtATime", RESUME + Steps{state("black"), "place 9 9", "place 8 8"},
     resumed({sent(9, 9)}), "Your move (black)."},
    {"NotMyTurn", RESUME + Steps{state("white"), "place 9 9"}, resumed(),
     "Black to move (you play white). It is the other player's move."},
    {"NotMyTurnAsBlack", RESUME + Steps{state("black", "[[9,9]]"), "place 8 8"}, resumed(),
     "White to move (you play black). It is the other player's move.", "9,9"},

    // The rule and the opening the server gives, the swap2 steps and their choices.
    {"Swap2TheFirstPlayerPlacesTheThree",
     RESUME + Steps{swap2State("black", 1, "[[9,9]]"), "place 8 8"}, resumed({sentAt(8, 8, 1)}),
     "Swap2: place three stones: black, white, black.", "9,9"},
    {"Swap2TheSecondPlayerWaitsForTheThree",
     RESUME + Steps{swap2State("white", 2, "[[9,9]]"), "place 8 8"}, resumed(),
     "Swap2: the other player places three stones. It is the other player's turn in the opening.",
     "9,9"},
    {"Swap2TheSecondPlayersChoiceIsSent", RESUME + Steps{swap2State("white", 2, THREE), "choose 3"},
     resumed({sentChoice("two", 3)}),
     "Swap2: choose 1 to play white (or place white's stone), 2 to play black, 3 to place two "
     "more stones.",
     THREE_STONES},
    {"Swap2AChoiceOfTheOthersIsNotSent",
     RESUME + Steps{swap2State("black", 1, THREE), "choose 1", "place 8 8"}, resumed(),
     "Swap2: the other player chooses. It is the other player's turn in the opening.",
     THREE_STONES},
    {"Swap2AStoneAtTheChoiceIsSent", RESUME + Steps{swap2State("white", 2, THREE), "place 8 8"},
     resumed({sentAt(8, 8, 3)}),
     "Swap2: choose 1 to play white (or place white's stone), 2 to play black, 3 to place two "
     "more stones.",
     THREE_STONES},
    {"Swap2TheColoursFollowTheChoice",
     RESUME + Steps{swap2State("black", 2, THREE, R"("black","first-choice":null)"), "place 0 0"},
     resumed(), "White to move (you play black). Swap2. It is the other player's move.",
     THREE_STONES},
    {"Swap2AStoneAtTheChoiceChoseWhite",
     RESUME + Steps{swap2State("white", 2, THREE), moved(3, 8, 8, "white")}, resumed(),
     "Black to move (you play white). Swap2.", THREE_STONES + " 8,8"},
    {"Swap2TheFirstPlayerHasNoThirdChoice",
     RESUME + Steps{swap2State("black", 1, "[[9,9],[9,10],[10,9],[8,8],[8,10]]",
                               R"("two","first-choice":null)"),
                    "choose 3", "choose 2"},
     resumed({sentChoice("black", 5)}),
     "Swap2: choose 1 to play white (or place white's stone) or 2 to play black.",
     THREE_STONES + " 8,8 8,10"},
    {"Swap2NoTakingBackInTheOpening", RESUME + Steps{swap2State("black", 1, "[[9,9]]"), "undo"},
     resumed(),
     "Swap2: place three stones: black, white, black. Stones of the swap2 opening are not taken "
     "back.",
     "9,9"},
    ignored("Swap2AColourTheChoicesDoNotGive",
            swap2State("white", 2, THREE, R"("black","first-choice":null)")),
    ignored("Swap2AChoiceBeforeItsStep",
            swap2State("white", 2, "[[9,9]]", R"("white","first-choice":null)")),
    ignored("Swap2AFirstChoiceWithoutTwoMore",
            swap2State("white", 1, "[[9,9],[9,10],[10,9],[8,8],[8,10]]",
                       R"("black","first-choice":"white")")),
    {"NoChoiceInTheFreeOpening", RESUME + Steps{state("black"), "choose 1"}, resumed(),
     "Your move (black). No swap2 choice is asked for now."},
    ignored("RenjuBlacksForbiddenPointInTheMoves",
            renjuState("white", TWO_TWOS.substr(0, TWO_TWOS.size() - 1) + ",[9,9]]")),
    {"RenjuBlacksForbiddenPointIsNotSent",
     RESUME + Steps{renjuState("black", TWO_TWOS), "place 9 9"}, resumed(),
     "Your move (black). Renju. Black may not play there under renju: a double three.",
     TWO_TWOS_STONES},
    {"RenjuTheServersRefusalSaysWhy",
     RESUME +
         Steps{
             renjuState("black", "[]"), "place 9 9",
             R"(<{"type":"error","code":"forbidden","message":"Black may not play there under renju: a double three"})"},
     resumed({sent(9, 9)}),
     "Your move (black). Renju. Black may not play there under renju: a double three."},
    {"RenjuARefusalInStrangeWords",
     RESUME + Steps{renjuState("black", "[]"), "place 9 9",
                    R"(<{"type":"error","code":"forbidden","message":"<b>boo</b>"})"},
     resumed({sent(9, 9)}), "Your move (black). Renju. Black may not play there under renju."},
    {"WatcherCannotMove", JOIN + Steps{state("watcher"), "place 9 9"}, joined(),
     "Black to move (you are watching). You are watching: only the two players move."},
    {"NoMoveOnAStone", RESUME + Steps{state("white", "[[9,9]]"), "place 9 9"}, resumed(),
     "Your move (white). That point is taken.", "9,9"},
    {"NoMoveOffTheBoard", RESUME + Steps{state("black"), "place 18 0"}, resumed(),
     "Your move (black)."},
    ignored("NoMoveWhileConnecting", "place 9 9"),
    {"NoMoveAfterTheFive",
     RESUME + Steps{state("white", BLACK_FIVE, WHITE_AWAY, BLACK_WON), "place 0 0"}, resumed(),
     "Black wins (you played white).", FIVE_STONES},
    {"RefusedMoveCanBeSentAgain",
     RESUME + Steps{state("black"), "place 9 9", error("occupied"), "place 9 9"},
     resumed({sent(9, 9), sent(9, 9)}), "Your move (black)."},
    {"RefusalSaysWhy", RESUME + Steps{state("black"), "place 9 9", error("not-your-turn")},
     resumed({sent(9, 9)}), "Your move (black). The server refused the move: it is not your turn."},
    {"NotStored", RESUME + Steps{state("black"), "place 9 9", error("internal")},
     resumed({sent(9, 9)}),
     "Your move (black). The server could not store the move: try it again."},
    {"UnknownRefusal", RESUME + Steps{state("black"), error("new-rule")}, resumed(),
     "Your move (black). The server refused: new-rule."},
    {"RefusalInStrangeWords", RESUME + Steps{state("black"), error("<b>\\u202e")}, resumed(),
     "Your move (black). The server refused: an unknown reason."},

    // The end of the game.
    {"IWin", RESUME + Steps{state("black", BLACK_FIVE, WHITE_AWAY, BLACK_WON)}, resumed(),
     "You win (black).", FIVE_STONES},
    {"WatcherSeesTheWinner", JOIN + Steps{state("watcher", BLACK_FIVE, WHITE_AWAY, BLACK_WON)},
     joined(), "Black wins.", FIVE_STONES},
    {"TheFiveMovedEndsIt",
     RESUME + Steps{state("white", "[[3,2],[4,2],[3,3],[4,3],[3,4],[4,4],[3,5],[4,5]]"),
                    moved(8, 3, 6, "black")},
     resumed(), "Black wins (you played white).", FIVE_STONES},

    // What the server sends is checked against the game.
    {"StateOnAStone", RESUME + Steps{state("black", "[[9,9]]"), state("black", "[[9,9],[9,9]]")},
     resumed(), "White to move (you play black)." + BROKE, "9,9"},
    ignored("StateOffTheBoard", state("black", "[[18,0]]")),
    ignored(
        "StateOfAnotherGame",
        R"(<{"type":"state","game":"other-aaaaaaaaaaaaaaaa","moves":[[1,1]],"you":"black","black":"present","white":"present","over":false,"winner":null,"five":null})"),
    ignored("FiveNotSaidOver", state("white", BLACK_FIVE)),
    ignored("FiveOfTheWrongWinner", state("white", BLACK_FIVE, WHITE_AWAY, WHITE_WON_BY_NONE)),
    ignored("WinnerWithoutAFive", state("white", "[[9,9]]", WHITE_AWAY, BLACK_WON_BY_NONE)),
    ignored("FiveOnEmptyPoints", state("white", BLACK_FIVE, WHITE_AWAY, BLACK_WON_ON_EMPTY)),
    ignored("MoveAfterTheFive",
            state("white", BLACK_FIVE.substr(0, BLACK_FIVE.size() - 1) + ",[9,9]]", WHITE_AWAY,
                  BLACK_WON)),
    ignored("PlayAfterTheFive",
            state("black", BLACK_FIVE.substr(0, BLACK_FIVE.size() - 1) + ",[4,6]]", WHITE_AWAY,
                  WHITE_WON_BY_NONE)),
    {"MovedTwiceIsPlacedOnce", RESUME + Steps{state("white", "[[9,9]]"), moved(0, 9, 9, "black")},
     resumed(), "Your move (white).", "9,9"},
    {"MovedWithAGap", RESUME + Steps{state("white", "[[9,9]]"), moved(2, 8, 8, "black")},
     resumed({RETRY + "500"}), LOST, "9,9"},
    {"MovedOfTheWrongColour", RESUME + Steps{state("white", "[[9,9]]"), moved(1, 8, 8, "black")},
     resumed({RETRY + "500"}), LOST, "9,9"},
    {"MovedOnAStone", RESUME + Steps{state("white", "[[9,9]]"), moved(1, 9, 9, "white")},
     resumed({RETRY + "500"}), LOST, "9,9"},
    {"MovedOffTheBoard", RESUME + Steps{state("white", "[[9,9]]"), moved(1, 0, 18, "white")},
     resumed({RETRY + "500"}), LOST, "9,9"},
    ignored("MovedBeforeTheState", moved(0, 9, 9, "black")),
    {"UnreadableTextsAndUnknownTypesChangeNothing",
     RESUME + Steps{state("black"), "<{", "<[]", R"(<{"type":"moved"})", "<\xff",
                    R"(<{"type":"chat","text":"hi"})"},
     resumed(), "Your move (black)."},
    {"CreatedWhenNotCreating",
     RESUME + Steps{state("black"),
                    R"(<{"type":"created","game":"other-aaaaaaaaaaaaaaaa","secret":"$S"})"},
     resumed(), "Your move (black)."},
    {"JoinedOfAnotherGame",
     JOIN +
         Steps{R"(<{"type":"joined","game":"other-aaaaaaaaaaaaaaaa","role":"black","secret":"$S"})",
               state("watcher")},
     joined(), "Black to move (you are watching)."},

    // The connection lost, and found again.
    {"LostTriesAgainSoon", RESUME + Steps{state("black", "[[9,9]]"), "close 0.5"},
     resumed({RETRY + "438"}), LOST, "9,9"},
    {"LostAgainWaitsLonger",
     RESUME + Steps{state("black"), "close 0", "close 0", "close 0", "close 0", "close 0",
                    "close 0", "close 0.99"},
     resumed({RETRY + "500", RETRY + "1000", RETRY + "2000", RETRY + "4000", RETRY + "8000",
              RETRY + "8000", RETRY + "6020"}),
     LOST},
    {"NeverConnected", RESUME + Steps{"close 0", "close 0"},
     resumed({RETRY + "500", RETRY + "1000"}), "The server does not answer, trying again…"},
    {"ReconnectedSeesTheMovesItMissed",
     RESUME + Steps{state("black", "[[9,9]]"), "close 0", "open", state("black", "[[9,9],[8,8]]")},
     resumed({RETRY + "500", RESUME_CALLS[1]}), "Your move (black).", "9,9 8,8"},
    {"StillLostUntilTheState", RESUME + Steps{state("black", "[[9,9]]"), "close 0", "open"},
     resumed({RETRY + "500", RESUME_CALLS[1]}), LOST, "9,9"},
    {"ASentMoveTheServerStored",
     RESUME + Steps{state("black"), "place 9 9", "close 0", "open", state("black", "[[9,9]]")},
     resumed({sent(9, 9), RETRY + "500", RESUME_CALLS[1]}), "White to move (you play black).",
     "9,9"},
    {"ASentMoveTheServerLost",
     RESUME + Steps{state("black"), "place 9 9", "close 0", "open", state("black"), "place 8 8"},
     resumed({sent(9, 9), RETRY + "500", RESUME_CALLS[1], sent(8, 8)}), "Your move (black)."},
    {"AfterARestartTheWaitIsShortAgain",
     RESUME + Steps{state("black"), "close 0", "close 0", "open", state("black"), "close 0"},
     resumed({RETRY + "500", RETRY + "1000", RESUME_CALLS[1], RETRY + "500"}), LOST},

    // Taking back by agreement: asked once, shown to both, answered once.
    {"AskToTakeBack", RESUME + Steps{state("black", "[[9,9]]"), "undo", "undo"},
     resumed({R"(send {"type":"undo","n":1})"}), "White to move (you play black).", "9,9"},
    {"NothingOfMineToTakeBack", RESUME + Steps{state("white", "[[9,9]]"), "undo"}, resumed(),
     "Your move (white). There is no stone of yours to take back.", "9,9"},
    {"NobodyToAskYet",
     {"create", "open", CREATED, state("waiting", "[]", R"("black":"present","white":"empty")"),
      "undo"},
     {"connect /ws 0", CREATE_CALL, STORE},
     "Waiting for the other player to join."},
    {"WatcherCannotAsk", JOIN + Steps{state("watcher", "[[9,9]]"), "undo"}, joined(),
     "White to move (you are watching). You are watching: only the players take back moves.",
     "9,9"},
    {"AskedAndWaiting",
     RESUME + Steps{state("black", "[[9,9]]"), "undo",
                    state("black", "[[9,9]]", PRESENT, BLACK_ASKS), "undo"},
     resumed({R"(send {"type":"undo","n":1})"}),
     "White to move (you play black). You asked to take back your last move: waiting for the "
     "answer.",
     "9,9"},
    {"TheOtherAsks", RESUME + Steps{state("black", "[[9,9],[8,8]]", PRESENT, WHITE_ASKS)},
     resumed(), "Your move (black). White asks to take back a move: allow it (y) or refuse (n)?",
     "9,9 8,8"},
    {"AllowedOnce",
     RESUME + Steps{state("black", "[[9,9],[8,8]]", PRESENT, WHITE_ASKS), "allow", "refuse"},
     resumed({R"(send {"type":"undo-answer","n":2,"accept":true})"}),
     "Your move (black). Answering…", "9,9 8,8"},
    {"RefusedAndAskedAgainLater",
     RESUME + Steps{state("black", "[[9,9],[8,8]]", PRESENT, WHITE_ASKS), "refuse",
                    state("black", "[[9,9],[8,8]]"), "allow"},
     resumed({R"(send {"type":"undo-answer","n":2,"accept":false})"}), "Your move (black).",
     "9,9 8,8"},
    {"NothingToAnswer", RESUME + Steps{state("black", "[[9,9],[8,8]]"), "allow"}, resumed(),
     "Your move (black).", "9,9 8,8"},
    {"TheOtherAllowed",
     RESUME + Steps{state("black", "[[9,9],[8,8],[7,7]]", PRESENT, BLACK_ASKS),
                    state("black", "[[9,9],[8,8]]")},
     resumed(), "Your move (black). The other player allowed it: your move is taken back.",
     "9,9 8,8"},
    {"TheOtherRefused",
     RESUME + Steps{state("black", "[[9,9],[8,8],[7,7]]", PRESENT, BLACK_ASKS),
                    state("black", "[[9,9],[8,8],[7,7]]")},
     resumed(), "White to move (you play black). The other player refused to take back your move.",
     "9,9 8,8 7,7"},
    {"AMoveAnswersIt",
     RESUME + Steps{state("white", "[[9,9],[8,8],[7,7]]", PRESENT, BLACK_ASKS), "place 6 6",
                    moved(3, 6, 6, "white")},
     resumed({R"(send {"type":"move","row":6,"col":6,"n":3})"}), "Black to move (you play white).",
     "9,9 8,8 7,7 6,6"},
    {"WatcherSeesTheRequest", JOIN + Steps{state("watcher", "[[9,9]]", PRESENT, BLACK_ASKS)},
     joined(), "White to move (you are watching). Black asks to take back a move.", "9,9"},
    {"ALostConnectionIsNoRefusal",
     RESUME + Steps{state("black", "[[9,9]]", PRESENT, BLACK_ASKS), "close 0", "open",
                    state("black", "[[9,9]]")},
     resumed({RETRY + "500", RESUME_CALLS[1]}), "White to move (you play black).", "9,9"},
    ignored("AskedByASideWithNoStone", state("black", "[[9,9]]", PRESENT, WHITE_ASKS)),
    ignored(
        "AskedAfterTheFive",
        state(
            "white", BLACK_FIVE, WHITE_AWAY,
            R"("over":true,"winner":"black","five":[[3,2],[3,3],[3,4],[3,5],[3,6]],"undo":"black")")),

    // Resigning, a draw offered and answered, and the rematch.
    {"ResignSends", RESUME + Steps{state("black", "[[9,9]]"), "resign", "resign"},
     resumed({R"(send {"type":"resign"})"}), "White to move (you play black).", "9,9"},
    {"YouResigned", RESUME + Steps{state("black", "[[9,9]]", PRESENT, BLACK_RESIGNED)}, resumed(),
     "You resigned: white wins.", "9,9"},
    {"TheOtherResigned", RESUME + Steps{state("white", "[[9,9]]", PRESENT, BLACK_RESIGNED)},
     resumed(), "Black resigned: you win (white).", "9,9"},
    {"WatcherSeesTheResignation",
     JOIN + Steps{state("watcher", "[[9,9]]", PRESENT, BLACK_RESIGNED)}, joined(),
     "Black resigned: white wins.", "9,9"},
    {"NoResigningWhileWatching", JOIN + Steps{state("watcher", "[[9,9]]"), "resign", "offer-draw"},
     joined(), "White to move (you are watching). You are watching: only the players offer a draw.",
     "9,9"},
    {"NoResigningAfterTheEnd",
     RESUME + Steps{state("black", "[[9,9]]", PRESENT, BLACK_RESIGNED), "resign", "offer-draw"},
     resumed(), "You resigned: white wins.", "9,9"},
    ignored("AResignationWithoutAWinner",
            state("black", "[[9,9]]", PRESENT,
                  R"("over":true,"winner":null,"five":null,"ending":"resignation")")),
    ignored("AResignationWithAFive",
            state("white", BLACK_FIVE, PRESENT, BLACK_WON + R"(,"ending":"resignation")")),
    ignored("ADrawAgreedWithAWinner",
            state("black", "[[9,9]]", PRESENT,
                  R"("over":true,"winner":"black","five":null,"ending":"agreement")")),
    ignored("AFiveWithoutOne",
            state("black", "[[9,9]]", PRESENT,
                  R"("over":true,"winner":"black","five":null,"ending":"five")")),
    ignored("AnEndingOfNoKnownWord",
            state("black", "[[9,9]]", PRESENT,
                  R"("over":true,"winner":"white","five":null,"ending":"flag")")),
    ignored("ADrawOfferedAfterTheEnd",
            state("black", "[[9,9]]", PRESENT, DRAW_AGREED + R"(,"draw":"white")")),
    ignored("ARematchWhileTheGameGoesOn",
            state("black", "[[9,9]]", PRESENT,
                  R"("over":false,"winner":null,"five":null,"rematch":"white")")),
    ignored("ANextThatIsNoGame",
            state("black", "[[9,9]]", PRESENT, DRAW_AGREED + R"(,"next":"elsewhere")")),
    {"DrawOffered", RESUME + Steps{state("black", "[[9,9]]"), "offer-draw", "offer-draw"},
     resumed({R"(send {"type":"offer-draw","n":1})"}), "White to move (you play black).", "9,9"},
    {"DrawOfferedWaits",
     RESUME + Steps{state("black", "[[9,9]]", PRESENT, BLACK_OFFERS), "accept-draw"}, resumed(),
     "White to move (you play black). You offered a draw: waiting for the answer.", "9,9"},
    {"DrawOfferedToMe",
     RESUME +
         Steps{state("white", "[[9,9]]", PRESENT, BLACK_OFFERS), "accept-draw", "decline-draw"},
     resumed({R"(send {"type":"answer-draw","n":1,"accept":true})"}),
     "Your move (white). Answering…", "9,9"},
    {"DrawOfferedBothWays",
     RESUME + Steps{state("white", "[[9,9]]", PRESENT, BLACK_OFFERS), "offer-draw"},
     resumed({R"(send {"type":"answer-draw","n":1,"accept":true})"}),
     "Your move (white). Answering…", "9,9"},
    {"DrawAskedOfMe", RESUME + Steps{state("white", "[[9,9]]", PRESENT, BLACK_OFFERS)}, resumed(),
     "Your move (white). Black offers a draw: accept it (y) or decline (n)?", "9,9"},
    {"DrawDeclined",
     RESUME + Steps{state("black", "[[9,9]]", PRESENT, BLACK_OFFERS), state("black", "[[9,9]]")},
     resumed(), "White to move (you play black). The other player declined the draw.", "9,9"},
    {"DrawAgreed",
     RESUME + Steps{state("black", "[[9,9]]", PRESENT, BLACK_OFFERS),
                    state("black", "[[9,9]]", PRESENT, DRAW_AGREED), "decline-draw"},
     resumed(), "Drawn by agreement.", "9,9"},
    {"AMoveAnswersTheOffer",
     RESUME + Steps{state("black", "[[9,9]]", PRESENT, BLACK_OFFERS), moved(1, 8, 8, "white")},
     resumed(), "Your move (black).", "9,9 8,8"},
    {"RematchOffered",
     RESUME + Steps{state("black", "[[9,9]]", PRESENT, BLACK_RESIGNED), "rematch", "rematch",
                    state("black", "[[9,9]]", PRESENT, BLACK_RESIGNED + R"(,"rematch":"black")")},
     resumed({R"(send {"type":"rematch"})"}),
     "You resigned: white wins. You offered a rematch: waiting for the other player.", "9,9"},
    {"NoRematchBeforeTheEnd", RESUME + Steps{state("black", "[[9,9]]"), "rematch"}, resumed(),
     "White to move (you play black). A rematch is played once this game is over.", "9,9"},
    {"RematchOfferedToMe",
     RESUME + Steps{state("white", "[[9,9]]", PRESENT, BLACK_RESIGNED + R"(,"rematch":"black")"),
                    "rematch"},
     resumed({R"(send {"type":"rematch"})"}),
     "Black resigned: you win (white). The other player offers a rematch: Rematch plays it.",
     "9,9"},
    // Made: the new game's seat kept, and the connection goes to it, with its secret.
    {"RematchMade",
     RESUME + Steps{state("white", "[[9,9]]", PRESENT, BLACK_RESIGNED),
                    "<" + REMATCHED + R"(,"secret":")" + NEXT_SECRET + "\"}", "open"},
     resumed({"store " + NEXT + " " + NEXT_SECRET, "disconnect", "connect /ws?game=" + NEXT + " 0",
              R"(send {"type":"join","game":")" + NEXT + R"(","secret":")" + NEXT_SECRET + "\"}"}),
     JOINING},
    {"AWatcherFollowsTheRematch",
     JOIN + Steps{state("watcher", "[[9,9]]", PRESENT, BLACK_RESIGNED), "<" + REMATCHED + "}"},
     joined({"disconnect", "connect /ws?game=" + NEXT + " 0"}), JOINING},
    {"NoRematchWhileTheGameGoesOn",
     RESUME +
         Steps{state("white", "[[9,9]]"), "<" + REMATCHED + R"(,"secret":")" + NEXT_SECRET + "\"}"},
     resumed(), "Your move (white).", "9,9"},
    {"NoRematchToTheSameGame",
     RESUME + Steps{state("white", "[[9,9]]", PRESENT, BLACK_RESIGNED),
                    R"(<{"type":"rematched","game":"$G","secret":"$S"})"},
     resumed(), "Black resigned: you win (white).", "9,9"},

    // Leaving.
    {"Leave", RESUME + Steps{state("black", "[[9,9]]"), "leave"}, resumed({"disconnect"}), ""},
    {"NothingAfterLeaving",
     RESUME + Steps{state("black"), "leave", moved(0, 9, 9, "black"), "close 0", "place 9 9"},
     resumed({"disconnect"}), ""},
};

// Starts a session anew: the game state as at the start, and no online game yet.
void startAnew(RecordingTransport &transport)
{
    resetGameState();
    onlineGame = OnlineGame();
    onlineGame.attach(&transport);
}

// Plays the steps of a session, each by its first word, or "<" and the server's text.
void play(RecordingTransport &transport, const Steps &steps)
{
    const std::map<std::string, std::function<void(const std::string &)>> actions = {
        {"create", [](const std::string &) { onlineGame.create(); }},
        {"join", [](const std::string &id) { onlineGame.join(id.empty() ? GAME : id); }},
        {"stored", [&](const std::string &) { transport.secrets[GAME] = SECRET; }},
        {"leave", [](const std::string &) { onlineGame.leave(); }},
        {"undo", [](const std::string &) { EXPECT_TRUE(onlineGame.askUndo()); }},
        {"choose",
         [](const std::string &choice) { EXPECT_TRUE(onlineGame.choose(std::stoi(choice))); }},
        {"allow", [](const std::string &) { EXPECT_TRUE(onlineGame.answerUndo(true)); }},
        {"refuse", [](const std::string &) { EXPECT_TRUE(onlineGame.answerUndo(false)); }},
        {"resign", [](const std::string &) { EXPECT_TRUE(onlineGame.resign()); }},
        {"offer-draw", [](const std::string &) { EXPECT_TRUE(onlineGame.offerDraw()); }},
        {"accept-draw", [](const std::string &) { EXPECT_TRUE(onlineGame.answerDraw(true)); }},
        {"decline-draw", [](const std::string &) { EXPECT_TRUE(onlineGame.answerDraw(false)); }},
        {"rematch", [](const std::string &) { EXPECT_TRUE(onlineGame.rematch()); }},
        {"open", [](const std::string &) { onlineGame.opened(); }},
        {"close", [](const std::string &draw) { onlineGame.closed(std::stod(draw)); }},
        {"place",
         [](const std::string &point)
         {
             int row = 0, col = 0;
             ASSERT_EQ(std::sscanf(point.c_str(), "%d %d", &row, &col), 2);
             EXPECT_TRUE(onlineGame.place(row, col) || !onlineGame.active())
                 << "an online game takes every move";
         }},
    };
    for (const std::string &step : steps)
    {
        const std::string text = filled(step);
        ServerMessage message;
        const std::size_t space = std::min(text.find(' '), text.size());
        if (text[0] != '<')
        {
            ASSERT_EQ(actions.count(text.substr(0, space)), 1u) << "no such step: " << text;
            actions.at(text.substr(0, space))(text.substr(std::min(space + 1, text.size())));
        }
        else if (decodeServerMessage(text.substr(1), &message))
        {
            onlineGame.received(message);
        }
        else
        {
            onlineGame.unreadable();
        }
    }
}

TEST(Session, AsksTheTransportAndShowsTheGame)
{
    for (const SessionCase &c : SESSION_CASES)
    {
        SCOPED_TRACE(c.name);
        RecordingTransport transport;
        startAnew(transport);
        play(transport, c.steps);
        std::vector<std::string> expectedCalls;
        for (const std::string &call : c.calls)
        {
            expectedCalls.push_back(filled(call));
        }
        EXPECT_EQ(transport.calls, expectedCalls);
        EXPECT_EQ(onlineGame.active()            ? onlineGame.status()
                  : onlineGame.problem().empty() ? ""
                                                 : "problem: " + onlineGame.problem(),
                  c.status);
        std::string stones;
        for (int i = 0; i < historyLength; ++i)
        {
            const MoveRecord &move = moveHistory[i];
            stones += i > 0 ? " " : "";
            stones += std::to_string(move.row) + "," + std::to_string(move.col);
            EXPECT_EQ(move.side, i % 2) << "black first, then in turn";
        }
        EXPECT_EQ(stones, c.stones);
    }
}

// The input callbacks in an online game in which this player is black, with black to move.
class OnlineInput : public testing::Test
{
protected:
    void SetUp() override
    {
        startAnew(transport);
        play(transport, RESUME + Steps{state("black")});
        transport.calls.clear();
    }
    RecordingTransport transport;
};

TEST_F(OnlineInput, SpaceAndTheClickSendTheMoveAndPlaceNothing)
{
    onKeyboard(' ', 0, 0);
    EXPECT_EQ(transport.calls, std::vector<std::string>{sent(9, 9)});

    SetUp();
    pointUnder = tenPixelCells;
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 35, 41);
    EXPECT_EQ(transport.calls, std::vector<std::string>{sent(3, 4)});
    EXPECT_EQ(historyLength, 0);
    EXPECT_EQ(cursorX, 3 - BOARD_CENTRE) << "the cursor follows the click as in a local game";
}

// Undo asks the other player, by key or by menu; y and n answer the other player's request.
TEST_F(OnlineInput, UndoAsksTheOtherPlayerAndYOrNAnswers)
{
    const std::string asked = R"(send {"type":"undo","n":1})";
    play(transport, {moved(0, 9, 9, "black")});
    EXPECT_STREQ(menuLabel(MENU_UNDO), "Undo (ask the other player)");
    onKeyboard('u', 0, 0);
    play(transport, {error("undo-refused")});
    onMenu(MENU_UNDO);
    onKeyboard('y', 0, 0);
    EXPECT_EQ(transport.calls, (std::vector<std::string>{asked, asked}));
    EXPECT_EQ(historyLength, 1) << "nothing is taken back here before the server says so";

    play(transport,
         {moved(1, 8, 8, "white"), state("black", "[[9,9],[8,8]]", PRESENT, WHITE_ASKS)});
    transport.calls.clear();
    onKeyboard('Y', 0, 0);
    EXPECT_EQ(transport.calls,
              std::vector<std::string>{R"(send {"type":"undo-answer","n":2,"accept":true})"});
}

// The menu's Undo entry follows the seat the server gives, between frames: not offered before it
// is known, offered to ask the other player once it is.
TEST(OnlineMenu, TheUndoEntryFollowsTheSeatTheServerGives)
{
    RecordingTransport transport;
    startAnew(transport);
    play(transport, RESUME);
    relabelMenu();
    const auto undoLabels = []
    {
        std::vector<std::string> labels;
        for (const GlutCall &call : fakeGlutCalls())
        {
            const std::string prefix =
                "glutChangeToMenuEntry " + std::to_string(MENU_UNDO + 1) + " ";
            if (call.first.rfind(prefix, 0) == 0)
            {
                labels.push_back(call.first.substr(prefix.size()));
            }
        }
        return labels;
    };
    ASSERT_FALSE(undoLabels().empty());
    EXPECT_EQ(undoLabels().back(), "Undo (not online) 2");
    play(transport, {state("black")});
    onIdle();
    EXPECT_EQ(undoLabels().back(), "Undo (ask the other player) 2");
}

// The local game's entries do nothing and say so, until leaving ends the online game.
TEST_F(OnlineInput, TheLocalGamesEntriesDoNothingUntilLeaving)
{
    play(transport, {moved(0, 9, 9, "black")});
    const GameSnapshot before = takeSnapshot();
    for (int value :
         {MENU_CHEAT, MENU_RESTART, MENU_COMPUTER_WHITE, MENU_COMPUTER_BLACK, MENU_HARD})
    {
        onMenu(value);
    }
    onKeyboard('y', 0, 0);
    EXPECT_EQ(takeSnapshot(), before);
    EXPECT_EQ(opponent, OPPONENT_NONE);
    EXPECT_EQ(historyLength, 1);
    EXPECT_TRUE(transport.calls.empty());
    EXPECT_STREQ(menuLabel(MENU_CHEAT), "Cheat (not online)");
    EXPECT_STREQ(menuLabel(MENU_TWO_PLAYERS), "(*) Two players (not online)");

    // A move played: leaving asks first, and after "no" the game goes on as it was.
    onMenu(MENU_LEAVE_ONLINE);
    EXPECT_TRUE(onlineGame.active());
    EXPECT_EQ(onlineGame.status(),
              std::string("White to move (you play black). ") + ABANDON_QUESTION);
    EXPECT_EQ(askedNow(), ASKED_ABANDON);
    EXPECT_STREQ(menuLabel(MENU_ABANDON_YES), "Yes, abandon this game");
    onKeyboard('n', 0, 0);
    EXPECT_TRUE(onlineGame.active());
    EXPECT_EQ(onlineGame.status(), "White to move (you play black).");
    EXPECT_EQ(takeSnapshot(), before);
    EXPECT_TRUE(transport.calls.empty());
    onMenu(MENU_LEAVE_ONLINE);
    onMenu(MENU_ABANDON_YES);
    EXPECT_FALSE(onlineGame.active());
    EXPECT_EQ(transport.calls, std::vector<std::string>{"disconnect"});
    EXPECT_STREQ(menuLabel(MENU_CHEAT), "Cheat");
    onMenu(MENU_CHEAT);
    EXPECT_EQ(cheatMode, 1) << "local play again";

    transport.calls.clear();
    onMenu(MENU_PLAY_ONLINE);
    EXPECT_EQ(transport.calls, std::vector<std::string>{"connect /ws 0"});
    EXPECT_EQ(cheatMode, 0) << "an online game starts on a clear board";
}

// "Play online" in a live game with a move played asks first; after no, the live game goes on,
// connected as it was; after yes, it is left for a new one.
TEST_F(OnlineInput, PlayOnlineInALiveGameAsksFirst)
{
    play(transport, {moved(0, 9, 9, "black")});
    transport.calls.clear();
    onMenu(MENU_PLAY_ONLINE);
    EXPECT_TRUE(transport.calls.empty()) << "nothing sent or left before the answer";
    EXPECT_EQ(askedNow(), ASKED_ABANDON);
    EXPECT_EQ(onlineGame.status(),
              std::string("White to move (you play black). ") + ABANDON_QUESTION);
    onKeyboard('n', 0, 0);
    EXPECT_TRUE(onlineGame.active());
    EXPECT_TRUE(transport.calls.empty());
    EXPECT_EQ(onlineGame.status(), "White to move (you play black).");
    EXPECT_EQ(historyLength, 1);
    onMenu(MENU_PLAY_ONLINE);
    onKeyboard('y', 0, 0);
    EXPECT_EQ(transport.calls, (std::vector<std::string>{"disconnect", "connect /ws 0"}));
}

TEST_F(OnlineInput, AComputerSideGoesWhenAnOnlineGameStarts)
{
    startAnew(transport);
    onMenu(MENU_COMPUTER_WHITE);
    onKeyboard(' ', 0, 0);
    ASSERT_EQ(historyLength, 1);
    onMenu(MENU_PLAY_ONLINE);
    EXPECT_EQ(historyLength, 1) << "the local game in progress is kept until the yes";
    EXPECT_EQ(gameNotice, ABANDON_QUESTION);
    onKeyboard('y', 0, 0);
    EXPECT_EQ(opponent, OPPONENT_NONE);
    EXPECT_EQ(historyLength, 0);
    EXPECT_EQ(sideToMove, 0);
}

// An older server's state says no rule: its games are freestyle with the free opening, whatever
// the local rule, and a double three of black's stands.
TEST_F(OnlineInput, AnOlderServersGameIsFreestyleWhateverTheLocalRule)
{
    startAnew(transport);
    onMenu(MENU_RENJU);
    onMenu(MENU_SWAP2);
    ASSERT_EQ(gameRule, engine::Rule::Renju);
    // Black's last stone, on (9, 11), makes two open threes: forbidden under renju.
    play(transport,
         RESUME + Steps{state("white",
                              "[[9,9],[0,0],[9,10],[0,2],[10,11],[0,4],[11,11],[0,6],[9,11]]")});
    EXPECT_EQ(gameRule, engine::Rule::Freestyle);
    EXPECT_EQ(gameOpening, OPENING_FREE);
    EXPECT_EQ(historyLength, 9);
    EXPECT_EQ(cell(9, 11), CELL_BLACK);
    EXPECT_EQ(sideToMove, 1);
    EXPECT_STREQ(menuLabel(MENU_RENJU), "( ) Renju (not online)");
    EXPECT_STREQ(menuLabel(MENU_FREESTYLE), "(*) Freestyle (not online)");
    onMenu(MENU_RENJU);
    EXPECT_EQ(gameRule, engine::Rule::Freestyle)
        << "the menu does not change an online game's rule";
}

// The rule, the opening and the choices are the server's: the window's game follows them, the
// menu marks them, and leaving gives back the local game's.
TEST_F(OnlineInput, TheGamesRuleOpeningAndChoicesComeFromTheServer)
{
    startAnew(transport);
    ASSERT_EQ(gameRule, engine::Rule::Freestyle);
    play(transport,
         RESUME + Steps{swap2State("white", 2, THREE, R"("two","first-choice":null)", "renju")});
    EXPECT_EQ(gameRule, engine::Rule::Renju);
    EXPECT_EQ(gameOpening, OPENING_SWAP2);
    EXPECT_EQ(swap2SecondChoice, SWAP2_TWO_STONES);
    EXPECT_EQ(swap2Step(), SWAP2_TWO_MORE);
    EXPECT_EQ(historyLength, 3);
    EXPECT_STREQ(menuLabel(MENU_RENJU), "(*) Renju (not online)");
    EXPECT_STREQ(menuLabel(MENU_SWAP2), "(*) Swap2 (not online)");
    EXPECT_EQ(onlineGame.status(), "Swap2: place two more stones: white, then black. Renju.");
    onMenu(MENU_LEAVE_ONLINE);
    onKeyboard('y', 0, 0);
    EXPECT_EQ(gameRule, engine::Rule::Freestyle);
    EXPECT_EQ(gameOpening, OPENING_FREE);
}

// Keys 1, 2 and 3 send the choice to the server, and choose nothing here until it is stored.
TEST_F(OnlineInput, TheSwap2KeysSendTheChoiceToTheServer)
{
    play(transport, {swap2State("white", 2, THREE)});
    onKeyboard('2', 0, 0);
    EXPECT_EQ(transport.calls, std::vector<std::string>{sentChoice("black", 3)});
    EXPECT_EQ(swap2SecondChoice, 0) << "chosen when the server says so";
    onKeyboard('3', 0, 0);
    EXPECT_EQ(transport.calls.size(), 1u) << "one choice at a time";
    play(transport, {swap2State("black", 2, THREE, R"("black","first-choice":null)")});
    EXPECT_EQ(swap2SecondChoice, SWAP2_PLAY_BLACK);
    EXPECT_EQ(onlineGame.role(), OnlineRole::Black);

    // The first player's keys, at the second player's choice: nothing is sent.
    SetUp();
    play(transport, {swap2State("black", 1, THREE)});
    for (unsigned char key : {'1', '2', '3'})
    {
        onKeyboard(key, 0, 0);
    }
    EXPECT_TRUE(transport.calls.empty());
    EXPECT_EQ(swap2SecondChoice, 0);
}

// "Play online" makes a game under the local game's rule and opening at that moment.
TEST_F(OnlineInput, PlayOnlineMakesAGameUnderTheLocalRuleAndOpening)
{
    startAnew(transport);
    onMenu(MENU_RENJU);
    onMenu(MENU_SWAP2);
    onMenu(MENU_PLAY_ONLINE);
    onlineGame.opened();
    EXPECT_EQ(transport.calls,
              (std::vector<std::string>{
                  "connect /ws 0", R"(send {"type":"create","rule":"renju","opening":"swap2"})"}));
    transport.calls.clear();
    onMenu(MENU_LEAVE_ONLINE);
    onMenu(MENU_EXACTLY_FIVE);
    onMenu(MENU_FREE);
    onMenu(MENU_PLAY_ONLINE);
    onlineGame.opened();
    EXPECT_EQ(transport.calls,
              (std::vector<std::string>{
                  "disconnect", "connect /ws 0",
                  R"(send {"type":"create","rule":"exactly-five","opening":"free"})"}));
}

// The page's Online clock entry: the games it then creates ask the server for a clock, with the
// free opening only (the server keeps none with swap2), and the entry cycles back to none.
TEST_F(OnlineInput, TheOnlineClockEntryGivesTheGamesItCreatesAClock)
{
    startAnew(transport);
    const std::vector<std::tuple<int, int, std::string>> creates = {
        {1, MENU_FREE,
         R"(send {"type":"create","rule":"freestyle","opening":"free","clock":"1+0"})"},
        {1, MENU_FREE,
         R"(send {"type":"create","rule":"freestyle","opening":"free","clock":"3+2"})"},
        {0, MENU_SWAP2, R"(send {"type":"create","rule":"freestyle","opening":"swap2"})"},
        {1, MENU_FREE,
         R"(send {"type":"create","rule":"freestyle","opening":"free","clock":"5+3"})"},
        {1, MENU_FREE,
         R"(send {"type":"create","rule":"freestyle","opening":"free","clock":"10+5"})"},
        {1, MENU_FREE, R"(send {"type":"create","rule":"freestyle","opening":"free"})"},
    };
    for (const auto &[clicks, opening, create] : creates)
    {
        onMenu(MENU_LEAVE_ONLINE);
        onMenu(opening);
        for (int i = 0; i < clicks; ++i)
        {
            onMenu(MENU_ONLINE_CLOCK);
        }
        transport.calls.clear();
        onMenu(MENU_PLAY_ONLINE);
        onlineGame.opened();
        ASSERT_FALSE(transport.calls.empty());
        EXPECT_EQ(transport.calls.back(), create);
    }
    EXPECT_EQ(onlineClockLabel(), "Online clock: none");
}

// The server's refusals of a new player's name, in its own words.
const std::string NAME_TAKEN = R"(<{"type":"error","code":"name-taken","message":)"
                               R"("Another player has that name, or one that would pass for it"})";
const std::string BAD_NAME = R"(<{"type":"error","code":"bad-name","message":)"
                             R"("A name has letters, digits, spaces, '_', '-' and '.' only"})";

// Playing someone: a new player of the name given, or the one kept; the seek under the local
// rule and this client's clock; the stranger's game joined with its seat; a name refused stops
// it with the reason; a player the server forgot is forgotten here too.
TEST(Seeking, APlayerSeeksAndGoesOnToThePairedGame)
{
    const std::string player = "fedcba9876543210fedcba9876543210";
    const std::string hello = R"(send {"type":"hello","name":"Ann \"A\""})";
    const std::string kept = R"(send {"type":"hello","secret":")" + player + "\"}";
    const std::string playerSays = R"(<{"type":"player","secret":")" + player +
                                   R"(","name":"Ann","rating":1500,"deviation":350})";
    const std::string seekCall = R"(send {"type":"seek","rule":"renju","clock":"3+2"})";
    const struct
    {
        const char *name;
        bool keptPlayer;
        Steps steps;
        Steps calls;
        std::string status;
    } cases[] = {
        {"a new player, its seek waiting",
         false,
         {"open", playerSays, R"(<{"type":"seeking","rule":"renju","clock":"3+2"})"},
         {"connect /ws 0", hello, "store player " + player, seekCall},
         "Looking for someone to play (renju, 3+2)… You play as Ann (1500)."},
        {"the player kept",
         true,
         {"open", playerSays},
         {"connect /ws 0", kept, "store player " + player, seekCall},
         "Finding a game with someone (renju, 3+2)… You play as Ann (1500)."},
        {"paired: the game joined with its seat",
         true,
         {"open", playerSays, R"(<{"type":"paired","game":"$G","secret":"$S"})"},
         {"connect /ws 0", kept, "store player " + player, seekCall, "store $G $S", "disconnect",
          "connect /ws?game=$G 0"},
         "Joining the online game…"},
        {"a name taken, in the server's words",
         false,
         {"open", NAME_TAKEN},
         {"connect /ws 0", hello, "disconnect"},
         "problem: Another player has that name, or one that would pass for it."},
        {"a name taken, the server's words not plain",
         false,
         {"open", R"(<{"type":"error","code":"name-taken","message":"<b>no</b>"})"},
         {"connect /ws 0", hello, "disconnect"},
         "problem: Another player has that name, or one too like it."},
        {"a player the server forgot",
         true,
         {"open", error("no-such-player")},
         {"connect /ws 0", kept, "forget player", "disconnect"},
         "problem: The server no longer knows your player: choose a name to play as."},
        {"the connection lost: sought again on the next",
         true,
         {"open", playerSays, "close 0", "open", playerSays},
         {"connect /ws 0", kept, "store player " + player, seekCall, "connect /ws 500", kept,
          "store player " + player, seekCall},
         "Finding a game with someone (renju, 3+2)… You play as Ann (1500)."},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        RecordingTransport transport;
        startAnew(transport);
        gameRule = engine::Rule::Renju;
        if (c.keptPlayer)
        {
            transport.secrets["player"] = player;
        }
        onlineGame.setTimeControl("3+2");
        EXPECT_EQ(onlineGame.hasPlayer(), c.keptPlayer);
        ASSERT_TRUE(onlineGame.seek(c.keptPlayer ? "" : "Ann \"A\""));
        play(transport, c.steps);
        Steps expected;
        for (const std::string &call : c.calls)
        {
            expected.push_back(filled(call));
        }
        EXPECT_EQ(transport.calls, expected);
        EXPECT_EQ(onlineGame.active() ? onlineGame.status() : "problem: " + onlineGame.problem(),
                  c.status);
    }
    // No player kept and no name: nothing to seek with.
    RecordingTransport transport;
    startAnew(transport);
    EXPECT_FALSE(onlineGame.seek(""));
    EXPECT_TRUE(transport.calls.empty());
}

// The desktop's command line at work: --play-someone seeks as the player kept, or as a new one
// of --name, under the local rule and --clock, and plays the paired game in the colour the
// server gives; a name refused, or no server there, stops it with the reason. --join joins.
TEST(DesktopSeeking, TheCommandLinesSeekPlaysThePairedGame)
{
    const std::string player = "fedcba9876543210fedcba9876543210";
    const std::string playerSays = R"(<{"type":"player","secret":")" + player +
                                   R"(","name":"Ann","rating":1500,"deviation":350})";
    const std::string paired = R"(<{"type":"paired","game":"$G","secret":"$S"})";
    const std::string players =
        R"(,"players":{"black":{"name":"Bo","rating":1532},"white":{"name":"Ann","rating":1500}})";
    const auto pairedState = [&players](const std::string &you)
    {
        return R"(<{"type":"state","game":"$G","moves":[],"you":")" + you +
               R"(","black":"present","white":"present","over":false,"winner":null,)"
               R"("five":null)" +
               players + "}";
    };
    // The paired game joined with its seat, which the server's answer gives again.
    const Steps toTheGame = {R"(send {"type":"join","game":"$G","secret":"$S"})", "store $G $S"};
    const Steps pairedCalls = {"store $G $S", "disconnect", "connect /ws?game=$G 0"};
    const struct
    {
        const char *name;
        Steps line; // after --play-someone SERVER
        bool kept;
        engine::Rule rule;
        Steps steps;
        Steps calls;
        std::string status;
        std::string players = "";
    } cases[] = {
        {"a new player of --name, paired as white",
         {"--name", "Ann", "--clock", "3+2"},
         false,
         engine::Rule::Renju,
         Steps{"open", playerSays, R"(<{"type":"seeking","rule":"renju","clock":"3+2"})", paired,
               "open", JOINED_WHITE, pairedState("white")},
         Steps{"connect /ws 0", R"(send {"type":"hello","name":"Ann"})", "store player " + player,
               R"(send {"type":"seek","rule":"renju","clock":"3+2"})"} +
             pairedCalls + toTheGame,
         "Black to move (you play white).",
         "Black: Bo (1532) - White: Ann (1500)"},
        {"the player kept, its --name not used, paired as black",
         {"--name", "Zed"},
         true,
         engine::Rule::Freestyle,
         Steps{"open", playerSays, paired, "open", JOINED_BLACK, pairedState("black")},
         Steps{"connect /ws 0", R"(send {"type":"hello","secret":")" + player + "\"}",
               "store player " + player, R"(send {"type":"seek","rule":"freestyle"})"} +
             pairedCalls + toTheGame,
         "Your move (black).",
         "Black: Bo (1532) - White: Ann (1500)"},
        {"waiting for someone",
         {"--clock", "none"},
         true,
         engine::Rule::Standard,
         Steps{"open", playerSays, R"(<{"type":"seeking","rule":"exactly-five","clock":null})"},
         Steps{"connect /ws 0", R"(send {"type":"hello","secret":")" + player + "\"}",
               "store player " + player, R"(send {"type":"seek","rule":"exactly-five"})"},
         "Looking for someone to play (exactly five, no clock)… You play as Ann (1500)."},
        {"a bad name, in the server's words",
         {"--name", "A+"},
         false,
         engine::Rule::Freestyle,
         Steps{"open", BAD_NAME},
         Steps{"connect /ws 0", R"(send {"type":"hello","name":"A+"})", "disconnect"},
         "problem: A name has letters, digits, spaces, '_', '-' and '.' only."},
        {"a name taken, in the server's words",
         {"--name", "Bo"},
         false,
         engine::Rule::Freestyle,
         Steps{"open", NAME_TAKEN},
         Steps{"connect /ws 0", R"(send {"type":"hello","name":"Bo"})", "disconnect"},
         "problem: Another player has that name, or one that would pass for it."},
        {"no server there",
         {"--name", "Ann"},
         false,
         engine::Rule::Freestyle,
         Steps{"close 0"},
         Steps{"connect /ws 0", "disconnect"},
         "problem: Online play needs the game's own server, and none answered here."},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        RecordingTransport transport;
        startAnew(transport);
        gameRule = c.rule;
        if (c.kept)
        {
            transport.secrets["player"] = player;
        }
        std::vector<std::string> words = {"gomoku3d", "--play-someone", "http://127.0.0.1:8080/"};
        words.insert(words.end(), c.line.begin(), c.line.end());
        std::vector<char *> argv;
        for (std::string &word : words)
        {
            argv.push_back(word.data());
        }
        int argc = static_cast<int>(argv.size());
        OnlineOptions options;
        std::string why;
        ASSERT_TRUE(takeOnlineArguments(&argc, argv.data(), &options, &why)) << why;
        std::string note;
        ASSERT_TRUE(seekHasPlayer(options, c.kept, "the file", &why, &note)) << why;
        startFromOptions(options);
        play(transport, c.steps);
        Steps expected;
        for (const std::string &call : c.calls)
        {
            expected.push_back(filled(call));
        }
        EXPECT_EQ(transport.calls, expected);
        EXPECT_EQ(onlineGame.active() ? onlineGame.status() : "problem: " + onlineGame.problem(),
                  c.status);
        EXPECT_EQ(onlineGame.playersText(), c.players);
        if (c.status.rfind("problem: ", 0) != 0)
        {
            EXPECT_EQ(transport.secrets["player"], player) << "the player is kept under its key";
        }
    }
}

// --join joins the link's game, and its --clock is the one the menu's seeks will have.
TEST(DesktopSeeking, JoinJoinsTheLinksGameWithTheClockForLater)
{
    RecordingTransport transport;
    startAnew(transport);
    OnlineOptions options;
    std::string why;
    ASSERT_TRUE(parseGameLink("http://h/?game=" + GAME, &options.join.emplace(), &why)) << why;
    options.clock = "5+3";
    startFromOptions(options);
    EXPECT_EQ(transport.calls, (Steps{filled("connect /ws?game=$G 0")}));
    EXPECT_EQ(onlineGame.timeControl(), "5+3");
}

// The desktop menu's "Play someone": the player kept seeks again after a finished game (and a
// game in progress is asked about first); with none kept, the new player of --name seeks, and
// without --name nothing is sought and the player is told what to give.
TEST(DesktopSeeking, PlaySomeoneSeeksAgainAfterAGame)
{
    const std::string player = "fedcba9876543210fedcba9876543210";
    const std::string seekAgain[] = {"disconnect", "connect /ws 0",
                                     R"(send {"type":"hello","secret":")" + player + "\"}"};
    RecordingTransport transport;
    startAnew(transport);
    transport.secrets["player"] = player;
    play(transport, RESUME + Steps{state("black", "[[9,9]]")});
    transport.calls.clear();
    onMenu(MENU_PLAY_SOMEONE);
    EXPECT_EQ(askedNow(), ASKED_ABANDON) << "a game in progress is asked about first";
    EXPECT_TRUE(transport.calls.empty());
    onKeyboard('n', 0, 0);
    play(transport, {state("black", BLACK_FIVE, PRESENT, BLACK_WON)});
    ASSERT_TRUE(onlineGame.over());
    transport.calls.clear();
    onMenu(MENU_PLAY_SOMEONE);
    EXPECT_EQ(askedNow(), 0);
    play(transport, {"open"});
    EXPECT_EQ(transport.calls, (Steps(std::begin(seekAgain), std::end(seekAgain))));
    EXPECT_TRUE(onlineGame.seeking());

    OnlineOptions options;
    std::string why;
    ASSERT_TRUE(parseServerAddress("http://h/", &options.server.emplace(), &why)) << why;
    transport = RecordingTransport();
    startAnew(transport);
    EXPECT_NE(playSomeoneWithoutPlayer(options).find("--name NAME"), std::string::npos);
    EXPECT_TRUE(transport.calls.empty());
    EXPECT_FALSE(onlineGame.active());
    options.name = "Cy";
    EXPECT_EQ(playSomeoneWithoutPlayer(options), "");
    play(transport, {"open"});
    EXPECT_EQ(transport.calls, (Steps{"connect /ws 0", R"(send {"type":"hello","name":"Cy"})"}));
}

std::int64_t fakeNowMs = 0;

std::string clockState(const std::string &you, const std::string &clock,
                       const std::string &end = R"("over":false,"winner":null,"five":null)")
{
    return R"(<{"type":"state","game":"$G","moves":[],"you":")" + you +
           R"(","black":"present","white":"present",)" + end + R"(,"clock":)" + clock + "}";
}
std::string clockOf(int black, int white, const char *running, int stopped = 0)
{
    return R"({"control":"3+2","black":)" + std::to_string(black) + R"(,"white":)" +
           std::to_string(white) + R"(,"running":)" + running + R"(,"stopped":)" +
           std::to_string(stopped) + "}";
}

// Both clocks count down from the server's last word, the running one alone, to 0 and no
// further; a move's word corrects them; this player is warned in its last ten seconds, and told
// once of the time a restart of the server gave back.
TEST(OnlineClock, CountsDownFromTheServersWordAndWarns)
{
    const struct
    {
        const char *name;
        Steps steps; // each "wait MS" lets the time pass
        std::string clock;
        bool warning;
        std::string statusEnd = ""; // what the status line ends with, if anything
    } cases[] = {
        {"the running clock counts down",
         {clockState("black", clockOf(180'000, 180'000, R"("black")")), "wait 2500"},
         "Black 2:57 - White 3:00 (3+2)",
         false},
        {"under ten seconds in tenths, and this player warned",
         {clockState("black", clockOf(12'000, 180'000, R"("black")")), "wait 2550"},
         "Black 0:09.4 - White 3:00 (3+2)",
         true},
        {"the other side's last seconds warn nobody here",
         {clockState("white", clockOf(5'000, 180'000, R"("black")")), "wait 100"},
         "Black 0:04.9 - White 3:00 (3+2)",
         false},
        {"a watcher is warned of nothing",
         {clockState("watcher", clockOf(5'000, 180'000, R"("black")")), "wait 100"},
         "Black 0:04.9 - White 3:00 (3+2)",
         false},
        {"a clock stops at 0",
         {clockState("black", clockOf(1'000, 180'000, R"("black")")), "wait 5000"},
         "Black 0:00.0 - White 3:00 (3+2)",
         true},
        {"a move's word corrects both",
         {clockState("black", clockOf(180'000, 180'000, R"("black")")), "wait 10000",
          R"(<{"type":"moved","n":0,"row":9,"col":9,"colour":"black","clock":)" +
              clockOf(171'000, 180'000, R"("white")") + "}",
          "wait 1000"},
         "Black 2:51 - White 2:59 (3+2)",
         false},
        {"a game over has its clocks stand still",
         {clockState("black", clockOf(50'000, 0, "null"),
                     R"("over":true,"winner":"black","five":null,"ending":"time")"),
          "wait 5000"},
         "Black 0:50 - White 0:00.0 (3+2)",
         false,
         "White ran out of time: you win (black)."},
        {"no clock, no words", {clockState("black", "null"), "wait 5000"}, "", false},
        {"the time the server was down, told",
         {clockState("black", clockOf(60'000, 60'000, R"("black")", 30'000))},
         "Black 1:00 - White 1:00 (3+2)",
         false,
         "The server was down for 30 s: the clocks stood still."},
        {"the same gift again is told no more",
         {clockState("black", clockOf(60'000, 60'000, R"("black")", 30'000)),
          clockState("black", clockOf(60'000, 60'000, R"("black")", 30'000))},
         "Black 1:00 - White 1:00 (3+2)",
         false,
         "Your move (black)."},
        {"a clock that is not one is refused",
         {clockState("black", clockOf(60'000, 60'000, R"("black")")),
          clockState("black", R"({"control":"3+2","black":-5,"white":0,"running":null})")},
         "Black 1:00 - White 1:00 (3+2)",
         false},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        RecordingTransport transport;
        startAnew(transport);
        fakeNowMs = 1'000'000;
        onlineGame.setTimeSource([] { return fakeNowMs; });
        play(transport, RESUME);
        for (const std::string &step : c.steps)
        {
            if (step.rfind("wait ", 0) == 0)
            {
                fakeNowMs += std::stoll(step.substr(5));
            }
            else
            {
                play(transport, {step});
            }
        }
        EXPECT_EQ(onlineGame.clockText(), c.clock);
        EXPECT_EQ(onlineGame.clockWarning(), c.warning);
        const std::string status = onlineGame.status();
        EXPECT_TRUE(status.ends_with(c.statusEnd)) << status;
        EXPECT_EQ(onlineGame.clockChanged(), !c.clock.empty());
        EXPECT_FALSE(onlineGame.clockChanged()) << "nothing changed since";
    }
}

} // namespace
