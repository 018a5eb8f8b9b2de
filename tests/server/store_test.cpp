// The database (server/store.h): what a killed server committed comes back, a torn write costs
// only itself, and files and rows that are not the server's are refused clearly.
#include "server/sqlite_store.h"
#include "server/store.h"
#include "tests/server/server_fixture.h"

#include <array>
#include <cstdlib>
#include <csignal>
#include <fstream>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace
{

const std::string GAME = "local-k3mzq2x7bd4hv6tp";
const std::string SECRET_A = "0123456789abcdef0123456789abcdef";
const std::string SECRET_B = "fedcba9876543210fedcba9876543210";
constexpr std::int64_t NOW = 1'800'000'000;

core::Point at(int row, int col)
{
    return core::pointOfCell(row, col);
}

// In a child process: makes a game of `moves` moves in the database, then dies by SIGKILL with
// the database open, as a killed server would.
void writeAndDie(const std::filesystem::path &database, int moves)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        SqliteStore sqliteStore(database.string(), false);
        Store &store = sqliteStore;
        writeGame(store, GAME, SECRET_A, SECRET_B, 1, moves, NOW);
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

// What a killed server committed comes back, and goes on where it stood, but for a write torn by
// the crash (the last commit's frame cut short in the write-ahead log), which costs that write
// alone. (The kill test sees a whole log come back through the real server.)
TEST(ServerStore, whatAKilledServerCommittedComesBackAndATornWriteCostsItAlone)
{
    TempDir dir;
    const auto database = dir.path() / "games.sqlite", wal = dir.path() / "games.sqlite-wal";
    writeAndDie(database, 60);
    // The moves are in the write-ahead log, never checkpointed into the database file.
    ASSERT_GT(std::filesystem::file_size(wal), 100u);
    std::filesystem::resize_file(wal, std::filesystem::file_size(wal) - 100);
    SqliteStore sqliteStore(database.string(), false);
    Store &store = sqliteStore;
    StoredGame game;
    ASSERT_EQ(store.load(GAME, game), Lookup::Found);
    EXPECT_EQ(game.secretA, SECRET_A);
    EXPECT_EQ(game.secretB, SECRET_B);
    EXPECT_EQ(game.firstSeat, 1);
    const auto plan = fivelessMoves(59);
    ASSERT_EQ(game.moves.size(), 59u);
    for (std::size_t n = 0; n < 59; ++n)
    {
        EXPECT_EQ(game.moves[n], at(plan[n].first, plan[n].second)) << "move " << n;
    }
    store.addMove(GAME, 59, at(17, 17), false, NOW + 60);
    ASSERT_EQ(store.load(GAME, game), Lookup::Found);
    EXPECT_EQ(game.moves.size(), 60u);
}

// Opening `database` must fail with an error that names it and says `why`.
void refused(const std::filesystem::path &database, const std::string &why)
{
    try
    {
        SqliteStore store(database.string(), false);
        ADD_FAILURE() << "opened " << database;
    }
    catch (const StoreError &error)
    {
        const std::string message = error.what();
        EXPECT_NE(message.find(database.string()), std::string::npos) << message;
        EXPECT_NE(message.find(why), std::string::npos) << message;
    }
}

TEST(ServerStore, filesThatAreNotItsDatabaseAreRefusedClearly)
{
    TempDir dir;
    std::ofstream(dir.path() / "text") << "these are not the games you are looking for\n"
                                       << std::string(5000, 'x');
    refused(dir.path() / "text", "not a database");
    refused(dir.path() / "missing" / "games.sqlite", "unable to open");
    onDatabase(dir.path() / "newer", "PRAGMA user_version=7;");
    refused(dir.path() / "newer", "newer server");
    // A folder where the file should be.
    std::filesystem::create_directory(dir.path() / "folder");
    refused(dir.path() / "folder", "unable to open");
}

// The layout of version 1, before games knew when they were last taken back; of version 2,
// before they kept a refusal to take back a move; and of version 3, before games had a rule, an
// opening and swap2 choices.
const std::string LAYOUT_1 = R"sql(
CREATE TABLE games(id TEXT PRIMARY KEY, secret_a TEXT, secret_b TEXT, black_seat INTEGER,
    created_at INTEGER NOT NULL, joined_at INTEGER, finished_at INTEGER, expired_at INTEGER)
    WITHOUT ROWID;
CREATE TABLE moves(game TEXT NOT NULL, n INTEGER NOT NULL, row INTEGER NOT NULL,
    col INTEGER NOT NULL, at INTEGER NOT NULL, PRIMARY KEY(game, n)) WITHOUT ROWID;
PRAGMA user_version=1;)sql";
const std::string LAYOUT_2 = LAYOUT_1 + R"sql(
ALTER TABLE games ADD COLUMN touched_at INTEGER; ALTER TABLE games ADD COLUMN undo_seat INTEGER;
ALTER TABLE games ADD COLUMN undo_at INTEGER; PRAGMA user_version=2;)sql";
const std::string LAYOUT_3 = LAYOUT_2 + R"sql(
ALTER TABLE games ADD COLUMN refused_a_at INTEGER; ALTER TABLE games ADD COLUMN refused_b_at INTEGER;
PRAGMA user_version=3;)sql";

