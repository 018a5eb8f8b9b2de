// A PostgreSQL of the tests' own: a cluster made in a fresh folder with Debian's PostgreSQL 15,
// listening on a Unix socket in that folder only, started and stopped by the test (as the user
// nobody when the tests run as root, since PostgreSQL will not run as root). Its databases are
// made on demand, one for each test that asks.
#pragma once

#include <filesystem>
#include <string>

class TestPostgres
{
public:
    // Makes the cluster and starts it; throws std::runtime_error, saying what failed, when
    // PostgreSQL is not installed or does not start.
    TestPostgres();
    ~TestPostgres();
    TestPostgres(const TestPostgres &) = delete;
    TestPostgres &operator=(const TestPostgres &) = delete;

    // A new empty database: its URI for the store.
    std::string freshDatabase();
    // The URI of a database made before.
    std::string uri(const std::string &database) const;
    // Stops it at once, as a crash would (immediate shutdown), and starts it again.
    void stop();
    void start();
    bool running() const { return running_; }

private:
    std::filesystem::path dir_;
    std::filesystem::path bin_;
    bool asNobody_ = false;
    bool running_ = false;
    int databases_ = 0;

    // Runs a PostgreSQL program with `arguments`; its output goes to the folder's log. True when
    // it exits with 0.
    bool run(const std::string &program, const std::string &arguments) const;
};
