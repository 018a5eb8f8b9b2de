#include "server/postgres_store.h"

#include "server/names.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace
{

// The layout of the tables, as the SQLite store's sixth: the same columns, PostgreSQL's kinds.
constexpr int LAYOUT_VERSION = 6;
// The advisory lock the servers take while they make or check the tables.
constexpr const char *LAYOUT_LOCK = "SELECT pg_advisory_xact_lock(7302316810442711)";

constexpr const char *SCHEMA = R"sql(
CREATE TABLE IF NOT EXISTS layout(version INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS games(
    id TEXT PRIMARY KEY,
    secret_a TEXT,
    secret_b TEXT,
    black_seat INTEGER,
    created_at BIGINT NOT NULL,
    joined_at BIGINT,
    finished_at BIGINT,
    expired_at BIGINT,
    touched_at BIGINT,
    undo_seat INTEGER,
    undo_at INTEGER,
    refused_a_at INTEGER,
    refused_b_at INTEGER,
    rule TEXT NOT NULL DEFAULT 'freestyle',
    opening TEXT NOT NULL DEFAULT 'free',
    second_choice TEXT,
    first_choice TEXT,
    ended TEXT,
    draw_seat INTEGER,
    draw_at INTEGER,
    draw_refused_a_at INTEGER,
    draw_refused_b_at INTEGER,
    rematch_seat INTEGER,
    next_game TEXT,
    clock_main_ms BIGINT NOT NULL DEFAULT 0,
    clock_increment_ms BIGINT NOT NULL DEFAULT 0,
    clock_start_ms BIGINT,
    player_a TEXT,
    player_b TEXT,
    rated INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS moves(
    game TEXT NOT NULL,
    n INTEGER NOT NULL,
    row INTEGER NOT NULL,
    col INTEGER NOT NULL,
    at BIGINT NOT NULL,
    at_ms BIGINT,
    PRIMARY KEY(game, n));
CREATE TABLE IF NOT EXISTS pauses(
    game TEXT NOT NULL,
    from_ms BIGINT NOT NULL,
    to_ms BIGINT NOT NULL,
    PRIMARY KEY(game, from_ms));
CREATE TABLE IF NOT EXISTS heartbeat(one INTEGER PRIMARY KEY CHECK(one = 1), at_ms BIGINT NOT NULL);
CREATE TABLE IF NOT EXISTS players(
    id TEXT PRIMARY KEY,
    secret TEXT NOT NULL UNIQUE,
    name TEXT NOT NULL,
    folded TEXT NOT NULL UNIQUE,
    rating DOUBLE PRECISION NOT NULL,
    deviation DOUBLE PRECISION NOT NULL,
    volatility DOUBLE PRECISION NOT NULL,
    games INTEGER NOT NULL DEFAULT 0,
    abandoned INTEGER NOT NULL DEFAULT 0,
    created_at BIGINT NOT NULL);
)sql";

using Param = std::optional<std::string>;

Param text(std::string_view value)
{
    return std::string(value);
}

Param number(std::int64_t value)
{
    return std::to_string(value);
}

Param real(double value)
{
    char out[40];
    std::snprintf(out, sizeof out, "%.17g", value);
    return std::string(out);
}

Param choice(core::Swap2Choice value)
{
    return value == core::Swap2Choice::None ? Param() : text(choiceName(value));
}

} // namespace

class PostgresStore::Result
{
public:
    explicit Result(PGresult *result) : result_(result) {}
    ~Result() { PQclear(result_); }
    Result(Result &&other) noexcept : result_(other.result_) { other.result_ = nullptr; }
    Result(const Result &) = delete;
    Result &operator=(const Result &) = delete;
    Result &operator=(Result &&other) noexcept
    {
        std::swap(result_, other.result_);
        return *this;
    }

    int rows() const { return PQntuples(result_); }
    bool null(int row, int column) const { return PQgetisnull(result_, row, column) != 0; }
    std::string text(int row, int column) const
    {
        return std::string(PQgetvalue(result_, row, column),
                           static_cast<std::size_t>(PQgetlength(result_, row, column)));
    }
    std::int64_t number(int row, int column) const
    {
        return std::strtoll(PQgetvalue(result_, row, column), nullptr, 10);
    }
    int integer(int row, int column, int otherwise = -1) const
    {
        return null(row, column) ? otherwise : static_cast<int>(number(row, column));
    }
    double real(int row, int column) const
    {
        return std::strtod(PQgetvalue(result_, row, column), nullptr);
    }
    int changed() const { return std::atoi(PQcmdTuples(result_)); }
    PGresult *get() const { return result_; }

private:
    PGresult *result_;
};

PostgresStore::PostgresStore(const std::string &uri) : uri_(uri), where_(storeName(uri))
{
    // A store that fails to open gives its connection back: no destructor runs for it.
    try
    {
        connect();
        transaction(
            [&]
            {
                run(LAYOUT_LOCK, {}, "taking the layout's lock");
                const Result tables =
                    run("SELECT to_regclass('layout') IS NOT NULL", {}, "reading the layout");
                if (tables.text(0, 0) == "t")
                {
                    const Result version =
                        run("SELECT MAX(version) FROM layout", {}, "reading the layout's version");
                    const int found = version.integer(0, 0, 0);
                    if (found > LAYOUT_VERSION)
                    {
                        throw StoreError("the database " + where_ +
                                         ": made by a newer server (layout " +
                                         std::to_string(found) + ")");
                    }
                }
                const Result made = PostgresStore::Result(PQexec(db_, SCHEMA));
                if (PQresultStatus(made.get()) != PGRES_COMMAND_OK)
                {
                    fail("making the tables");
                }
                run("INSERT INTO layout(version) SELECT $1::integer WHERE NOT EXISTS (SELECT 1 FROM layout)",
                    {number(LAYOUT_VERSION)}, "storing the layout's version");
            });
    }
    catch (...)
    {
        PQfinish(db_);
        db_ = nullptr;
        throw;
    }
}

PostgresStore::~PostgresStore()
{
    PQfinish(db_);
}

void PostgresStore::fail(std::string_view what) const
{
    std::string reason = db_ != nullptr ? PQerrorMessage(db_) : "no connection";
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' '))
    {
        reason.pop_back();
    }
    throw StoreError("the database " + where_ + ": " + std::string(what) + ": " + reason);
}