// An unfinished game is idle from its last move or its last take-back, whichever came later,
// and a take-back lifts a refusal; a database of an older layout gains what it lacks, once, and
// keeps its games.
TEST(ServerStore, anIdleGamesClockRunsFromItsLastMoveOrTakeBack)
{
    const std::vector<std::string> none;
    for (const std::string &older : {std::string(), LAYOUT_1, LAYOUT_2, LAYOUT_3})
    {
        SCOPED_TRACE(older.empty() ? "a new database" : older.substr(older.size() - 20));
        TempDir dir;
        const auto database = dir.path() / "games.sqlite";
        if (!older.empty())
        {
            onDatabase(database, older);
        }
        {
            SqliteStore sqliteStore(database.string(), false);
            Store &store = sqliteStore;
            writeGame(store, GAME, SECRET_A, SECRET_B, 1, 4, NOW); // moves at NOW to NOW + 3
            store.refuseUndo(GAME, StoredGame::Undo{1, 4});
        }
        SqliteStore sqliteStore(database.string(),
                                false); // opened again: the layout is changed once only
        Store &store = sqliteStore;
        StoredGame game;
        ASSERT_EQ(store.load(GAME, game), Lookup::Found);
        EXPECT_EQ(game.refusedAt, (std::array{-1, 4}));
        const std::int64_t takenBack = NOW + 20 * DAY_SECONDS;
        store.takeBack(GAME, 2, takenBack);
        ASSERT_EQ(store.load(GAME, game), Lookup::Found);
        EXPECT_EQ(game.moves.size(), 2u);
        EXPECT_EQ(game.refusedAt, (std::array{-1, -1}));
        EXPECT_EQ(store.sweep(NOW + 3 + IDLE_LIFETIME), none);
        EXPECT_EQ(store.sweep(takenBack + IDLE_LIFETIME - 1), none);
        EXPECT_EQ(store.sweep(takenBack + IDLE_LIFETIME), std::vector<std::string>{GAME});
    }
}

