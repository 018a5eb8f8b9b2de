// The online game as its clients see it: a game held by the server, which referees it under its
// rule and opening (the window's gameRule and gameOpening follow them), played here by one of its
// two players or watched. Free of any network, window or GL code: the
// platform hands in what its connection does and what the server sends (decoded into a
// ServerMessage), and carries out what this asks of it through an OnlineTransport. A move the
// server reports is placed with placeStone, as a player's stone is; a player's own click in an
// online game is sent to the server instead, and placed when the server says it was stored.
#pragma once

#include "core/rules.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Who the client is in the game: nobody yet, the creator before the second player has come
// (colours are drawn then), one of the two colours, or a watcher.
enum class OnlineRole : std::uint8_t
{
    None,
    Waiting,
    Black,
    White,
    Watcher,
};

// Whether a seat's player is connected.
enum class Presence : std::uint8_t
{
    Empty, // nobody has taken the seat yet
    Present,
    Away, // taken, and its player's connection is lost
};

// A game's clocks as a message from the server tells them.
struct OnlineClock
{
    bool timed = false;
    std::string control;                  // "3+2": minutes, and seconds added a move
    std::int64_t remainingMs[2] = {0, 0}; // black's and white's, when the server wrote it
    int running = -1;                     // the side whose clock runs: 0 black, 1 white, -1 none
    std::int64_t stoppedMs = 0;           // what the server's last restart gave back
};

// One message from the server, its fields decoded but not yet checked against the game: the
// decoder checks only their kinds (a string, an integer, a list of points).
struct ServerMessage
{
    enum class Type : std::uint8_t
    {
        Created,
        Joined,
        State,
        Moved,
        Presence,
        Error,
        Rematched, // the rematch is made: `game` and this client's `secret` in it (empty: watching)
        Player,    // the player this connection is: `secret`, `name`, `rating`
        Seeking,   // the seek waits for a stranger
        Paired,    // a stranger was found: `game` and this client's `secret` in it
        Other,     // a type this client does not know, ignored for the sake of newer servers
    };
    using Point = std::pair<int, int>; // row, column

    Type type = Type::Other;
    std::string game;                   // Created, Joined, State
    std::string secret;                 // Created, Joined (empty when none was given)
    OnlineRole role = OnlineRole::None; // Joined: the role; State: "you"
    std::vector<Point> moves;           // State: every move, black's first
    Presence black = Presence::Empty;   // State, Presence
    Presence white = Presence::Empty;
    bool over = false;       // State
    int winner = -1;         // State: 0 black, 1 white, -1 none
    std::vector<Point> five; // State: the winning five, or empty
    int undo = -1;           // State: the side asking to take back a move, -1 none
    // State: the game's rule and opening (OPENING_FREE or OPENING_SWAP2), this client's player (1
    // the first, who opens; 2 the second; 0 a watcher, or a server that does not say), and the
    // swap2 choices made (SWAP2_PLAY_WHITE, SWAP2_PLAY_BLACK, SWAP2_TWO_STONES; 0 none). A server
    // that sends none of these has freestyle games with the free opening.
    engine::Rule rule = engine::Rule::Freestyle;
    int opening = 0;
    int player = 0;
    int secondChoice = 0;
    int firstChoice = 0;
    // State: how the game ended (ENDING_ below; 0 while it goes on, or from a server that does
    // not say), the side whose offer of a draw waits and the side that offered a rematch (-1
    // none), and the rematch's id once it is made.
    int ending = 0;
    int draw = -1;
    int rematch = -1;
    std::string next;
    int n = -1;   // Moved: the stones on the board before it
    int row = -1; // Moved
    int col = -1;
    int colour = -1; // Moved: 0 black, 1 white
    // State: the game's clocks (untimed when it has none); Moved: the clocks after the move,
    // when `hasClock`.
    OnlineClock clock;
    bool hasClock = false;
    // State: a rated game's players, black's and white's names and ratings ("" when by link);
    // State and Presence: the connections watching (-1 when not said). Player: `name`, `rating`.
    std::string names[2];
    int ratings[2] = {0, 0};
    int watchers = -1;
    std::string name;
    int rating = 0;
    std::string code; // Error
    std::string text; // Error: the server's words, shown only when plain and short
};

// How an online game ended, as a state says it.
inline constexpr int ENDING_NONE = 0;
inline constexpr int ENDING_FIVE = 1;
inline constexpr int ENDING_FULL_BOARD = 2;
inline constexpr int ENDING_RESIGNATION = 3;
inline constexpr int ENDING_AGREEMENT = 4;
inline constexpr int ENDING_TIME = 5;

// What the online game asks of the platform's connection and storage. Each call is made at once,
// from whatever call into OnlineGame caused it.
// The key the player's own secret is kept under, beside the seats' (no game id looks like it).
inline constexpr const char *ONLINE_PLAYER_KEY = "player";