void PostgresStore::connect()
{
    if (db_ != nullptr && PQstatus(db_) == CONNECTION_OK)
    {
        return;
    }
    if (db_ == nullptr)
    {
        db_ = PQconnectdb(uri_.c_str());
        // The server's notices ("already exists, skipping") are nobody's business.
        PQsetNoticeProcessor(
            db_, [](void *, const char *) {}, nullptr);
    }
    else
    {
        PQreset(db_); // lost: made again, and this call goes on on the new connection
        depth_ = 0;
    }
    if (PQstatus(db_) != CONNECTION_OK)
    {
        fail("connecting");
    }
}

PostgresStore::Result PostgresStore::run(const char *sql, std::initializer_list<Param> params,
                                         const char *what)
{
    if (depth_ == 0)
    {
        connect();
    }
    std::vector<const char *> values;
    for (const Param &param : params)
    {
        values.push_back(param ? param->c_str() : nullptr);
    }
    Result result(PQexecParams(db_, sql, static_cast<int>(values.size()), nullptr, values.data(),
                               nullptr, nullptr, 0));
    ExecStatusType status = PQresultStatus(result.get());
    if (status == PGRES_FATAL_ERROR && depth_ == 0 && PQstatus(db_) == CONNECTION_BAD)
    {
        // The connection was lost since the last call (the database restarted): the statement
        // never reached it, and goes on a new one, once.
        connect();
        result = Result(PQexecParams(db_, sql, static_cast<int>(values.size()), nullptr,
                                     values.data(), nullptr, nullptr, 0));
        status = PQresultStatus(result.get());
    }
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    {
        const char *state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
        if (state != nullptr && std::string_view(state) == "23505")
        {
            throw StoreError("the database " + where_ + ": " + what + ": already stored");
        }
        fail(what);
    }
    return result;
}

