// The store in PostgreSQL, through libpq: one database that several servers share, each change
// committed before the call returns. The tables are made in an empty database, under an advisory
// lock so that servers starting at once do not trip over each other; a database of a newer
// layout is refused. A connection lost (the database restarted) is made again on the next call;
// the call that found it lost fails with StoreError, and nothing it was to store is taken as
// stored.
#pragma once

#include "server/store.h"

#include <string>

struct pg_conn;

class PostgresStore final : public Store
{
public:
    // `uri`: postgresql://[user[:password]@][host][:port]/database[?...] as libpq reads it.
    // Throws StoreError, which names the database without its password.
    explicit PostgresStore(const std::string &uri);
    ~PostgresStore() override;
    PostgresStore(const PostgresStore &) = delete;
    PostgresStore &operator=(const PostgresStore &) = delete;

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

    class Result; // one statement's rows

private:
    pg_conn *db_ = nullptr;
    std::string uri_;   // as given
    std::string where_; // as errors name it: no password
    int depth_ = 0;     // transactions open (only the outermost begins and commits)

    [[noreturn]] void fail(std::string_view what) const;
    // The connection, made again if it was lost.
    void connect();
    // Runs `sql` with `params` (none for NULL), for `what` in errors: the rows, or throws.
    Result run(const char *sql, std::initializer_list<std::optional<std::string>> params,
               const char *what);
    // The rows a statement changed.
    int changed(const char *sql, std::initializer_list<std::optional<std::string>> params,
                const char *what);
    template <typename Work> void transaction(Work work);
};
