// The games in SQLite. WAL mode lets a commit append to the log without rewriting the database
// file; with synchronous=NORMAL the log is flushed to the disk at checkpoints only, so a commit
// costs no disk flush, and yet it is in the operating system's hands when sqlite3_step returns:
// a killed server process loses none of it. A power cut can lose the commits since the last
// checkpoint, but never leaves the database broken. `durable` (synchronous=FULL) flushes at every
// commit for those who need the moves to outlive a power cut too (docs/server.md).
#include "server/sqlite_store.h"

#include "server/names.h"

#include <sqlite3.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{

// Layout version 6 of the database; PRAGMA user_version holds it. Version 5 lacked the clocks:
// games.clock_main_ms, clock_increment_ms and clock_start_ms, moves.at_ms, the pauses and the
// heartbeat (its games had no clock); and the players: their table and games.player_a, player_b
// and rated (its games were all between friends, unrated). Version 4 lacked ended,
// draw_seat, draw_at, draw_refused_a_at, draw_refused_b_at, rematch_seat and next_game. Version 1
// lacked
// games.touched_at, undo_seat and undo_at, versions 1 and 2 refused_a_at and refused_b_at, and
// versions 1 to 3 rule, opening, second_choice and first_choice (their games were all freestyle
// with the free opening, as the columns' defaults say), which opening such a database adds.
constexpr int LAYOUT_VERSION = 6;

constexpr const char *SCHEMA = R"sql(
CREATE TABLE IF NOT EXISTS games(
    id TEXT PRIMARY KEY,
    secret_a TEXT,             -- the creator's seat; NULL once expired
    secret_b TEXT,             -- the second player's; NULL before the join and once expired
    black_seat INTEGER,        -- the first player's seat (black's first stone, and with swap2 the
                               -- first three): 0 seat A, 1 seat B; NULL before the draw
    created_at INTEGER NOT NULL,
    joined_at INTEGER,
    finished_at INTEGER,
    expired_at INTEGER,
    touched_at INTEGER,        -- the last take-back: the moves left no longer show it
    undo_seat INTEGER,         -- the seat whose request to take back a move waits, if any,
    undo_at INTEGER,           -- asked with this many stones on the board: a move since answers it
    refused_a_at INTEGER,      -- the stones on the board when the other player last refused seat
    refused_b_at INTEGER,      -- A's (B's) request: it may ask again once there are others
    rule TEXT NOT NULL DEFAULT 'freestyle', -- or 'exactly-five' or 'renju'
    opening TEXT NOT NULL DEFAULT 'free',   -- or 'swap2'
    second_choice TEXT,        -- swap2: the second player's choice, 'white', 'black' or 'two'
    first_choice TEXT,         -- and the first player's after two more stones; NULL until made
    ended TEXT,                -- 'black-resigned', 'white-resigned' or 'draw-agreed'; NULL for a
                               -- game that goes on or ended on the board
    draw_seat INTEGER,         -- the seat whose offer of a draw waits, if any,
    draw_at INTEGER,           -- offered with this many stones on the board: a move since answers it
    draw_refused_a_at INTEGER, -- the stones on the board when the other player last declined seat
    draw_refused_b_at INTEGER, -- A's (B's) offer: it may offer again once there are others
    rematch_seat INTEGER,      -- after the game, the seat that offered a rematch
    next_game TEXT,            -- the rematch's id, once it is made
    clock_main_ms INTEGER NOT NULL DEFAULT 0,      -- each side's time; 0: no clock
    clock_increment_ms INTEGER NOT NULL DEFAULT 0, -- added after each move
    clock_start_ms INTEGER,    -- when black's clock began to run: the second player's arrival
    player_a TEXT,             -- a paired game's players (seat A's, seat B's); NULL by link
    player_b TEXT,
    rated INTEGER NOT NULL DEFAULT 0 -- 1 for a paired game, until its ratings are moved; then 2
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS players(
    id TEXT PRIMARY KEY,       -- as the games name them
    secret TEXT NOT NULL UNIQUE, -- the player's identity, kept by its browser or seat file
    name TEXT NOT NULL,
    folded TEXT NOT NULL UNIQUE, -- the name as others might take it: none two alike
    rating REAL NOT NULL,      -- Glicko-2, on the familiar scale
    deviation REAL NOT NULL,
    volatility REAL NOT NULL,
    games INTEGER NOT NULL DEFAULT 0,     -- rated games played
    abandoned INTEGER NOT NULL DEFAULT 0, -- rated games lost on time while away from them
    created_at INTEGER NOT NULL
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS moves(
    game TEXT NOT NULL,
    n INTEGER NOT NULL,        -- the stones on the board before this one
    row INTEGER NOT NULL,
    col INTEGER NOT NULL,
    at INTEGER NOT NULL,
    at_ms INTEGER,             -- when the server received it, in milliseconds; NULL before clocks
    PRIMARY KEY(game, n)
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS pauses(  -- spans in which a game's clocks stood still
    game TEXT NOT NULL,
    from_ms INTEGER NOT NULL,
    to_ms INTEGER NOT NULL,
    PRIMARY KEY(game, from_ms)
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS heartbeat(  -- the last time the server was known to run
    one INTEGER PRIMARY KEY CHECK(one = 1),
    at_ms INTEGER NOT NULL
);
)sql";

void bindText(sqlite3_stmt *statement, int index, std::string_view text)
{
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

std::string columnText(sqlite3_stmt *statement, int index)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, index));
    return text != nullptr ? std::string(text, sqlite3_column_bytes(statement, index))
                           : std::string();
}

