// The online game in the browser: the page's own WebSocket and storage, in
// platform/web/online.js, carry out what the online game asks; what they hear comes back through
// the functions exported here, the server's messages read by the browser's JSON.parse and handed
// over field by field. The online game (game/online.h) checks every value against the game.
#include "app/online_session.h"

#include "app/records_web.h"

#include "app/input.h"
#include "game/online.h"

#include <GL/freeglut_std.h>
#include <emscripten.h>

#include <cstdint>
#include <string>

// platform/web/online.js: the connection, the secrets kept in the browser's storage, and the
// page's status line and panel.
extern "C" void gomokuOnlineConnect(const char *path, int delayMs);
extern "C" void gomokuOnlineSend(const char *text);
extern "C" void gomokuOnlineDisconnect();
// Writes the kept secret of a game, or "", into `out` (at most `size` bytes with the terminator).
extern "C" void gomokuOnlineLoadSecret(const char *game, char *out, int size);
extern "C" void gomokuOnlineStoreSecret(const char *game, const char *secret);
extern "C" void gomokuOnlineForgetSecret(const char *game);
// `asked`: the other player waits for this one's answer to a request to take back a move.
// `drawAsked`: the other player waits for the answer to an offer of a draw; `over`: the game is
// over; `rematch`: 0 none to offer, 1 one may be offered, 2 the other player offers one, 3 this
// player has.
extern "C" void gomokuOnlineChanged(int active, const char *status, int role, const char *game,
                                    const char *problem, int asked, int drawAsked, int over,
                                    int rematch);
// Writes the game the page's address names (?game=ID), or "", into `out`.
extern "C" void gomokuOnlineAddressGame(char *out, int size);
// The clocks' line of the panel ("" hides it); `warning`: this player has under ten seconds.
extern "C" void gomokuOnlineClockShown(const char *text, int warning);
// The players' line of the panel ("" hides it).
extern "C" void gomokuOnlinePlayersShown(const char *text);
// The panel's form for the name to play strangers as; the list of live games.
extern "C" void gomokuOnlineAskName();
extern "C" void gomokuOnlineOpenLive();

namespace
{

// The clocks of the next state or move, as the page read them (gomokuOnlineClock), and the
// players and watchers of the next state or presence (gomokuOnlinePlayers).
OnlineClock pendingClock;
bool clockPending = false;
std::string pendingNames[2];
int pendingRatings[2] = {0, 0};
int pendingWatchers = -1;

void takePlayers(ServerMessage &message)
{
    for (int side : {0, 1})
    {
        message.names[side] = pendingNames[side];
        message.ratings[side] = pendingRatings[side];
        pendingNames[side].clear();
    }
    message.watchers = pendingWatchers;
    pendingWatchers = -1;
}

void pageAction(int value)
{
    if (value == MENU_PLAY_SOMEONE)
    {
        gomokuOnlineAskName();
    }
    else if (value == MENU_LIVE_GAMES)
    {
        gomokuOnlineOpenLive();
    }
}

void showClock()
{
    gomokuOnlineClockShown(onlineGame.clockText().c_str(), onlineGame.clockWarning() ? 1 : 0);
}

// The clocks count down on the page between the server's words.
constexpr unsigned CLOCK_TICK_MS = 100;
void onClockTick(int)
{
    if (onlineGame.clockChanged())
    {
        showClock();
    }
    glutTimerFunc(CLOCK_TICK_MS, onClockTick, 0);
}

class PageTransport : public OnlineTransport
{
public:
    void connect(const std::string &path, int delayMs) override
    {
        gomokuOnlineConnect(path.c_str(), delayMs);
    }
    void send(const std::string &text) override { gomokuOnlineSend(text.c_str()); }
    void disconnect() override { gomokuOnlineDisconnect(); }
    std::string loadSecret(const std::string &game) override
    {
        char secret[64] = {};
        gomokuOnlineLoadSecret(game.c_str(), secret, sizeof secret);
        return secret;
    }
    void storeSecret(const std::string &game, const std::string &secret) override
    {
        gomokuOnlineStoreSecret(game.c_str(), secret.c_str());
    }
    void forgetSecret(const std::string &game) override { gomokuOnlineForgetSecret(game.c_str()); }
    void changed() override
    {
        // The menu's labels say what works in an online game; they change when one starts or
        // ends.
        if (onlineGame.active() != wasActive_)
        {
            wasActive_ = onlineGame.active();
            relabelMenu();
        }
        gomokuOnlineChanged(onlineGame.active() ? 1 : 0, onlineGame.status().c_str(),
                            static_cast<int>(onlineGame.role()), onlineGame.game().c_str(),
                            onlineGame.problem().c_str(), onlineGame.undoAskedOfMe() ? 1 : 0,
                            onlineGame.drawOfferedToMe() ? 1 : 0, onlineGame.over() ? 1 : 0,
                            !onlineGame.rematchOpen()         ? 0
                            : onlineGame.rematchOfferedToMe() ? 2
                            : onlineGame.rematchOfferedByMe() ? 3
                                                              : 1);
        onlineGame.clockChanged();
        showClock();
        gomokuOnlinePlayersShown(onlineGame.playersText().c_str());
        glutPostRedisplay();
    }

private:
    bool wasActive_ = false;
};

PageTransport transport;

// The page's words for the protocol's, as numbers: an unknown word is -1, which no check passes.
OnlineRole roleOf(int value)
{
    return value >= static_cast<int>(OnlineRole::Waiting) &&
                   value <= static_cast<int>(OnlineRole::Watcher)
               ? static_cast<OnlineRole>(value)
               : OnlineRole::None;
}

bool presenceOf(int value, Presence *presence)
{
    if (value < static_cast<int>(Presence::Empty) || value > static_cast<int>(Presence::Away))
    {
        return false;
    }
    *presence = static_cast<Presence>(value);
    return true;
}

// A list of points the page wrote as bytes, row then column; values it could not write as a
// byte it wrote as 255, off the board.
std::vector<ServerMessage::Point> pointsOf(const std::uint8_t *bytes, int count)
{
    std::vector<ServerMessage::Point> points;
    for (int i = 0; i + 1 < count; i += 2)
    {
        points.emplace_back(bytes[i], bytes[i + 1]);
    }
    return points;
}

void receive(const ServerMessage &message)
{
    onlineGame.received(message);
}

} // namespace

