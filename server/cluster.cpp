#include "server/cluster.h"

#include "server/ids.h"
#include "server/live.h"

#include <boost/asio/post.hpp>
#include <hiredis/hiredis.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <condition_variable>
#include <future>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unordered_map>

namespace net = boost::asio;

namespace
{

const std::string PREFIX = "gomoku3d:";
const std::string ALIVE = PREFIX + "alive:"; // + instance: 1 while it beats
const std::string OWNER = PREFIX + "owner:"; // + game id, or PAIRING: the instance holding it
const std::string TO = PREFIX + "to:";       // + instance: the channel of what it is handed
const std::string BEATS = PREFIX + "beat";   // the channel every server beats on
const std::string LIVE = PREFIX + "live";    // a hash: instance -> its live games
const std::string PAIRING = "@pairing";

// A game's hold lasts this long unless its holder renews it, which it does while it holds the
// game, so that a hold nobody uses goes away by itself.
constexpr std::int64_t HOLD_MS = 60'000;
constexpr std::int64_t RENEW_EVERY_BEATS = 10;
// A server's list of live games is shown while it is this fresh.
constexpr std::int64_t LIVE_FRESH_MS = 5000;

// Takes KEYS[1] for ARGV[1] unless another live server holds it; returns the holder, with a '+'
// before it when it was taken just now. ARGV[2]: the prefix of the servers' alive keys; ARGV[3]:
// the hold's life in milliseconds, 0 for no end.
const char *const CLAIM = R"(local owner = redis.call('GET', KEYS[1])
if owner and owner ~= ARGV[1] and redis.call('EXISTS', ARGV[2] .. owner) == 1 then
  return owner
end
if ARGV[3] == '0' then
  redis.call('SET', KEYS[1], ARGV[1])
else
  redis.call('SET', KEYS[1], ARGV[1], 'PX', ARGV[3])
end
if owner == ARGV[1] then
  return owner
end
return '+' .. ARGV[1])";

// Renews the server's alive key; 0 when it had run out (its holds may have been taken).
const char *const KEEP_ALIVE = R"(if redis.call('PEXPIRE', KEYS[1], ARGV[1]) == 1 then
  return 1
end
redis.call('SET', KEYS[1], '1', 'PX', ARGV[1])
return 0)";

std::int64_t steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t wallMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

struct ContextFree
{
    void operator()(redisContext *context) const { redisFree(context); }
};
using Context = std::unique_ptr<redisContext, ContextFree>;

struct ReplyFree
{
    void operator()(redisReply *reply) const { freeReplyObject(reply); }
};
using Reply = std::unique_ptr<redisReply, ReplyFree>;

Context connectTo(const std::string &address, std::chrono::milliseconds timeout)
{
    const timeval limit{static_cast<time_t>(timeout.count() / 1000),
                        static_cast<suseconds_t>(timeout.count() % 1000 * 1000)};
    redisContext *context = nullptr;
    if (address.starts_with('/'))
    {
        context = redisConnectUnixWithTimeout(address.c_str(), limit);
    }
    else
    {
        const std::size_t colon = address.rfind(':');
        int port = 0;
        if (colon == std::string::npos || colon == 0 || colon + 1 == address.size() ||
            address.size() - colon > 6 ||
            address.find_first_not_of("0123456789", colon + 1) != std::string::npos ||
            (port = std::stoi(address.substr(colon + 1))) < 1 || port > 65535)
        {
            throw ClusterError("Redis's address must be HOST:PORT or a socket's path, not " +
                               address);
        }
        context = redisConnectWithTimeout(address.substr(0, colon).c_str(), port, limit);
    }
    if (context == nullptr)
    {
        throw ClusterError("Redis at " + address + ": no memory for the connection");
    }
    Context owned(context);
    if (context->err != 0)
    {
        throw ClusterError("Redis at " + address + ": " + context->errstr);
    }
    redisSetTimeout(context, limit);
    return owned;
}

// What one server hands another: KIND, the sender's instance, the client's number, the client's
// address and the body, one line each but the body, which is the rest.
struct Frame
{
    std::string_view kind, from, client, address, body;
};

