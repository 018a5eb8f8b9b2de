// The games a server holds and what each client's message does to them: making a game under a
// rule and an opening, taking a seat or watching, moves and swap2 choices judged by the game's
// core::Game and stored before anyone hears of them, a move taken back when one player asks
// and the other allows it, a resignation, a draw one offers and the other agrees to, and a
// rematch with the colours swapped. Knows nothing of sockets: a connection is a Peer, which the network
// code implements and the hub sends to. Single-threaded: every call comes from the server's one
// event loop.
#pragma once

#include "server/messages.h"
#include "server/store.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Milliseconds since the epoch; the tests bring a clock of their own.
using Clock = std::function<std::int64_t()>;
// Writes one line to the server's log. Nothing secret is ever handed to it.
using LogLine = std::function<void(std::string_view)>;

struct Room;

// One connection as the games see it.
class Peer
{
public:
    explicit Peer(std::string address) : address_(std::move(address)) {}
    virtual ~Peer() = default;
    Peer(const Peer &) = delete;
    Peer &operator=(const Peer &) = delete;

    // Queues a message for the client. Must not call back into the hub.
    virtual void send(const std::shared_ptr<const std::string> &message) = 0;
    // Sends what is queued, then closes the connection; no message of it reaches the hub after.
    virtual void close() = 0;

    // Where the connection comes from: what limits count by.
    const std::string &address() const { return address_; }
    bool watching() const { return seat_ < 0; }

private:
    friend class Hub;
    std::string address_;
    Room *room_ = nullptr;
    int seat_ = -1; // 0: the creator's seat, 1: the second player's, -1: watching
    int badJson_ = 0;
    std::optional<StoredPlayer> player_; // the player it said it is (hello), if any
};

struct HubLimits
{
    // Games one address may make in an hour (refilled evenly over the hour); 0: no limit.
    int gamesPerAddressPerHour = 100;
    // Malformed messages a connection may send before it is closed.
    int badJsonBeforeClose = 3;
    // Players one address may make in an hour, and seeks it may send; 0: no limit.
    int playersPerAddressPerHour = 20;
    int seeksPerAddressPerHour = 600;
    // Servers that share the store (and Redis): a game of any server's name may be carried here,
    // and a restart gives back to the clocks only a stop of them all.
    bool sharedStore = false;
};

// A game being played now, for the list of live games.
struct LiveGame
{
    std::string id;
    core::Rule rule = core::Rule::Freestyle;
    core::TimeControl control;
    int moves = 0;
    int watchers = 0;
    std::optional<std::array<PlayerView, 2>> players; // black's and white's, in a paired game
};

class Hub
{
public:
    // `publicUrl`: the page's address for the links to games (--public-url), or empty: the page
    // then makes them from the address it was loaded from.
    Hub(std::string name, Store &store, Clock clock, LogLine log, HubLimits limits = {},
        std::string publicUrl = {});
    ~Hub();
    Hub(const Hub &) = delete;
    Hub &operator=(const Hub &) = delete;

    // One text message from a connection, as it arrived.
    void receive(Peer &peer, std::string_view text);
    // ... and once read.
    void handle(Peer &peer, ClientMessage message);
    // The connection leaves the game it is in, if any, and stays the player it said it is.
    void leaveGame(Peer &peer) { detach(peer); }
    // Called with the id of each game made here (a create), before anyone hears of it.
    void onGameMade(std::function<void(const std::string &)> made) { made_ = std::move(made); }
    // Refuses a message that the network layer could not take (too large, too many), without
    // reading it; `close`: the connection is closed after the error.
    void refuse(Peer &peer, ErrorCode code, std::string_view text, bool close);
    // The connection is gone; the hub forgets it.
    void leave(Peer &peer);

    // Expires old games (Store::sweep); those in play are told and let go.
    void sweep();
    // Ends the games held whose side to move has run out of time, and keeps the heartbeat that
    // tells a restart how long the server was down. Called a few times a second.
    void tick();
    static constexpr std::int64_t BEAT_MS = 1000;
    // The players hear how many watch once the count has changed and held this long, so that a
    // crowd coming and going costs them one message, not one each.
    static constexpr std::int64_t WATCHERS_DELAY_MS = 2000;