int PostgresStore::changed(const char *sql, std::initializer_list<Param> params, const char *what)
{
    return run(sql, params, what).changed();
}

template <typename Work> void PostgresStore::transaction(Work work)
{
    if (depth_ > 0)
    {
        ++depth_;
        work();
        --depth_;
        return;
    }
    run("BEGIN", {}, "beginning a transaction");
    depth_ = 1;
    try
    {
        work();
        run("COMMIT", {}, "committing");
        depth_ = 0;
    }
    catch (...)
    {
        depth_ = 0;
        if (PQstatus(db_) == CONNECTION_OK)
        {
            PQclear(PQexec(db_, "ROLLBACK"));
        }
        throw;
    }
}

void PostgresStore::addGame(std::string_view id, std::string_view secretA, std::int64_t now,
                            core::Rule rule, core::Opening opening, core::TimeControl control)
{
    run("INSERT INTO games(id, secret_a, created_at, rule, opening, clock_main_ms, "
        "clock_increment_ms) VALUES($1, $2, $3, $4, $5, $6, $7)",
        {text(id), text(secretA), number(now), text(ruleName(rule)), text(openingName(opening)),
         number(control.mainMs), number(control.incrementMs)},
        "storing a new game");
}

void PostgresStore::takeSecondSeat(std::string_view id, std::string_view secretB, int firstSeat,
                                   std::int64_t now, std::int64_t nowMs)
{
    if (changed("UPDATE games SET secret_b = $2, black_seat = $3, joined_at = $4, "
                "clock_start_ms = $5 WHERE id = $1 AND secret_b IS NULL AND expired_at IS NULL",
                {text(id), text(secretB), number(firstSeat), number(now), number(nowMs)},
                "storing the second seat") != 1)
    {
        throw StoreError("the database " + where_ + ": game " + std::string(id) +
                         " has no free seat to store");
    }
}

void PostgresStore::setChoices(std::string_view id, StoredGame::Choices choices)
{
    run("UPDATE games SET second_choice = $2, first_choice = $3 WHERE id = $1",
        {text(id), choice(choices.second), choice(choices.first)}, "storing a swap2 choice");
}

void PostgresStore::addMove(std::string_view id, int n, core::Point point, bool over,
                            std::int64_t now, std::int64_t nowMs,
                            const std::optional<StoredGame::Choices> &choices,
                            const core::Result *result)
{
    const core::Cell cell = core::cellOfPoint(point);
    const auto insert = [&]
    {
        run("INSERT INTO moves(game, n, row, col, at, at_ms) VALUES($1, $2, $3, $4, $5, $6)",
            {text(id), number(n), number(cell.row), number(cell.col), number(now), number(nowMs)},
            "storing a move");
    };
    if (!over && !choices && result == nullptr)
    {
        insert();
        return;
    }
    transaction(
        [&]
        {
            insert();
            if (choices)
            {
                setChoices(id, *choices);
            }
            if (result != nullptr)
            {
                endGame(id, *result, now);
            }
            else if (over)
            {
                run("UPDATE games SET finished_at = $2 WHERE id = $1", {text(id), number(now)},
                    "storing the end of a game");
            }
        });
}

void PostgresStore::takeBack(std::string_view id, int keep, std::int64_t now,
                             std::optional<core::Pause> pause)
{
    transaction(
        [&]
        {
            run("DELETE FROM moves WHERE game = $1 AND n >= $2 AND "
                "(SELECT finished_at FROM games WHERE id = $1) IS NULL",
                {text(id), number(keep)}, "taking back moves");
            if (pause)
            {
                addPause(id, *pause);
            }
            run("UPDATE games SET touched_at = $2, undo_seat = NULL, undo_at = NULL, "
                "refused_a_at = NULL, refused_b_at = NULL, draw_seat = NULL, draw_at = NULL, "
                "draw_refused_a_at = NULL, draw_refused_b_at = NULL "
                "WHERE id = $1 AND finished_at IS NULL",
                {text(id), number(now)}, "storing the time of a take-back");
        });
}