// Resets a statement whatever way its use ends.
class Reset
{
public:
    explicit Reset(sqlite3_stmt *statement) : statement_(statement) {}
    ~Reset()
    {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    Reset(const Reset &) = delete;
    Reset &operator=(const Reset &) = delete;

private:
    sqlite3_stmt *statement_;
};

} // namespace

// Checkpoints in the background. SQLite would otherwise checkpoint inside the commit that finds
// the log long enough (every thousand pages), and with synchronous=NORMAL a checkpoint flushes the
// database to the disk: tens of milliseconds in which the server's one loop would serve no game.
// A passive checkpoint on another connection copies what it can without holding up the writer.
class SqliteStore::Checkpointer
{
public:
    Checkpointer(const std::string &path)
    {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK)
        {
            sqlite3_close(db_);
            throw StoreError("the database " + path + ": cannot open it for checkpoints");
        }
        sqlite3_busy_timeout(db_, 100);
        thread_ = std::thread([this] { run(); });
    }

    ~Checkpointer()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
        sqlite3_close(db_);
    }

    Checkpointer(const Checkpointer &) = delete;
    Checkpointer &operator=(const Checkpointer &) = delete;

private:
    sqlite3 *db_ = nullptr;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::milliseconds(200), [this] { return stopping_; }))
        {
            lock.unlock();
            // A failure (the database busy a moment) is tried again at the next turn.
            sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
            lock.lock();
        }
    }
};

