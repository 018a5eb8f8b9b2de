// The online game's messages: what a client may send, read from untrusted text into a checked
// value, and the text of everything the server sends. One JSON object a message, at most
// MAX_MESSAGE_BYTES; docs/server.md has the whole exchange.
#pragma once

#include "core/clock.h"
#include "core/game.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

inline constexpr std::size_t MAX_MESSAGE_BYTES = 4096;

// Why the server refuses something; each has a fixed name that programs read.
enum class ErrorCode
{
    BadJson,
    TooLarge,
    UnknownType,
    BadField,
    NoSuchGame,
    NotYourTurn,
    NotAPlayer,
    Occupied,
    OffBoard,
    GameOver,
    Stale,
    RateLimited,
    TooManyGames,
    Expired,
    Internal,
    NothingToUndo,  // the asker has no stone on the board to take back
    UndoPending,    // a request to take back a move already waits for its answer
    UndoRefused,    // refused at this very position: ask again after the next move
    NoUndoAsked,    // an answer with no request of the other player's to answer
    Forbidden,      // black's forbidden point under renju; the message says why
    NoChoice,       // a swap2 choice when none is asked for, or not that one
    DrawPending,    // an offer of a draw already waits for its answer
    DrawRefused,    // declined at this very position: offer again after the next move
    NoDrawOffered,  // an answer with no offer of the other player's to answer
    NotOver,        // a rematch asked for while the game goes on
    RematchPending, // the sender has offered a rematch already
    BadName,        // a name that may not be a player's; the message says why
    NameTaken,      // a name another player has (or one that would pass for it)
    NoSuchPlayer,   // a hello with a secret no player holds
    NoPlayer,       // a seek before the connection has said which player it is
    TooManyPlayers, // too many players made, or seeks made, from one address
};

std::string_view codeName(ErrorCode code);

// {"type":"create"}, with "rule":"freestyle"|"exactly-five"|"renju" and "opening":"free"|"swap2"
// when the game is not freestyle with the free opening, and "clock":"M+S" (minutes, seconds of
// increment) for a game with a clock.
struct CreateRequest
{
    core::Rule rule = core::Rule::Freestyle;
    core::Opening opening = core::Opening::Free;
    core::TimeControl control;
};

// {"type":"join","game":ID} or with "secret":S
struct JoinRequest
{
    std::string game;
    std::optional<std::string> secret;
};

// {"type":"move","row":R,"col":C,"n":N}; numbers far outside the board are kept as -1, which is
// off it, and a count beyond any board as one more than the board holds.
struct MoveRequest
{
    int row;
    int col;
    int n;
};

// {"type":"undo","n":N}: the player asks the other to take back their own last move (and the
// other's reply to it, if there has been one), N being the stones on the board.
struct UndoRequest
{
    int n;
};

// {"type":"undo-answer","n":N,"accept":B}: the other player allows it or refuses it.
struct UndoAnswer
{
    int n;
    bool accept;
};

// {"type":"choose","choice":"white"|"black"|"two","n":N}: the swap2 choice of the player whose
// choice it is, N being the stones on the board.
struct ChooseRequest
{
    core::Swap2Choice choice;
    int n;
};

// {"type":"resign"}: the sender gives the game up; the other side wins.
struct ResignRequest
{
};

// {"type":"offer-draw","n":N}: the sender offers the other a draw, N being the stones on the
// board.
struct DrawOffer
{
    int n;
};

// {"type":"answer-draw","n":N,"accept":B}: the other player agrees to it or declines it.
struct DrawAnswer
{
    int n;
    bool accept;
};

// {"type":"rematch"}: after the game, the sender offers a new one with the colours swapped, or
// accepts the other's offer of one.
struct RematchRequest
{
};

// {"type":"hello","name":N} makes a new player of that name; {"type":"hello","secret":S} is the
// player whose secret it is. The connection is that player until it closes.
struct HelloRequest
{
    std::optional<std::string> name;
    std::optional<std::string> secret;
};