// A game of a layout-3 database, written by the server of that layout, comes back freestyle with
// the free opening once the layout is upgraded; and it can then take a rule, an opening and
// choices of its own, which come back as they were stored.
TEST(ServerStore, anOlderDatabasesGamesComeBackFreestyleAndNewOnesUnderTheirRule)
{
    TempDir dir;
    const auto database = dir.path() / "games.sqlite";
    onDatabase(database, LAYOUT_3 +
                             "INSERT INTO games(id, secret_a, secret_b, black_seat, "
                             "created_at, joined_at) VALUES('" +
                             GAME + "', '" + SECRET_A + "', '" + SECRET_B +
                             "', 1, 0, 0); INSERT INTO moves VALUES('" + GAME + "', 0, 9, 9, 0);");
    const std::string renju = "local-renjuswaptwoaaaa";
    {
        SqliteStore sqliteStore(database.string(), false);
        Store &store = sqliteStore;
        StoredGame game;
        ASSERT_EQ(store.load(GAME, game), Lookup::Found);
        EXPECT_EQ(game.rule, core::Rule::Freestyle);
        EXPECT_EQ(game.opening, core::Opening::Free);
        EXPECT_EQ(game.choices, StoredGame::Choices{});
        EXPECT_EQ(game.firstSeat, 1);
        EXPECT_EQ(game.moves, std::vector<core::Point>{at(9, 9)});
        store.addGame(renju, SECRET_A, NOW, core::Rule::Renju, core::Opening::Swap2);
        store.takeSecondSeat(renju, SECRET_B, 0, NOW);
        for (int n = 0; n < 3; ++n)
        {
            store.addMove(renju, n, at(9, 9 + n), false, NOW);
        }
        store.setChoices(renju, {core::Swap2Choice::TwoStones, core::Swap2Choice::None});
        store.addMove(renju, 3, at(10, 9), false, NOW);
        store.addMove(renju, 4, at(10, 10), false, NOW);
        // The first player's stone at its choice chooses white, committed with the move.
        store.addMove(
            renju, 5, at(11, 11), false, NOW, NOW * 1000,
            StoredGame::Choices{core::Swap2Choice::TwoStones, core::Swap2Choice::PlayWhite});
    }
    int version = 0;
    {
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
        sqlite3_exec(
            db, "PRAGMA user_version",
            [](void *out, int, char **values, char **)
            {
                *static_cast<int *>(out) = std::atoi(values[0]);
                return 0;
            },
            &version, nullptr);
        sqlite3_close(db);
    }
    EXPECT_EQ(version, 6);
    SqliteStore sqliteStore(database.string(), false);
    Store &store = sqliteStore;
    StoredGame game;
    ASSERT_EQ(store.load(renju, game), Lookup::Found);
    EXPECT_EQ(game.rule, core::Rule::Renju);
    EXPECT_EQ(game.opening, core::Opening::Swap2);
    EXPECT_EQ(game.choices,
              (StoredGame::Choices{core::Swap2Choice::TwoStones, core::Swap2Choice::PlayWhite}));
    EXPECT_EQ(game.moves.size(), 6u);
    ASSERT_EQ(store.load(GAME, game), Lookup::Found);
    EXPECT_EQ(game.rule, core::Rule::Freestyle);
}

TEST(ServerStore, storedGamesThatBreakItsOwnRulesAreRefused)
{
    TempDir dir;
    const auto database = dir.path() / "games.sqlite";
    {
        SqliteStore sqliteStore(database.string(), false);
        Store &store = sqliteStore;
        store.addGame(GAME, SECRET_A, NOW);
        store.takeSecondSeat(GAME, SECRET_B, 0, NOW);
        store.addMove(GAME, 0, at(9, 9), false, NOW);
        // A second player for a game that has one already: refused, nothing changed.
        EXPECT_THROW(store.takeSecondSeat(GAME, SECRET_A, 1, NOW), StoreError);
        // The same move number twice.
        EXPECT_THROW(store.addMove(GAME, 0, at(9, 10), false, NOW), StoreError);
        StoredGame game;
        ASSERT_EQ(store.load(GAME, game), Lookup::Found);
        EXPECT_EQ(game.secretB, SECRET_B);
        EXPECT_EQ(game.moves.size(), 1u);
    }
    for (const std::string &edit : std::vector<std::string>{
             "INSERT INTO moves(game, n, row, col, at) VALUES('" + GAME + "', 5, 1, 1, 0);",
             "UPDATE moves SET row = 18 WHERE n = 0;", "UPDATE moves SET col = -1 WHERE n = 0;",
             "UPDATE games SET rule = 'gomoku';", "UPDATE games SET opening = 'swap5';",
             "UPDATE games SET second_choice = 'grey';", "UPDATE games SET ended = 'white-fled';"})
    {
        SCOPED_TRACE(edit);
        TempDir copy;
        std::filesystem::copy_file(database, copy.path() / "games.sqlite");
        onDatabase(copy.path() / "games.sqlite", edit);
        SqliteStore sqliteStore((copy.path() / "games.sqlite").string(), false);
        Store &store = sqliteStore;
        StoredGame game;
        EXPECT_THROW(store.load(GAME, game), StoreError);
    }
}

} // namespace
