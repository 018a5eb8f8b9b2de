// The games: seats, colours, presence, moves and choices through the game's core::Game, and the
// store written before any answer goes out.
#include "server/hub.h"

#include "server/ids.h"
#include "server/players.h"
#include "server/rating.h"
#include "server/names.h"

#include <algorithm>
#include <array>

using core::Colour;
using core::Swap2Choice;
using core::Swap2Step;

// One game in play: the game itself, its seats and the connections in it.
struct Room
{
    std::string id;
    std::array<std::string, 2> secrets; // seat A's, seat B's; empty while nobody holds it
    // The first player's seat, who opens (black's first stone, and with swap2 the first three);
    // -1 before the draw. Which colour each seat plays follows from it and the swap2 choices.
    int firstSeat = -1;
    core::Game game;
    std::vector<Peer *> peers;
    std::array<int, 2> connected{}; // connections on each seat
    // A request to take back a move: the seat that asked and waits for the other's answer, or
    // -1; and for each seat, the stones on the board when the other last refused it, so that
    // nobody asks again and again before the game has moved on. Both are stored.
    int undoSeat = -1;
    std::array<int, 2> refusedAt{-1, -1};
    // An offer of a draw, the same way: the seat that offered, and the declined offers.
    int drawSeat = -1;
    std::array<int, 2> drawRefusedAt{-1, -1};
    // After the game: the seat that offered a rematch, or -1, and the rematch once it is made.
    int rematchSeat = -1;
    std::string next;
    // The clocks: the time control, when black's began to run (the second player's arrival),
    // each move's time and the spans they stood still, all stored; milliseconds since the epoch.
    core::TimeControl control;
    std::int64_t clockStartMs = 0;
    std::vector<std::int64_t> moveMs;
    std::vector<core::Pause> pauses;
    std::int64_t stoppedMs = 0; // what the server's last restart gave back to the clocks
    // A paired game's players by seat (ids empty in a game by link), as others see them, and
    // whether it is rated: 0 no, 1 yes, 2 yes and its ratings have been moved.
    std::array<std::string, 2> playerIds;
    std::array<PlayerView, 2> players;
    int rated = 0;
    // The watchers the players were last told of, and since when the count has changed (-1: it
    // has not): the players hear of it once it has held for a moment.
    int watchersTold = 0;
    std::int64_t watchersChangedMs = -1;

    int watchers() const
    {
        return static_cast<int>(
            std::count_if(peers.begin(), peers.end(), [](const Peer *p) { return p->watching(); }));
    }

    bool drawn() const { return firstSeat >= 0; }
    // The seat's player: 1 the first, 2 the second; 0 for a watcher or before the draw.
    int playerOf(int seat) const { return seat < 0 || !drawn() ? 0 : seat == firstSeat ? 1 : 2; }
    int seatOfPlayer(int player) const { return player == 1 ? firstSeat : 1 - firstSeat; }
    // The colour the seat plays as the choices so far have it (drawn games only).
    Colour colourOf(int seat) const { return game.colourOf(playerOf(seat)); }
    int seatOf(Colour colour) const
    {
        return game.colourOf(1) == colour ? firstSeat : 1 - firstSeat;
    }
    // The seat that acts now: during the swap2 opening the seat whose step it is, after it the
    // seat of the colour to move.
    int seatToAct() const
    {
        const int player = game.swap2Player();
        return player != 0 ? seatOfPlayer(player) : seatOf(game.toMove());
    }

    Role roleOf(int seat) const
    {
        if (seat < 0)
        {
            return Role::Watcher;
        }
        if (!drawn())
        {
            return Role::Waiting;
        }
        return colourOf(seat) == Colour::Black ? Role::Black : Role::White;
    }

    Presence presenceOf(int seat) const
    {
        if (!drawn())
        {
            return Presence::Empty; // nobody holds a colour before the draw
        }
        return connected[seat] > 0 ? Presence::Present : Presence::Away;
    }
    Presence presenceOf(Colour colour) const
    {
        return drawn() ? presenceOf(seatOf(colour)) : Presence::Empty;
    }

    // The clocks run once both players are there, until the game is over.
    bool clockRuns() const { return control.timed() && drawn() && !game.over(); }
    core::ClockReading clockAt(std::int64_t nowMs) const
    {
        return core::readClock(control, clockStartMs, moveMs, nowMs, pauses);
    }
};

