// The games: seats, colours, presence, moves through the referee, and the store written before
// any answer goes out.
#include "server/hub.h"

#include "server/ids.h"

#include <algorithm>
#include <array>

// One game in play: its referee, its seats and the connections in it.
struct Game
{
    std::string id;
    std::array<std::string, 2> secrets; // seat A's, seat B's; empty while nobody holds it
    int blackSeat = -1;                 // the seat that plays black; -1 before the draw
    Referee referee;
    std::vector<Peer *> peers;
    std::array<int, 2> connected{}; // connections on each seat
    // A request to take back a move: the seat that asked and waits for the other's answer, or
    // -1; and for each seat, the stones on the board when the other last refused it, so that
    // nobody asks again and again before the game has moved on. Neither is stored: after a
    // restart a player simply asks again.
    int undoSeat = -1;
    std::array<int, 2> refusedAt{-1, -1};

    Role roleOf(int seat) const
    {
        if (seat < 0)
        {
            return Role::Watcher;
        }
        if (blackSeat < 0)
        {
            return Role::Waiting;
        }
        return seat == blackSeat ? Role::Black : Role::White;
    }

    Presence presenceOf(int seat) const
    {
        if (blackSeat < 0)
        {
            return Presence::Empty; // nobody holds a colour before the draw
        }
        return connected[seat] > 0 ? Presence::Present : Presence::Away;
    }
};

namespace
{

std::shared_ptr<const std::string> share(std::string text)
{
    return std::make_shared<const std::string>(std::move(text));
}

// The game as a state message to `seat` tells it.
GameView viewOf(const Game &game, int seat)
{
    std::optional<Referee::Side> undo;
    if (game.undoSeat >= 0)
    {
        undo = game.undoSeat == game.blackSeat ? Referee::Side::Black : Referee::Side::White;
    }
    return GameView{game.id,
                    &game.referee.moves(),
                    game.roleOf(seat),
                    game.presenceOf(game.blackSeat < 0 ? 0 : game.blackSeat),
                    game.presenceOf(game.blackSeat < 0 ? 1 : 1 - game.blackSeat),
                    game.referee.over(),
                    game.referee.winner(),
                    &game.referee.five(),
                    undo};
}

constexpr std::string_view STORE_FAILED = "The server could not store that; try again";

} // namespace

Hub::Hub(std::string name, Store &store, Clock clock, LogLine log, HubLimits limits)
    : name_(std::move(name)), store_(store), clock_(std::move(clock)), log_(std::move(log)),
      limits_(limits)
{
}

Hub::~Hub() = default;

void Hub::receive(Peer &peer, std::string_view text)
{
    ClientMessage message = readClientMessage(text);
    if (const auto *refusal = std::get_if<Refusal>(&message))
    {
        const bool close =
            refusal->code == ErrorCode::TooLarge ||
            (refusal->code == ErrorCode::BadJson && ++peer.badJson_ >= limits_.badJsonBeforeClose);
        refuse(peer, refusal->code, refusal->message, close);
    }
    else if (std::holds_alternative<CreateRequest>(message))
    {
        create(peer);
    }
    else if (const auto *join = std::get_if<JoinRequest>(&message))
    {
        this->join(peer, *join);
    }
    else if (const auto *request = std::get_if<UndoRequest>(&message))
    {
        askUndo(peer, *request);
    }
    else if (const auto *answer = std::get_if<UndoAnswer>(&message))
    {
        answerUndo(peer, *answer);
    }
    else
    {
        move(peer, std::get<MoveRequest>(message));
    }
}

void Hub::refuse(Peer &peer, ErrorCode code, std::string_view text, bool close)
{
    fail(peer, code, text);
    if (close)
    {
        log_("closing a connection from " + peer.address() + ": " + std::string(codeName(code)));
        detach(peer);
        peer.close();
    }
}

void Hub::fail(Peer &peer, ErrorCode code, std::string_view text)
{
    peer.send(share(errorMessage(code, text)));
}

void Hub::leave(Peer &peer)
{
    detach(peer);
}

bool Hub::mayCreate(const std::string &address)
{
    const int perHour = limits_.gamesPerAddressPerHour;
    if (perHour <= 0)
    {
        return true;
    }
    const std::int64_t now = clock_();
    auto [it, made] = creations_.try_emplace(address, Bucket{double(perHour), now});
    Bucket &bucket = it->second;
    if (!made)
    {
        const double refill = double(std::max<std::int64_t>(now - bucket.at, 0)) * perHour / 3600.0;
        bucket.tokens = std::min(double(perHour), bucket.tokens + refill);
        bucket.at = now;
    }
    if (bucket.tokens < 1.0)
    {
        return false;
    }
    bucket.tokens -= 1.0;
    return true;
}