void PostgresStore::addPause(std::string_view id, core::Pause pause)
{
    run("INSERT INTO pauses(game, from_ms, to_ms) VALUES($1, $2, $3) "
        "ON CONFLICT(game, from_ms) DO UPDATE SET to_ms = EXCLUDED.to_ms",
        {text(id), number(pause.fromMs), number(pause.toMs)}, "storing a pause of the clocks");
}

void PostgresStore::beat(std::int64_t nowMs)
{
    // Several servers beat into the one row: it says when any of them last ran.
    run("INSERT INTO heartbeat(one, at_ms) VALUES(1, $1) ON CONFLICT(one) DO UPDATE "
        "SET at_ms = GREATEST(heartbeat.at_ms, EXCLUDED.at_ms)",
        {number(nowMs)}, "storing the server's heartbeat");
}

std::optional<core::Pause> PostgresStore::resumeClocks(std::int64_t nowMs, std::int64_t leastMs)
{
    std::optional<core::Pause> stopped;
    transaction(
        [&]
        {
            const Result last = run("SELECT at_ms FROM heartbeat WHERE one = 1 FOR UPDATE", {},
                                    "reading the server's heartbeat");
            if (last.rows() == 1 && last.number(0, 0) < nowMs &&
                nowMs - last.number(0, 0) >= leastMs)
            {
                stopped = core::Pause{last.number(0, 0), nowMs};
                run("INSERT INTO pauses(game, from_ms, to_ms) SELECT id, $1::bigint, $2::bigint FROM games "
                    "WHERE clock_main_ms > 0 AND clock_start_ms IS NOT NULL AND finished_at IS "
                    "NULL AND expired_at IS NULL ON CONFLICT(game, from_ms) DO UPDATE SET "
                    "to_ms = EXCLUDED.to_ms",
                    {number(stopped->fromMs), number(stopped->toMs)},
                    "giving back the time the server was down");
            }
            beat(nowMs);
        });
    return stopped;
}

void PostgresStore::setUndo(std::string_view id, std::optional<StoredGame::Undo> undo)
{
    run("UPDATE games SET undo_seat = $2, undo_at = $3 WHERE id = $1",
        {text(id), undo ? number(undo->seat) : Param(), undo ? number(undo->stones) : Param()},
        undo ? "storing a request to take back a move" : "storing its answer");
}

void PostgresStore::refuseUndo(std::string_view id, StoredGame::Undo refused)
{
    run("UPDATE games SET undo_seat = NULL, undo_at = NULL, "
        "refused_a_at = CASE WHEN $2 = 0 THEN $3 ELSE refused_a_at END, "
        "refused_b_at = CASE WHEN $2 = 1 THEN $3 ELSE refused_b_at END WHERE id = $1",
        {text(id), number(refused.seat), number(refused.stones)},
        "storing a refusal to take back a move");
}

void PostgresStore::endGame(std::string_view id, const core::Result &result, std::int64_t now)
{
    if (result.ending != core::Ending::Resignation && result.ending != core::Ending::Agreement &&
        result.ending != core::Ending::Time)
    {
        throw StoreError("the database " + where_ + ": game " + std::string(id) +
                         ": only a resignation, a time-out or a draw agreed is stored so");
    }
    if (changed("UPDATE games SET ended = $2, finished_at = $3, undo_seat = NULL, undo_at = NULL, "
                "draw_seat = NULL, draw_at = NULL WHERE id = $1 AND finished_at IS NULL",
                {text(id), text(endedName(result)), number(now)}, "storing the end of a game") != 1)
    {
        throw StoreError("the database " + where_ + ": game " + std::string(id) +
                         " is over already");
    }
}

