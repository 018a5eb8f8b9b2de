// The games kept: every game a server has made, its seats, moves, clocks and players, in a
// database (SQLite, or PostgreSQL shared by several servers). Each change is committed before the
// call returns, so what the server has told anyone is stored. Not thread-safe: one server loop
// owns a store.
#pragma once

#include "core/clock.h"
#include "core/game.h"
#include "server/rating.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class StoreError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// How long games are kept, in seconds.
inline constexpr std::int64_t DAY_SECONDS = 24 * 60 * 60;
inline constexpr std::int64_t UNJOINED_LIFETIME = DAY_SECONDS;      // since it was made
inline constexpr std::int64_t FINISHED_LIFETIME = 30 * DAY_SECONDS; // since its last move
inline constexpr std::int64_t IDLE_LIFETIME = 30 * DAY_SECONDS;   // unfinished, since its last move
                                                                  // or take-back
inline constexpr std::int64_t EXPIRED_MEMORY = 365 * DAY_SECONDS; // an expired id is known as such

// A game as the database holds it: the moves and choices are replayed through a core::Game under
// its rule and opening to make it whole.
struct StoredGame
{
    std::string secretA; // the creator's seat
    std::optional<std::string> secretB;
    // The first player's seat, who places black's first stone (and with swap2 the first three):
    // 0 seat A, 1 seat B; none before the draw.
    std::optional<int> firstSeat;
    core::Rule rule = core::Rule::Freestyle;
    core::Opening opening = core::Opening::Free;
    // The swap2 choices made so far, the second player's and the first's; none with the free
    // opening.
    struct Choices
    {
        core::Swap2Choice second = core::Swap2Choice::None;
        core::Swap2Choice first = core::Swap2Choice::None;
        friend bool operator==(const Choices &, const Choices &) = default;
    };
    Choices choices;
    std::vector<core::Point> moves;
    // A player's request to take back a move, waiting for the other's answer.
    struct Undo
    {
        int seat;   // the asker's: 0 seat A, 1 seat B
        int stones; // on the board when asked: once there are more, a move has answered it
    };
    std::optional<Undo> undo;
    // For each seat, the stones on the board when the other player last refused its request,
    // or -1: it may not ask again until a move has been played.
    std::array<int, 2> refusedAt{-1, -1};
    // How the game ended other than on the board: a resignation, by `loser`, or a draw agreed.
    struct Finish
    {
        core::Ending how = core::Ending::None; // None, Resignation or Agreement
        core::Colour loser = core::Colour::Black;
    };
    Finish finish;
    // A player's offer of a draw, waiting for the other's answer, and for each seat the stones
    // on the board when its last offer was declined, or -1 (as for take-backs).
    std::optional<Undo> drawOffer;
    std::array<int, 2> drawRefusedAt{-1, -1};
    // After the game: the seat that offered a rematch, and the rematch's id once it is made.
    std::optional<int> rematchSeat;
    std::string next;
    // The clock: its time control (none for an untimed game), when black's clock began to run
    // (the second player's arrival), when each move was received, and the spans in which the
    // clocks stood still (a server down, a take-back). Milliseconds since the epoch.
    core::TimeControl control;
    std::optional<std::int64_t> clockStartMs;
    std::vector<std::int64_t> moveMs;
    std::vector<core::Pause> pauses;
    // A paired game's players, seat A's and seat B's (empty for a game by link), and whether it
    // is rated: 0 no, 1 yes, 2 yes and its ratings have been moved.
    std::array<std::string, 2> players;
    int rated = 0;
};

// A player as the database holds it.
struct StoredPlayer
{
    std::string id;
    std::string secret;
    std::string name;
    server::Rating rating;
    int games = 0;
    int abandoned = 0; // rated games lost on time while away from them
};

// A game made by the pairing: both seats taken, the first player drawn, the free opening.
struct PairedGame
{
    std::string id;
    std::array<std::string, 2> secrets; // seat A's, seat B's
    std::array<std::string, 2> players; // their players' ids
    int firstSeat = 0;
    core::Rule rule = core::Rule::Freestyle;
    core::TimeControl control;
};

// A player's rating after a rated game.
struct RatingChange
{
    std::string player;
    server::Rating after;
    bool abandoned = false; // it lost on time while away from the game
};

// The game of `moves` under its rule and opening, each choice made at the step that asks for it:
// the moves up to the first the rules refuse, whose number goes to `refusedAt` (-1 when none is).
// `ms`: how long each move took, where known.
core::Game replayed(core::Rule rule, core::Opening opening, const std::vector<core::Point> &moves,
                    StoredGame::Choices choices, int *refusedAt = nullptr,
                    std::span<const std::int32_t> ms = {});

// The stored game as it stands: replayed() and then ended as it was, by a resignation, a time-out
// or a draw agreed.
core::Game restored(const StoredGame &stored, int *refusedAt = nullptr);

enum class Lookup
{
    Found,
    Expired, // it was, and has been swept away
    Missing,
};

class Store
{
public:
    virtual ~Store() = default;