namespace
{

std::shared_ptr<const std::string> share(std::string text)
{
    return std::make_shared<const std::string>(std::move(text));
}

// The clocks at `nowMs`, as the messages tell them.
std::optional<ClockView> clockView(const Room &room, std::int64_t nowMs)
{
    if (!room.control.timed())
    {
        return std::nullopt;
    }
    ClockView view{
        room.control, {room.control.mainMs, room.control.mainMs}, std::nullopt, room.stoppedMs};
    if (room.drawn())
    {
        // A game over keeps its clocks as they stood at its last move or at the flag.
        const core::ClockReading reading = room.clockAt(nowMs);
        view.remainingMs[0] = reading.remainingMs[0];
        view.remainingMs[1] = reading.remainingMs[1];
        if (room.clockRuns())
        {
            view.running = reading.toMove == 0 ? Colour::Black : Colour::White;
        }
    }
    return view;
}

// The game as a state message to `seat` tells it.
GameView viewOf(const Room &room, int seat, std::int64_t nowMs)
{
    const auto colourOfSeat = [&](int s)
    { return s >= 0 && room.drawn() ? std::optional(room.colourOf(s)) : std::nullopt; };
    return GameView{room.id,
                    &room.game,
                    room.roleOf(seat),
                    room.playerOf(seat),
                    room.presenceOf(Colour::Black),
                    room.presenceOf(Colour::White),
                    colourOfSeat(room.undoSeat),
                    colourOfSeat(room.drawSeat),
                    colourOfSeat(room.rematchSeat),
                    room.next,
                    clockView(room, nowMs),
                    room.playerIds[0].empty() || !room.drawn()
                        ? std::nullopt
                        : std::optional(std::array{room.players[room.seatOf(Colour::Black)],
                                                   room.players[room.seatOf(Colour::White)]}),
                    room.watchers()};
}

StoredGame::Choices choicesOf(const core::Game &game)
{
    return StoredGame::Choices{game.secondChoice(), game.firstChoice()};
}

// The stones the swap2 choices stand on: a take-back keeps them, so that no choice is undone.
int stonesBeforeLastChoice(const core::Game &game)
{
    if (game.firstChoice() != Swap2Choice::None)
    {
        return 5;
    }
    return game.secondChoice() != Swap2Choice::None ? 3 : 0;
}

constexpr std::string_view STORE_FAILED = "The server could not store that; try again";

} // namespace

Hub::Hub(std::string name, Store &store, Clock clock, LogLine log, HubLimits limits,
         std::string publicUrl)
    : name_(std::move(name)), publicUrl_(std::move(publicUrl)), store_(store),
      clock_(std::move(clock)), log_(std::move(log)), limits_(limits)
{
    // The clocks stood still while the server was down: the games that go on get that time back.
    try
    {
        lastBeatMs_ = clock_();
        // Servers that share the store keep its heartbeat going while one of them restarts: only
        // a stop of them all, which lets it grow old, stopped the clocks.
        restart_ = store_.resumeClocks(lastBeatMs_, limits_.sharedStore ? 3 * BEAT_MS : 0);
        if (restart_)
        {
            log_("the clocks of the games under way stood still for the " +
                 std::to_string((restart_->toMs - restart_->fromMs + 500) / 1000) +
                 " s the server was down");
        }
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
    }
}

Hub::~Hub() = default;

std::string Hub::linkTo(const std::string &id) const
{
    return publicUrl_.empty() ? std::string() : publicUrl_ + "?game=" + id;
}

void Hub::receive(Peer &peer, std::string_view text)
{
    handle(peer, readClientMessage(text));
}