std::string frame(std::string_view kind, std::string_view from, std::uint64_t client,
                  std::string_view address, std::string_view body)
{
    std::string text;
    text.reserve(kind.size() + from.size() + address.size() + body.size() + 24);
    text.append(kind).append(1, '\n').append(from).append(1, '\n');
    text.append(std::to_string(client)).append(1, '\n').append(address).append(1, '\n');
    text.append(body);
    return text;
}

std::optional<Frame> readFrame(std::string_view text)
{
    std::string_view parts[4];
    for (std::string_view &part : parts)
    {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
        {
            return std::nullopt;
        }
        part = text.substr(0, end);
        text.remove_prefix(end + 1);
    }
    return Frame{parts[0], parts[1], parts[2], parts[3], text};
}

std::optional<std::uint64_t> clientNumber(std::string_view text)
{
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != text.npos)
    {
        return std::nullopt;
    }
    return std::stoull(std::string(text));
}

std::shared_ptr<const std::string> shared(std::string_view text)
{
    return std::make_shared<const std::string>(text);
}

// When each other server was last heard of: kept by the listener's thread as its messages come
// in, so that a loop too busy to read them at once does not take a server that beats for silent.
class Heard
{
public:
    void at(const std::string &instance, std::int64_t ms)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::int64_t &last = times_[instance];
        last = std::max(last, ms);
    }
    // A server met for the first time: silent only once it has not beaten for a while from now.
    void meet(const std::string &instance, std::int64_t ms)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        times_.try_emplace(instance, ms);
    }
    bool known(const std::string &instance) const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return times_.contains(instance);
    }
    bool silent(const std::string &instance, std::int64_t now) const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto it = times_.find(instance);
        return it == times_.end() || now - it->second > Cluster::SILENCE_MS;
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::string, std::int64_t> times_;
};

} // namespace

struct Cluster::State : std::enable_shared_from_this<Cluster::State>
{
    State(net::io_context &io, Hub &hub, std::string address, std::string instance, LogLine log)
        : io(io), hub(hub), address(std::move(address)), instance(std::move(instance)),
          log(std::move(log))
    {
    }

    // A client of another server whose game is carried here.
    class RemotePeer : public Peer
    {
    public:
        RemotePeer(State &state, std::string from, std::uint64_t client, std::string address)
            : Peer(std::move(address)), state_(state), from_(std::move(from)), client_(client)
        {
        }

        void send(const std::shared_ptr<const std::string> &message) override
        {
            if (!closed_)
            {
                state_.publish(from_, frame("out", state_.instance, client_, "", *message));
            }
        }

        void close() override
        {
            if (!closed_)
            {
                closed_ = true;
                state_.publish(from_, frame("close", state_.instance, client_, "", ""));
            }
        }

        bool closed() const { return closed_; }

    private:
        State &state_;
        std::string from_;
        std::uint64_t client_;
        bool closed_ = false;
    };

    // A client of this server; a route is the instance its messages go to, empty for here.
    struct Client
    {
        Peer *peer;
        std::string gameRoute;
        std::string pairRoute;
        std::set<std::string> told; // the instances that may hold a peer of it
        bool letGo = false;
    };

    net::io_context &io;
    Hub &hub;
    std::string address;
    std::string instance;
    LogLine log;

    Context commands; // the loop's own, none while Redis is out of reach
    int pending = 0;  // commands sent whose answers have not been read
    bool flushPosted = false;
    std::int64_t lastBeatMs = 0;
    std::int64_t beats = 0;
    bool warned = false;
    bool unsure = false;               // Redis was lost, and no beat has gone out since
    std::vector<std::string> unplaced; // games made here that Redis could not be told of yet

    std::unordered_map<std::uint64_t, Client> clients;
    std::uint64_t nextClient = 1;
    std::map<std::pair<std::string, std::uint64_t>, std::unique_ptr<RemotePeer>> remotes;
    Heard heard;

    std::thread listener;
    std::thread beater;
    std::mutex beaterMutex;
    std::condition_variable beaterWake;
    std::atomic<bool> stopping{false};
    std::atomic<int> listening{-1}; // the listener's socket, shut down to end it