SqliteStore::SqliteStore(const std::string &path, bool durable) : path_(path)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK)
    {
        const std::string reason = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw StoreError("the database " + path + ": " + reason);
    }
    try
    {
        // Another process reading the file (sqlite3 on the command line) may hold it for a moment.
        sqlite3_busy_timeout(db_, 2000);
        sqlite3_stmt *mode = prepare("PRAGMA journal_mode=WAL");
        if (sqlite3_step(mode) != SQLITE_ROW || columnText(mode, 0) != "wal")
        {
            fail("cannot use a write-ahead log");
        }
        sqlite3_reset(mode);
        exec(durable ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL");
        exec("PRAGMA wal_autocheckpoint=0"); // the Checkpointer's work
        sqlite3_stmt *version = prepare("PRAGMA user_version");
        if (sqlite3_step(version) != SQLITE_ROW)
        {
            fail("reading its layout version");
        }
        const int found = sqlite3_column_int(version, 0);
        sqlite3_reset(version);
        if (found > LAYOUT_VERSION)
        {
            fail("made by a newer server (layout " + std::to_string(found) + ")");
        }
        exec(SCHEMA);
        if (found == 1)
        {
            exec("BEGIN IMMEDIATE; ALTER TABLE games ADD COLUMN touched_at INTEGER; "
                 "ALTER TABLE games ADD COLUMN undo_seat INTEGER; "
                 "ALTER TABLE games ADD COLUMN undo_at INTEGER; PRAGMA user_version=2; COMMIT");
        }
        if (found == 1 || found == 2)
        {
            exec("BEGIN IMMEDIATE; ALTER TABLE games ADD COLUMN refused_a_at INTEGER; "
                 "ALTER TABLE games ADD COLUMN refused_b_at INTEGER; PRAGMA user_version=3; "
                 "COMMIT");
        }
        if (found >= 1 && found <= 3)
        {
            exec("BEGIN IMMEDIATE; "
                 "ALTER TABLE games ADD COLUMN rule TEXT NOT NULL DEFAULT 'freestyle'; "
                 "ALTER TABLE games ADD COLUMN opening TEXT NOT NULL DEFAULT 'free'; "
                 "ALTER TABLE games ADD COLUMN second_choice TEXT; "
                 "ALTER TABLE games ADD COLUMN first_choice TEXT; PRAGMA user_version=4; COMMIT");
        }
        if (found >= 1 && found <= 4)
        {
            exec("BEGIN IMMEDIATE; ALTER TABLE games ADD COLUMN ended TEXT; "
                 "ALTER TABLE games ADD COLUMN draw_seat INTEGER; "
                 "ALTER TABLE games ADD COLUMN draw_at INTEGER; "
                 "ALTER TABLE games ADD COLUMN draw_refused_a_at INTEGER; "
                 "ALTER TABLE games ADD COLUMN draw_refused_b_at INTEGER; "
                 "ALTER TABLE games ADD COLUMN rematch_seat INTEGER; "
                 "ALTER TABLE games ADD COLUMN next_game TEXT; PRAGMA user_version=5; COMMIT");
        }
        if (found >= 1 && found <= 5)
        {
            exec("BEGIN IMMEDIATE; "
                 "ALTER TABLE games ADD COLUMN clock_main_ms INTEGER NOT NULL DEFAULT 0; "
                 "ALTER TABLE games ADD COLUMN clock_increment_ms INTEGER NOT NULL DEFAULT 0; "
                 "ALTER TABLE games ADD COLUMN clock_start_ms INTEGER; "
                 "ALTER TABLE games ADD COLUMN player_a TEXT; "
                 "ALTER TABLE games ADD COLUMN player_b TEXT; "
                 "ALTER TABLE games ADD COLUMN rated INTEGER NOT NULL DEFAULT 0; "
                 "ALTER TABLE moves ADD COLUMN at_ms INTEGER; PRAGMA user_version=6; COMMIT");
        }
        exec("PRAGMA user_version=6");
        insertGame_ =
            prepare("INSERT INTO games(id, secret_a, created_at, rule, opening, "
                    "clock_main_ms, clock_increment_ms) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        updateSeat_ = prepare("UPDATE games SET secret_b = ?2, black_seat = ?3, joined_at = ?4, "
                              "clock_start_ms = ?5 "
                              "WHERE id = ?1 AND secret_b IS NULL AND expired_at IS NULL");
        insertMove_ = prepare(
            "INSERT INTO moves(game, n, row, col, at, at_ms) VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
        insertPause_ = prepare("INSERT OR REPLACE INTO pauses(game, from_ms, to_ms) "
                               "VALUES(?1, ?2, ?3)");
        selectPauses_ =
            prepare("SELECT from_ms, to_ms FROM pauses WHERE game = ?1 ORDER BY from_ms");
        beat_ = prepare("INSERT OR REPLACE INTO heartbeat(one, at_ms) VALUES(1, ?1)");
        lastBeat_ = prepare("SELECT at_ms FROM heartbeat WHERE one = 1");
        // The games whose clocks ran while the server was down: timed, both seats taken, not over.
        pauseRunning_ = prepare(
            "INSERT OR REPLACE INTO pauses(game, from_ms, to_ms) SELECT id, ?1, ?2 FROM games "
            "WHERE clock_main_ms > 0 AND clock_start_ms IS NOT NULL AND finished_at IS NULL AND "
            "expired_at IS NULL");
        forgetPauses_ = prepare("DELETE FROM pauses WHERE game = ?1");
        insertPlayer_ = prepare("INSERT INTO players(id, secret, name, folded, rating, deviation, "
                                "volatility, created_at, games, abandoned) "
                                "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
        selectPlayer_ = prepare("SELECT id, secret, name, rating, deviation, volatility, games, "
                                "abandoned FROM players WHERE secret = ?1");
        selectPlayerById_ = prepare("SELECT id, secret, name, rating, deviation, volatility, "
                                    "games, abandoned FROM players WHERE id = ?1");
        selectFolded_ = prepare("SELECT 1 FROM players WHERE folded = ?1");
        insertPaired_ = prepare(
            "INSERT INTO games(id, secret_a, secret_b, black_seat, created_at, joined_at, rule, "
            "opening, clock_main_ms, clock_increment_ms, clock_start_ms, player_a, player_b, "
            "rated) VALUES(?1, ?2, ?3, ?4, ?5, ?5, ?6, 'free', ?7, ?8, ?9, ?10, ?11, 1)");
        updateRating_ = prepare("UPDATE players SET rating = ?2, deviation = ?3, volatility = ?4, "
                                "games = games + 1, abandoned = abandoned + ?5 WHERE id = ?1");
        markRated_ = prepare("UPDATE games SET rated = 2 WHERE id = ?1 AND rated = 1");
        finishGame_ = prepare("UPDATE games SET finished_at = ?2 WHERE id = ?1");
        takeBack_ = prepare("DELETE FROM moves WHERE game = ?1 AND n >= ?2 AND "
                            "(SELECT finished_at FROM games WHERE id = ?1) IS NULL");
        touchGame_ = prepare("UPDATE games SET touched_at = ?2, undo_seat = NULL, undo_at = NULL, "
                             "refused_a_at = NULL, refused_b_at = NULL, draw_seat = NULL, "
                             "draw_at = NULL, draw_refused_a_at = NULL, draw_refused_b_at = NULL "
                             "WHERE id = ?1 AND finished_at IS NULL");
        setUndo_ = prepare("UPDATE games SET undo_seat = ?2, undo_at = ?3 WHERE id = ?1");
        setChoices_ =
            prepare("UPDATE games SET second_choice = ?2, first_choice = ?3 WHERE id = ?1");
        refuseUndo_ =
            prepare("UPDATE games SET undo_seat = NULL, undo_at = NULL, "
                    "refused_a_at = CASE ?2 WHEN 0 THEN ?3 ELSE refused_a_at END, "
                    "refused_b_at = CASE ?2 WHEN 1 THEN ?3 ELSE refused_b_at END WHERE id = ?1");
        endGame_ = prepare("UPDATE games SET ended = ?2, finished_at = ?3, undo_seat = NULL, "
                           "undo_at = NULL, draw_seat = NULL, draw_at = NULL "
                           "WHERE id = ?1 AND finished_at IS NULL");
        setDraw_ = prepare("UPDATE games SET draw_seat = ?2, draw_at = ?3 WHERE id = ?1");
        declineDraw_ = prepare(
            "UPDATE games SET draw_seat = NULL, draw_at = NULL, "
            "draw_refused_a_at = CASE ?2 WHEN 0 THEN ?3 ELSE draw_refused_a_at END, "
            "draw_refused_b_at = CASE ?2 WHEN 1 THEN ?3 ELSE draw_refused_b_at END WHERE id = ?1");
        offerRematch_ = prepare("UPDATE games SET rematch_seat = ?2 WHERE id = ?1 AND "
                                "finished_at IS NOT NULL AND next_game IS NULL");
        insertRematch_ =
            prepare("INSERT INTO games(id, secret_a, secret_b, black_seat, created_at, "
                    "joined_at, rule, opening, clock_main_ms, clock_increment_ms, clock_start_ms) "
                    "VALUES(?1, ?2, ?3, ?4, ?5, ?5, ?6, ?7, ?8, ?9, ?10)");
        linkRematch_ = prepare("UPDATE games SET next_game = ?2, rematch_seat = NULL WHERE id = ?1 "
                               "AND finished_at IS NOT NULL AND next_game IS NULL");
        selectGame_ =
            prepare("SELECT secret_a, secret_b, black_seat, expired_at, undo_seat, "
                    "undo_at, refused_a_at, refused_b_at, rule, opening, "
                    "second_choice, first_choice, ended, draw_seat, draw_at, "
                    "draw_refused_a_at, draw_refused_b_at, rematch_seat, next_game, "
                    "clock_main_ms, clock_increment_ms, clock_start_ms, player_a, player_b, "
                    "rated FROM games WHERE id = ?1");
        selectMoves_ = prepare("SELECT n, row, col, at_ms FROM moves WHERE game = ?1 ORDER BY n");
        // Unjoined for a day, finished for 30 days, or unfinished and untouched for 30 days: no
        // move and no take-back.
        selectExpired_ = prepare(R"sql(
            SELECT id FROM games WHERE expired_at IS NULL AND (
                (secret_b IS NULL AND created_at <= ?1) OR
                (finished_at IS NOT NULL AND finished_at <= ?2) OR
                (finished_at IS NULL AND secret_b IS NOT NULL AND
                 MAX(COALESCE((SELECT MAX(at) FROM moves WHERE game = id), joined_at),
                     COALESCE(touched_at, joined_at)) <= ?3)))sql");
        expireGame_ = prepare(
            "UPDATE games SET expired_at = ?2, secret_a = NULL, secret_b = NULL WHERE id = ?1");
        forgetMoves_ = prepare("DELETE FROM moves WHERE game = ?1");
        dropExpired_ = prepare("DELETE FROM games WHERE expired_at <= ?1");
        checkpointer_ = std::make_unique<Checkpointer>(path);
    }
    catch (...)
    {
        for (sqlite3_stmt *statement : statements_)
        {
            sqlite3_finalize(statement);
        }
        sqlite3_close(db_);
        throw;
    }
}

SqliteStore::~SqliteStore()
{
    checkpointer_.reset();
    for (sqlite3_stmt *statement : statements_)
    {
        sqlite3_finalize(statement);
    }
    // Closing the last connection checkpoints the log into the database and removes it.
    sqlite3_close(db_);
}

void SqliteStore::fail(std::string_view what) const
{
    throw StoreError("the database " + path_ + ": " + std::string(what) + ": " +
                     sqlite3_errmsg(db_));
}

void SqliteStore::exec(const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK)
    {
        const std::string reason = error != nullptr ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        throw StoreError("the database " + path_ + ": " + reason);
    }
}

sqlite3_stmt *SqliteStore::prepare(const char *sql)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
        SQLITE_OK)
    {
        fail("preparing a statement");
    }
    statements_.push_back(statement);
    return statement;
}