void Hub::handle(Peer &peer, ClientMessage message)
{
    if (const auto *refusal = std::get_if<Refusal>(&message))
    {
        const bool close =
            refusal->code == ErrorCode::TooLarge ||
            (refusal->code == ErrorCode::BadJson && ++peer.badJson_ >= limits_.badJsonBeforeClose);
        refuse(peer, refusal->code, refusal->message, close);
    }
    else if (const auto *create = std::get_if<CreateRequest>(&message))
    {
        this->create(peer, *create);
    }
    else if (const auto *join = std::get_if<JoinRequest>(&message))
    {
        this->join(peer, *join);
    }
    else if (const auto *hello = std::get_if<HelloRequest>(&message))
    {
        this->hello(peer, *hello);
    }
    else if (const auto *seek = std::get_if<SeekRequest>(&message))
    {
        this->seek(peer, *seek);
    }
    else if (std::holds_alternative<CancelSeek>(message))
    {
        if (cancelSeek(peer))
        {
            peer.send(share(seekCancelledMessage()));
        }
    }
    else if (const auto *request = std::get_if<UndoRequest>(&message))
    {
        askUndo(peer, *request);
    }
    else if (const auto *answer = std::get_if<UndoAnswer>(&message))
    {
        answerUndo(peer, *answer);
    }
    else if (const auto *choice = std::get_if<ChooseRequest>(&message))
    {
        choose(peer, *choice);
    }
    else if (std::holds_alternative<ResignRequest>(message))
    {
        resign(peer);
    }
    else if (const auto *offer = std::get_if<DrawOffer>(&message))
    {
        offerDraw(peer, *offer);
    }
    else if (const auto *drawAnswer = std::get_if<DrawAnswer>(&message))
    {
        answerDraw(peer, *drawAnswer);
    }
    else if (std::holds_alternative<RematchRequest>(message))
    {
        rematch(peer);
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
    cancelSeek(peer);
    detach(peer);
}

void Hub::create(Peer &peer, const CreateRequest &request)
{
    if (!mayAgain(creations_, peer.address(), limits_.gamesPerAddressPerHour))
    {
        log_("refused a new game to " + peer.address() + ": too many games from it this hour");
        fail(peer, ErrorCode::TooManyGames,
             "Too many games made from your address; try again in an hour");
        return;
    }
    if (request.control.timed() && request.opening != core::Opening::Free)
    {
        fail(peer, ErrorCode::BadField, "A clock is kept only with the free opening");
        return;
    }
    auto room = std::make_unique<Room>();
    room->id = newGameId(name_);
    room->secrets[0] = newSecret();
    room->game = core::Game(request.rule, request.opening);
    room->control = request.control;
    try
    {
        store_.addGame(room->id, room->secrets[0], seconds(), request.rule, request.opening,
                       request.control);
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        fail(peer, ErrorCode::Internal, STORE_FAILED);
        return;
    }
    detach(peer);
    Room &made = *room;
    games_.emplace(made.id, std::move(room));
    if (made_)
    {
        made_(made.id);
    }
    log_("game " + made.id + " made by " + peer.address() + " (" +
         std::string(ruleName(request.rule)) + ", " + std::string(openingName(request.opening)) +
         (request.control.timed() ? ", " + core::timeControlName(request.control) : "") + ")");
    attach(peer, made, 0);
    peer.send(share(createdMessage(made.id, made.secrets[0], linkTo(made.id))));
    sendState(peer, made);
}

Room *Hub::find(Peer &peer, const std::string &id)
{
    if (!limits_.sharedStore && serverNameOf(id) != name_)
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
    // The game comes back as it stood: its moves and choices replayed under its rule.
    auto room = std::make_unique<Room>();
    room->id = id;
    room->secrets[0] = std::move(stored.secretA);
    room->secrets[1] = stored.secretB.value_or("");
    room->firstSeat = stored.firstSeat.value_or(-1);
    int refusedAt = -1;
    room->game = restored(stored, &refusedAt);
    if (refusedAt >= 0)
    {
        log_("store: game " + id + " holds a move the rules refuse; it stops before it");
    }
    // A request to take back a move comes back as long as no move has answered it.
    const auto &undo = stored.undo;
    if (undo && (undo->seat == 0 || undo->seat == 1) && room->drawn() && !room->game.over() &&
        undo->stones == int(room->game.moves().size()))
    {
        room->undoSeat = undo->seat;
    }
    room->refusedAt = stored.refusedAt; // a move since makes a refusal stale
    const auto &draw = stored.drawOffer;
    if (draw && (draw->seat == 0 || draw->seat == 1) && room->drawn() && !room->game.over() &&
        draw->stones == int(room->game.moves().size()))
    {
        room->drawSeat = draw->seat;
    }
    room->drawRefusedAt = stored.drawRefusedAt;
    if (stored.rematchSeat && (*stored.rematchSeat == 0 || *stored.rematchSeat == 1) &&
        room->game.over() && stored.next.empty())
    {
        room->rematchSeat = *stored.rematchSeat;
    }
    room->next = stored.next;
    room->control = stored.control;
    room->clockStartMs = stored.clockStartMs.value_or(0);
    room->moveMs = stored.moveMs;
    room->moveMs.resize(room->game.moves().size());
    room->pauses = stored.pauses;
    room->playerIds = stored.players;
    room->rated = stored.rated;
    for (int seat : {0, 1})
    {
        if (room->playerIds[seat].empty())
        {
            continue;
        }
        std::optional<StoredPlayer> player;
        try
        {
            player = store_.player(room->playerIds[seat]);
        }
        catch (const StoreError &error)
        {
            log_(std::string("store: ") + error.what());
        }
        room->players[seat] =
            player ? PlayerView{player->name, player->rating.rating, player->rating.deviation}
                   : PlayerView{"?", 1500, 350};
    }
    if (restart_ && room->clockRuns() &&
        std::any_of(room->pauses.begin(), room->pauses.end(),
                    [&](const core::Pause &p) { return p.fromMs == restart_->fromMs; }))
    {
        room->stoppedMs = restart_->toMs - restart_->fromMs;
    }
    Room *found = room.get();
    games_.emplace(id, std::move(room));
    return found;
}

void Hub::join(Peer &peer, const JoinRequest &request)
{
    Room *room = find(peer, request.game);
    if (room == nullptr)
    {
        return;
    }
    flagIfOut(*room, nullptr); // whoever comes is told of a clock run out first
    int seat = -1;
    std::optional<std::string> given;
    if (request.secret)
    {
        for (int s : {0, 1})
        {
            if (!room->secrets[s].empty() && sameSecret(*request.secret, room->secrets[s]))
            {
                seat = s;
            }
        }
        if (seat < 0)
        {
            fail(peer, ErrorCode::BadField, "That secret holds no seat in this game");
            if (room->peers.empty())
            {
                games_.erase(room->id);
            }
            return;
        }
        given = room->secrets[seat];
    }
    else if (room->secrets[1].empty())
    {
        // The second player: a seat and a secret of their own, and the first player drawn.
        std::string secret = newSecret();
        const int firstSeat = randomBit() ? 1 : 0;
        const std::int64_t nowMs = clock_();
        try
        {
            store_.takeSecondSeat(room->id, secret, firstSeat, seconds(), nowMs);
        }
        catch (const StoreError &error)
        {
            log_(std::string("store: ") + error.what());
            fail(peer, ErrorCode::Internal, STORE_FAILED);
            return;
        }
        room->secrets[1] = std::move(secret);
        room->firstSeat = firstSeat;
        room->clockStartMs = nowMs;
        seat = 1;
        given = room->secrets[1];
        log_("game " + room->id + " joined from " + peer.address() + ": the first player drawn");
    }
    const bool drawnNow = seat == 1 && !request.secret;
    const std::array<Presence, 2> before{room->presenceOf(0), room->presenceOf(1)};
    if (peer.room_ == room)
    {
        // The same connection again, perhaps for another seat: the seat is all that changes.
        if (peer.seat_ >= 0)
        {
            --room->connected[peer.seat_];
        }
        peer.seat_ = seat;
        if (seat >= 0)
        {
            ++room->connected[seat];
        }
    }
    else
    {
        detach(peer);
        attach(peer, *room, seat);
    }
    peer.send(share(joinedMessage(room->id, room->roleOf(seat), given, linkTo(room->id))));
    sendState(peer, *room);
    if (!room->next.empty())
    {
        sendRematched(peer, *room); // a player who was away when it was made goes on to it
    }
    if (drawnNow)
    {
        broadcastStates(*room, &peer);
    }
    else if (before != std::array<Presence, 2>{room->presenceOf(0), room->presenceOf(1)})
    {
        broadcastPresence(*room, &peer);
    }
    if (seat < 0)
    {
        watchersChanged(*room); // the players hear of one more watching, soon
    }
}

void Hub::move(Peer &peer, const MoveRequest &request)
{
    Room *room = playerRoom(peer);
    if (room == nullptr)
    {
        return;
    }
    if (!room->drawn())
    {
        fail(peer, ErrorCode::NotYourTurn, "The other player has not joined yet");
        return;
    }
    core::Game &game = room->game;
    if (game.over())
    {
        fail(peer, ErrorCode::GameOver, "The game is over");
        return;
    }
    const int stones = static_cast<int>(game.moves().size());
    if (!sameCount(peer, stones, request.n))
    {
        return;
    }
    if (room->seatToAct() != peer.seat_)
    {
        fail(peer, ErrorCode::NotYourTurn,
             game.swap2Player() != 0 ? "It is the other player's turn in the swap2 opening"
                                     : "It is the other player's move");
        return;
    }
    // The move's time is when it arrives; one that comes after its side's flag loses on time.
    const std::int64_t nowMs = clock_();
    if (flagIfOut(*room, &peer))
    {
        return;
    }
    const core::Point point = core::pointOfCell(request.row, request.col);
    switch (game.judge(point))
    {
    case core::Verdict::Placed:
        break;
    case core::Verdict::GameOver:
        fail(peer, ErrorCode::GameOver, "The game is over");
        return;
    case core::Verdict::OffBoard:
        fail(peer, ErrorCode::OffBoard, "Rows and columns run from 0 to 17");
        return;
    case core::Verdict::Occupied:
        fail(peer, ErrorCode::Occupied, "There is a stone on that point");
        return;
    case core::Verdict::Forbidden:
        fail(peer, ErrorCode::Forbidden,
             "Black may not play there under renju: " +
                 std::string(core::foulWords(game.foulAt(point))));
        return;
    }
    // Stored first: nobody hears of a move that a crash could take back. A stone at a choosing
    // step of swap2 chooses white, and the choice is stored with it.
    core::Game next = game;
    const Colour colour = next.toMove();
    next.play(point);
    const bool chose = choicesOf(next) != choicesOf(game);
    try
    {
        store_.addMove(room->id, stones, point, next.over(), seconds(), nowMs,
                       chose ? std::optional(choicesOf(next)) : std::nullopt);
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        fail(peer, ErrorCode::Internal, STORE_FAILED);
        return;
    }
    const Swap2Step stepBefore = game.swap2Step();
    game = std::move(next);
    room->moveMs.push_back(nowMs);
    room->undoSeat = -1; // a move answers any request to take back: the game has gone on
    const bool offerGone = room->drawSeat >= 0;
    room->drawSeat = -1; // and any offer of a draw
    const auto moved = share(movedMessage(stones, point, colour, clockView(*room, nowMs)));
    for (Peer *p : room->peers)
    {
        p->send(moved);
    }
    if (game.over())
    {
        rateIfOver(*room);
        const auto &winner = game.result().winner;
        log_("game " + room->id + " over after " + std::to_string(stones + 1) +
             " moves: " + (winner ? std::string(core::colourName(*winner)) + " won" : "drawn"));
    }
    // The end, a choice or a new step of the opening: everyone hears the game as it now stands.
    if (game.over() || chose || game.swap2Step() != stepBefore || offerGone)
    {
        broadcastStates(*room, nullptr);
    }
}

void Hub::choose(Peer &peer, const ChooseRequest &request)
{
    Room *room = playerRoom(peer);
    if (room == nullptr)
    {
        return;
    }
    if (!room->drawn())
    {
        fail(peer, ErrorCode::NotYourTurn, "The other player has not joined yet");
        return;
    }
    core::Game &game = room->game;
    if (game.over())
    {
        fail(peer, ErrorCode::GameOver, "The game is over");
        return;
    }
    const int stones = static_cast<int>(game.moves().size());
    if (!sameCount(peer, stones, request.n))
    {
        return;
    }
    const Swap2Step step = game.swap2Step();
    if (step != Swap2Step::SecondChoice && step != Swap2Step::FirstChoice)
    {
        fail(peer, ErrorCode::NoChoice, "No swap2 choice is asked for now");
        return;
    }
    if (room->seatToAct() != peer.seat_)
    {
        fail(peer, ErrorCode::NotYourTurn, "The choice is the other player's");
        return;
    }
    core::Game next = game;
    if (!next.choose(request.choice))
    {
        fail(peer, ErrorCode::NoChoice, "The first player chooses white or black");
        return;
    }
    // Stored first, as a move is.
    try
    {
        store_.setChoices(room->id, choicesOf(next));
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        fail(peer, ErrorCode::Internal, STORE_FAILED);
        return;
    }
    game = std::move(next);
    log_("game " + room->id + ": swap2 choice " + std::string(choiceName(request.choice)) +
         " after " + std::to_string(stones) + " stones");
    broadcastStates(*room, nullptr);
}

Room *Hub::playerRoom(Peer &peer)
{
    if (peer.room_ == nullptr || peer.seat_ < 0)
    {
        fail(peer, ErrorCode::NotAPlayer,
             peer.room_ == nullptr ? "Join a game first" : "Watchers only watch");
        return nullptr;
    }
    return peer.room_;
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

void Hub::askUndo(Peer &peer, const UndoRequest &request)
{
    Room *room = playerRoom(peer);
    if (room == nullptr)
    {
        return;
    }
    const core::Game &game = room->game;
    const int stones = static_cast<int>(game.moves().size());
    if (game.over())
    {
        fail(peer, ErrorCode::GameOver, "The game is over");
        return;
    }
    if (!sameCount(peer, stones, request.n))
    {
        return;
    }
    // A take-back never crosses a swap2 choice: none during the opening, and after it only the
    // stones placed since the last choice.
    int mine = 0;
    if (room->drawn() && game.swap2Step() == Swap2Step::Over)
    {
        const int side = static_cast<int>(room->colourOf(peer.seat_));
        for (int n = stonesBeforeLastChoice(game); n < stones; ++n)
        {
            mine += n % 2 == side ? 1 : 0;
        }
    }
    if (mine == 0)
    {
        fail(peer, ErrorCode::NothingToUndo,
             game.swap2Step() != Swap2Step::Over
                 ? "Stones of the swap2 opening are not taken back"
                 : "You have no stone on the board to take back since the colours were chosen");
    }
    else if (room->undoSeat >= 0)
    {
        fail(peer, ErrorCode::UndoPending,
             room->undoSeat == peer.seat_
                 ? "You have asked already; the other player has not answered"
                 : "The other player has asked first: answer them");
    }
    else if (room->refusedAt[peer.seat_] == stones)
    {
        fail(peer, ErrorCode::UndoRefused,
             "The other player refused; ask again once the game has moved on");
    }
    else if (stored(peer, [&] { store_.setUndo(room->id, StoredGame::Undo{peer.seat_, stones}); }))
    {
        room->undoSeat = peer.seat_;
        broadcastStates(*room, nullptr);
    }
}

bool Hub::stored(Peer &peer, const std::function<void()> &write)
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
    Room *room = playerRoom(peer);
    if (room == nullptr)
    {
        return;
    }
    const int asker = room->undoSeat;
    const auto &moves = room->game.moves();
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
        if (!stored(peer, [&] { store_.refuseUndo(room->id, StoredGame::Undo{asker, stones}); }))
        {
            return; // still asked: the answer may be given again
        }
        room->undoSeat = -1;
        room->refusedAt[asker] = stones;
        broadcastStates(*room, nullptr);
        return;
    }
    // Back to the asker's turn: their last stone goes, and the other's reply after it if any.
    // The asker has a stone since the last choice (askUndo saw to it), so no choice is undone.
    const int side = static_cast<int>(room->colourOf(asker));
    const int keep = (stones - 1) % 2 == side ? stones - 1 : stones - 2;
    // The time since the last move kept comes back with the moves: the clocks stand as they did
    // when it was made.
    std::optional<core::Pause> pause;
    const std::int64_t nowMs = clock_();
    if (room->control.timed())
    {
        const std::int64_t from = keep > 0 ? room->moveMs[keep - 1] : room->clockStartMs;
        if (from < nowMs)
        {
            pause = core::Pause{from, nowMs};
        }
    }
    try
    {
        store_.takeBack(room->id, keep, seconds(), pause);
        room->undoSeat = -1;
    }
    catch (const StoreError &error)
    {
        // Still asked: the answer may be given again.
        log_(std::string("store: ") + error.what());
        fail(peer, ErrorCode::Internal, STORE_FAILED);
        return;
    }
    std::vector<core::Point> kept;
    for (int i = 0; i < keep; ++i)
    {
        kept.push_back(moves[i].point);
    }
    const core::Game &game = room->game;
    room->game = replayed(game.rule(), game.opening(), kept, choicesOf(game));
    room->refusedAt = {-1, -1};
    room->moveMs.resize(keep);
    if (pause)
    {
        std::erase_if(room->pauses,
                      [&](const core::Pause &p) { return p.fromMs == pause->fromMs; });
        room->pauses.push_back(*pause);
    }
    log_("game " + room->id + ": " + std::to_string(stones - keep) + " moves taken back, " +
         std::to_string(keep) + " left");
    broadcastStates(*room, nullptr);
}