class OnlineTransport
{
public:
    virtual ~OnlineTransport() = default;
    // Drops the connection there is, if any, and connects to `path` ("/ws" or "/ws?game=ID") on
    // the server after `delayMs` milliseconds; reports back through opened() or closed().
    virtual void connect(const std::string &path, int delayMs) = 0;
    // Sends one text frame on the open connection.
    virtual void send(const std::string &text) = 0;
    // Drops the connection, and any connection waiting to be made; reports nothing back.
    virtual void disconnect() = 0;
    // The seat's secret for a game, kept so that the player can come back to it; empty if none.
    virtual std::string loadSecret(const std::string &game) = 0;
    virtual void storeSecret(const std::string &game, const std::string &secret) = 0;
    virtual void forgetSecret(const std::string &game) = 0;
    // The status line, the role or the game changed: show them again.
    virtual void changed() = 0;
};

// Checks of the protocol's names: a game id is NAME-TOKEN (a server's name of 1 to 16 of a-z and
// 0-9, and 16 of base32's a-z and 2-7); a secret is 32 lowercase hexadecimal digits.
bool isGameId(std::string_view text);
bool isSecret(std::string_view text);

// A link to a game, as the page shows it: http://HOST[:PORT]/[PATH]?game=ID, or https://.
struct GameLink
{
    bool secure = false; // https: the connection is wss
    std::string host;    // a name, an IPv4 address or a bracketed IPv6 one, as written
    int port = 0;        // 80 or 443 when the link has none
    std::string game;
};
// Reads a link; false, with `why` in words, when it is not one.
bool parseGameLink(std::string_view text, GameLink *link, std::string *why);
// Reads a server's address, the page's own as a browser shows it (http://HOST[:PORT]/[PATH], or
// https://), into `server` with no game; false, with `why` in words, when it is not one or when
// it names a game (a link to join).
bool parseServerAddress(std::string_view text, GameLink *server, std::string *why);

class OnlineGame
{
public:
    // The first wait before connecting again, and the longest; each failure doubles the wait.
    static constexpr int RETRY_FIRST_MS = 500;
    static constexpr int RETRY_LONGEST_MS = 8000;

    // The platform's connection; the game acts only once it has one.
    void attach(OnlineTransport *transport);

    // The player's requests. create() makes a new game on the server under the rule and opening
    // of the local game at that moment (this client takes its first seat); join() goes to an existing one, with the seat's secret when one was kept;
    // leave() drops the online game for local play. Each starts a new board, black to move, with
    // two players at it (the computer plays neither side).
    void create();
    bool join(std::string_view game); // false: not a game id (the problem says so)
    // A rated game with a stranger under the local game's rule and this client's time control:
    // as the player kept here, or a new one of `name`. A kept player needs no name; without
    // either, false and nothing done (the platform asks for a name).
    bool seek(const std::string &name);
    bool hasPlayer() const;
    bool seeking() const { return active() && seeking_; }
    void leave();

    // The connection: it opened, or it closed or could not be made (`random` in [0, 1) spreads
    // the next attempt, so that clients a restarted server lost do not all come back at once).
    void opened();
    void closed(double random);
    // A message from the server, and a text that is not one (not JSON, too long, unknown kinds).
    void received(const ServerMessage &message);
    void unreadable();

    // A player's stone on (row, col): in an online game it is sent to the server if it is this
    // player's turn, and nothing is placed here. True when the online game took it (whatever it
    // did with it); false in a local game, where the caller places it.
    bool place(int row, int col);

    // Taking back a move by agreement: a player asks the other to take back their own last
    // stone (and the other's reply to it, if any), and the other allows it or refuses. Each is
    // true when the online game took it (whatever it did with it); false in a local game.
    bool askUndo();
    bool answerUndo(bool allow);
    // A swap2 choice (SWAP2_PLAY_WHITE, SWAP2_PLAY_BLACK or SWAP2_TWO_STONES), sent to the server
    // when it is this player's to make: true when the online game took it (whatever it did with
    // it); false in a local game, where the caller chooses.
    bool choose(int choice);
    // The other player has asked, and waits for this player's answer.
    bool undoAskedOfMe() const;
    // A swap2 choice is this player's to make now, and nothing of theirs is on its way.
    bool choiceIsMine() const;
    // At least one move stored and the game not over: leaving it loses it.
    bool inProgress() const { return active() && !moves_.empty() && !over_; }
    // Words of this client's own on the status line, after the game's ("" takes them away).
    void tell(std::string words);

    // A game with a clock: the time control asked for when this client creates a game ("3+2",
    // or "" for none), kept for the games it makes after.
    void setTimeControl(std::string control) { timeControl_ = std::move(control); }
    // The next of the time controls offered: none, 1+0, 3+2, 5+3, 10+5, and none again.
    void nextTimeControl();
    const std::string &timeControl() const { return timeControl_; }
    // Milliseconds on a steady scale; the tests bring their own. The clocks count down by it
    // from the server's last word.
    void setTimeSource(std::function<std::int64_t()> nowMs) { nowMs_ = std::move(nowMs); }
    // Both clocks as they stand now, the running one counted down since the server's word:
    // "Black 2:58 - White 3:00 (3+2)", with tenths under ten seconds; "" for a game without a
    // clock or no online game.
    std::string clockText() const;
    // This player's clock runs and has less than ten seconds left.
    bool clockWarning() const;
    // The players of a rated game and the number watching: "Black: Ann (1512) - White: Bo
    // (1490) - 2 watching"; "" when there is neither.
    std::string playersText() const;
    // The clocks' words changed since the last call (the platform shows them again then).
    bool clockChanged();