    // The loop's connection, made again when it was lost; false when Redis is out of reach.
    bool connected()
    {
        if (commands)
        {
            return true;
        }
        try
        {
            commands = connectTo(address, std::chrono::milliseconds(1000));
            pending = 0;
            if (warned)
            {
                log("cluster: Redis at " + address + " is back");
                warned = false;
            }
            return true;
        }
        catch (const ClusterError &error)
        {
            if (!warned)
            {
                log(std::string("cluster: ") + error.what());
                warned = true;
            }
            return false;
        }
    }

    // Redis answered no more: what was handed on may be lost, so every client handed on is let
    // go to reconnect, and every client carried for another server is forgotten.
    void lost(const std::string &why)
    {
        log("cluster: " + why + "; the clients handed between servers reconnect");
        // Until a beat says whether this server's holds outlived it, no game is placed: one whose
        // hold Redis lost may be taken by another server meanwhile.
        unsure = true;
        commands.reset();
        pending = 0;
        warned = true;
        letGoHandedOn([](const std::string &) { return true; });
        forgetRemotes([](const std::string &) { return true; });
    }

    void append(std::initializer_list<std::string_view> words)
    {
        if (!connected())
        {
            return;
        }
        std::vector<const char *> argv;
        std::vector<std::size_t> lengths;
        for (std::string_view word : words)
        {
            argv.push_back(word.data());
            lengths.push_back(word.size());
        }
        if (redisAppendCommandArgv(commands.get(), int(argv.size()), argv.data(), lengths.data()) !=
            REDIS_OK)
        {
            lost("Redis refused a command");
            return;
        }
        ++pending;
        if (!flushPosted)
        {
            flushPosted = true;
            net::post(io,
                      [weak = weak_from_this()]
                      {
                          if (auto state = weak.lock())
                          {
                              state->flushPosted = false;
                              state->flush();
                          }
                      });
        }
    }

    // Sends what was appended and reads its answers.
    bool flush()
    {
        while (commands && pending > 0)
        {
            void *answer = nullptr;
            if (redisGetReply(commands.get(), &answer) != REDIS_OK)
            {
                lost(std::string("Redis at ") + address + ": " + commands->errstr);
                return false;
            }
            --pending;
            freeReplyObject(answer);
        }
        return commands != nullptr;
    }

    // One command and its answer, after what waits; none when Redis is out of reach.
    Reply command(std::initializer_list<std::string_view> words)
    {
        if (!connected() || !flush())
        {
            return nullptr;
        }
        std::vector<const char *> argv;
        std::vector<std::size_t> lengths;
        for (std::string_view word : words)
        {
            argv.push_back(word.data());
            lengths.push_back(word.size());
        }
        auto *answer = static_cast<redisReply *>(
            redisCommandArgv(commands.get(), int(argv.size()), argv.data(), lengths.data()));
        if (answer == nullptr)
        {
            lost(std::string("Redis at ") + address + ": " + commands->errstr);
            return nullptr;
        }
        Reply reply(answer);
        if (reply->type == REDIS_REPLY_ERROR)
        {
            log("cluster: Redis: " + std::string(reply->str, reply->len));
            return nullptr;
        }
        return reply;
    }

    void publish(const std::string &to, const std::string &text)
    {
        append({"PUBLISH", TO + to, text});
    }

    // The instance that holds `key` (a game's id or PAIRING), taking it for this one when nobody
    // live does; none when Redis is out of reach.
    std::optional<std::string> holder(const std::string &key, std::int64_t holdMs)
    {
        if (unsure)
        {
            return std::nullopt;
        }
        const std::string life = std::to_string(holdMs);
        Reply reply = command({"EVAL", CLAIM, "1", OWNER + key, instance, ALIVE, life});
        if (!reply || reply->type != REDIS_REPLY_STRING)
        {
            return std::nullopt;
        }
        std::string owner(reply->str, reply->len);
        if (owner.starts_with('+'))
        {
            log("cluster: " + key + " is carried here from now on");
            owner.erase(0, 1);
        }
        if (owner != instance && heard.known(owner) && heard.silent(owner, steadyMs()))
        {
            // Its key has not run out yet, but it has not beaten for longer than its key lasts:
            // stopped. Should it only have been slow, it finds its key gone at its next beat and
            // lets its clients go, so that one server alone carries each game.
            log("cluster: " + owner + " is silent; its games are taken over");
            command({"DEL", ALIVE + owner});
            reply = command({"EVAL", CLAIM, "1", OWNER + key, instance, ALIVE, life});
            if (!reply || reply->type != REDIS_REPLY_STRING)
            {
                return std::nullopt;
            }
            owner.assign(reply->str, reply->len);
            if (owner.starts_with('+'))
            {
                log("cluster: " + key + " is carried here from now on");
                owner.erase(0, 1);
            }
        }
        if (owner != instance)
        {
            heard.meet(owner, steadyMs());
        }
        return owner;
    }