Room *Hub::roomInPlay(Peer &peer)
{
    Room *room = playerRoom(peer);
    if (room == nullptr)
    {
        return nullptr;
    }
    if (!room->drawn())
    {
        fail(peer, ErrorCode::NotYourTurn, "The other player has not joined yet");
        return nullptr;
    }
    if (room->game.over())
    {
        fail(peer, ErrorCode::GameOver, "The game is over");
        return nullptr;
    }
    return room;
}

void Hub::resign(Peer &peer)
{
    Room *room = roomInPlay(peer);
    if (room == nullptr)
    {
        return;
    }
    const Colour loser = room->colourOf(peer.seat_);
    core::Game next = room->game;
    next.resign(loser);
    // Stored first, as a move is: nobody hears of an end that a crash could take back.
    if (!stored(peer, [&] { store_.endGame(room->id, next.result(), seconds()); }))
    {
        return;
    }
    room->game = std::move(next);
    rateIfOver(*room);
    room->undoSeat = room->drawSeat = -1;
    log_("game " + room->id + " over after " + std::to_string(room->game.moves().size()) +
         " moves: " + std::string(core::colourName(loser)) + " resigned");
    broadcastStates(*room, nullptr);
}

void Hub::offerDraw(Peer &peer, const DrawOffer &offer)
{
    Room *room = roomInPlay(peer);
    if (room == nullptr)
    {
        return;
    }
    const int stones = static_cast<int>(room->game.moves().size());
    if (!sameCount(peer, stones, offer.n))
    {
        return;
    }
    if (room->drawSeat >= 0)
    {
        fail(peer, ErrorCode::DrawPending,
             room->drawSeat == peer.seat_ ? "You have offered a draw already; the other player "
                                            "has not answered"
                                          : "The other player has offered a draw: answer them");
    }
    else if (room->drawRefusedAt[peer.seat_] == stones)
    {
        fail(peer, ErrorCode::DrawRefused,
             "The other player declined; offer again once the game has moved on");
    }
    else if (stored(peer,
                    [&] {
                        store_.setDrawOffer(room->id, StoredGame::Undo{peer.seat_, stones});
                    }))
    {
        room->drawSeat = peer.seat_;
        broadcastStates(*room, nullptr);
    }
}