void Hub::create(Peer &peer)
{
    if (!mayCreate(peer.address()))
    {
        log_("refused a new game to " + peer.address() + ": too many games from it this hour");
        fail(peer, ErrorCode::TooManyGames,
             "Too many games made from your address; try again in an hour");
        return;
    }
    auto game = std::make_unique<Game>();
    game->id = newGameId(name_);
    game->secrets[0] = newSecret();
    try
    {
        store_.addGame(game->id, game->secrets[0], clock_());
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        fail(peer, ErrorCode::Internal, STORE_FAILED);
        return;
    }
    detach(peer);
    Game &made = *game;
    games_.emplace(made.id, std::move(game));
    log_("game " + made.id + " made by " + peer.address());
    attach(peer, made, 0);
    peer.send(share(createdMessage(made.id, made.secrets[0])));
    sendState(peer, made);
}

Game *Hub::find(Peer &peer, const std::string &id)
{
    if (serverNameOf(id) != name_)
    {
        fail(peer, ErrorCode::NoSuchGame, "No such game on this server (" + name_ + ")");
        return nullptr;
    }
    if (auto it = games_.find(id); it != games_.end())
    {
        return it->second.get();
    }
    StoredGame stored;
    Lookup lookup = Lookup::Missing;
    try
    {
        lookup = store_.load(id, stored);
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        fail(peer, ErrorCode::Internal, STORE_FAILED);
        return nullptr;
    }
    if (lookup == Lookup::Missing)
    {
        fail(peer, ErrorCode::NoSuchGame, "No such game: check the link");
        return nullptr;
    }
    if (lookup == Lookup::Expired)
    {
        fail(peer, ErrorCode::Expired, "This game has expired; its moves are no longer kept");
        return nullptr;
    }
    // The game comes back as it stood: its moves replayed through the referee, black first.
    auto game = std::make_unique<Game>();
    game->id = id;
    game->secrets[0] = std::move(stored.secretA);
    game->secrets[1] = stored.secretB.value_or("");
    game->blackSeat = stored.blackSeat.value_or(-1);
    for (Referee::Point p : stored.moves)
    {
        const auto side = game->referee.toMove();
        if (game->referee.play(side, p.row, p.col) != Referee::Verdict::Placed)
        {
            log_("store: game " + id + " holds a move the rules refuse; it stops before it");
            break;
        }
    }
    // A request to take back a move comes back as long as no move has answered it.
    const auto &undo = stored.undo;
    if (undo && (undo->seat == 0 || undo->seat == 1) && game->blackSeat >= 0 &&
        !game->referee.over() && undo->stones == int(game->referee.moves().size()))
    {
        game->undoSeat = undo->seat;
    }
    game->refusedAt = stored.refusedAt; // a move since makes a refusal stale
    Game *found = game.get();
    games_.emplace(id, std::move(game));
    return found;
}

void Hub::join(Peer &peer, const JoinRequest &request)
{
    Game *game = find(peer, request.game);
    if (game == nullptr)
    {
        return;
    }
    int seat = -1;
    std::optional<std::string> given;
    if (request.secret)
    {
        for (int s : {0, 1})
        {
            if (!game->secrets[s].empty() && sameSecret(*request.secret, game->secrets[s]))
            {
                seat = s;
            }
        }
        if (seat < 0)
        {
            fail(peer, ErrorCode::BadField, "That secret holds no seat in this game");
            if (game->peers.empty())
            {
                games_.erase(game->id);
            }
            return;
        }
        given = game->secrets[seat];
    }
    else if (game->secrets[1].empty())
    {
        // The second player: a seat and a secret of their own, and the colours drawn.
        std::string secret = newSecret();
        const int blackSeat = randomBit() ? 1 : 0;
        try
        {
            store_.takeSecondSeat(game->id, secret, blackSeat, clock_());
        }
        catch (const StoreError &error)
        {
            log_(std::string("store: ") + error.what());
            fail(peer, ErrorCode::Internal, STORE_FAILED);
            return;
        }
        game->secrets[1] = std::move(secret);
        game->blackSeat = blackSeat;
        seat = 1;
        given = game->secrets[1];
        log_("game " + game->id + " joined from " + peer.address() + ": colours drawn");
    }
    const bool drawnNow = seat == 1 && !request.secret;
    const std::array<Presence, 2> before{game->presenceOf(0), game->presenceOf(1)};
    if (peer.game_ == game)
    {
        // The same connection again, perhaps for another seat: the seat is all that changes.
        if (peer.seat_ >= 0)
        {
            --game->connected[peer.seat_];
        }
        peer.seat_ = seat;
        if (seat >= 0)
        {
            ++game->connected[seat];
        }
    }
    else
    {
        detach(peer);
        attach(peer, *game, seat);
    }
    peer.send(share(joinedMessage(game->id, game->roleOf(seat), given)));
    sendState(peer, *game);
    if (drawnNow)
    {
        broadcastStates(*game, &peer);
    }
    else if (before != std::array<Presence, 2>{game->presenceOf(0), game->presenceOf(1)})
    {
        broadcastPresence(*game, &peer);
    }
}

