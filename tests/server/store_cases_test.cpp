// The store's one interface, two implementations, one table of cases: SQLite in a file and
// PostgreSQL (the tests' own cluster) keep and give back the same games, seats, moves, clocks,
// endings, rematches and players, and expire what has outlived its time. Then what only a shared
// database does: the database restarted under a store, and several stores on one database.
#include "server/postgres_store.h"
#include "server/sqlite_store.h"
#include "tests/server/postgres.h"
#include "tests/server/server_fixture.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <atomic>
#include <functional>
#include <thread>

namespace
{

const std::string GAME = "local-k3mzq2x7bd4hv6tp";
const std::string NEXT = "local-nextgameaaaaaaaa";
const std::string SECRET_A = "0123456789abcdef0123456789abcdef";
const std::string SECRET_B = "fedcba9876543210fedcba9876543210";
constexpr std::int64_t NOW = 1'800'000'000;
constexpr std::int64_t NOW_MS = NOW * 1000;

core::Point at(int row, int col)
{
    return core::pointOfCell(row, col);
}

// One PostgreSQL for the whole run, started when first asked for.
TestPostgres &postgres()
{
    static TestPostgres cluster;
    return cluster;
}

struct Backend
{
    const char *name;
    // A new, empty store, and the same database opened again.
    std::function<std::pair<std::unique_ptr<Store>, std::function<std::unique_ptr<Store>()>>(
        const TempDir &)>
        open;
};

const Backend BACKENDS[] = {
    {"sqlite",
     [](const TempDir &dir)
     {
         const std::string path = (dir.path() / "games.sqlite").string();
         return std::pair{std::unique_ptr<Store>(std::make_unique<SqliteStore>(path, false)),
                          std::function<std::unique_ptr<Store>()>(
                              [path] { return std::make_unique<SqliteStore>(path, false); })};
     }},
    {"postgres",
     [](const TempDir &)
     {
         const std::string uri = postgres().freshDatabase();
         return std::pair{std::unique_ptr<Store>(std::make_unique<PostgresStore>(uri)),
                          std::function<std::unique_ptr<Store>()>(
                              [uri] { return std::make_unique<PostgresStore>(uri); })};
     }},
};

void PrintTo(const Backend &backend, std::ostream *out)
{
    *out << backend.name;
}

class StoreCases : public testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        auto [made, again] = GetParam().open(dir_);
        store_ = std::move(made);
        reopen_ = std::move(again);
    }
    Store &store() { return *store_; }
    // The database opened again: what is kept is what another server would read.
    StoredGame reloaded(const std::string &id = GAME)
    {
        store_.reset();
        store_ = reopen_();
        StoredGame game;
        EXPECT_EQ(store_->load(id, game), Lookup::Found);
        return game;
    }

private:
    TempDir dir_;
    std::unique_ptr<Store> store_;
    std::function<std::unique_ptr<Store>()> reopen_;
};