void Hub::answerDraw(Peer &peer, const DrawAnswer &answer)
{
    Room *room = playerRoom(peer);
    if (room == nullptr)
    {
        return;
    }
    const int offerer = room->drawSeat;
    const int stones = static_cast<int>(room->game.moves().size());
    if (offerer < 0 || offerer == peer.seat_)
    {
        fail(peer, ErrorCode::NoDrawOffered, "The other player has not offered a draw");
        return;
    }
    if (!sameCount(peer, stones, answer.n))
    {
        return;
    }
    if (!answer.accept)
    {
        if (!stored(peer, [&] { store_.declineDraw(room->id, StoredGame::Undo{offerer, stones}); }))
        {
            return; // still offered: the answer may be given again
        }
        room->drawSeat = -1;
        room->drawRefusedAt[offerer] = stones;
        broadcastStates(*room, nullptr);
        return;
    }
    core::Game next = room->game;
    next.agreeDraw();
    if (!stored(peer, [&] { store_.endGame(room->id, next.result(), seconds()); }))
    {
        return;
    }
    room->game = std::move(next);
    rateIfOver(*room);
    room->undoSeat = room->drawSeat = -1;
    log_("game " + room->id + " over after " + std::to_string(stones) +
         " moves: drawn by agreement");
    broadcastStates(*room, nullptr);
}