template <typename Work> void SqliteStore::transaction(Work work)
{
    exec("BEGIN IMMEDIATE");
    try
    {
        work();
        exec("COMMIT");
    }
    catch (const StoreError &)
    {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void SqliteStore::finish(sqlite3_stmt *statement, const char *what)
{
    if (sqlite3_step(statement) != SQLITE_DONE)
    {
        fail(what);
    }
}

void SqliteStore::addGame(std::string_view id, std::string_view secretA, std::int64_t now,
                          core::Rule rule, core::Opening opening, core::TimeControl control)
{
    Reset reset(insertGame_);
    bindText(insertGame_, 1, id);
    bindText(insertGame_, 2, secretA);
    sqlite3_bind_int64(insertGame_, 3, now);
    bindText(insertGame_, 4, ruleName(rule));
    bindText(insertGame_, 5, openingName(opening));
    sqlite3_bind_int64(insertGame_, 6, control.mainMs);
    sqlite3_bind_int64(insertGame_, 7, control.incrementMs);
    finish(insertGame_, "storing a new game");
}

void SqliteStore::takeSecondSeat(std::string_view id, std::string_view secretB, int firstSeat,
                                 std::int64_t now, std::int64_t nowMs)
{
    Reset reset(updateSeat_);
    bindText(updateSeat_, 1, id);
    bindText(updateSeat_, 2, secretB);
    sqlite3_bind_int(updateSeat_, 3, firstSeat);
    sqlite3_bind_int64(updateSeat_, 4, now);
    sqlite3_bind_int64(updateSeat_, 5, nowMs);
    finish(updateSeat_, "storing the second seat");
    if (sqlite3_changes(db_) != 1)
    {
        throw StoreError("the database " + path_ + ": game " + std::string(id) +
                         " has no free seat to store");
    }
}

void SqliteStore::bindChoices(StoredGame::Choices choices)
{
    int index = 2;
    for (core::Swap2Choice choice : {choices.second, choices.first})
    {
        if (choice == core::Swap2Choice::None)
        {
            sqlite3_bind_null(setChoices_, index++);
        }
        else
        {
            bindText(setChoices_, index++, choiceName(choice));
        }
    }
}

void SqliteStore::setChoices(std::string_view id, StoredGame::Choices choices)
{
    Reset reset(setChoices_);
    bindText(setChoices_, 1, id);
    bindChoices(choices);
    finish(setChoices_, "storing a swap2 choice");
}

void SqliteStore::addMove(std::string_view id, int n, core::Point point, bool over,
                          std::int64_t now, std::int64_t nowMs,
                          const std::optional<StoredGame::Choices> &choices,
                          const core::Result *result)
{
    const auto insert = [&]
    {
        Reset reset(insertMove_);
        bindText(insertMove_, 1, id);
        sqlite3_bind_int(insertMove_, 2, n);
        const core::Cell cell = core::cellOfPoint(point);
        sqlite3_bind_int(insertMove_, 3, cell.row);
        sqlite3_bind_int(insertMove_, 4, cell.col);
        sqlite3_bind_int64(insertMove_, 5, now);
        sqlite3_bind_int64(insertMove_, 6, nowMs);
        finish(insertMove_, "storing a move");
    };
    // A move alone is one statement, one commit; the move that ends the game commits with the
    // game's end, so that a finished game is never stored unfinished, and the one that makes a
    // choice with the choice.
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
                Reset reset(finishGame_);
                bindText(finishGame_, 1, id);
                sqlite3_bind_int64(finishGame_, 2, now);
                finish(finishGame_, "storing the end of a game");
            }
        });
}

