// gomoku3d-server: the online games' referee and store, and the page's web server. Reads its
// command line, opens the database, listens, and runs the event loop until SIGINT or SIGTERM.
#include "server/options.h"
#include "server/store.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <chrono>
#include <csignal>
#include <ctime>
#include <iostream>
#include <unistd.h>

namespace
{

// "2026-12-07T15:38:22Z message": one line on standard error, written whole.
void logLine(std::string_view text)
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::cerr << stamp << ' ' << text << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    const auto parsed = parseServerOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto *problem = std::get_if<std::string>(&parsed))
    {
        if (*problem == "help")
        {
            std::cout << SERVER_USAGE;
            return 0;
        }
        std::cerr << "gomoku3d-server: " << *problem << '\n' << SERVER_USAGE;
        return 2;
    }
    const ServerOptions &options = std::get<ServerOptions>(parsed);
    if (geteuid() == 0)
    {
        logLine("running as root, which the server does not need: an ordinary user is safer");
    }
    // A peer gone mid-write (Redis or the database killed) is an error to handle, never a
    // signal that ends the server: the sockets Asio does not write itself (libpq's, hiredis's)
    // would raise SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    try
    {
        boost::asio::io_context io(1);
        Server server(
            io, options,
            []
            {
                return static_cast<std::int64_t>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count());
            },
            logLine);
        boost::asio::signal_set signals(io, SIGINT, SIGTERM);
        signals.async_wait(
            [&](const boost::system::error_code &error, int)
            {
                if (!error)
                {
                    logLine("stopping");
                    server.stop();
                }
            });
        // Tests and scripts read the port from this line.
        std::cout << "gomoku3d-server " << options.name << ": listening on http://"
                  << (options.bind.find(':') != std::string::npos ? "[" + options.bind + "]"
                                                                  : options.bind)
                  << ':' << server.port() << '/' << std::endl;
        logLine("server " + options.name + " started, games in " + storeName(options.database));
        io.run();
    }
    catch (const std::exception &error)
    {
        std::cerr << "gomoku3d-server: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