void Hub::rematch(Peer &peer)
{
    Room *room = playerRoom(peer);
    if (room == nullptr)
    {
        return;
    }
    if (!room->game.over())
    {
        fail(peer, ErrorCode::NotOver, "A rematch is played once this game is over");
        return;
    }
    if (!room->next.empty())
    {
        sendRematched(peer, *room); // made already: the same answer again
        return;
    }
    if (room->rematchSeat == peer.seat_)
    {
        fail(peer, ErrorCode::RematchPending,
             "You have offered a rematch already; the other player has not answered");
        return;
    }
    if (room->rematchSeat < 0)
    {
        if (stored(peer, [&] { store_.offerRematch(room->id, peer.seat_); }))
        {
            room->rematchSeat = peer.seat_;
            broadcastStates(*room, nullptr);
        }
        return;
    }
    // Accepted: a new game under the same rule and opening, both seats taken by the same two
    // players, and the one who played white opens it, so that the colours change hands.
    const std::string id = newGameId(name_);
    const std::array<std::string, 2> secrets{newSecret(), newSecret()};
    const int firstSeat = room->seatOf(Colour::White);
    const core::Game &game = room->game;
    if (!stored(peer,
                [&]
                {
                    store_.addRematch(room->id, id, secrets[0], secrets[1], firstSeat, game.rule(),
                                      game.opening(), seconds(), room->control, clock_());
                }))
    {
        return;
    }
    room->next = id;
    room->rematchSeat = -1;
    log_("game " + room->id + ": rematch " + id);
    broadcastStates(*room, nullptr);
    for (Peer *p : room->peers)
    {
        sendRematched(*p, *room);
    }
}

void Hub::sendRematched(Peer &peer, const Room &room)
{
    if (peer.seat_ < 0)
    {
        peer.send(share(rematchedMessage(room.next, std::nullopt)));
        return;
    }
    StoredGame next;
    try
    {
        if (store_.load(room.next, next) != Lookup::Found)
        {
            return; // swept away since: nothing to go on to
        }
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        fail(peer, ErrorCode::Internal, STORE_FAILED);
        return;
    }
    const std::string secret = peer.seat_ == 0 ? next.secretA : next.secretB.value_or("");
    if (!secret.empty())
    {
        peer.send(share(rematchedMessage(room.next, secret)));
    }
}

void Hub::attach(Peer &peer, Room &room, int seat)
{
    peer.room_ = &room;
    peer.seat_ = seat;
    room.peers.push_back(&peer);
    if (seat >= 0)
    {
        ++room.connected[seat];
    }
}

void Hub::detach(Peer &peer)
{
    Room *room = peer.room_;
    if (room == nullptr)
    {
        return;
    }
    peer.room_ = nullptr;
    std::erase(room->peers, &peer);
    const int seat = peer.seat_;
    peer.seat_ = -1;
    if (room->peers.empty())
    {
        // Nobody left to tell: the game lives on in the store alone until someone comes back.
        games_.erase(room->id);
        return;
    }
    if (seat >= 0 && --room->connected[seat] == 0 && room->drawn())
    {
        broadcastPresence(*room, nullptr);
    }
    if (seat < 0)
    {
        watchersChanged(*room);
    }
}