    std::string routeOf(const std::string &owner) const { return owner == instance ? "" : owner; }

    void letGoHandedOn(const std::function<bool(const std::string &)> &gone)
    {
        std::vector<Peer *> going;
        for (auto &[number, client] : clients)
        {
            if (client.letGo)
            {
                continue;
            }
            if ((!client.gameRoute.empty() && gone(client.gameRoute)) ||
                (!client.pairRoute.empty() && gone(client.pairRoute)))
            {
                client.letGo = true;
                going.push_back(client.peer);
            }
        }
        for (Peer *peer : going)
        {
            peer->close();
        }
    }

    void forgetRemotes(const std::function<bool(const std::string &)> &gone)
    {
        for (auto it = remotes.begin(); it != remotes.end();)
        {
            if (gone(it->first.first))
            {
                hub.leave(*it->second);
                it = remotes.erase(it);
            }
            else
            {
                ++it;
            }
        }
    }

    // The client leaves the game its route carries, staying the player it said it is.
    void partGame(std::uint64_t number, Client &client)
    {
        if (client.gameRoute.empty())
        {
            hub.leaveGame(*client.peer);
        }
        else
        {
            publish(client.gameRoute, frame("part", instance, number, "", ""));
        }
    }

    // Redis is out of reach, so nobody can say where the game is carried: the client is told, and
    // let go, to come back (it reconnects by itself) once Redis is.
    void unreachable(Client &client)
    {
        client.peer->send(shared(errorMessage(
            ErrorCode::Internal, "The servers cannot reach each other just now; try again")));
        client.letGo = true;
        client.peer->close();
    }

    void receive(std::uint64_t number, std::string_view text)
    {
        const auto found = clients.find(number);
        if (found == clients.end() || found->second.letGo)
        {
            return;
        }
        Client &client = found->second;
        Peer &peer = *client.peer;
        ClientMessage message = readClientMessage(text);
        std::string route;
        if (const auto *join = std::get_if<JoinRequest>(&message))
        {
            if (validGameId(join->game))
            {
                const auto owner = holder(join->game, HOLD_MS);
                if (!owner)
                {
                    unreachable(client);
                    return;
                }
                route = routeOf(*owner);
            }
            if (route != client.gameRoute)
            {
                partGame(number, client);
                client.gameRoute = route;
            }
        }
        else if (std::holds_alternative<CreateRequest>(message))
        {
            if (!client.gameRoute.empty())
            {
                partGame(number, client);
                client.gameRoute.clear();
            }
        }
        else if (std::holds_alternative<HelloRequest>(message) ||
                 std::holds_alternative<SeekRequest>(message) ||
                 std::holds_alternative<CancelSeek>(message))
        {
            const auto owner = holder(PAIRING, 0);
            if (!owner)
            {
                unreachable(client);
                return;
            }
            route = client.pairRoute = routeOf(*owner);
        }
        else if (!std::holds_alternative<Refusal>(message))
        {
            route = client.gameRoute;
        }
        if (route.empty())
        {
            hub.handle(peer, std::move(message));
            return;
        }
        if (client.told.insert(route).second)
        {
            heard.meet(route, steadyMs());
        }
        publish(route, frame("in", instance, number, peer.address(), text));
    }

    void leave(std::uint64_t number)
    {
        const auto found = clients.find(number);
        if (found == clients.end())
        {
            return;
        }
        for (const std::string &other : found->second.told)
        {
            publish(other, frame("bye", instance, number, "", ""));
        }
        hub.leave(*found->second.peer);
        clients.erase(found);
    }