    // Times are in seconds (`now`) and milliseconds (`nowMs`) since the epoch.
    virtual void addGame(std::string_view id, std::string_view secretA, std::int64_t now,
                         core::Rule rule = core::Rule::Freestyle,
                         core::Opening opening = core::Opening::Free,
                         core::TimeControl control = {}) = 0;
    // `firstSeat`: the seat of the first player, as the draw made it; black's clock starts at
    // `nowMs`.
    virtual void takeSecondSeat(std::string_view id, std::string_view secretB, int firstSeat,
                                std::int64_t now, std::int64_t nowMs = 0) = 0;
    // The move numbered n (the stones before it), received at `nowMs`; `over`: it ended the game;
    // `choices`: the swap2 choices as they stand after it, when it made one (a stone at a
    // choosing step chooses white); `result`: an ending off the board that came with it (a move
    // made after its side's time ran out is stored with the time-out), all in one commit.
    virtual void addMove(std::string_view id, int n, core::Point point, bool over, std::int64_t now,
                         std::int64_t nowMs = 0,
                         const std::optional<StoredGame::Choices> &choices = std::nullopt,
                         const core::Result *result = nullptr) = 0;
    // The swap2 choices as they stand, once one has been made.
    virtual void setChoices(std::string_view id, StoredGame::Choices choices) = 0;
    // Takes back the moves numbered `keep` and after, as both players agreed, at `now`, from
    // which the game counts as touched; the game is not over (a finished game keeps its moves).
    // With `pause`, the clocks stand still through it, so that the time since the last move kept
    // is given back with the moves, in the same commit.
    virtual void takeBack(std::string_view id, int keep, std::int64_t now,
                          std::optional<core::Pause> pause = std::nullopt) = 0;
    // The game's clocks stand still through `pause`.
    virtual void addPause(std::string_view id, core::Pause pause) = 0;
    // The server runs at `nowMs`: stored every second or so, so that a restart knows how long it
    // was down.
    virtual void beat(std::int64_t nowMs) = 0;
    // At the server's start: the span since its last heartbeat, given back as a pause to every
    // timed game that goes on, and returned (none on a first start, or when the span is shorter
    // than `leastMs`: servers sharing the database keep the heartbeat going while one restarts);
    // the heartbeat is `nowMs`.
    virtual std::optional<core::Pause> resumeClocks(std::int64_t nowMs,
                                                    std::int64_t leastMs = 0) = 0;
    // Stores a request to take back a move, or with none that the request has been answered.
    virtual void setUndo(std::string_view id, std::optional<StoredGame::Undo> undo) = 0;
    // Stores that the other player refused the request `refused` describes, which is answered.
    virtual void refuseUndo(std::string_view id, StoredGame::Undo refused) = 0;
    // Ends the game that goes on by a resignation, a time-out or a draw agreed (`result`), at `now`; any
    // request or offer waiting goes with it.
    virtual void endGame(std::string_view id, const core::Result &result, std::int64_t now) = 0;
    // Stores an offer of a draw, or with none that it has been answered (or a move answered it).
    virtual void setDrawOffer(std::string_view id, std::optional<StoredGame::Undo> offer) = 0;
    // Stores that the other player declined the offer `declined` describes.
    virtual void declineDraw(std::string_view id, StoredGame::Undo declined) = 0;
    // Stores that `seat` offers a rematch of the finished game.
    virtual void offerRematch(std::string_view id, int seat) = 0;
    // Makes the rematch of `old`: the game `id`, both seats taken (seat A's player is seat A's
    // of the old game), and `firstSeat` opening it; the old game names it, in the same commit.
    virtual void addRematch(std::string_view old, std::string_view id, std::string_view secretA,
                            std::string_view secretB, int firstSeat, core::Rule rule,
                            core::Opening opening, std::int64_t now, core::TimeControl control = {},
                            std::int64_t nowMs = 0) = 0;
    virtual Lookup load(std::string_view id, StoredGame &game) = 0;

    // A new player; false, with nothing stored, when another has a name that folds the same.
    virtual bool addPlayer(const StoredPlayer &player, std::string_view folded,
                           std::int64_t now) = 0;
    virtual std::optional<StoredPlayer> playerWithSecret(std::string_view secret) = 0;
    virtual std::optional<StoredPlayer> player(std::string_view id) = 0;
    virtual void addPairedGame(const PairedGame &game, std::int64_t now, std::int64_t nowMs) = 0;
    // Moves the two players' ratings by the rated game's result, once: false when they have been
    // moved already. One commit.
    virtual bool rateGame(std::string_view game, const std::array<RatingChange, 2> &changes) = 0;

    // Expires what has outlived its time (UNJOINED_LIFETIME, FINISHED_LIFETIME, IDLE_LIFETIME):
    // its moves and secrets are deleted and its id is kept as expired for EXPIRED_MEMORY. Returns
    // the ids expired now.
    virtual std::vector<std::string> sweep(std::int64_t now) = 0;
};

// How a game ended off the board, as the stores' `ended` column names it: 'black-resigned',
// 'white-flagged', 'draw-agreed' and the like; none for any other word.
std::string_view endedName(const core::Result &result);
std::optional<StoredGame::Finish> endedNamed(std::string_view name);

// `where` as the log and errors may show it: a URI's password left out.
std::string storeName(const std::string &where);

// The store `where` names: a PostgreSQL connection URI (postgresql://... or postgres://...) or
// the path of an SQLite database. Throws StoreError.
std::unique_ptr<Store> openStore(const std::string &where, bool durable);