void PostgresStore::setDrawOffer(std::string_view id, std::optional<StoredGame::Undo> offer)
{
    run("UPDATE games SET draw_seat = $2, draw_at = $3 WHERE id = $1",
        {text(id), offer ? number(offer->seat) : Param(), offer ? number(offer->stones) : Param()},
        offer ? "storing an offer of a draw" : "storing its answer");
}

void PostgresStore::declineDraw(std::string_view id, StoredGame::Undo declined)
{
    run("UPDATE games SET draw_seat = NULL, draw_at = NULL, "
        "draw_refused_a_at = CASE WHEN $2 = 0 THEN $3 ELSE draw_refused_a_at END, "
        "draw_refused_b_at = CASE WHEN $2 = 1 THEN $3 ELSE draw_refused_b_at END WHERE id = $1",
        {text(id), number(declined.seat), number(declined.stones)}, "storing a declined draw");
}

void PostgresStore::offerRematch(std::string_view id, int seat)
{
    if (changed("UPDATE games SET rematch_seat = $2 WHERE id = $1 AND finished_at IS NOT NULL AND "
                "next_game IS NULL",
                {text(id), number(seat)}, "storing an offer of a rematch") != 1)
    {
        throw StoreError("the database " + where_ + ": game " + std::string(id) +
                         " is not over, or has its rematch already");
    }
}

void PostgresStore::addRematch(std::string_view old, std::string_view id, std::string_view secretA,
                               std::string_view secretB, int firstSeat, core::Rule rule,
                               core::Opening opening, std::int64_t now, core::TimeControl control,
                               std::int64_t nowMs)
{
    transaction(
        [&]
        {
            run("INSERT INTO games(id, secret_a, secret_b, black_seat, created_at, joined_at, "
                "rule, opening, clock_main_ms, clock_increment_ms, clock_start_ms) "
                "VALUES($1, $2, $3, $4, $5, $5, $6, $7, $8, $9, $10)",
                {text(id), text(secretA), text(secretB), number(firstSeat), number(now),
                 text(ruleName(rule)), text(openingName(opening)), number(control.mainMs),
                 number(control.incrementMs), number(nowMs)},
                "storing a rematch");
            if (changed("UPDATE games SET next_game = $2, rematch_seat = NULL WHERE id = $1 AND "
                        "finished_at IS NOT NULL AND next_game IS NULL",
                        {text(old), text(id)}, "storing a game's rematch") != 1)
            {
                throw StoreError("the database " + where_ + ": game " + std::string(old) +
                                 " is not over, or has its rematch already");
            }
        });
}