    // A message from Redis: handed here by another server, or a beat.
    void arrived(const std::string &text)
    {
        const auto frame = readFrame(text);
        const auto number = frame ? clientNumber(frame->client) : std::nullopt;
        if (!number)
        {
            log("cluster: a message from Redis that is not a server's; left alone");
            return;
        }
        const std::string from(frame->from);
        if (frame->kind == "out" || frame->kind == "close")
        {
            const auto found = clients.find(*number);
            if (found == clients.end() || found->second.letGo ||
                (found->second.gameRoute != from && found->second.pairRoute != from))
            {
                return; // gone, or moved on from that server's game
            }
            if (frame->kind == "out")
            {
                found->second.peer->send(shared(frame->body));
            }
            else
            {
                found->second.letGo = true;
                found->second.peer->close();
            }
            return;
        }
        const auto key = std::make_pair(from, *number);
        auto remote = remotes.find(key);
        if (frame->kind == "in")
        {
            if (remote == remotes.end())
            {
                remote = remotes
                             .emplace(key, std::make_unique<RemotePeer>(
                                               *this, from, *number, std::string(frame->address)))
                             .first;
            }
            if (!remote->second->closed())
            {
                hub.receive(*remote->second, frame->body);
            }
        }
        else if (frame->kind == "part" && remote != remotes.end())
        {
            hub.leaveGame(*remote->second);
        }
        else if (frame->kind == "bye" && remote != remotes.end())
        {
            hub.leave(*remote->second);
            remotes.erase(remote);
        }
    }

    // A beat went out: its key renewed, or found run out (`lapsed`): then another server may have
    // taken its games (or Redis began again, empty), so none is kept here. Games are placed again
    // from then on.
    void beaten(bool lapsed)
    {
        if (lapsed)
        {
            letEveryoneGo();
            unplaced.clear(); // their makers were let go with the rest
        }
        unsure = false;
        std::vector<std::string> games;
        games.swap(unplaced);
        for (const std::string &id : games)
        {
            made(id);
        }
    }

    // A game made here is held here from the start; while Redis cannot be told, it is told later.
    void made(const std::string &id)
    {
        if (!holder(id, HOLD_MS))
        {
            unplaced.push_back(id);
        }
    }

    void letEveryoneGo()
    {
        log("cluster: this server's hold on its games ran out; every client reconnects");
        std::vector<Peer *> everyone;
        for (auto &[number, client] : clients)
        {
            if (!client.letGo)
            {
                client.letGo = true;
                everyone.push_back(client.peer);
            }
        }
        for (Peer *peer : everyone)
        {
            peer->close();
        }
        forgetRemotes([](const std::string &) { return true; });
    }

    // Each second: this server's live games for the others' lists, and its holds renewed.
    void beat()
    {
        ++beats;
        std::string live = liveJson(hub.liveGames());
        live.insert(1, "\"at\":" + std::to_string(wallMs()) + ",");
        append({"HSET", LIVE, instance, live});
        if (beats % RENEW_EVERY_BEATS == 0)
        {
            const std::string life = std::to_string(HOLD_MS);
            for (const std::string &id : hub.heldGames())
            {
                append({"PEXPIRE", OWNER + id, life});
            }
        }
    }

    void tick()
    {
        const std::int64_t now = steadyMs();
        if (now - lastBeatMs >= BEAT_MS)
        {
            lastBeatMs = now;
            beat();
        }
        // The servers gone silent: the clients handed to them reconnect (and come to a server
        // that takes their games), and theirs carried here are forgotten.
        const auto gone = [&](const std::string &other) { return heard.silent(other, now); };
        letGoHandedOn(gone);
        forgetRemotes(gone);
    }

