// Simulated players for gomoku3d-server on the loopback: the benchmark's own client, on Asio and
// Beast, one thread. It opens two connections a game and makes every game (a create, a join),
// then plays moves at a fixed rate across all the games, each move a player's move in its turn,
// and times every relay: from the mover's send to the `moved` at the other player. With the
// server's process id it reads the server's resident memory before the connections and after.
//
//   server_bench PORT GAMES RATE SECONDS [SERVER_PID]
//       one load: GAMES games (2 x GAMES connections), RATE moves a second for SECONDS
//   server_bench PORT GAMES RATE1,RATE2,... SECONDS [SERVER_PID]
//       the same games at each rate in turn, SECONDS each
//   server_bench PORT1,PORT2,... GAMES RATES SECONDS [PID1,PID2,...]
//       servers that share their games: each game made at one and joined at the next, so that
//       every move crosses from one server to another; the memory is all of theirs
//
// Prints "key value" lines: connections, games, then for each rate moves_per_second_asked,
// moves_per_second, relay_p50_ms, relay_p99_ms, relay_max_ms, refused, lost; and the memory.
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace net = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace
{

// The moves of a game that never makes five, by the colouring ((2 * row + col) / 2) % 2: black's
// and white's points alternately, so a game can run to a full board.
std::vector<std::pair<int, int>> fivelessGame()
{
    std::vector<std::pair<int, int>> colour[2];
    for (int row = 0; row < 18; ++row)
    {
        for (int col = 0; col < 18; ++col)
        {
            colour[((2 * row + col) / 2) % 2].emplace_back(row, col);
        }
    }
    std::vector<std::pair<int, int>> moves;
    for (std::size_t i = 0; i < 324; ++i)
    {
        moves.push_back(colour[i % 2][i / 2]);
    }
    return moves;
}
const std::vector<std::pair<int, int>> MOVES = fivelessGame();

// The text of a JSON string field, found by its name: enough for the server's own messages.
std::string field(const std::string &text, const std::string &name)
{
    const std::string key = "\"" + name + "\":\"";
    const auto at = text.find(key);
    if (at == std::string::npos)
    {
        return "";
    }
    const auto start = at + key.size();
    return text.substr(start, text.find('"', start) - start);
}

long number(const std::string &text, const std::string &name)
{
    const std::string key = "\"" + name + "\":";
    const auto at = text.find(key);
    long value = -1;
    if (at != std::string::npos)
    {
        std::from_chars(text.data() + at + key.size(), text.data() + text.size(), value);
    }
    return value;
}

long residentKb(int pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind("VmRSS:", 0) == 0)
        {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

struct Game;

struct Stats
{
    std::vector<double> relayMs;
    long moves = 0;
    long refused = 0;
    long lost = 0; // connections that closed under the benchmark
};

class Player : public std::enable_shared_from_this<Player>
{
public:
    Player(net::io_context &io, Game &game, int seat) : game_(game), seat_(seat), ws_(io) {}

    void connect(const tcp::endpoint &server, const std::string &target,
                 std::function<void(bool)> done);
    void send(std::string text);
    void start() { read(); }

    Game &game_;
    int seat_;       // 0 the creator, 1 the joiner
    int colour = -1; // 0 black, 1 white

private:
    websocket::stream<tcp::socket> ws_;
    beast::flat_buffer buffer_;
    std::deque<std::string> out_;
    bool writing_ = false;

    void read();
    void write();
    void onMessage(const std::string &text);
};

struct Game
{
    std::size_t index = 0; // the servers it is made and joined at follow from it
    std::string id;
    std::shared_ptr<Player> players[2];
    int stones = 0;
    bool pending = false; // a move sent, not yet relayed
    Clock::time_point sentAt;
    bool ready = false;
};

struct Bench
{
    net::io_context io;
    std::vector<tcp::endpoint> servers;
    std::vector<std::unique_ptr<Game>> games;
    Stats stats;
    int readyGames = 0;
    int connecting = 0;
    std::size_t nextToConnect = 0;
    bool measuring = false;
};
Bench *bench = nullptr;

void Player::connect(const tcp::endpoint &server, const std::string &target,
                     std::function<void(bool)> done)
{
    auto self = shared_from_this();
    ws_.next_layer().async_connect(server,
                                   [self, target, done](beast::error_code error)
                                   {
                                       if (error)
                                       {
                                           return done(false);
                                       }
                                       self->ws_.next_layer().set_option(tcp::no_delay(true));
                                       self->ws_.async_handshake("127.0.0.1", target,
                                                                 [self, done](beast::error_code e)
                                                                 { done(!e); });
                                   });
}

void Player::send(std::string text)
{
    out_.push_back(std::move(text));
    if (!writing_)
    {
        write();
    }
}

void Player::write()
{
    writing_ = true;
    auto self = shared_from_this();
    ws_.async_write(net::buffer(out_.front()),
                    [self](beast::error_code error, std::size_t)
                    {
                        self->writing_ = false;
                        self->out_.pop_front();
                        if (!error && !self->out_.empty())
                        {
                            self->write();
                        }
                    });
}

void Player::read()
{
    auto self = shared_from_this();
    ws_.async_read(buffer_,
                   [self](beast::error_code error, std::size_t)
                   {
                       if (error)
                       {
                           ++bench->stats.lost;
                           return;
                       }
                       self->onMessage(beast::buffers_to_string(self->buffer_.data()));
                       self->buffer_.clear();
                       self->read();
                   });
}

void startGames();

void Player::onMessage(const std::string &text)
{
    const std::string type = field(text, "type");
    if (type == "created")
    {
        game_.id = field(text, "game");
        auto joiner = std::make_shared<Player>(bench->io, game_, 1);
        game_.players[1] = joiner;
        joiner->connect(
            bench->servers[(game_.index + 1) % bench->servers.size()], "/ws?game=" + game_.id,
            [joiner](bool ok)
            {
                if (!ok)
                {
                    std::cerr << "server_bench: a join could not connect\n";
                    return;
                }
                joiner->start();
                joiner->send("{\"type\":\"join\",\"game\":\"" + joiner->game_.id + "\"}");
            });
    }
    else if (type == "state")
    {
        const std::string you = field(text, "you");
        if ((you == "black" || you == "white") && colour < 0)
        {
            colour = you == "black" ? 0 : 1;
            Player *other = game_.players[1 - seat_].get();
            if (other != nullptr && other->colour >= 0 && !game_.ready)
            {
                game_.ready = true;
                ++bench->readyGames;
                --bench->connecting;
                startGames();
            }
        }
    }
    else if (type == "moved")
    {
        const long n = number(text, "n");
        const int moverColour = static_cast<int>(n % 2);
        if (colour != moverColour && game_.pending && n == game_.stones)
        {
            // The relay: the other player has it.
            if (bench->measuring)
            {
                bench->stats.relayMs.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - game_.sentAt).count());
                ++bench->stats.moves;
            }
            game_.pending = false;
            ++game_.stones;
        }
    }
    else if (type == "error")
    {
        ++bench->stats.refused;
        if (bench->stats.refused <= 5)
        {
            std::cerr << "server_bench: refused: " << text << '\n';
        }
        game_.pending = false;
    }
}