void SqliteStore::takeBack(std::string_view id, int keep, std::int64_t now,
                           std::optional<core::Pause> pause)
{
    // The moves go and the game is marked touched in one commit: an idle game's clock runs from
    // its last move or take-back, whichever came later.
    transaction(
        [&]
        {
            {
                Reset reset(takeBack_);
                bindText(takeBack_, 1, id);
                sqlite3_bind_int(takeBack_, 2, keep);
                finish(takeBack_, "taking back moves");
            }
            if (pause)
            {
                addPause(id, *pause);
            }
            Reset reset(touchGame_);
            bindText(touchGame_, 1, id);
            sqlite3_bind_int64(touchGame_, 2, now);
            finish(touchGame_, "storing the time of a take-back");
        });
}

void SqliteStore::addPause(std::string_view id, core::Pause pause)
{
    Reset reset(insertPause_);
    bindText(insertPause_, 1, id);
    sqlite3_bind_int64(insertPause_, 2, pause.fromMs);
    sqlite3_bind_int64(insertPause_, 3, pause.toMs);
    finish(insertPause_, "storing a pause of the clocks");
}

void SqliteStore::beat(std::int64_t nowMs)
{
    Reset reset(beat_);
    sqlite3_bind_int64(beat_, 1, nowMs);
    finish(beat_, "storing the server's heartbeat");
}

std::optional<core::Pause> SqliteStore::resumeClocks(std::int64_t nowMs, std::int64_t leastMs)
{
    std::optional<core::Pause> stopped;
    transaction(
        [&]
        {
            {
                Reset reset(lastBeat_);
                const int status = sqlite3_step(lastBeat_);
                if (status == SQLITE_ROW)
                {
                    const std::int64_t last = sqlite3_column_int64(lastBeat_, 0);
                    if (last < nowMs && nowMs - last >= leastMs)
                    {
                        stopped = core::Pause{last, nowMs};
                    }
                }
                else if (status != SQLITE_DONE)
                {
                    fail("reading the server's heartbeat");
                }
            }
            if (stopped)
            {
                Reset reset(pauseRunning_);
                sqlite3_bind_int64(pauseRunning_, 1, stopped->fromMs);
                sqlite3_bind_int64(pauseRunning_, 2, stopped->toMs);
                finish(pauseRunning_, "giving back the time the server was down");
            }
            Reset reset(beat_);
            sqlite3_bind_int64(beat_, 1, nowMs);
            finish(beat_, "storing the server's heartbeat");
        });
    return stopped;
}

void SqliteStore::setUndo(std::string_view id, std::optional<StoredGame::Undo> undo)
{
    Reset reset(setUndo_);
    bindText(setUndo_, 1, id);
    if (undo)
    {
        sqlite3_bind_int(setUndo_, 2, undo->seat);
        sqlite3_bind_int(setUndo_, 3, undo->stones);
    }
    else
    {
        sqlite3_bind_null(setUndo_, 2);
        sqlite3_bind_null(setUndo_, 3);
    }
    finish(setUndo_, undo ? "storing a request to take back a move" : "storing its answer");
}

void SqliteStore::refuseUndo(std::string_view id, StoredGame::Undo refused)
{
    Reset reset(refuseUndo_);
    bindText(refuseUndo_, 1, id);
    sqlite3_bind_int(refuseUndo_, 2, refused.seat);
    sqlite3_bind_int(refuseUndo_, 3, refused.stones);
    finish(refuseUndo_, "storing a refusal to take back a move");
}

