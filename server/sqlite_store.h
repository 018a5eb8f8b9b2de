// The store in an SQLite database in WAL mode: the embedded default, for one server alone.
#pragma once

#include "server/store.h"

#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStore final : public Store
{
public:
    // Opens the database at `path`, making it when it is not there. `durable`: every commit is
    // flushed to the disk (synchronous=FULL) rather than at checkpoints only (NORMAL); either way
    // a committed change survives the server's process being killed. The log is copied into the
    // database by a thread of the store's own, so that no commit waits for a checkpoint's flush.
    // Throws StoreError, which says what failed and where.
    explicit SqliteStore(const std::string &path, bool durable);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore &) = delete;
    SqliteStore &operator=(const SqliteStore &) = delete;

    void addGame(std::string_view id, std::string_view secretA, std::int64_t now, core::Rule rule,
                 core::Opening opening, core::TimeControl control) override;
    void takeSecondSeat(std::string_view id, std::string_view secretB, int firstSeat,
                        std::int64_t now, std::int64_t nowMs) override;
    void addMove(std::string_view id, int n, core::Point point, bool over, std::int64_t now,
                 std::int64_t nowMs, const std::optional<StoredGame::Choices> &choices,
                 const core::Result *result) override;
    void setChoices(std::string_view id, StoredGame::Choices choices) override;
    void takeBack(std::string_view id, int keep, std::int64_t now,
                  std::optional<core::Pause> pause) override;
    void addPause(std::string_view id, core::Pause pause) override;
    void beat(std::int64_t nowMs) override;
    std::optional<core::Pause> resumeClocks(std::int64_t nowMs, std::int64_t leastMs) override;
    void setUndo(std::string_view id, std::optional<StoredGame::Undo> undo) override;
    void refuseUndo(std::string_view id, StoredGame::Undo refused) override;
    void endGame(std::string_view id, const core::Result &result, std::int64_t now) override;
    void setDrawOffer(std::string_view id, std::optional<StoredGame::Undo> offer) override;
    void declineDraw(std::string_view id, StoredGame::Undo declined) override;
    void offerRematch(std::string_view id, int seat) override;
    void addRematch(std::string_view old, std::string_view id, std::string_view secretA,
                    std::string_view secretB, int firstSeat, core::Rule rule, core::Opening opening,
                    std::int64_t now, core::TimeControl control, std::int64_t nowMs) override;
    Lookup load(std::string_view id, StoredGame &game) override;
    bool addPlayer(const StoredPlayer &player, std::string_view folded, std::int64_t now) override;
    std::optional<StoredPlayer> playerWithSecret(std::string_view secret) override;
    std::optional<StoredPlayer> player(std::string_view id) override;
    void addPairedGame(const PairedGame &game, std::int64_t now, std::int64_t nowMs) override;
    bool rateGame(std::string_view game, const std::array<RatingChange, 2> &changes) override;
    std::vector<std::string> sweep(std::int64_t now) override;

private:
    // Copies the write-ahead log into the database file, on a thread and a connection of its own.
    class Checkpointer;

    sqlite3 *db_ = nullptr;
    std::string path_;
    std::vector<sqlite3_stmt *> statements_;

    [[noreturn]] void fail(std::string_view what) const;
    void exec(const char *sql);
    sqlite3_stmt *prepare(const char *sql);
    void finish(sqlite3_stmt *statement, const char *what);
    // Binds the choices to ?2 and ?3 of setChoices_.
    void bindChoices(StoredGame::Choices choices);
    // Runs `work` in one commit, or rolls it back and throws what it threw.
    template <typename Work> void transaction(Work work);

    sqlite3_stmt *insertGame_;
    sqlite3_stmt *updateSeat_;
    sqlite3_stmt *insertMove_;
    sqlite3_stmt *finishGame_;
    sqlite3_stmt *takeBack_;
    sqlite3_stmt *touchGame_;
    sqlite3_stmt *setUndo_;
    sqlite3_stmt *setChoices_;
    sqlite3_stmt *refuseUndo_;
    sqlite3_stmt *endGame_;
    sqlite3_stmt *setDraw_;
    sqlite3_stmt *declineDraw_;
    sqlite3_stmt *offerRematch_;
    sqlite3_stmt *insertRematch_;
    sqlite3_stmt *linkRematch_;
    sqlite3_stmt *selectGame_;
    sqlite3_stmt *selectMoves_;
    sqlite3_stmt *selectExpired_;
    sqlite3_stmt *expireGame_;
    sqlite3_stmt *forgetMoves_;
    sqlite3_stmt *insertPause_;
    sqlite3_stmt *selectPauses_;
    sqlite3_stmt *beat_;
    sqlite3_stmt *lastBeat_;
    sqlite3_stmt *pauseRunning_;
    sqlite3_stmt *forgetPauses_;
    sqlite3_stmt *insertPlayer_;
    sqlite3_stmt *selectPlayer_;
    sqlite3_stmt *selectPlayerById_;
    sqlite3_stmt *selectFolded_;
    sqlite3_stmt *insertPaired_;
    sqlite3_stmt *updateRating_;
    sqlite3_stmt *markRated_;
    sqlite3_stmt *dropExpired_;
    std::unique_ptr<Checkpointer> checkpointer_;
};
