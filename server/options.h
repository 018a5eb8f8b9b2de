// The server's command line.
#pragma once

#include "server/server.h"

#include <string>
#include <variant>
#include <vector>

inline constexpr const char *SERVER_USAGE =
    "usage: gomoku3d-server --db FILE [--web DIR] [--name NAME] [--port PORT] [--bind ADDRESS]\n"
    "                       [--public-url URL] [--allow-origin ORIGIN]... [--behind-proxy]\n"
    "                       [--durable] [--games-per-address N] [--redis ADDRESS]\n"
    "  --db FILE              the games' SQLite database, made when missing\n"
    "  --db postgresql://...  the games in PostgreSQL, which several servers may share\n"
    "  --web DIR              the page's folder (tools/web.sh --build makes it), served at /\n"
    "  --name NAME            the server's name, the start of its games' ids: [a-z0-9]{1,16}\n"
    "                         (default local)\n"
    "  --port PORT            0 for any free port; the port is printed (default 8080)\n"
    "  --bind ADDRESS         the address to listen on (default 127.0.0.1)\n"
    "  --public-url URL       the page's address for other machines, as http://192.168.1.5:8080/\n"
    "                         or https://example.org/: the links to games are made from it\n"
    "  --allow-origin ORIGIN  another site whose pages may play here, as https://example.org\n"
    "  --behind-proxy         the client's address is the X-Real-IP header a proxy sets\n"
    "  --durable              flush every move to the disk, against power cuts too\n"
    "  --games-per-address N  games an address may make in an hour, 0 for no limit (default 100)\n"
    "  --redis ADDRESS        Redis (redis://HOST:PORT, HOST:PORT or a socket's path) shared by\n"
    "                         the servers of one PostgreSQL database: any of them then carries\n"
    "                         any game\n";

// The options, or what is wrong with the command line ("help" for --help).
std::variant<ServerOptions, std::string>
parseServerOptions(const std::vector<std::string> &arguments);