Lookup PostgresStore::load(std::string_view id, StoredGame &game)
{
    const Result row = run(
        "SELECT secret_a, secret_b, black_seat, expired_at, undo_seat, undo_at, refused_a_at, "
        "refused_b_at, rule, opening, second_choice, first_choice, ended, draw_seat, draw_at, "
        "draw_refused_a_at, draw_refused_b_at, rematch_seat, next_game, clock_main_ms, "
        "clock_increment_ms, clock_start_ms, player_a, player_b, rated FROM games WHERE id = $1",
        {text(id)}, "reading a game");
    if (row.rows() == 0)
    {
        return Lookup::Missing;
    }
    if (!row.null(0, 3))
    {
        return Lookup::Expired;
    }
    const auto broken = [&](const char *what)
    { return StoreError("the database " + where_ + ": game " + std::string(id) + " has " + what); };
    game = StoredGame{};
    game.secretA = row.text(0, 0);
    if (!row.null(0, 1))
    {
        game.secretB = row.text(0, 1);
    }
    if (!row.null(0, 2))
    {
        game.firstSeat = row.integer(0, 2);
    }
    const auto rule = ruleNamed(row.text(0, 8));
    const auto opening = openingNamed(row.text(0, 9));
    std::optional<core::Swap2Choice> choices[2];
    for (int k : {0, 1})
    {
        choices[k] =
            row.null(0, 10 + k) ? core::Swap2Choice::None : choiceNamed(row.text(0, 10 + k));
    }
    if (!rule || !opening || !choices[0] || !choices[1])
    {
        throw broken("a rule, an opening or a choice this server does not know");
    }
    game.rule = *rule;
    game.opening = *opening;
    game.choices = StoredGame::Choices{*choices[0], *choices[1]};
    if (!row.null(0, 4))
    {
        game.undo = StoredGame::Undo{row.integer(0, 4), row.integer(0, 5)};
    }
    for (int seat : {0, 1})
    {
        game.refusedAt[seat] = row.integer(0, 6 + seat);
        game.drawRefusedAt[seat] = row.integer(0, 15 + seat);
    }
    if (!row.null(0, 12))
    {
        const auto finish = endedNamed(row.text(0, 12));
        if (!finish)
        {
            throw broken("an ending this server does not know");
        }
        game.finish = *finish;
    }
    if (!row.null(0, 13))
    {
        game.drawOffer = StoredGame::Undo{row.integer(0, 13), row.integer(0, 14)};
    }
    if (!row.null(0, 17))
    {
        game.rematchSeat = row.integer(0, 17);
    }
    game.next = row.null(0, 18) ? "" : row.text(0, 18);
    game.control = core::TimeControl{row.number(0, 19), row.number(0, 20)};
    if (!row.null(0, 21))
    {
        game.clockStartMs = row.number(0, 21);
    }
    game.players = {row.null(0, 22) ? "" : row.text(0, 22), row.null(0, 23) ? "" : row.text(0, 23)};
    game.rated = row.integer(0, 24, 0);

    const Result pauses = run("SELECT from_ms, to_ms FROM pauses WHERE game = $1 ORDER BY from_ms",
                              {text(id)}, "reading a game's pauses");
    for (int i = 0; i < pauses.rows(); ++i)
    {
        game.pauses.push_back(core::Pause{pauses.number(i, 0), pauses.number(i, 1)});
    }
    const Result moves = run("SELECT n, row, col, at_ms FROM moves WHERE game = $1 ORDER BY n",
                             {text(id)}, "reading a game's moves");
    for (int i = 0; i < moves.rows(); ++i)
    {
        const core::Point point = core::pointOfCell(moves.integer(i, 1), moves.integer(i, 2));
        if (moves.integer(i, 0) != i || !core::onBoard(point))
        {
            throw broken("a move out of order or off the board");
        }
        game.moves.push_back(point);
        game.moveMs.push_back(moves.null(i, 3) ? game.clockStartMs.value_or(0)
                                               : moves.number(i, 3));
    }
    return Lookup::Found;
}

bool PostgresStore::addPlayer(const StoredPlayer &player, std::string_view folded, std::int64_t now)
{
    try
    {
        run("INSERT INTO players(id, secret, name, folded, rating, deviation, volatility, "
            "created_at, games, abandoned) VALUES($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)",
            {text(player.id), text(player.secret), text(player.name), text(folded),
             real(player.rating.rating), real(player.rating.deviation),
             real(player.rating.volatility), number(now), number(player.games),
             number(player.abandoned)},
            "storing a new player");
    }
    catch (const StoreError &error)
    {
        if (std::string_view(error.what()).ends_with("already stored"))
        {
            return false; // a name that folds the same, this server's or another's
        }
        throw;
    }
    return true;
}

namespace
{

StoredPlayer playerOf(const PostgresStore::Result &row)
{
    StoredPlayer player;
    player.id = row.text(0, 0);
    player.secret = row.text(0, 1);
    player.name = row.text(0, 2);
    player.rating = server::Rating{row.real(0, 3), row.real(0, 4), row.real(0, 5)};
    player.games = row.integer(0, 6, 0);
    player.abandoned = row.integer(0, 7, 0);
    return player;
}

} // namespace

