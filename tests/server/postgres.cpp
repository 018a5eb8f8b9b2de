#include "tests/server/postgres.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace
{

constexpr const char *USER = "gomoku";

// Debian's PostgreSQL 15 programs.
std::filesystem::path postgresBin()
{
    const std::filesystem::path bin = "/usr/lib/postgresql/15/bin";
    if (!std::filesystem::exists(bin / "initdb") || !std::filesystem::exists(bin / "pg_ctl"))
    {
        throw std::runtime_error("PostgreSQL 15 is not installed (" + bin.string() +
                                 "/initdb): tools/setup.sh installs postgresql-15");
    }
    return bin;
}

} // namespace

TestPostgres::TestPostgres() : bin_(postgresBin()), asNobody_(geteuid() == 0)
{
    std::string pattern = "/tmp/gomoku3d-postgres-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
    {
        throw std::runtime_error("no folder for PostgreSQL in /tmp");
    }
    dir_ = pattern;
    if (asNobody_ && std::system(("chown nobody:nogroup " + dir_.string()).c_str()) != 0)
    {
        throw std::runtime_error("cannot give " + dir_.string() + " to the user nobody");
    }
    if (!run("initdb", "-D " + (dir_ / "data").string() + " -A trust -U " + USER +
                           " -E UTF8 --no-sync --no-instructions"))
    {
        throw std::runtime_error("initdb failed: see " + (dir_ / "postgres.log").string());
    }
    start();
}

TestPostgres::~TestPostgres()
{
    if (running_)
    {
        run("pg_ctl", "-D " + (dir_ / "data").string() + " -m immediate -w stop");
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

bool TestPostgres::run(const std::string &program, const std::string &arguments) const
{
    const std::string command = (asNobody_ ? "runuser -u nobody -- " : "") +
                                (bin_ / program).string() + " " + arguments + " >>" +
                                (dir_ / "postgres.log").string() + " 2>&1";
    return std::system(command.c_str()) == 0;
}

void TestPostgres::start()
{
    // The socket in the cluster's own folder, no TCP at all, and no flush to the disk: a test's
    // database, killed with the test.
    if (!run("pg_ctl", "-D " + (dir_ / "data").string() + " -l " + (dir_ / "server.log").string() +
                           " -w -t 30 -o \"-k " + dir_.string() +
                           " -c listen_addresses= -c fsync=off -c full_page_writes=off\" start"))
    {
        throw std::runtime_error("PostgreSQL did not start: see " + (dir_ / "server.log").string());
    }
    running_ = true;
}

void TestPostgres::stop()
{
    run("pg_ctl", "-D " + (dir_ / "data").string() + " -m immediate -w stop");
    running_ = false;
}

std::string TestPostgres::uri(const std::string &database) const
{
    return "postgresql:///" + database + "?host=" + dir_.string() + "&user=" + USER;
}

std::string TestPostgres::freshDatabase()
{
    const std::string name = "games" + std::to_string(++databases_);
    PGconn *db = PQconnectdb(uri("postgres").c_str());
    const bool connected = PQstatus(db) == CONNECTION_OK;
    PGresult *made = connected ? PQexec(db, ("CREATE DATABASE " + name).c_str()) : nullptr;
    const bool ok = made != nullptr && PQresultStatus(made) == PGRES_COMMAND_OK;
    const std::string why = PQerrorMessage(db);
    PQclear(made);
    PQfinish(db);
    if (!ok)
    {
        throw std::runtime_error("cannot make the database " + name + ": " + why);
    }
    return uri(name);
}