void Hub::move(Peer &peer, const MoveRequest &request)
{
    Game *game = playerGame(peer);
    if (game == nullptr)
    {
        return;
    }
    if (game->blackSeat < 0)
    {
        fail(peer, ErrorCode::NotYourTurn, "The other player has not joined yet");
        return;
    }
    Referee &referee = game->referee;
    if (referee.over())
    {
        fail(peer, ErrorCode::GameOver, "The game is over");
        return;
    }
    const int stones = static_cast<int>(referee.moves().size());
    if (!sameCount(peer, stones, request.n))
    {
        return;
    }
    const auto side = peer.seat_ == game->blackSeat ? Referee::Side::Black : Referee::Side::White;
    switch (referee.judge(side, request.row, request.col))
    {
    case Referee::Verdict::Placed:
        break;
    case Referee::Verdict::GameOver:
        fail(peer, ErrorCode::GameOver, "The game is over");
        return;
    case Referee::Verdict::NotYourTurn:
        fail(peer, ErrorCode::NotYourTurn, "It is the other player's move");
        return;
    case Referee::Verdict::OffBoard:
        fail(peer, ErrorCode::OffBoard, "Rows and columns run from 0 to 17");
        return;
    case Referee::Verdict::Occupied:
        fail(peer, ErrorCode::Occupied, "There is a stone on that point");
        return;
    }
    // Stored first: nobody hears of a move that a crash could take back.
    Referee next = referee;
    next.play(side, request.row, request.col);
    const Referee::Point point = next.moves().back();
    try
    {
        store_.addMove(game->id, stones, point, next.over(), clock_());
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        fail(peer, ErrorCode::Internal, STORE_FAILED);
        return;
    }
    referee = std::move(next);
    game->undoSeat = -1; // a move answers any request to take back: the game has gone on
    const auto moved = share(movedMessage(stones, point, side));
    for (Peer *p : game->peers)
    {
        p->send(moved);
    }
    if (referee.over())
    {
        log_("game " + game->id + " over after " + std::to_string(stones + 1) + " moves: " +
             (referee.winner() ? std::string(colourName(*referee.winner())) + " won" : "drawn"));
        broadcastStates(*game, nullptr);
    }
}

Game *Hub::playerGame(Peer &peer)
{
    if (peer.game_ == nullptr || peer.seat_ < 0)
    {
        fail(peer, ErrorCode::NotAPlayer,
             peer.game_ == nullptr ? "Join a game first" : "Watchers only watch");
        return nullptr;
    }
    return peer.game_;
}

bool Hub::sameCount(Peer &peer, int stones, int n)
{
    if (n != stones)
    {
        fail(peer, ErrorCode::Stale,
             "The board has " + std::to_string(stones) + " stones, not " + std::to_string(n));
    }
    return n == stones;
}

Referee::Side Hub::sideOf(const Game &game, int seat)
{
    return seat == game.blackSeat ? Referee::Side::Black : Referee::Side::White;
}

void Hub::askUndo(Peer &peer, const UndoRequest &request)
{
    Game *game = playerGame(peer);
    if (game == nullptr)
    {
        return;
    }
    const int stones = static_cast<int>(game->referee.moves().size());
    if (game->referee.over())
    {
        fail(peer, ErrorCode::GameOver, "The game is over");
        return;
    }
    if (!sameCount(peer, stones, request.n))
    {
        return;
    }
    const int mine = game->blackSeat < 0 ? 0 : (stones + 1 - int(sideOf(*game, peer.seat_))) / 2;
    if (mine == 0)
    {
        fail(peer, ErrorCode::NothingToUndo, "You have no stone on the board to take back");
    }
    else if (game->undoSeat >= 0)
    {
        fail(peer, ErrorCode::UndoPending,
             game->undoSeat == peer.seat_
                 ? "You have asked already; the other player has not answered"
                 : "The other player has asked first: answer them");
    }
    else if (game->refusedAt[peer.seat_] == stones)
    {
        fail(peer, ErrorCode::UndoRefused,
             "The other player refused; ask again once the game has moved on");
    }
    else if (storeUndo(peer,
                       [&] {
                           store_.setUndo(game->id, StoredGame::Undo{peer.seat_, stones});
                       }))
    {
        game->undoSeat = peer.seat_;
        broadcastStates(*game, nullptr);
    }
}