void SqliteStore::endGame(std::string_view id, const core::Result &result, std::int64_t now)
{
    if (result.ending != core::Ending::Resignation && result.ending != core::Ending::Agreement &&
        result.ending != core::Ending::Time)
    {
        throw StoreError("the database " + path_ + ": game " + std::string(id) +
                         ": only a resignation, a time-out or a draw agreed is stored so");
    }
    Reset reset(endGame_);
    bindText(endGame_, 1, id);
    bindText(endGame_, 2, endedName(result));
    sqlite3_bind_int64(endGame_, 3, now);
    finish(endGame_, "storing the end of a game");
    if (sqlite3_changes(db_) != 1)
    {
        throw StoreError("the database " + path_ + ": game " + std::string(id) +
                         " is over already");
    }
}

void SqliteStore::setDrawOffer(std::string_view id, std::optional<StoredGame::Undo> offer)
{
    Reset reset(setDraw_);
    bindText(setDraw_, 1, id);
    if (offer)
    {
        sqlite3_bind_int(setDraw_, 2, offer->seat);
        sqlite3_bind_int(setDraw_, 3, offer->stones);
    }
    else
    {
        sqlite3_bind_null(setDraw_, 2);
        sqlite3_bind_null(setDraw_, 3);
    }
    finish(setDraw_, offer ? "storing an offer of a draw" : "storing its answer");
}

void SqliteStore::declineDraw(std::string_view id, StoredGame::Undo declined)
{
    Reset reset(declineDraw_);
    bindText(declineDraw_, 1, id);
    sqlite3_bind_int(declineDraw_, 2, declined.seat);
    sqlite3_bind_int(declineDraw_, 3, declined.stones);
    finish(declineDraw_, "storing a declined draw");
}

void SqliteStore::offerRematch(std::string_view id, int seat)
{
    Reset reset(offerRematch_);
    bindText(offerRematch_, 1, id);
    sqlite3_bind_int(offerRematch_, 2, seat);
    finish(offerRematch_, "storing an offer of a rematch");
    if (sqlite3_changes(db_) != 1)
    {
        throw StoreError("the database " + path_ + ": game " + std::string(id) +
                         " is not over, or has its rematch already");
    }
}

void SqliteStore::addRematch(std::string_view old, std::string_view id, std::string_view secretA,
                             std::string_view secretB, int firstSeat, core::Rule rule,
                             core::Opening opening, std::int64_t now, core::TimeControl control,
                             std::int64_t nowMs)
{
    transaction(
        [&]
        {
            {
                Reset reset(insertRematch_);
                bindText(insertRematch_, 1, id);
                bindText(insertRematch_, 2, secretA);
                bindText(insertRematch_, 3, secretB);
                sqlite3_bind_int(insertRematch_, 4, firstSeat);
                sqlite3_bind_int64(insertRematch_, 5, now);
                bindText(insertRematch_, 6, ruleName(rule));
                bindText(insertRematch_, 7, openingName(opening));
                sqlite3_bind_int64(insertRematch_, 8, control.mainMs);
                sqlite3_bind_int64(insertRematch_, 9, control.incrementMs);
                sqlite3_bind_int64(insertRematch_, 10, nowMs);
                finish(insertRematch_, "storing a rematch");
            }
            Reset reset(linkRematch_);
            bindText(linkRematch_, 1, old);
            bindText(linkRematch_, 2, id);
            finish(linkRematch_, "storing a game's rematch");
            if (sqlite3_changes(db_) != 1)
            {
                throw StoreError("the database " + path_ + ": game " + std::string(old) +
                                 " is not over, or has its rematch already");
            }
        });
}