extern "C"
{

    EMSCRIPTEN_KEEPALIVE void gomokuOnlineOpened()
    {
        onlineGame.opened();
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlineClosed(double random)
    {
        onlineGame.closed(random);
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlineUnreadable()
    {
        onlineGame.unreadable();
    }

    // The panel's button, as the menu's entry: in a game in progress it asks first.
    EMSCRIPTEN_KEEPALIVE void gomokuOnlineLeave()
    {
        onMenu(MENU_LEAVE_ONLINE);
    }

    // The panel's Allow and Refuse, for the other player's request to take back a move.
    EMSCRIPTEN_KEEPALIVE void gomokuOnlineAnswerUndo(int allow)
    {
        onlineGame.answerUndo(allow != 0);
    }

    // The panel's Accept the draw and Decline, and its Rematch.
    EMSCRIPTEN_KEEPALIVE void gomokuOnlineAnswerDraw(int accept)
    {
        onlineGame.answerDraw(accept != 0);
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlineRematch()
    {
        onlineGame.rematch();
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlineRematched(const char *game, const char *secret)
    {
        ServerMessage message;
        message.type = ServerMessage::Type::Rematched;
        message.game = game;
        message.secret = secret;
        receive(message);
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlineCreated(const char *game, const char *secret)
    {
        ServerMessage message;
        message.type = ServerMessage::Type::Created;
        message.game = game;
        message.secret = secret;
        receive(message);
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlineJoined(const char *game, int role, const char *secret)
    {
        ServerMessage message;
        message.type = ServerMessage::Type::Joined;
        message.game = game;
        message.role = roleOf(role);
        message.secret = secret;
        receive(message);
    }

    // `you`, `black` and `white` as the page numbers them (OnlineRole, Presence); `winner` and
    // `undo` (the side asking to take back a move) 0 black, 1 white, -1 none; `five` empty when
    // the server sent none; `rule` 0 freestyle, 1 exactly five, 2 renju; `opening` 0 free, 1
    // swap2; `player` 1 or 2, 0 none; the choices 1 white, 2 black, 3 two more stones, 0 none;
    // `ending` an ENDING_ value; `draw` and `rematch` the side offering, -1 none; `next` the
    // rematch's id or "".
    EMSCRIPTEN_KEEPALIVE void gomokuOnlineState(const char *game, int you, int black, int white,
                                                int over, int winner, const std::uint8_t *moves,
                                                int moveBytes, const std::uint8_t *five,
                                                int fiveBytes, int undo, int rule, int opening,
                                                int player, int secondChoice, int firstChoice,
                                                int ending, int draw, int rematch, const char *next)
    {
        if (rule < 0 || rule > 2 || opening < 0 || opening > 1 || player < 0 || player > 2 ||
            secondChoice < 0 || secondChoice > 3 || firstChoice < 0 || firstChoice > 2 ||
            ending < ENDING_NONE || ending > ENDING_TIME || draw < -1 || draw > 1 || rematch < -1 ||
            rematch > 1)
        {
            onlineGame.unreadable();
            return;
        }
        ServerMessage message;
        message.type = ServerMessage::Type::State;
        message.game = game;
        message.role = roleOf(you);
        if (!presenceOf(black, &message.black) || !presenceOf(white, &message.white))
        {
            onlineGame.unreadable();
            return;
        }
        message.over = over != 0;
        message.winner = winner;
        message.moves = pointsOf(moves, moveBytes);
        message.five = pointsOf(five, fiveBytes);
        message.undo = undo;
        message.rule = static_cast<engine::Rule>(rule);
        message.opening = opening;
        message.player = player;
        message.secondChoice = secondChoice;
        message.firstChoice = firstChoice;
        message.ending = ending;
        message.draw = draw;
        message.rematch = rematch;
        message.next = next;
        message.clock = clockPending ? pendingClock : OnlineClock{};
        message.hasClock = true;
        clockPending = false;
        takePlayers(message);
        receive(message);
    }

    // A rated game's players ("" names when by link) and the connections watching (-1 unsaid),
    // for the state or presence that comes next.
    EMSCRIPTEN_KEEPALIVE void gomokuOnlinePlayers(const char *blackName, int blackRating,
                                                  const char *whiteName, int whiteRating,
                                                  int watchers)
    {
        const std::string names[2] = {blackName, whiteName};
        for (int side : {0, 1})
        {
            pendingNames[side] = names[side].size() <= 64 ? names[side] : std::string();
        }
        pendingRatings[0] = blackRating;
        pendingRatings[1] = whiteRating;
        pendingWatchers = watchers >= -1 ? watchers : -1;
    }

    // The name form's Play: a new player of that name seeks a stranger.
    EMSCRIPTEN_KEEPALIVE void gomokuOnlinePlaySomeone(const char *name)
    {
        onlineGame.seek(name);
        glutPostRedisplay();
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlinePlayer(const char *secret, const char *name, int rating)
    {
        ServerMessage message;
        message.type = ServerMessage::Type::Player;
        message.secret = secret;
        message.name = name;
        message.rating = rating;
        receive(message);
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlineSeeking()
    {
        ServerMessage message;
        message.type = ServerMessage::Type::Seeking;
        receive(message);
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlinePaired(const char *game, const char *secret)
    {
        ServerMessage message;
        message.type = ServerMessage::Type::Paired;
        message.game = game;
        message.secret = secret;
        receive(message);
    }

    // The clocks of the state or move that comes next: `timed` 0 for a game without a clock;
    // `running` 0 black, 1 white, -1 neither; milliseconds.
    EMSCRIPTEN_KEEPALIVE void gomokuOnlineClock(int timed, const char *control, double black,
                                                double white, int running, double stopped)
    {
        constexpr double MOST = 7.0 * 24 * 3600 * 1000;
        const std::string name = control;
        pendingClock = OnlineClock{};
        clockPending = true;
        if (timed == 0)
        {
            return;
        }
        if (!(black >= 0 && black <= MOST && white >= 0 && white <= MOST && stopped >= 0 &&
              stopped <= MOST) ||
            running < -1 || running > 1 || name.empty() || name.size() > 7 ||
            name.find_first_not_of("0123456789+") != std::string::npos)
        {
            clockPending = false;
            onlineGame.unreadable();
            return;
        }
        pendingClock.timed = true;
        pendingClock.control = name;
        pendingClock.remainingMs[0] = static_cast<std::int64_t>(black);
        pendingClock.remainingMs[1] = static_cast<std::int64_t>(white);
        pendingClock.running = running;
        pendingClock.stoppedMs = static_cast<std::int64_t>(stopped);
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlineMoved(int n, int row, int col, int colour)
    {
        ServerMessage message;
        message.type = ServerMessage::Type::Moved;
        message.n = n;
        message.row = row;
        message.col = col;
        message.colour = colour;
        message.hasClock = clockPending;
        message.clock = pendingClock;
        clockPending = false;
        receive(message);
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlinePresence(int black, int white)
    {
        ServerMessage message;
        message.type = ServerMessage::Type::Presence;
        if (!presenceOf(black, &message.black) || !presenceOf(white, &message.white))
        {
            onlineGame.unreadable();
            return;
        }
        takePlayers(message);
        receive(message);
    }

    EMSCRIPTEN_KEEPALIVE void gomokuOnlineError(const char *code, const char *text)
    {
        ServerMessage message;
        message.type = ServerMessage::Type::Error;
        message.code = code;
        message.text = text;
        receive(message);
    }

} // extern "C"

bool takeOnlineOptions(int *, char **)
{
    return true; // the page has no command line
}

void startOnlineSession()
{
    onlineGame.attach(&transport);
    glutAddMenuEntry("Play online", MENU_PLAY_ONLINE);
    glutAddMenuEntry("Leave online game", MENU_LEAVE_ONLINE);
    addPageRecordEntries();
    glutAddMenuEntry(onlineClockLabel().c_str(), MENU_ONLINE_CLOCK);
    onlineClockEntry = MENU_ENTRIES + 5; // after Play online, Leave, Open game and Recent games
    glutAddMenuEntry("Play someone", MENU_PLAY_SOMEONE);
    glutAddMenuEntry("Live games", MENU_LIVE_GAMES);
    pageEntry = pageAction;
    glutTimerFunc(CLOCK_TICK_MS, onClockTick, 0);
    char game[64] = {};
    gomokuOnlineAddressGame(game, sizeof game);
    if (game[0] != '\0')
    {
        onlineGame.join(game);
    }
}