// Opens games while fewer than a few hundred are being made, so that the server's listen queue
// never overflows.
void startGames()
{
    while (bench->connecting < 200 && bench->nextToConnect < bench->games.size())
    {
        Game &game = *bench->games[bench->nextToConnect++];
        ++bench->connecting;
        auto creator = std::make_shared<Player>(bench->io, game, 0);
        game.players[0] = creator;
        creator->connect(bench->servers[game.index % bench->servers.size()], "/ws",
                         [creator](bool ok)
                         {
                             if (!ok)
                             {
                                 std::cerr << "server_bench: a create could not connect\n";
                                 return;
                             }
                             creator->start();
                             creator->send("{\"type\":\"create\"}");
                         });
    }
}

// Sends moves at `rate` a second for `seconds`, each in a game whose last move has been relayed,
// then reports.
void play(double rate, double seconds)
{
    bench->stats = Stats{};
    bench->measuring = true;
    net::steady_timer tick(bench->io);
    const auto start = Clock::now();
    long sent = 0;
    std::size_t next = 0;
    std::function<void(beast::error_code)> onTick = [&](beast::error_code)
    {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (elapsed >= seconds)
        {
            return;
        }
        const long due = static_cast<long>(elapsed * rate);
        for (std::size_t tries = 0; sent < due && tries < bench->games.size(); ++tries)
        {
            Game &game = *bench->games[next];
            next = (next + 1) % bench->games.size();
            if (!game.ready || game.pending || game.stones >= 324)
            {
                continue;
            }
            const int mover = game.stones % 2; // the colour to move
            Player &player =
                *(game.players[0]->colour == mover ? game.players[0] : game.players[1]);
            const auto [row, col] = MOVES[game.stones];
            game.pending = true;
            game.sentAt = Clock::now();
            player.send("{\"type\":\"move\",\"row\":" + std::to_string(row) + ",\"col\":" +
                        std::to_string(col) + ",\"n\":" + std::to_string(game.stones) + "}");
            ++sent;
        }
        tick.expires_after(std::chrono::milliseconds(1));
        tick.async_wait(onTick);
    };
    onTick({});
    // Until the last tick, and then a second for the moves still on their way.
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds + 1.0)
    {
        bench->io.run_for(std::chrono::milliseconds(100));
    }
    bench->measuring = false;
    auto &relay = bench->stats.relayMs;
    std::sort(relay.begin(), relay.end());
    auto percentile = [&](double p) {
        return relay.empty() ? 0.0
                             : relay[std::min(relay.size() - 1, std::size_t(p * relay.size()))];
    };
    std::printf("moves_per_second_asked %.0f\n", rate);
    std::printf("moves_per_second %.0f\n", double(bench->stats.moves) / seconds);
    std::printf("relay_p50_ms %.2f\nrelay_p99_ms %.2f\nrelay_max_ms %.2f\n", percentile(0.50),
                percentile(0.99), relay.empty() ? 0.0 : relay.back());
    std::printf("refused %ld\nlost %ld\n", bench->stats.refused, bench->stats.lost);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 5)
    {
        std::cerr << "usage: server_bench PORT[,PORT...] GAMES RATE[,RATE...] SECONDS "
                     "[SERVER_PID[,SERVER_PID...]]\n";
        return 2;
    }
    Bench state;
    bench = &state;
    std::stringstream ports(argv[1]);
    for (std::string port; std::getline(ports, port, ',');)
    {
        state.servers.emplace_back(net::ip::make_address("127.0.0.1"),
                                   static_cast<unsigned short>(std::stoi(port)));
    }
    const int games = std::stoi(argv[2]);
    std::vector<double> rates;
    std::stringstream list(argv[3]);
    for (std::string rate; std::getline(list, rate, ',');)
    {
        rates.push_back(std::stod(rate));
    }
    const double seconds = std::stod(argv[4]);
    std::vector<int> pids;
    std::stringstream pidList(argc > 5 ? argv[5] : "");
    for (std::string pid; std::getline(pidList, pid, ',');)
    {
        pids.push_back(std::stoi(pid));
    }
    const auto residentKbOfAll = [&pids]
    {
        long sum = 0;
        for (int pid : pids)
        {
            sum += residentKb(pid);
        }
        return sum;
    };
    const bool pid = !pids.empty();

    const long before = pid ? residentKbOfAll() : -1;
    for (int i = 0; i < games; ++i)
    {
        state.games.push_back(std::make_unique<Game>());
        state.games.back()->index = std::size_t(i);
    }
    const auto start = Clock::now();
    startGames();
    while (state.readyGames < games && Clock::now() - start < std::chrono::seconds(300))
    {
        state.io.run_for(std::chrono::milliseconds(100));
    }
    const double setup = std::chrono::duration<double>(Clock::now() - start).count();
    // A moment for the server to settle before its memory is read.
    state.io.run_for(std::chrono::milliseconds(500));
    const long after = pid ? residentKbOfAll() : -1;
    std::printf("games %d\nconnections %d\nsetup_seconds %.1f\n", state.readyGames,
                2 * state.readyGames, setup);
    if (pid)
    {
        std::printf("server_rss_kb_before %ld\nserver_rss_kb_after %ld\n", before, after);
        std::printf("server_kb_per_connection %.2f\n",
                    double(after - before) / std::max(1, 2 * state.readyGames));
    }
    std::fflush(stdout);
    if (state.readyGames < games)
    {
        std::cerr << "server_bench: only " << state.readyGames << " of " << games
                  << " games were made\n";
        return 1;
    }
    for (double rate : rates)
    {
        play(rate, seconds);
        if (pid)
        {
            std::printf("server_rss_kb %ld\n", residentKbOfAll());
        }
    }
    return 0;
}