bool Hub::storeUndo(Peer &peer, const std::function<void()> &write)
{
    try
    {
        write();
        return true;
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        fail(peer, ErrorCode::Internal, STORE_FAILED);
        return false;
    }
}

void Hub::answerUndo(Peer &peer, const UndoAnswer &answer)
{
    Game *game = playerGame(peer);
    if (game == nullptr)
    {
        return;
    }
    const int asker = game->undoSeat;
    const auto &moves = game->referee.moves();
    const int stones = static_cast<int>(moves.size());
    if (asker < 0 || asker == peer.seat_)
    {
        fail(peer, ErrorCode::NoUndoAsked, "The other player has not asked to take back a move");
        return;
    }
    if (!sameCount(peer, stones, answer.n))
    {
        return;
    }
    if (!answer.accept)
    {
        if (!storeUndo(peer, [&] { store_.refuseUndo(game->id, StoredGame::Undo{asker, stones}); }))
        {
            return; // still asked: the answer may be given again
        }
        game->undoSeat = -1;
        game->refusedAt[asker] = stones;
        broadcastStates(*game, nullptr);
        return;
    }
    // Back to the asker's turn: their last stone goes, and the other's reply after it if any.
    const int keep = (stones - 1) % 2 == int(sideOf(*game, asker)) ? stones - 1 : stones - 2;
    try
    {
        store_.takeBack(game->id, keep, clock_());
        game->undoSeat = -1;
    }
    catch (const StoreError &error)
    {
        // Still asked: the answer may be given again.
        log_(std::string("store: ") + error.what());
        fail(peer, ErrorCode::Internal, STORE_FAILED);
        return;
    }
    Referee replayed;
    for (int i = 0; i < keep; ++i)
    {
        replayed.play(replayed.toMove(), moves[i].row, moves[i].col);
    }
    game->referee = std::move(replayed);
    game->refusedAt = {-1, -1};
    log_("game " + game->id + ": " + std::to_string(stones - keep) + " moves taken back, " +
         std::to_string(keep) + " left");
    broadcastStates(*game, nullptr);
}

void Hub::attach(Peer &peer, Game &game, int seat)
{
    peer.game_ = &game;
    peer.seat_ = seat;
    game.peers.push_back(&peer);
    if (seat >= 0)
    {
        ++game.connected[seat];
    }
}

void Hub::detach(Peer &peer)
{
    Game *game = peer.game_;
    if (game == nullptr)
    {
        return;
    }
    peer.game_ = nullptr;
    std::erase(game->peers, &peer);
    const int seat = peer.seat_;
    peer.seat_ = -1;
    if (game->peers.empty())
    {
        // Nobody left to tell: the game lives on in the store alone until someone comes back.
        games_.erase(game->id);
        return;
    }
    if (seat >= 0 && --game->connected[seat] == 0 && game->blackSeat >= 0)
    {
        broadcastPresence(*game, nullptr);
    }
}

void Hub::sendState(Peer &peer, const Game &game)
{
    peer.send(share(stateMessage(viewOf(game, peer.seat_))));
}

void Hub::broadcastStates(const Game &game, const Peer *except)
{
    // Each role's state is written once, whoever many hold it.
    std::array<std::shared_ptr<const std::string>, 4> byRole;
    for (Peer *p : game.peers)
    {
        if (p == except)
        {
            continue;
        }
        auto &text = byRole[static_cast<std::size_t>(game.roleOf(p->seat_))];
        if (!text)
        {
            text = share(stateMessage(viewOf(game, p->seat_)));
        }
        p->send(text);
    }
}

void Hub::broadcastPresence(const Game &game, const Peer *except)
{
    const auto text = share(
        presenceMessage(game.presenceOf(game.blackSeat), game.presenceOf(1 - game.blackSeat)));
    for (Peer *p : game.peers)
    {
        if (p != except)
        {
            p->send(text);
        }
    }
}

void Hub::sweep()
{
    std::vector<std::string> expired;
    try
    {
        expired = store_.sweep(clock_());
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        return;
    }
    for (const std::string &id : expired)
    {
        auto it = games_.find(id);
        if (it == games_.end())
        {
            continue;
        }
        const auto text = share(errorMessage(ErrorCode::Expired, "This game has expired"));
        for (Peer *p : it->second->peers)
        {
            p->send(text);
            p->game_ = nullptr;
            p->seat_ = -1;
        }
        games_.erase(it);
    }
    // An address whose allowance has filled up again needs no entry.
    const std::int64_t now = clock_();
    std::erase_if(creations_, [&](const auto &entry) { return now - entry.second.at >= 3600; });
    if (!expired.empty())
    {
        log_("swept " + std::to_string(expired.size()) + " expired games");
    }
}