void Hub::sendState(Peer &peer, const Room &room)
{
    peer.send(share(stateMessage(viewOf(room, peer.seat_, clock_()))));
}

void Hub::broadcastStates(const Room &room, const Peer *except)
{
    // Each role's state is written once, whoever many hold it.
    std::array<std::shared_ptr<const std::string>, 4> byRole;
    const std::int64_t nowMs = clock_();
    for (Peer *p : room.peers)
    {
        if (p == except)
        {
            continue;
        }
        auto &text = byRole[static_cast<std::size_t>(room.roleOf(p->seat_))];
        if (!text)
        {
            text = share(stateMessage(viewOf(room, p->seat_, nowMs)));
        }
        p->send(text);
    }
}

void Hub::broadcastPresence(const Room &room, const Peer *except)
{
    const auto text = share(presenceMessage(room.presenceOf(Colour::Black),
                                            room.presenceOf(Colour::White), room.watchers()));
    for (Peer *p : room.peers)
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
        expired = store_.sweep(seconds());
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
            p->room_ = nullptr;
            p->seat_ = -1;
        }
        games_.erase(it);
    }
    // An address whose allowance has filled up again needs no entry.
    const std::int64_t now = seconds();
    std::erase_if(creations_, [&](const auto &entry) { return now - entry.second.at >= 3600; });
    if (!expired.empty())
    {
        log_("swept " + std::to_string(expired.size()) + " expired games");
    }
}

bool Hub::flagIfOut(Room &room, Peer *peer)
{
    if (!room.clockRuns())
    {
        return false;
    }
    const core::ClockReading reading = room.clockAt(clock_());
    if (!reading.flagged)
    {
        return false;
    }
    const Colour loser = reading.toMove == 0 ? Colour::Black : Colour::White;
    core::Game next = room.game;
    next.timeOut(loser);
    try
    {
        // Stored like a move before anyone hears of it.
        store_.endGame(room.id, next.result(), reading.flagMs / 1000);
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        if (peer != nullptr)
        {
            fail(*peer, ErrorCode::Internal, STORE_FAILED);
        }
        return true; // nothing may be played on a clock that has run out; the next tick tries again
    }
    room.game = std::move(next);
    rateIfOver(room);
    room.undoSeat = -1;
    room.drawSeat = -1;
    log_("game " + room.id + " over after " + std::to_string(room.game.moves().size()) +
         " moves: " + std::string(core::colourName(loser)) + "'s time ran out");
    if (peer != nullptr)
    {
        fail(*peer, ErrorCode::GameOver, "Your time ran out");
    }
    broadcastStates(room, nullptr);
    return true;
}

void Hub::tick()
{
    const std::int64_t nowMs = clock_();
    if (nowMs - lastBeatMs_ >= BEAT_MS)
    {
        try
        {
            store_.beat(nowMs);
            lastBeatMs_ = nowMs;
        }
        catch (const StoreError &error)
        {
            log_(std::string("store: ") + error.what());
        }
    }
    for (auto &entry : games_)
    {
        Room &room = *entry.second;
        flagIfOut(room, nullptr);
        if (room.watchersChangedMs >= 0 && nowMs - room.watchersChangedMs >= WATCHERS_DELAY_MS)
        {
            room.watchersChangedMs = -1;
            if (room.watchers() != room.watchersTold)
            {
                room.watchersTold = room.watchers();
                const auto text =
                    share(presenceMessage(room.presenceOf(Colour::Black),
                                          room.presenceOf(Colour::White), room.watchersTold));
                for (Peer *p : room.peers)
                {
                    if (!p->watching())
                    {
                        p->send(text);
                    }
                }
            }
        }
    }
}

void Hub::watchersChanged(Room &room)
{
    if (room.watchersChangedMs < 0)
    {
        room.watchersChangedMs = clock_();
    }
}