Lookup SqliteStore::load(std::string_view id, StoredGame &game)
{
    {
        Reset reset(selectGame_);
        bindText(selectGame_, 1, id);
        const int status = sqlite3_step(selectGame_);
        if (status == SQLITE_DONE)
        {
            return Lookup::Missing;
        }
        if (status != SQLITE_ROW)
        {
            fail("reading a game");
        }
        if (sqlite3_column_type(selectGame_, 3) != SQLITE_NULL)
        {
            return Lookup::Expired;
        }
        game.secretA = columnText(selectGame_, 0);
        game.secretB.reset();
        game.firstSeat.reset();
        if (sqlite3_column_type(selectGame_, 1) != SQLITE_NULL)
        {
            game.secretB = columnText(selectGame_, 1);
        }
        if (sqlite3_column_type(selectGame_, 2) != SQLITE_NULL)
        {
            game.firstSeat = sqlite3_column_int(selectGame_, 2);
        }
        // Words this server writes, and no others: anything else is not its writing.
        const auto rule = ruleNamed(columnText(selectGame_, 8));
        const auto opening = openingNamed(columnText(selectGame_, 9));
        std::optional<core::Swap2Choice> choices[2];
        for (int k : {0, 1})
        {
            choices[k] = sqlite3_column_type(selectGame_, 10 + k) == SQLITE_NULL
                             ? core::Swap2Choice::None
                             : choiceNamed(columnText(selectGame_, 10 + k));
        }
        if (!rule || !opening || !choices[0] || !choices[1])
        {
            throw StoreError("the database " + path_ + ": game " + std::string(id) +
                             " has a rule, an opening or a choice this server does not know");
        }
        game.rule = *rule;
        game.opening = *opening;
        game.choices = StoredGame::Choices{*choices[0], *choices[1]};
        game.undo.reset();
        if (sqlite3_column_type(selectGame_, 4) != SQLITE_NULL)
        {
            game.undo = StoredGame::Undo{sqlite3_column_int(selectGame_, 4),
                                         sqlite3_column_int(selectGame_, 5)};
        }
        const auto count = [&](int column)
        {
            return sqlite3_column_type(selectGame_, column) == SQLITE_NULL
                       ? -1
                       : sqlite3_column_int(selectGame_, column);
        };
        for (int seat : {0, 1})
        {
            game.refusedAt[seat] = count(6 + seat);
            game.drawRefusedAt[seat] = count(15 + seat);
        }
        game.finish = StoredGame::Finish{};
        if (sqlite3_column_type(selectGame_, 12) != SQLITE_NULL)
        {
            const auto finish = endedNamed(columnText(selectGame_, 12));
            if (!finish)
            {
                throw StoreError("the database " + path_ + ": game " + std::string(id) +
                                 " has an ending this server does not know");
            }
            game.finish = *finish;
        }
        game.drawOffer.reset();
        if (count(13) >= 0)
        {
            game.drawOffer = StoredGame::Undo{count(13), count(14)};
        }
        game.rematchSeat.reset();
        if (count(17) >= 0)
        {
            game.rematchSeat = count(17);
        }
        game.next = columnText(selectGame_, 18);
        game.control = core::TimeControl{sqlite3_column_int64(selectGame_, 19),
                                         sqlite3_column_int64(selectGame_, 20)};
        game.clockStartMs = sqlite3_column_type(selectGame_, 21) == SQLITE_NULL
                                ? std::nullopt
                                : std::optional(sqlite3_column_int64(selectGame_, 21));
        game.players = {columnText(selectGame_, 22), columnText(selectGame_, 23)};
        game.rated = sqlite3_column_int(selectGame_, 24);
    }
    {
        Reset reset(selectPauses_);
        bindText(selectPauses_, 1, id);
        game.pauses.clear();
        int status = SQLITE_ROW;
        while ((status = sqlite3_step(selectPauses_)) == SQLITE_ROW)
        {
            game.pauses.push_back(core::Pause{sqlite3_column_int64(selectPauses_, 0),
                                              sqlite3_column_int64(selectPauses_, 1)});
        }
        if (status != SQLITE_DONE)
        {
            fail("reading a game's pauses");
        }
    }
    Reset reset(selectMoves_);
    bindText(selectMoves_, 1, id);
    game.moves.clear();
    game.moveMs.clear();
    int status = SQLITE_ROW;
    while ((status = sqlite3_step(selectMoves_)) == SQLITE_ROW)
    {
        const int n = sqlite3_column_int(selectMoves_, 0);
        const int row = sqlite3_column_int(selectMoves_, 1);
        const int col = sqlite3_column_int(selectMoves_, 2);
        // Moves are numbered from 0 without a gap; anything else is not this server's writing.
        if (n != static_cast<int>(game.moves.size()) || !core::onBoard(core::pointOfCell(row, col)))
        {
            throw StoreError("the database " + path_ + ": game " + std::string(id) +
                             " has a move out of order or off the board");
        }
        game.moves.push_back(core::pointOfCell(row, col));
        // A move from before the clocks has no time: it counts as made at the clock's start.
        game.moveMs.push_back(sqlite3_column_type(selectMoves_, 3) == SQLITE_NULL
                                  ? game.clockStartMs.value_or(0)
                                  : sqlite3_column_int64(selectMoves_, 3));
    }
    if (status != SQLITE_DONE)
    {
        fail("reading a game's moves");
    }
    return Lookup::Found;
}

std::vector<std::string> SqliteStore::sweep(std::int64_t now)
{
    std::vector<std::string> expired;
    transaction(
        [&]
        {
            {
                Reset reset(selectExpired_);
                sqlite3_bind_int64(selectExpired_, 1, now - UNJOINED_LIFETIME);
                sqlite3_bind_int64(selectExpired_, 2, now - FINISHED_LIFETIME);
                sqlite3_bind_int64(selectExpired_, 3, now - IDLE_LIFETIME);
                int status = SQLITE_ROW;
                while ((status = sqlite3_step(selectExpired_)) == SQLITE_ROW)
                {
                    expired.push_back(columnText(selectExpired_, 0));
                }
                if (status != SQLITE_DONE)
                {
                    fail("finding what has expired");
                }
            }
            for (const std::string &id : expired)
            {
                Reset expire(expireGame_);
                bindText(expireGame_, 1, id);
                sqlite3_bind_int64(expireGame_, 2, now);
                finish(expireGame_, "expiring a game");
                Reset forget(forgetMoves_);
                bindText(forgetMoves_, 1, id);
                finish(forgetMoves_, "deleting an expired game's moves");
                Reset forgetPauses(forgetPauses_);
                bindText(forgetPauses_, 1, id);
                finish(forgetPauses_, "deleting an expired game's pauses");
            }
            Reset reset(dropExpired_);
            sqlite3_bind_int64(dropExpired_, 1, now - EXPIRED_MEMORY);
            finish(dropExpired_, "forgetting long-expired games");
        });
    return expired;
}