    // Games held in memory (those with a connection).
    std::size_t gamesHeld() const { return games_.size(); }
    // The games held that are being played now, both players there or not.
    std::vector<LiveGame> liveGames() const;
    // The ids of the games held.
    std::vector<std::string> heldGames() const;
    // Seeks waiting for a stranger.
    std::size_t seeksWaiting() const { return seeks_.size(); }

private:
    struct Bucket
    {
        double tokens;
        std::int64_t at;
    };

    std::string name_;
    std::string publicUrl_;
    Store &store_;
    Clock clock_;
    LogLine log_;
    HubLimits limits_;
    std::unordered_map<std::string, std::unique_ptr<Room>> games_;
    std::unordered_map<std::string, Bucket> creations_; // by address
    std::unordered_map<std::string, Bucket> newPlayers_;
    std::unordered_map<std::string, Bucket> seekRequests_;
    // A player's wish for a game with a stranger, waiting for one that fits.
    struct Seek
    {
        Peer *peer;
        SeekRequest request;
        double rating;
        int abandoned;
        std::int64_t sinceMs;
    };
    std::vector<Seek> seeks_;
    std::int64_t lastBeatMs_ = 0;
    std::function<void(const std::string &)> made_;
    // The span the server was down before this start, given back to the clocks; none at the
    // first start.
    std::optional<core::Pause> restart_;

    std::int64_t seconds() const { return clock_() / 1000; }
    // Ends the game on time if its side to move has run out, stored first, then told to all
    // (and `peer`, whose move came too late, told why). True when the clock had run out.
    bool flagIfOut(Room &room, Peer *peer);
    void watchersChanged(Room &room);
    // The link to a game the page is to offer: empty without a public address.
    std::string linkTo(const std::string &id) const;
    void create(Peer &peer, const CreateRequest &request);
    void join(Peer &peer, const JoinRequest &request);
    void move(Peer &peer, const MoveRequest &request);
    void askUndo(Peer &peer, const UndoRequest &request);
    void answerUndo(Peer &peer, const UndoAnswer &answer);
    void choose(Peer &peer, const ChooseRequest &request);
    void resign(Peer &peer);
    void offerDraw(Peer &peer, const DrawOffer &offer);
    void answerDraw(Peer &peer, const DrawAnswer &answer);
    void rematch(Peer &peer);
    void hello(Peer &peer, const HelloRequest &request);
    void seek(Peer &peer, const SeekRequest &request);
    // Takes back the peer's seek; false when it had none.
    bool cancelSeek(Peer &peer);
    // Moves a finished rated game's ratings, once, before anyone hears of the end.
    void rateIfOver(Room &room);
    // Takes one from the address's allowance of `perHour`, refilled evenly; false when none is
    // left.
    bool mayAgain(std::unordered_map<std::string, Bucket> &buckets, const std::string &address,
                  int perHour);
    // The rematch's secret of the peer's seat, sent to it; nothing for a watcher.
    void sendRematched(Peer &peer, const Room &room);
    // The game the peer plays in, once both seats are taken and while it goes on; none, and the
    // peer told why, otherwise.
    Room *roomInPlay(Peer &peer);
    // Stores a change; false once it has told the peer that the store failed.
    bool stored(Peer &peer, const std::function<void()> &write);
    // The game the peer holds a seat in; none, and the peer told why, when it is watching or in
    // no game.
    Room *playerRoom(Peer &peer);
    // Whether a request made at `n` stones is for the board of `stones`; the peer is told if not.
    bool sameCount(Peer &peer, int stones, int n);
    void fail(Peer &peer, ErrorCode code, std::string_view text);
    Room *find(Peer &peer, const std::string &id);
    void attach(Peer &peer, Room &room, int seat);
    void detach(Peer &peer);
    void sendState(Peer &peer, const Room &room);
    void broadcastStates(const Room &room, const Peer *except);
    void broadcastPresence(const Room &room, const Peer *except);
};