// {"type":"seek","rule":R,"clock":"M+S","band":B}: a rated game with someone who seeks the same
// rule and clock, whose rating is within B of the sender's (and the sender's within theirs);
// rule and clock as in create, band left out for any rating.
struct SeekRequest
{
    core::Rule rule = core::Rule::Freestyle;
    core::TimeControl control;
    std::optional<int> band;
};

// {"type":"cancel-seek"}: the sender's seek is taken back.
struct CancelSeek
{
};

// A message that cannot be taken: the error to answer with.
struct Refusal
{
    ErrorCode code;
    std::string message;
};

using ClientMessage = std::variant<CreateRequest, JoinRequest, MoveRequest, UndoRequest, UndoAnswer,
                                   ChooseRequest, ResignRequest, DrawOffer, DrawAnswer,
                                   RematchRequest, HelloRequest, SeekRequest, CancelSeek, Refusal>;

// Reads one message as a client sent it: any bytes at all.
ClientMessage readClientMessage(std::string_view text);

// What a connection is in its game.
enum class Role
{
    Black,
    White,
    Watcher,
    Waiting, // the creator, before the second player has come and colours are drawn
};

// A seat's state: someone holds it and is connected, holds it and is not, or nobody holds it yet.
enum class Presence
{
    Present,
    Away,
    Empty,
};

std::string_view roleName(Role role);

// A player as others see it: its name and rating (rounded), and how sure the rating is.
struct PlayerView
{
    std::string name;
    double rating = 1500;
    double deviation = 350;
};

// The clocks as the server reads them when it writes a message: "clock":{"control":"3+2",
// "black":MS,"white":MS,"running":"black"|"white"|null,"stopped":MS}, MS milliseconds; "stopped"
// what the server's restart gave back to the clocks (0 when none).
struct ClockView
{
    core::TimeControl control;
    std::int64_t remainingMs[2]; // black's, white's
    std::optional<core::Colour> running;
    std::int64_t stoppedMs = 0;
};

// The whole of one game as a state message tells it.
struct GameView
{
    std::string_view id;
    const core::Game *game; // its rule, opening, moves, choices and result
    Role you;
    int player; // the receiver's: 1 the first player (who opens), 2 the second; 0 neither
    Presence black;
    Presence white;
    std::optional<core::Colour> undo; // the side whose request to take back waits, if any
    std::optional<core::Colour> draw; // the side whose offer of a draw waits, if any
    // The side that has offered a rematch of the finished game, if any; the rematch's id once
    // it has been made.
    std::optional<core::Colour> rematch;
    std::string_view next;
    std::optional<ClockView> clock; // none for a game without a clock
    // A rated game's players: "players":{"black":{"name":N,"rating":R},"white":...}, and the
    // connections watching it, "watchers":W.
    std::optional<std::array<PlayerView, 2>> players;
    int watchers = 0;
};

// `link`: the link to the game for the page to offer (the server's --public-url with the game's
// id), left out when empty.
std::string createdMessage(std::string_view game, std::string_view secret,
                           std::string_view link = {});
std::string joinedMessage(std::string_view game, Role role, std::optional<std::string_view> secret,
                          std::string_view link = {});
std::string stateMessage(const GameView &view);
std::string movedMessage(int n, core::Point point, core::Colour colour,
                         const std::optional<ClockView> &clock = std::nullopt);
// With the connections watching: "watchers":W.
std::string presenceMessage(Presence black, Presence white, int watchers = 0);
// {"type":"rematched","game":ID,"secret":S}: the rematch has been made; S the receiver's seat
// in it (none for a watcher).
std::string rematchedMessage(std::string_view game, std::optional<std::string_view> secret);
std::string errorMessage(ErrorCode code, std::string_view text);

// {"type":"player","secret":S,"name":N,"rating":R,"deviation":D}: the answer to hello, to its
// player alone.
std::string playerMessage(std::string_view secret, const PlayerView &player);
// {"type":"seeking","rule":R,"clock":C} and {"type":"seek-cancelled"}.
std::string seekingMessage(core::Rule rule, const core::TimeControl &control);
std::string seekCancelledMessage();
// {"type":"paired","game":ID,"secret":S}: a stranger was found; S the receiver's seat.
std::string pairedMessage(std::string_view game, std::string_view secret);