// The game of `moves` under its rule and opening, each choice made at the step that asks for it:
// the moves up to the first the rules refuse, whose number goes to `refusedAt` (-1 when none is).
namespace
{

StoredPlayer playerOf(sqlite3_stmt *statement)
{
    StoredPlayer player;
    player.id = columnText(statement, 0);
    player.secret = columnText(statement, 1);
    player.name = columnText(statement, 2);
    player.rating =
        server::Rating{sqlite3_column_double(statement, 3), sqlite3_column_double(statement, 4),
                       sqlite3_column_double(statement, 5)};
    player.games = sqlite3_column_int(statement, 6);
    player.abandoned = sqlite3_column_int(statement, 7);
    return player;
}

} // namespace

bool SqliteStore::addPlayer(const StoredPlayer &player, std::string_view folded, std::int64_t now)
{
    {
        Reset reset(selectFolded_);
        bindText(selectFolded_, 1, folded);
        const int status = sqlite3_step(selectFolded_);
        if (status == SQLITE_ROW)
        {
            return false;
        }
        if (status != SQLITE_DONE)
        {
            fail("looking for a player's name");
        }
    }
    Reset reset(insertPlayer_);
    bindText(insertPlayer_, 1, player.id);
    bindText(insertPlayer_, 2, player.secret);
    bindText(insertPlayer_, 3, player.name);
    bindText(insertPlayer_, 4, folded);
    sqlite3_bind_double(insertPlayer_, 5, player.rating.rating);
    sqlite3_bind_double(insertPlayer_, 6, player.rating.deviation);
    sqlite3_bind_double(insertPlayer_, 7, player.rating.volatility);
    sqlite3_bind_int64(insertPlayer_, 8, now);
    sqlite3_bind_int(insertPlayer_, 9, player.games);
    sqlite3_bind_int(insertPlayer_, 10, player.abandoned);
    const int status = sqlite3_step(insertPlayer_);
    if (status == SQLITE_CONSTRAINT)
    {
        return false; // another server took the name in the meantime
    }
    if (status != SQLITE_DONE)
    {
        fail("storing a new player");
    }
    return true;
}

std::optional<StoredPlayer> SqliteStore::playerWithSecret(std::string_view secret)
{
    Reset reset(selectPlayer_);
    bindText(selectPlayer_, 1, secret);
    const int status = sqlite3_step(selectPlayer_);
    if (status == SQLITE_DONE)
    {
        return std::nullopt;
    }
    if (status != SQLITE_ROW)
    {
        fail("reading a player");
    }
    return playerOf(selectPlayer_);
}

std::optional<StoredPlayer> SqliteStore::player(std::string_view id)
{
    Reset reset(selectPlayerById_);
    bindText(selectPlayerById_, 1, id);
    const int status = sqlite3_step(selectPlayerById_);
    if (status == SQLITE_DONE)
    {
        return std::nullopt;
    }
    if (status != SQLITE_ROW)
    {
        fail("reading a player");
    }
    return playerOf(selectPlayerById_);
}

void SqliteStore::addPairedGame(const PairedGame &game, std::int64_t now, std::int64_t nowMs)
{
    Reset reset(insertPaired_);
    bindText(insertPaired_, 1, game.id);
    bindText(insertPaired_, 2, game.secrets[0]);
    bindText(insertPaired_, 3, game.secrets[1]);
    sqlite3_bind_int(insertPaired_, 4, game.firstSeat);
    sqlite3_bind_int64(insertPaired_, 5, now);
    bindText(insertPaired_, 6, ruleName(game.rule));
    sqlite3_bind_int64(insertPaired_, 7, game.control.mainMs);
    sqlite3_bind_int64(insertPaired_, 8, game.control.incrementMs);
    sqlite3_bind_int64(insertPaired_, 9, nowMs);
    bindText(insertPaired_, 10, game.players[0]);
    bindText(insertPaired_, 11, game.players[1]);
    finish(insertPaired_, "storing a paired game");
}

bool SqliteStore::rateGame(std::string_view game, const std::array<RatingChange, 2> &changes)
{
    bool rated = false;
    transaction(
        [&]
        {
            {
                Reset reset(markRated_);
                bindText(markRated_, 1, game);
                finish(markRated_, "storing that a game's ratings were moved");
                rated = sqlite3_changes(db_) == 1;
            }
            if (!rated)
            {
                return; // moved already, by this server or another
            }
            for (const RatingChange &change : changes)
            {
                Reset reset(updateRating_);
                bindText(updateRating_, 1, change.player);
                sqlite3_bind_double(updateRating_, 2, change.after.rating);
                sqlite3_bind_double(updateRating_, 3, change.after.deviation);
                sqlite3_bind_double(updateRating_, 4, change.after.volatility);
                sqlite3_bind_int(updateRating_, 5, change.abandoned ? 1 : 0);
                finish(updateRating_, "storing a player's rating");
            }
        });
    return rated;
}