bool Hub::mayAgain(std::unordered_map<std::string, Bucket> &buckets, const std::string &address,
                   int perHour)
{
    if (perHour <= 0)
    {
        return true;
    }
    const std::int64_t now = seconds();
    auto [it, made] = buckets.try_emplace(address, Bucket{double(perHour), now});
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

void Hub::hello(Peer &peer, const HelloRequest &request)
{
    std::optional<StoredPlayer> player;
    if (request.secret)
    {
        try
        {
            player = store_.playerWithSecret(*request.secret);
        }
        catch (const StoreError &error)
        {
            log_(std::string("store: ") + error.what());
            fail(peer, ErrorCode::Internal, STORE_FAILED);
            return;
        }
        if (!player)
        {
            fail(peer, ErrorCode::NoSuchPlayer, "No player holds that secret");
            return;
        }
    }
    else
    {
        std::string why;
        if (!validPlayerName(*request.name, &why))
        {
            fail(peer, ErrorCode::BadName, why);
            return;
        }
        if (!mayAgain(newPlayers_, peer.address(), limits_.playersPerAddressPerHour))
        {
            fail(peer, ErrorCode::TooManyPlayers,
                 "Too many players made from your address; try again in an hour");
            return;
        }
        StoredPlayer made;
        made.id = newSecret().substr(0, 16);
        made.secret = newSecret();
        made.name = *request.name;
        bool added = false;
        try
        {
            added = store_.addPlayer(made, foldedName(made.name), seconds());
        }
        catch (const StoreError &error)
        {
            log_(std::string("store: ") + error.what());
            fail(peer, ErrorCode::Internal, STORE_FAILED);
            return;
        }
        if (!added)
        {
            fail(peer, ErrorCode::NameTaken,
                 "Another player has that name, or one that would pass for it");
            return;
        }
        log_("player " + made.id + " made from " + peer.address());
        player = std::move(made);
    }
    cancelSeek(peer); // a seek is its player's
    peer.player_ = *player;
    peer.send(share(playerMessage(player->secret, PlayerView{player->name, player->rating.rating,
                                                             player->rating.deviation})));
}

bool Hub::cancelSeek(Peer &peer)
{
    const auto before = seeks_.size();
    std::erase_if(seeks_, [&](const Seek &seek) { return seek.peer == &peer; });
    return seeks_.size() != before;
}

void Hub::seek(Peer &peer, const SeekRequest &request)
{
    if (!peer.player_)
    {
        fail(peer, ErrorCode::NoPlayer, "Say hello first: a seek is a player's");
        return;
    }
    if (!mayAgain(seekRequests_, peer.address(), limits_.seeksPerAddressPerHour))
    {
        fail(peer, ErrorCode::RateLimited, "Too many seeks from your address; wait a while");
        return;
    }
    cancelSeek(peer);
    const StoredPlayer &me = *peer.player_;
    const auto within = [](const Seek &seek, double rating)
    { return !seek.request.band || std::abs(seek.rating - rating) <= *seek.request.band; };
    const Seek mine{&peer, request, me.rating.rating, me.abandoned, clock_()};
    // The waiting seek that fits, those of players who leave games unfinished last, then the
    // oldest first.
    auto best = seeks_.end();
    for (auto it = seeks_.begin(); it != seeks_.end(); ++it)
    {
        if (it->request.rule != request.rule || it->request.control != request.control ||
            it->peer->player_->id == me.id || !within(*it, me.rating.rating) ||
            !within(mine, it->rating))
        {
            continue;
        }
        if (best == seeks_.end() ||
            std::pair(it->abandoned, it->sinceMs) < std::pair(best->abandoned, best->sinceMs))
        {
            best = it;
        }
    }
    if (best == seeks_.end())
    {
        seeks_.push_back(mine);
        peer.send(share(seekingMessage(request.rule, request.control)));
        return;
    }
    Peer &other = *best->peer;
    PairedGame game;
    game.id = newGameId(name_);
    game.secrets = {newSecret(), newSecret()};
    game.players = {other.player_->id, me.id};
    game.firstSeat = randomBit() ? 1 : 0;
    game.rule = request.rule;
    game.control = request.control;
    try
    {
        store_.addPairedGame(game, seconds(), clock_());
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        fail(peer, ErrorCode::Internal, STORE_FAILED);
        return; // the other's seek waits on
    }
    seeks_.erase(best);
    log_("game " + game.id + " paired: " + game.players[0] + " and " + game.players[1]);
    other.send(share(pairedMessage(game.id, game.secrets[0])));
    peer.send(share(pairedMessage(game.id, game.secrets[1])));
}

void Hub::rateIfOver(Room &room)
{
    if (room.rated != 1 || !room.game.over() || room.playerIds[0].empty() ||
        room.playerIds[1].empty())
    {
        return;
    }
    std::optional<StoredPlayer> players[2];
    try
    {
        players[0] = store_.player(room.playerIds[0]);
        players[1] = store_.player(room.playerIds[1]);
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        return;
    }
    if (!players[0] || !players[1])
    {
        return;
    }
    const core::Result &result = room.game.result();
    const double scoreA = !result.winner ? 0.5 : room.seatOf(*result.winner) == 0 ? 1.0 : 0.0;
    std::array<RatingChange, 2> changes;
    for (int seat : {0, 1})
    {
        const double score = seat == 0 ? scoreA : 1.0 - scoreA;
        changes[seat].player = players[seat]->id;
        changes[seat].after = server::afterPeriod(
            players[seat]->rating, {server::RatedGame{players[1 - seat]->rating, score}});
        // Lost on time with nobody at the seat: a game left unfinished.
        changes[seat].abandoned =
            result.ending == core::Ending::Time && score == 0.0 && room.connected[seat] == 0;
    }
    try
    {
        if (!store_.rateGame(room.id, changes))
        {
            room.rated = 2;
            return;
        }
    }
    catch (const StoreError &error)
    {
        log_(std::string("store: ") + error.what());
        return;
    }
    room.rated = 2;
    for (int seat : {0, 1})
    {
        room.players[seat].rating = changes[seat].after.rating;
        room.players[seat].deviation = changes[seat].after.deviation;
    }
}

std::vector<std::string> Hub::heldGames() const
{
    std::vector<std::string> ids;
    ids.reserve(games_.size());
    for (const auto &[id, room] : games_)
    {
        ids.push_back(id);
    }
    return ids;
}

std::vector<LiveGame> Hub::liveGames() const
{
    std::vector<LiveGame> live;
    for (const auto &[id, room] : games_)
    {
        if (!room->drawn() || room->game.over())
        {
            continue;
        }
        LiveGame game;
        game.id = id;
        game.rule = room->game.rule();
        game.control = room->control;
        game.moves = static_cast<int>(room->game.moves().size());
        game.watchers = room->watchers();
        if (!room->playerIds[0].empty())
        {
            game.players = {room->players[room->seatOf(Colour::Black)],
                            room->players[room->seatOf(Colour::White)]};
        }
        live.push_back(std::move(game));
    }
    std::sort(live.begin(), live.end(),
              [](const LiveGame &a, const LiveGame &b) { return a.id < b.id; });
    return live;
}