std::optional<StoredPlayer> PostgresStore::playerWithSecret(std::string_view secret)
{
    const Result row = run("SELECT id, secret, name, rating, deviation, volatility, games, "
                           "abandoned FROM players WHERE secret = $1",
                           {text(secret)}, "reading a player");
    return row.rows() == 0 ? std::nullopt : std::optional(playerOf(row));
}

std::optional<StoredPlayer> PostgresStore::player(std::string_view id)
{
    const Result row = run("SELECT id, secret, name, rating, deviation, volatility, games, "
                           "abandoned FROM players WHERE id = $1",
                           {text(id)}, "reading a player");
    return row.rows() == 0 ? std::nullopt : std::optional(playerOf(row));
}

void PostgresStore::addPairedGame(const PairedGame &game, std::int64_t now, std::int64_t nowMs)
{
    run("INSERT INTO games(id, secret_a, secret_b, black_seat, created_at, joined_at, rule, "
        "opening, clock_main_ms, clock_increment_ms, clock_start_ms, player_a, player_b, rated) "
        "VALUES($1, $2, $3, $4, $5, $5, $6, 'free', $7, $8, $9, $10, $11, 1)",
        {text(game.id), text(game.secrets[0]), text(game.secrets[1]), number(game.firstSeat),
         number(now), text(ruleName(game.rule)), number(game.control.mainMs),
         number(game.control.incrementMs), number(nowMs), text(game.players[0]),
         text(game.players[1])},
        "storing a paired game");
}

bool PostgresStore::rateGame(std::string_view game, const std::array<RatingChange, 2> &changes)
{
    bool rated = false;
    transaction(
        [&]
        {
            rated = changed("UPDATE games SET rated = 2 WHERE id = $1 AND rated = 1", {text(game)},
                            "storing that a game's ratings were moved") == 1;
            if (!rated)
            {
                return; // moved already, by this server or another
            }
            for (const RatingChange &change : changes)
            {
                run("UPDATE players SET rating = $2, deviation = $3, volatility = $4, "
                    "games = games + 1, abandoned = abandoned + $5 WHERE id = $1",
                    {text(change.player), real(change.after.rating), real(change.after.deviation),
                     real(change.after.volatility), number(change.abandoned ? 1 : 0)},
                    "storing a player's rating");
            }
        });
    return rated;
}

std::vector<std::string> PostgresStore::sweep(std::int64_t now)
{
    std::vector<std::string> expired;
    transaction(
        [&]
        {
            const Result found =
                run("SELECT id FROM games WHERE expired_at IS NULL AND ("
                    "(secret_b IS NULL AND created_at <= $1) OR "
                    "(finished_at IS NOT NULL AND finished_at <= $2) OR "
                    "(finished_at IS NULL AND secret_b IS NOT NULL AND "
                    " GREATEST(COALESCE((SELECT MAX(at) FROM moves WHERE game = id), joined_at), "
                    "          COALESCE(touched_at, joined_at)) <= $3)) FOR UPDATE",
                    {number(now - UNJOINED_LIFETIME), number(now - FINISHED_LIFETIME),
                     number(now - IDLE_LIFETIME)},
                    "finding what has expired");
            for (int i = 0; i < found.rows(); ++i)
            {
                const std::string id = found.text(i, 0);
                run("UPDATE games SET expired_at = $2, secret_a = NULL, secret_b = NULL WHERE id = $1",
                    {text(id), number(now)}, "expiring a game");
                run("DELETE FROM moves WHERE game = $1", {text(id)},
                    "deleting an expired game's moves");
                run("DELETE FROM pauses WHERE game = $1", {text(id)},
                    "deleting an expired game's pauses");
                expired.push_back(id);
            }
            run("DELETE FROM games WHERE expired_at <= $1", {number(now - EXPIRED_MEMORY)},
                "forgetting long-expired games");
        });
    return expired;
}