TEST_P(StoreCases, AGameFromItsMakingToItsRematch)
{
    store().addGame(GAME, SECRET_A, NOW, core::Rule::Renju, core::Opening::Free,
                    core::TimeControl{180'000, 2'000});
    StoredGame game = reloaded();
    EXPECT_EQ(game.secretA, SECRET_A);
    EXPECT_FALSE(game.secretB);
    EXPECT_FALSE(game.firstSeat);
    EXPECT_EQ(game.rule, core::Rule::Renju);
    EXPECT_EQ(game.control, (core::TimeControl{180'000, 2'000}));
    EXPECT_FALSE(game.clockStartMs);

    store().takeSecondSeat(GAME, SECRET_B, 1, NOW + 1, NOW_MS + 1000);
    EXPECT_THROW(store().takeSecondSeat(GAME, SECRET_A, 0, NOW + 2, NOW_MS + 2000), StoreError);
    for (int n = 0; n < 4; ++n)
    {
        store().addMove(GAME, n, at(9, 9 + n), false, NOW + 2 + n, NOW_MS + 2000 + 1500 * n);
    }
    EXPECT_THROW(store().addMove(GAME, 3, at(0, 0), false, NOW + 9, NOW_MS + 9000), StoreError);
    store().setUndo(GAME, StoredGame::Undo{0, 4});
    store().refuseUndo(GAME, StoredGame::Undo{0, 4});
    store().setDrawOffer(GAME, StoredGame::Undo{1, 4});
    store().declineDraw(GAME, StoredGame::Undo{1, 4});
    store().addPause(GAME, core::Pause{NOW_MS + 7000, NOW_MS + 9000});
    game = reloaded();
    EXPECT_EQ(game.secretB, SECRET_B);
    EXPECT_EQ(game.firstSeat, 1);
    EXPECT_EQ(game.clockStartMs, NOW_MS + 1000);
    EXPECT_EQ(game.moves, (std::vector{at(9, 9), at(9, 10), at(9, 11), at(9, 12)}));
    EXPECT_EQ(game.moveMs, (std::vector<std::int64_t>{NOW_MS + 2000, NOW_MS + 3500, NOW_MS + 5000,
                                                      NOW_MS + 6500}));
    EXPECT_FALSE(game.undo);
    EXPECT_EQ(game.refusedAt, (std::array{4, -1}));
    EXPECT_FALSE(game.drawOffer);
    EXPECT_EQ(game.drawRefusedAt, (std::array{-1, 4}));
    ASSERT_EQ(game.pauses.size(), 1u);
    EXPECT_EQ(game.pauses[0].toMs, NOW_MS + 9000);

    // Taken back with the time since the move kept; the refusals go with it.
    store().takeBack(GAME, 2, NOW + 10, core::Pause{NOW_MS + 3500, NOW_MS + 10'000});
    game = reloaded();
    EXPECT_EQ(game.moves.size(), 2u);
    EXPECT_EQ(game.refusedAt, (std::array{-1, -1}));
    EXPECT_EQ(game.pauses.size(), 2u);

    // Ended on time by a move after the flag, in one commit; no second end.
    const core::Result flagged{core::Ending::Time, core::Colour::White};
    store().addMove(GAME, 2, at(0, 0), false, NOW + 11, NOW_MS + 11'000, std::nullopt, &flagged);
    EXPECT_THROW(store().endGame(GAME, core::Result{core::Ending::Resignation, core::Colour::Black},
                                 NOW + 12),
                 StoreError);
    game = reloaded();
    EXPECT_EQ(game.finish.how, core::Ending::Time);
    EXPECT_EQ(game.finish.loser, core::Colour::Black);
    EXPECT_EQ(restored(game).result(), flagged);

    store().offerRematch(GAME, 0);
    EXPECT_EQ(reloaded().rematchSeat, 0);
    store().addRematch(GAME, NEXT, SECRET_B, SECRET_A, 0, core::Rule::Renju, core::Opening::Free,
                       NOW + 13, game.control, NOW_MS + 13'000);
    EXPECT_THROW(store().offerRematch(GAME, 1), StoreError);
    EXPECT_EQ(reloaded().next, NEXT);
    const StoredGame rematch = reloaded(NEXT);
    EXPECT_EQ(rematch.secretA, SECRET_B);
    EXPECT_EQ(rematch.control, game.control);
    EXPECT_EQ(rematch.clockStartMs, NOW_MS + 13'000);
}

TEST_P(StoreCases, SwapChoicesAndAResignationAndADrawAgreed)
{
    store().addGame(GAME, SECRET_A, NOW, core::Rule::Freestyle, core::Opening::Swap2);
    store().takeSecondSeat(GAME, SECRET_B, 0, NOW, NOW_MS);
    for (int n = 0; n < 3; ++n)
    {
        store().addMove(GAME, n, at(9, 9 + n), false, NOW, NOW_MS);
    }
    store().addMove(GAME, 3, at(10, 10), false, NOW, NOW_MS,
                    StoredGame::Choices{core::Swap2Choice::PlayWhite, core::Swap2Choice::None});
    StoredGame game = reloaded();
    EXPECT_EQ(game.choices.second, core::Swap2Choice::PlayWhite);
    EXPECT_EQ(game.opening, core::Opening::Swap2);
    store().endGame(GAME, core::Result{core::Ending::Resignation, core::Colour::Black}, NOW + 1);
    game = reloaded();
    EXPECT_EQ(game.finish.how, core::Ending::Resignation);
    EXPECT_EQ(game.finish.loser, core::Colour::White);

    store().addGame(NEXT, SECRET_A, NOW);
    store().takeSecondSeat(NEXT, SECRET_B, 0, NOW, NOW_MS);
    store().endGame(NEXT, core::Result{core::Ending::Agreement, std::nullopt}, NOW + 1);
    EXPECT_EQ(reloaded(NEXT).finish.how, core::Ending::Agreement);
}

TEST_P(StoreCases, WhatOutlivesItsTimeExpires)
{
    const std::vector<std::string> none;
    store().addGame(GAME, SECRET_A, NOW); // never joined
    store().addGame(NEXT, SECRET_A, NOW);
    store().takeSecondSeat(NEXT, SECRET_B, 0, NOW, NOW_MS);
    store().addMove(NEXT, 0, at(9, 9), false, NOW + 100, NOW_MS);
    EXPECT_EQ(store().sweep(NOW + UNJOINED_LIFETIME - 1), none);
    EXPECT_EQ(store().sweep(NOW + UNJOINED_LIFETIME), std::vector<std::string>{GAME});
    StoredGame game;
    EXPECT_EQ(store().load(GAME, game), Lookup::Expired);
    EXPECT_EQ(store().load("local-nosuchgameaaaaaaa", game), Lookup::Missing);
    EXPECT_EQ(store().sweep(NOW + 100 + IDLE_LIFETIME), std::vector<std::string>{NEXT});
    EXPECT_EQ(store().sweep(NOW + UNJOINED_LIFETIME + EXPIRED_MEMORY), none);
    EXPECT_EQ(store().load(GAME, game), Lookup::Missing); // forgotten for good
}

TEST_P(StoreCases, PlayersTheirNamesAndARatedGame)
{
    StoredPlayer ann{"annannannannanna", SECRET_A, "Ann", {1500, 350, 0.06}, 0, 0};
    StoredPlayer bo{"bobobobobobobobo", SECRET_B, "Bo", {1600, 200, 0.06}, 3, 1};
    EXPECT_TRUE(store().addPlayer(ann, "ann", NOW));
    EXPECT_TRUE(store().addPlayer(bo, "bo", NOW));
    StoredPlayer alike = ann;
    alike.id = "otherotherothero", alike.secret = std::string(32, 'a');
    EXPECT_FALSE(store().addPlayer(alike, "ann", NOW));
    EXPECT_EQ(store().playerWithSecret(SECRET_B)->name, "Bo");
    EXPECT_FALSE(store().playerWithSecret(std::string(32, 'b')));
    EXPECT_EQ(store().player(ann.id)->rating.rating, 1500);
    EXPECT_EQ(store().player(bo.id)->abandoned, 1);

    store().addPairedGame(PairedGame{GAME,
                                     {SECRET_A, SECRET_B},
                                     {ann.id, bo.id},
                                     1,
                                     core::Rule::Freestyle,
                                     core::TimeControl{300'000, 3'000}},
                          NOW, NOW_MS);
    StoredGame game = reloaded();
    EXPECT_EQ(game.players, (std::array{ann.id, bo.id}));
    EXPECT_EQ(game.rated, 1);
    EXPECT_EQ(game.clockStartMs, NOW_MS);
    const std::array<RatingChange, 2> changes{RatingChange{ann.id, {1550, 300, 0.06}, false},
                                              RatingChange{bo.id, {1570, 190, 0.059}, true}};
    EXPECT_TRUE(store().rateGame(GAME, changes));
    EXPECT_FALSE(store().rateGame(GAME, changes)); // once
    EXPECT_EQ(reloaded().rated, 2);
    const auto after = store().player(bo.id);
    ASSERT_TRUE(after);
    EXPECT_DOUBLE_EQ(after->rating.rating, 1570);
    EXPECT_DOUBLE_EQ(after->rating.volatility, 0.059);
    EXPECT_EQ(after->games, 4);
    EXPECT_EQ(after->abandoned, 2);
}

TEST_P(StoreCases, ARestartGivesTheRunningClocksTheTimeItWasDown)
{
    EXPECT_FALSE(store().resumeClocks(NOW_MS)); // the first start: nothing to give
    store().addGame(GAME, SECRET_A, NOW, core::Rule::Freestyle, core::Opening::Free,
                    core::TimeControl{60'000, 0});
    store().takeSecondSeat(GAME, SECRET_B, 0, NOW, NOW_MS);
    store().addGame(NEXT, SECRET_A, NOW); // no clock: nothing to give
    store().takeSecondSeat(NEXT, SECRET_B, 0, NOW, NOW_MS);
    store().beat(NOW_MS + 4000);
    const auto gift = store().resumeClocks(NOW_MS + 34'000);
    ASSERT_TRUE(gift);
    EXPECT_EQ(gift->fromMs, NOW_MS + 4000);
    EXPECT_EQ(gift->toMs, NOW_MS + 34'000);
    const StoredGame timed = reloaded();
    ASSERT_EQ(timed.pauses.size(), 1u);
    EXPECT_EQ(timed.pauses[0].fromMs, NOW_MS + 4000);
    EXPECT_TRUE(reloaded(NEXT).pauses.empty());
    // A heartbeat another server of the database kept going: a gap shorter than the least asked
    // for gives nothing, and the beat is this start's.
    EXPECT_FALSE(store().resumeClocks(NOW_MS + 36'000, 3000));
    EXPECT_EQ(reloaded().pauses.size(), 1u);
    const auto later = store().resumeClocks(NOW_MS + 40'000, 3000);
    ASSERT_TRUE(later);
    EXPECT_EQ(later->fromMs, NOW_MS + 36'000);
}

INSTANTIATE_TEST_SUITE_P(Backends, StoreCases, testing::ValuesIn(BACKENDS),
                         [](const auto &info) { return std::string(info.param.name); });

// PostgreSQL stopped under a store: the call fails, saying so, and stores nothing; once it is
// back, the next call connects again and goes on.
TEST(PostgresStore, ADatabaseRestartedRefusesThenGoesOn)
{
    PostgresStore postgresStore(postgres().freshDatabase());
    Store &store = postgresStore;
    store.addGame(GAME, SECRET_A, NOW);
    store.takeSecondSeat(GAME, SECRET_B, 0, NOW, NOW_MS);
    store.addMove(GAME, 0, at(9, 9), false, NOW, NOW_MS);
    postgres().stop();
    try
    {
        store.addMove(GAME, 1, at(9, 10), false, NOW, NOW_MS);
        ADD_FAILURE() << "stored with the database stopped";
    }
    catch (const StoreError &error)
    {
        EXPECT_NE(std::string(error.what()).find("storing a move"), std::string::npos)
            << error.what();
    }
    postgres().start();
    store.addMove(GAME, 1, at(9, 10), false, NOW, NOW_MS);
    StoredGame game;
    ASSERT_EQ(store.load(GAME, game), Lookup::Found);
    EXPECT_EQ(game.moves, (std::vector{at(9, 9), at(9, 10)}));
}

// Several servers starting at once on one empty database make its tables once, and a database
// of a newer layout is refused; no error shows a password.
TEST(PostgresStore, ServersStartingAtOnceShareTheTables)
{
    const std::string uri = postgres().freshDatabase();
    std::vector<std::jthread> servers;
    std::atomic<int> opened{0};
    for (int i = 0; i < 4; ++i)
    {
        servers.emplace_back(
            [&]
            {
                PostgresStore store(uri);
                ++opened;
            });
    }
    servers.clear();
    EXPECT_EQ(opened, 4);
    PostgresStore postgresStore(uri);
    Store &store = postgresStore;
    store.addGame(GAME, SECRET_A, NOW);
    EXPECT_THROW(store.addGame(GAME, SECRET_B, NOW), StoreError);

    PGconn *db = PQconnectdb(uri.c_str());
    PQclear(PQexec(db, "UPDATE layout SET version = 7"));
    PQfinish(db);
    EXPECT_THROW(PostgresStore newer(uri), StoreError);

    try
    {
        PostgresStore nowhere("postgresql://someone:hunter2@/games?host=/nonexistent-folder");
        ADD_FAILURE() << "connected to nothing";
    }
    catch (const StoreError &error)
    {
        const std::string message = error.what();
        EXPECT_EQ(message.find("hunter2"), std::string::npos) << message;
        EXPECT_NE(message.find("connecting"), std::string::npos) << message;
    }
}

} // namespace