    // Ending the game off the board: this player resigns, or offers a draw, or answers the other
    // player's offer. Each is true when the online game took it (whatever it did with it); false
    // in a local game, where the caller acts.
    bool resign();
    bool offerDraw();
    bool answerDraw(bool accept);
    // The other player has offered a draw, and waits for this player's answer.
    bool drawOfferedToMe() const;
    // After the game: offers a rematch with the colours swapped, or accepts the other player's
    // offer of one; both then go on to the new game. True when the online game took it.
    bool rematch();
    // The game is over, and a rematch may be offered or accepted (this player is one of the two).
    bool rematchOpen() const;
    // The other player has offered a rematch, and waits for this player's answer.
    bool rematchOfferedToMe() const;
    bool rematchOfferedByMe() const { return rematchOpen() && rematch_ == mySide(); }
    // The game is over here: on the board, by a resignation or by a draw agreed.
    bool over() const { return active() && over_; }

    bool active() const { return phase_ != Phase::Off; }
    bool connected() const { return phase_ == Phase::Live; }
    OnlineRole role() const { return role_; }
    const std::string &game() const { return game_; }
    // The status line: whose move it is and which colour this player has, the other player's
    // absence, the winner, or the trouble with the connection.
    std::string status() const;
    // Why the last online game ended here without the player leaving it ("" if it did not): the
    // server could not be reached to create one, or the game does not exist.
    const std::string &problem() const { return problem_; }

private:
    enum class Phase : std::uint8_t
    {
        Off,        // local play
        Connecting, // the first connection, or the first message, not there yet
        Live,       // connected, and the game's state known
        Lost,       // the connection was lost; trying again
    };

    void reset();
    void stop(std::string problem);
    void applyState(const ServerMessage &message);
    void applyMoved(const ServerMessage &message);
    void applyError(const ServerMessage &message);
    void applyRematched(const ServerMessage &message);
    void applyClock(const OnlineClock &clock);
    void applyPlayer(const ServerMessage &message);
    void applyPaired(const ServerMessage &message);
    void sendSeek();
    static std::int64_t steadyMs();
    std::int64_t clockLeftMs(int side) const;
    void resynchronise();
    void notify();
    int mySide() const;  // 0 black, 1 white, -1 neither, as the choices so far have it
    bool myTurn() const; // this player places the next stone (or makes the next choice)

    OnlineTransport *transport_ = nullptr;
    Phase phase_ = Phase::Off;
    bool creating_ = false;    // the game asked for has not been given an id yet
    bool seeking_ = false;     // a stranger is sought, no game given yet
    std::string seekName_;     // the name of the new player the seek makes, if no player is kept
    bool seekWaiting_ = false; // the server has the seek
    std::string names_[2];     // a rated game's players, as the state says them
    int ratings_[2] = {0, 0};
    int watchers_ = 0;
    bool everOpened_ = false;
    std::string game_;
    std::string secret_;
    OnlineRole role_ = OnlineRole::None;
    Presence black_ = Presence::Empty;
    Presence white_ = Presence::Empty;
    bool over_ = false;
    bool stateKnown_ = false;
    std::vector<ServerMessage::Point> moves_; // every move the server has stored
    engine::Rule rule_ = engine::Rule::Freestyle;
    int opening_ = 0;
    int player_ = 0;       // 1 the first player, 2 the second, 0 neither or not said
    int secondChoice_ = 0; // the swap2 choices the server has stored
    int firstChoice_ = 0;
    // The local game's rule and opening before the online game, given back on leaving it.
    engine::Rule localRule_ = engine::Rule::Freestyle;
    int localOpening_ = 0;
    bool moveSent_ = false; // a move of ours is on its way
    int undo_ = -1;         // the side whose request to take back waits for the other's answer
    int ending_ = 0;        // ENDING_ of a game over
    int winner_ = -1;       // the winner the server names, for a game over
    int draw_ = -1;         // the side whose offer of a draw waits for the other's answer
    int rematch_ = -1;      // the side that has offered a rematch
    bool endSent_ = false;  // a resignation, an offer of a draw or its answer is on its way
    bool undoSent_ = false; // this player's request or answer is on its way
    int failures_ = 0;      // connections lost in a row
    std::string notice_;    // a word on the last thing the player tried, until the game moves on
    std::string problem_;
    std::string timeControl_;
    std::function<std::int64_t()> nowMs_ = steadyMs;
    OnlineClock clock_;
    std::int64_t clockAtMs_ = 0;   // when the server's word on the clocks came, on nowMs_'s scale
    std::string clockShown_;       // the clock's words at the last clockChanged()
    std::int64_t stoppedSeen_ = 0; // the restart's gift already told of
};

// The program's one online game, which the input callbacks consult.
extern OnlineGame onlineGame;