    std::vector<LiveGame> liveGames()
    {
        std::vector<LiveGame> games = hub.liveGames();
        Reply all = command({"HGETALL", LIVE});
        if (!all || all->type != REDIS_REPLY_ARRAY)
        {
            return games;
        }
        const std::int64_t now = wallMs();
        for (std::size_t i = 0; i + 1 < all->elements; i += 2)
        {
            const redisReply *name = all->element[i];
            const redisReply *value = all->element[i + 1];
            if (name->type != REDIS_REPLY_STRING || value->type != REDIS_REPLY_STRING)
            {
                continue;
            }
            const std::string other(name->str, name->len);
            if (other == instance)
            {
                continue;
            }
            const std::string_view text(value->str, value->len);
            const nlohmann::json at =
                nlohmann::json::parse(text, nullptr, false).value("at", nlohmann::json());
            if (!at.is_number_integer() || now - at.get<std::int64_t>() > LIVE_FRESH_MS)
            {
                append({"HDEL", LIVE, other}); // a server that stopped without a word
                continue;
            }
            for (LiveGame &game : liveGamesOf(text))
            {
                games.push_back(std::move(game));
            }
        }
        return games;
    }
};

namespace
{

// The listener's thread: Redis's messages for this server, each handed to the loop, until the
// server stops; a lost connection is made again.
void listenToRedis(std::weak_ptr<Cluster::State> weak, net::io_context &io, std::string address,
                   std::string instance, std::atomic<bool> &stopping, std::atomic<int> &listening,
                   Heard &heard, std::promise<std::string> started)
{
    bool told = false;
    const std::string channel = TO + instance;
    while (!stopping)
    {
        std::string why;
        try
        {
            Context context = connectTo(address, std::chrono::milliseconds(2000));
            // Every server beats each second, this one too: five seconds without a word is a
            // connection gone.
            redisSetTimeout(context.get(), timeval{5, 0});
            listening = context->fd;
            if (stopping)
            {
                break;
            }
            Reply subscribed(static_cast<redisReply *>(
                redisCommand(context.get(), "SUBSCRIBE %b %b", channel.data(), channel.size(),
                             BEATS.data(), BEATS.size())));
            if (!subscribed || subscribed->type == REDIS_REPLY_ERROR)
            {
                throw ClusterError("Redis refused the subscription");
            }
            if (!told)
            {
                started.set_value("");
                told = true;
            }
            while (!stopping)
            {
                void *answer = nullptr;
                if (redisGetReply(context.get(), &answer) != REDIS_OK)
                {
                    break;
                }
                Reply reply(static_cast<redisReply *>(answer));
                if (reply->type != REDIS_REPLY_ARRAY || reply->elements != 3 ||
                    reply->element[0]->type != REDIS_REPLY_STRING ||
                    std::string_view(reply->element[0]->str, reply->element[0]->len) != "message")
                {
                    continue;
                }
                const std::string_view from(reply->element[1]->str, reply->element[1]->len);
                std::string text(reply->element[2]->str, reply->element[2]->len);
                if (from == BEATS)
                {
                    heard.at(text, steadyMs());
                    continue;
                }
                if (const auto frame = readFrame(text))
                {
                    heard.at(std::string(frame->from), steadyMs());
                }
                net::post(io,
                          [weak, text = std::move(text)]
                          {
                              if (auto state = weak.lock())
                              {
                                  state->arrived(text);
                              }
                          });
            }
            why = context->errstr;
            listening = -1;
        }
        catch (const ClusterError &error)
        {
            why = error.what();
        }
        if (!told)
        {
            started.set_value(why.empty() ? std::string("Redis did not answer") : why);
            return; // the server does not start
        }
        if (stopping)
        {
            break;
        }
        net::post(io,
                  [weak, why]
                  {
                      if (auto state = weak.lock())
                      {
                          state->lost("listening to Redis failed (" + why + ")");
                      }
                  });
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
}

// The beat's thread: each second this server's key renewed and its beat published, on a
// connection of its own, so that a loop busy with its games never looks like a server gone. A key
// found run out is handed to the loop (State::lapsed).
void beatForever(std::weak_ptr<Cluster::State> weak, net::io_context &io, std::string address,
                 std::string instance, std::atomic<bool> &stopping, std::mutex &mutex,
                 std::condition_variable &wake)
{
    Context context;
    const std::string key = ALIVE + instance;
    const std::string life = std::to_string(Cluster::SILENCE_MS);
    while (!stopping)
    {
        try
        {
            if (!context)
            {
                context = connectTo(address, std::chrono::milliseconds(1000));
            }
            Reply alive(static_cast<redisReply *>(redisCommand(context.get(), "EVAL %s 1 %b %b",
                                                               KEEP_ALIVE, key.data(), key.size(),
                                                               life.data(), life.size())));
            Reply beat(alive ? static_cast<redisReply *>(
                                   redisCommand(context.get(), "PUBLISH %b %b", BEATS.data(),
                                                BEATS.size(), instance.data(), instance.size()))
                             : nullptr);
            if (!alive || !beat)
            {
                context.reset(); // made again at the next beat; the listener tells the loop
            }
            else
            {
                const bool lapsed = alive->type == REDIS_REPLY_INTEGER && alive->integer == 0;
                net::post(io,
                          [weak, lapsed]
                          {
                              if (auto state = weak.lock())
                              {
                                  state->beaten(lapsed);
                              }
                          });
            }
        }
        catch (const ClusterError &)
        {
            context.reset();
        }
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait_for(lock, std::chrono::milliseconds(Cluster::BEAT_MS),
                      [&] { return stopping.load(); });
    }
}

} // namespace

Cluster::Cluster(net::io_context &io, Hub &hub, const std::string &address, const std::string &name,
                 LogLine log)
    : state_(std::make_shared<State>(io, hub, address, name + "." + newSecret().substr(0, 8),
                                     std::move(log)))
{
    state_->commands = connectTo(address, std::chrono::milliseconds(2000));
    if (!state_->command({"SET", ALIVE + state_->instance, "1", "PX", std::to_string(SILENCE_MS)}))
    {
        throw ClusterError("Redis at " + address + " does not take this server's beat");
    }
    state_->lastBeatMs = steadyMs();
    std::weak_ptr<State> weak = state_;
    hub.onGameMade(
        [weak](const std::string &id)
        {
            if (auto state = weak.lock())
            {
                state->made(id); // nobody else knows the id yet
            }
        });
    // Its channel is listened to before anyone may hand it anything.
    std::promise<std::string> started;
    std::future<std::string> listening = started.get_future();
    state_->listener = std::thread(listenToRedis, weak, std::ref(io), address, state_->instance,
                                   std::ref(state_->stopping), std::ref(state_->listening),
                                   std::ref(state_->heard), std::move(started));
    if (listening.wait_for(std::chrono::seconds(5)) != std::future_status::ready)
    {
        stop();
        throw ClusterError("Redis at " + address + " did not take the subscription in time");
    }
    if (const std::string why = listening.get(); !why.empty())
    {
        stop();
        throw ClusterError("listening to Redis at " + address + ": " + why);
    }
    state_->beater = std::thread(beatForever, weak, std::ref(io), address, state_->instance,
                                 std::ref(state_->stopping), std::ref(state_->beaterMutex),
                                 std::ref(state_->beaterWake));
    state_->log("cluster: " + state_->instance + " on Redis at " + address);
}

Cluster::~Cluster()
{
    stop();
}

std::uint64_t Cluster::open(Peer &peer)
{
    const std::uint64_t number = state_->nextClient++;
    state_->clients.emplace(number, State::Client{&peer, "", "", {}, false});
    return number;
}

void Cluster::receive(std::uint64_t client, std::string_view text)
{
    state_->receive(client, text);
}

void Cluster::leave(std::uint64_t client)
{
    state_->leave(client);
}

void Cluster::tick()
{
    state_->tick();
}

std::vector<LiveGame> Cluster::liveGames()
{
    return state_->liveGames();
}

const std::string &Cluster::instance() const
{
    return state_->instance;
}

void Cluster::stop()
{
    if (!state_->listener.joinable())
    {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(state_->beaterMutex);
        state_->stopping = true;
    }
    state_->beaterWake.notify_all();
    if (state_->beater.joinable())
    {
        state_->beater.join();
    }
    const int socket = state_->listening.load();
    if (socket >= 0)
    {
        ::shutdown(socket, SHUT_RDWR);
    }
    state_->listener.join();
    // Stopped cleanly: the others may take its games at once.
    state_->command({"DEL", ALIVE + state_->instance});
    state_->command({"HDEL", LIVE, state_->instance});
}
