// The online game's client side: what it sends, what it takes from the server's messages once
// they have been checked against the game's own rules, and the status line.
#include "game/online.h"

#include "core/clock.h"
#include "core/game.h"

#include "game/game_state.h"
#include "game/opponent.h"
#include "game/rules.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>

OnlineGame onlineGame;

namespace
{

constexpr std::size_t SERVER_NAME_MAX = 16;
constexpr std::size_t TOKEN_LENGTH = 16;
constexpr std::size_t SECRET_LENGTH = 32;
constexpr std::size_t LINK_MAX = 2048;

bool isLowerAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool isBase32(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '2' && c <= '7');
}

bool isLowerHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

const char *sideName(int side)
{
    return side == 0 ? "black" : "white";
}

std::string capitalised(std::string word)
{
    if (!word.empty() && word[0] >= 'a' && word[0] <= 'z')
    {
        word[0] = static_cast<char>(word[0] - 'a' + 'A');
    }
    return word;
}

// Puts the moves on an empty board through placeStone, black first, under the rule and opening
// given, as the players' stones are placed, each swap2 choice made at the step that asks for it.
// False when one of them is off the board, on a stone, after a five or forbidden to black, or the
// choices are not those the moves can have made: the board then holds the moves up to the wrong
// one.
bool replay(const std::vector<ServerMessage::Point> &moves,
            engine::Rule rule = engine::Rule::Freestyle, int opening = OPENING_FREE,
            int secondChoice = 0, int firstChoice = 0)
{
    const std::int32_t keptX = cursorX;
    const std::int32_t keptY = cursorY;
    historyLength = 0; // the server keeps the game: Restart keeps no copy of it for Undo
    gameRule = rule;
    gameOpening = opening == OPENING_SWAP2 ? OPENING_SWAP2 : OPENING_FREE;
    restartGame();
    sideToMove = 0;
    cursorX = keptX;
    cursorY = keptY;
    const auto chooseWhenAsked = [secondChoice, firstChoice]
    {
        if (swap2Step() == SWAP2_SECOND_CHOICE && secondChoice != 0)
        {
            chooseInSwap2(secondChoice);
        }
        else if (swap2Step() == SWAP2_FIRST_CHOICE && firstChoice != 0)
        {
            chooseInSwap2(firstChoice);
        }
    };
    for (const auto &[row, col] : moves)
    {
        chooseWhenAsked();
        const std::int32_t before = historyLength;
        if (gameOver != 0 || !onBoard(row, col) || Board[row * BOARD_SIZE + col] != CELL_EMPTY)
        {
            return false;
        }
        placeStone(row, col);
        if (historyLength == before)
        {
            return false; // black's forbidden point under renju
        }
    }
    chooseWhenAsked();
    return swap2SecondChoice == secondChoice && swap2FirstChoice == firstChoice;
}

const char *ruleWord(engine::Rule rule)
{
    return rule == engine::Rule::Renju      ? "renju"
           : rule == engine::Rule::Standard ? "exactly-five"
                                            : "freestyle";
}

// The colour the player (1 the first, 2 the second) has as the board's swap2 choices have it:
// the first player is black's until a choice says otherwise.
int colourOfPlayer(int player)
{
    bool firstIsBlack = true;
    if (swap2SecondChoice == SWAP2_PLAY_WHITE || swap2SecondChoice == SWAP2_PLAY_BLACK)
    {
        firstIsBlack = swap2SecondChoice == SWAP2_PLAY_WHITE;
    }
    else if (swap2FirstChoice != 0)
    {
        firstIsBlack = swap2FirstChoice == SWAP2_PLAY_BLACK;
    }
    return (player == 1) == firstIsBlack ? 0 : 1;
}

// Words of the server's to show as they are: short, and letters, digits, spaces and plain
// punctuation only.
bool plainWords(const std::string &text)
{
    return !text.empty() && text.size() <= 120 &&
           std::all_of(text.begin(), text.end(),
                       [](char c)
                       {
                           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                  (c >= '0' && c <= '9') || c == ' ' || c == ',' || c == ':' ||
                                  c == '\'' || c == '-' || c == '(' || c == ')' || c == '.' ||
                                  c == '_';
                       });
}

// The words for a refusal of the server, by its code; a code of a newer server, shown as it is
// when it looks like one.

// Text as a JSON string.
std::string quoted(const std::string &text)
{
    std::string out = "\"";
    for (const char c : text)
    {
        if (c == '"' || c == '\\')
        {
            out += '\\';
            out += c;
        }
        else if (static_cast<unsigned char>(c) < 0x20)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        }
        else
        {
            out += c;
        }
    }
    return out + "\"";
}

std::string refusal(const std::string &code)
{
    static const std::array<std::pair<const char *, const char *>, 18> WORDS = {{
        {"forbidden", "Black may not play there under renju."},
        {"no-choice", "The server refused the choice: it is not one asked for now."},
        {"nothing-to-undo", "There is no stone of yours to take back."},
        {"undo-pending", "A request to take back a move is waiting for its answer."},
        {"undo-refused", "The other player refused: ask again after the next move."},
        {"no-undo-asked", "The other player's request is no longer there."},
        {"not-your-turn", "The server refused the move: it is not your turn."},
        {"occupied", "The server refused the move: that point is taken."},
        {"off-board", "The server refused the move: that point is off the board."},
        {"game-over", "The server refused the move: the game is over."},
        {"stale", "The server refused the move: the board had changed."},
        {"not-a-player", "The server refused the move: you are watching."},
        {"rate-limited", "The server is refusing messages this fast."},
        {"too-large", "The server refused a message as too long."},
        {"bad-json", "The server could not read a message of this game."},
        {"bad-field", "The server could not read a message of this game."},
        {"unknown-type", "The server could not read a message of this game."},
        {"internal", "The server could not store the move: try it again."},
    }};
    for (const auto &[known, words] : WORDS)
    {
        if (code == known)
        {
            return words;
        }
    }
    const bool plain = !code.empty() && code.size() <= 32 &&
                       std::all_of(code.begin(), code.end(),
                                   [](char c) { return (c >= 'a' && c <= 'z') || c == '-'; });
    return "The server refused: " + (plain ? code : std::string("an unknown reason")) + ".";
}

// What the swap2 step asks for, told to `player` (1 the first, 2 the second, 0 a watcher).
std::string swap2Words(std::uint8_t step, int player)
{
    const int actor = step == SWAP2_THREE || step == SWAP2_FIRST_CHOICE ? 1 : 2;
    const std::string who =
        player == 0 ? (actor == 1 ? "the first player" : "the second player") : "the other player";
    const bool mine = player == actor;
    switch (step)
    {
    case SWAP2_THREE:
        return mine ? "Swap2: place three stones: black, white, black."
                    : "Swap2: " + who + " places three stones.";
    case SWAP2_SECOND_CHOICE:
        return mine ? "Swap2: choose 1 to play white (or place white's stone), 2 to play black, "
                      "3 to place two more stones."
                    : "Swap2: " + who + " chooses.";
    case SWAP2_TWO_MORE:
        return mine ? "Swap2: place two more stones: white, then black."
                    : "Swap2: " + who + " places two more stones.";
    default:
        return mine ? "Swap2: choose 1 to play white (or place white's stone) or 2 to play black."
                    : "Swap2: " + who + " chooses a colour.";
    }
}

} // namespace

bool isGameId(std::string_view text)
{
    const std::size_t hyphen = text.find('-');
    if (hyphen == std::string_view::npos || hyphen == 0 || hyphen > SERVER_NAME_MAX ||
        text.size() - hyphen - 1 != TOKEN_LENGTH)
    {
        return false;
    }
    const std::string_view name = text.substr(0, hyphen);
    const std::string_view token = text.substr(hyphen + 1);
    return std::all_of(name.begin(), name.end(), isLowerAlnum) &&
           std::all_of(token.begin(), token.end(), isBase32);
}

bool isSecret(std::string_view text)
{
    return text.size() == SECRET_LENGTH && std::all_of(text.begin(), text.end(), isLowerHex);
}

namespace
{

// The scheme, host and port of a link or of a server's address, into `result`; `text` is left
// with what follows them (the path, the query, the fragment). `what` names it in the reasons.
bool parseAuthority(std::string_view &text, const char *what, GameLink *result, std::string *why)
{
    const auto failed = [why, what](const char *words)
    {
        *why = std::string("the ") + what + words;
        return false;
    };
    if (text.size() > LINK_MAX)
    {
        return failed(" is too long");
    }
    const auto startsWith = [&text](std::string_view prefix)
    {
        return text.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), text.begin(),
                          [](char a, char b)
                          { return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b); });
    };
    if (startsWith("https://"))
    {
        result->secure = true;
        text.remove_prefix(8);
    }
    else if (startsWith("http://"))
    {
        text.remove_prefix(7);
    }
    else
    {
        return failed(" does not start with http:// or https://");
    }
    const std::size_t hostEnd = std::min(text.find_first_of("/?#"), text.size());
    std::string_view authority = text.substr(0, hostEnd);
    text.remove_prefix(hostEnd);

    // The host: a bracketed IPv6 address, or a name or IPv4 address; then perhaps a port.
    std::string_view host;
    std::string_view rest;
    if (!authority.empty() && authority[0] == '[')
    {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
        {
            return failed("'s host has no closing ]");
        }
        host = authority.substr(0, close + 1);
        rest = authority.substr(close + 1);
        if (!std::all_of(host.begin() + 1, host.end() - 1,
                         [](char c) {
                             return isLowerHex(c) || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
                         }))
        {
            return failed("'s host is not an IPv6 address");
        }
    }
    else
    {
        const std::size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
        if (!std::all_of(host.begin(), host.end(),
                         [](char c) {
                             return isLowerAlnum(c) || (c >= 'A' && c <= 'Z') || c == '-' ||
                                    c == '.';
                         }))
        {
            return failed("'s host is not a name or an address");
        }
    }
    if (host.empty() || host == "[]")
    {
        return failed(" has no host");
    }
    result->host = host;
    result->port = result->secure ? 443 : 80;
    if (!rest.empty())
    {
        if (rest[0] != ':' || rest.size() < 2 || rest.size() > 6)
        {
            return failed("'s port is not a number from 1 to 65535");
        }
        int port = 0;
        const auto [end, error] = std::from_chars(rest.data() + 1, rest.data() + rest.size(), port);
        if (error != std::errc() || end != rest.data() + rest.size() || port < 1 || port > 65535)
        {
            return failed("'s port is not a number from 1 to 65535");
        }
        result->port = port;
    }
    return true;
}

// The value of the query's game=, wherever it stands among its parameters ("" when there is
// none); the fragment is the page's. False when a game= there is not a game's name.
bool queryGame(std::string_view text, std::string *game)
{
    game->clear();
    text = text.substr(0, text.find('#'));
    const std::size_t question = text.find('?');
    std::string_view query =
        question == std::string_view::npos ? std::string_view() : text.substr(question + 1);
    while (!query.empty())
    {
        const std::size_t amp = std::min(query.find('&'), query.size());
        const std::string_view parameter = query.substr(0, amp);
        query.remove_prefix(std::min(amp + 1, query.size()));
        if (parameter.substr(0, 5) == "game=")
        {
            if (!isGameId(parameter.substr(5)))
            {
                return false;
            }
            *game = parameter.substr(5);
        }
    }
    return true;
}

} // namespace

bool parseGameLink(std::string_view text, GameLink *link, std::string *why)
{
    GameLink result;
    if (!parseAuthority(text, "link", &result, why))
    {
        return false;
    }
    if (!queryGame(text, &result.game))
    {
        *why = "the link's game is not a game's name";
        return false;
    }
    if (result.game.empty())
    {
        *why = "the link names no game (it has no ?game=)";
        return false;
    }
    *link = result;
    return true;
}

bool parseServerAddress(std::string_view text, GameLink *server, std::string *why)
{
    GameLink result;
    if (!parseAuthority(text, "address", &result, why))
    {
        return false;
    }
    std::string game;
    if (!queryGame(text, &game) || !game.empty())
    {
        *why = "the address names a game (?game=): that is a link to join, not a server's address";
        return false;
    }
    *server = result;
    return true;
}

void OnlineGame::attach(OnlineTransport *transport)
{
    transport_ = transport;
}

void OnlineGame::create()
{
    if (transport_ == nullptr)
    {
        return;
    }
    reset();
    localRule_ = gameRule;
    localOpening_ = gameOpening;
    phase_ = Phase::Connecting;
    creating_ = true;
    transport_->connect("/ws", 0);
    notify();
}

bool OnlineGame::join(std::string_view game)
{
    if (transport_ == nullptr)
    {
        return false;
    }
    if (!isGameId(game))
    {
        stop("The link does not name an online game.");
        return false;
    }
    reset();
    localRule_ = gameRule;
    localOpening_ = gameOpening;
    game_ = game;
    secret_ = transport_->loadSecret(game_);
    if (!isSecret(secret_))
    {
        secret_.clear();
    }
    phase_ = Phase::Connecting;
    transport_->connect("/ws?game=" + game_, 0);
    notify();
    return true;
}

void OnlineGame::leave()
{
    if (active())
    {
        reset();
        notify();
    }
}

void OnlineGame::stop(std::string problem)
{
    reset();
    problem_ = std::move(problem);
    notify();
}

void OnlineGame::reset()
{
    const bool wasActive = active();
    if (wasActive)
    {
        transport_->disconnect();
    }
    else
    {
        restartGame(); // the local game, kept for Undo as Restart keeps it
    }
    phase_ = Phase::Off;
    creating_ = everOpened_ = stateKnown_ = over_ = moveSent_ = undoSent_ = endSent_ = false;
    undo_ = winner_ = draw_ = rematch_ = -1;
    ending_ = ENDING_NONE;
    game_.clear();
    secret_.clear();
    role_ = OnlineRole::None;
    black_ = white_ = Presence::Empty;
    moves_.clear();
    rule_ = engine::Rule::Freestyle;
    opening_ = player_ = secondChoice_ = firstChoice_ = 0;
    failures_ = 0;
    notice_.clear();
    problem_.clear();
    clock_ = OnlineClock{};
    stoppedSeen_ = 0;
    seeking_ = seekWaiting_ = false;
    seekName_.clear();
    names_[0].clear();
    names_[1].clear();
    watchers_ = 0;
    // A new game, black first, with nobody but the players at this board: whatever the board
    // held before belongs to another game.
    // The local game's rule and opening come back with it.
    opponent = OPPONENT_NONE;
    replay(moves_, wasActive ? localRule_ : gameRule,
           wasActive ? localOpening_ : static_cast<int>(gameOpening));
}

void OnlineGame::opened()
{
    if (!active())
    {
        return;
    }
    everOpened_ = true;
    if (seeking_)
    {
        // The player first: the one kept here, or a new one of the name given.
        const std::string kept = transport_->loadSecret(ONLINE_PLAYER_KEY);
        transport_->send(isSecret(kept)
                             ? R"({"type":"hello","secret":")" + kept + "\"}"
                             : std::string(R"({"type":"hello","name":)") + quoted(seekName_) + "}");
    }
    else if (creating_)
    {
        // The game is made under the local game's rule and opening.
        // A clock is kept with the free opening only.
        const bool timed = !timeControl_.empty() && localOpening_ != OPENING_SWAP2;
        transport_->send(std::string(R"({"type":"create","rule":")") + ruleWord(localRule_) +
                         R"(","opening":")" + (localOpening_ == OPENING_SWAP2 ? "swap2" : "free") +
                         (timed ? R"(","clock":")" + timeControl_ : std::string()) + "\"}");
    }
    else
    {
        transport_->send(R"({"type":"join","game":")" + game_ +
                         (secret_.empty() ? "\"}" : R"(","secret":")" + secret_ + "\"}"));
    }
    notify();
}

void OnlineGame::closed(double random)
{
    if (!active())
    {
        return;
    }
    if (creating_ || (seeking_ && !everOpened_))
    {
        stop(everOpened_ ? "The server closed the connection before the game was made."
                         : "Online play needs the game's own server, and none answered here.");
        return;
    }
    seekWaiting_ = false; // a seek goes with its connection: it is made again on the next
    phase_ = stateKnown_ || phase_ == Phase::Lost ? Phase::Lost : Phase::Connecting;
    // Whether a move or an answer sent was stored, and whether a request still waits, the next
    // state will say.
    moveSent_ = undoSent_ = endSent_ = false;
    undo_ = draw_ = -1;
    ++failures_;
    int wait = RETRY_FIRST_MS;
    for (int i = 1; i < failures_ && wait < RETRY_LONGEST_MS; ++i)
    {
        wait *= 2;
    }
    wait = std::min(wait, RETRY_LONGEST_MS);
    random = std::clamp(random, 0.0, 1.0);
    transport_->connect(seeking_ ? std::string("/ws") : "/ws?game=" + game_,
                        wait - static_cast<int>(wait / 4 * random));
    notify();
}

void OnlineGame::resynchronise()
{
    // The whole game comes again with the next join's state: a new connection is the way to ask
    // for it, and counts as a failure, so that a server that keeps sending such moves is not
    // asked again at once.
    closed(0.0);
}

void OnlineGame::unreadable()
{
    // Nothing to act on. A move it might have carried shows as a gap in the next one, which
    // brings the whole game again.
}

void OnlineGame::received(const ServerMessage &message)
{
    if (!active())
    {
        return;
    }
    switch (message.type)
    {
    case ServerMessage::Type::Created:
        if (creating_)
        {
            if (!isGameId(message.game) || !isSecret(message.secret))
            {
                stop("The server's answer could not be read.");
                return;
            }
            creating_ = false;
            game_ = message.game;
            secret_ = message.secret;
            transport_->storeSecret(game_, secret_);
            notify();
        }
        break;
    case ServerMessage::Type::Joined:
        if (!creating_ && message.game == game_ && message.role != OnlineRole::None)
        {
            if (isSecret(message.secret))
            {
                secret_ = message.secret;
                transport_->storeSecret(game_, secret_);
            }
            else if (message.role == OnlineRole::Watcher && !secret_.empty())
            {
                // The secret kept here holds no seat (the server has forgotten it).
                secret_.clear();
                transport_->forgetSecret(game_);
            }
            role_ = message.role;
            notify();
        }
        break;
    case ServerMessage::Type::State:
        applyState(message);
        break;
    case ServerMessage::Type::Moved:
        applyMoved(message);
        break;
    case ServerMessage::Type::Presence:
        if (stateKnown_)
        {
            black_ = message.black;
            white_ = message.white;
            if (message.watchers >= 0)
            {
                watchers_ = message.watchers;
            }
            notify();
        }
        break;
    case ServerMessage::Type::Error:
        applyError(message);
        break;
    case ServerMessage::Type::Rematched:
        applyRematched(message);
        break;
    case ServerMessage::Type::Player:
        applyPlayer(message);
        break;
    case ServerMessage::Type::Seeking:
        if (seeking_)
        {
            seekWaiting_ = true;
            failures_ = 0;
            notify();
        }
        break;
    case ServerMessage::Type::Paired:
        applyPaired(message);
        break;
    case ServerMessage::Type::Other:
        break;
    }
}

void OnlineGame::applyState(const ServerMessage &message)
{
    if (creating_ || message.game != game_ || message.role == OnlineRole::None ||
        message.moves.size() > static_cast<std::size_t>(BOARD_CELLS))
    {
        return;
    }
    // The moves and choices must make a game of the rules, and the end the server reports the
    // one they make.
    bool fits = replay(message.moves, message.rule, message.opening, message.secondChoice,
                       message.firstChoice);
    const int lastSide = static_cast<int>(message.moves.size() + 1) % 2;
    const int ending = message.ending;
    if (fits && gameOver != 0)
    {
        fits = message.over && message.winner == lastSide &&
               (ending == ENDING_NONE || ending == ENDING_FIVE);
        for (const auto &[row, col] : message.five)
        {
            fits = fits && onBoard(row, col) &&
                   Board[row * BOARD_SIZE + col] == (lastSide == 0 ? CELL_BLACK : CELL_WHITE);
        }
    }
    else if (fits && (ending == ENDING_RESIGNATION || ending == ENDING_TIME))
    {
        // Ended off the board: a winner, and no five.
        fits = message.over && message.winner >= 0 && message.five.empty();
    }
    else if (fits && ending == ENDING_AGREEMENT)
    {
        fits = message.over && message.winner == -1 && message.five.empty();
    }
    else if (fits)
    {
        fits = message.winner == -1 && message.five.empty() && ending != ENDING_FIVE &&
               (ending != ENDING_FULL_BOARD ||
                message.moves.size() == static_cast<std::size_t>(BOARD_CELLS));
    }
    // An offer of a draw while the game goes on; a rematch, offered or made, once it is over.
    fits = fits && (message.draw < 0 || !message.over) &&
           ((message.rematch < 0 && message.next.empty()) || message.over) &&
           (message.next.empty() || (isGameId(message.next) && message.next != message.game));
    // Only a side with a stone on the board, in a game not over, asks to take one back.
    const auto stones = static_cast<int>(message.moves.size());
    fits = fits && (message.undo < 0 ||
                    (gameOver == 0 && (message.undo == 0 ? (stones + 1) / 2 : stones / 2) > 0));
    // A player's colour is the one the choices give its player.
    const bool seated = message.role == OnlineRole::Black || message.role == OnlineRole::White;
    fits = fits && (message.player == 0 || (seated && colourOfPlayer(message.player) ==
                                                          (message.role == OnlineRole::White)));
    if (!fits)
    {
        // The game as it stood; the server's is not one.
        replay(moves_, rule_, opening_, secondChoice_, firstChoice_);
        notice_ = "The server sent a game that breaks the rules.";
        notify();
        return;
    }
    const int me = message.role == OnlineRole::Black   ? 0
                   : message.role == OnlineRole::White ? 1
                                                       : -1;
    const bool answered = undo_ >= 0 && message.undo < 0 && stateKnown_;
    const bool declined = draw_ >= 0 && draw_ == me && message.draw < 0 && !message.over &&
                          message.moves.size() == moves_.size() && stateKnown_;
    const bool takenBack = message.moves.size() < moves_.size();
    std::string word;
    if (answered && undo_ == me)
    {
        word = takenBack ? "The other player allowed it: your move is taken back."
                         : "The other player refused to take back your move.";
    }
    else if (answered && takenBack)
    {
        word = "A move was taken back, as both players agreed.";
    }
    if (declined)
    {
        word = "The other player declined the draw.";
    }
    moves_ = message.moves;
    rule_ = message.rule;
    opening_ = message.opening;
    player_ = message.player;
    secondChoice_ = message.secondChoice;
    firstChoice_ = message.firstChoice;
    undo_ = message.undo;
    undoSent_ = endSent_ = false;
    ending_ = message.over ? ending : ENDING_NONE;
    winner_ = message.winner;
    draw_ = message.draw;
    rematch_ = message.rematch;
    role_ = message.role;
    black_ = message.black;
    white_ = message.white;
    over_ = message.over;
    stateKnown_ = true;
    phase_ = Phase::Live;
    failures_ = 0;
    moveSent_ = false;
    notice_ = word;
    applyClock(message.clock);
    for (int side : {0, 1})
    {
        names_[side] = message.names[side];
        ratings_[side] = message.ratings[side];
    }
    watchers_ = std::max(message.watchers, 0);
    if (clock_.stoppedMs > 0 && clock_.stoppedMs != stoppedSeen_)
    {
        stoppedSeen_ = clock_.stoppedMs;
        notice_ = "The server was down for " + std::to_string((clock_.stoppedMs + 500) / 1000) +
                  " s: the clocks stood still.";
    }
    notify();
}

bool OnlineGame::hasPlayer() const
{
    return transport_ != nullptr && isSecret(transport_->loadSecret(ONLINE_PLAYER_KEY));
}

bool OnlineGame::seek(const std::string &name)
{
    if (transport_ == nullptr || (name.empty() && !hasPlayer()))
    {
        return false;
    }
    reset();
    localRule_ = gameRule;
    localOpening_ = gameOpening;
    phase_ = Phase::Connecting;
    seeking_ = true;
    seekName_ = name;
    transport_->connect("/ws", 0);
    notify();
    return true;
}

void OnlineGame::sendSeek()
{
    transport_->send(
        std::string(R"({"type":"seek","rule":")") + ruleWord(localRule_) + "\"" +
        (timeControl_.empty() ? std::string() : R"(,"clock":")" + timeControl_ + "\"") + "}");
}

void OnlineGame::applyPlayer(const ServerMessage &message)
{
    if (!seeking_ || !isSecret(message.secret))
    {
        return;
    }
    transport_->storeSecret(ONLINE_PLAYER_KEY, message.secret);
    seekName_.clear();
    failures_ = 0; // the server answers
    notice_ = "You play as " + message.name + " (" + std::to_string(message.rating) + ").";
    sendSeek();
    notify();
}

void OnlineGame::applyPaired(const ServerMessage &message)
{
    if (!seeking_ || !isGameId(message.game) || !isSecret(message.secret))
    {
        return;
    }
    transport_->storeSecret(message.game, message.secret);
    const engine::Rule localRule = localRule_;
    const int localOpening = localOpening_;
    const std::string game = message.game;
    reset();
    join(game);
    localRule_ = localRule;
    localOpening_ = localOpening;
}

std::string OnlineGame::playersText() const
{
    if (!active() || !stateKnown_)
    {
        return "";
    }
    std::string text;
    if (!names_[0].empty() && !names_[1].empty())
    {
        text = "Black: " + names_[0] + " (" + std::to_string(ratings_[0]) +
               ") - White: " + names_[1] + " (" + std::to_string(ratings_[1]) + ")";
    }
    if (watchers_ > 0)
    {
        text += (text.empty() ? "" : " - ") + std::to_string(watchers_) + " watching";
    }
    return text;
}

void OnlineGame::nextTimeControl()
{
    timeControl_ = core::nextTimeControlName(timeControl_);
}

std::int64_t OnlineGame::steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void OnlineGame::applyClock(const OnlineClock &clock)
{
    clock_ = clock;
    clockAtMs_ = nowMs_ ? nowMs_() : 0;
}

std::int64_t OnlineGame::clockLeftMs(int side) const
{
    std::int64_t left = clock_.remainingMs[side];
    if (clock_.running == side && !over_ && nowMs_)
    {
        left -= std::max<std::int64_t>(nowMs_() - clockAtMs_, 0);
    }
    return std::max<std::int64_t>(left, 0);
}

std::string OnlineGame::clockText() const
{
    if (!active() || !stateKnown_ || !clock_.timed)
    {
        return "";
    }
    return "Black " + core::clockFace(clockLeftMs(0)) + " - White " +
           core::clockFace(clockLeftMs(1)) + " (" + clock_.control + ")";
}

bool OnlineGame::clockWarning() const
{
    const int me = mySide();
    return active() && clock_.timed && !over_ && me >= 0 && clock_.running == me &&
           clockLeftMs(me) < 10'000;
}

bool OnlineGame::clockChanged()
{
    std::string text = clockText();
    if (clockWarning())
    {
        text += '!';
    }
    if (text == clockShown_)
    {
        return false;
    }
    clockShown_ = std::move(text);
    return true;
}

void OnlineGame::applyMoved(const ServerMessage &message)
{
    if (!stateKnown_ || message.n < 0)
    {
        return;
    }
    const auto count = static_cast<int>(moves_.size());
    const ServerMessage::Point point{message.row, message.col};
    if (message.n < count && moves_[static_cast<std::size_t>(message.n)] == point)
    {
        return; // a move this client has already
    }
    if (message.n != count || message.colour != count % 2 || over_ || gameOver != 0 ||
        !onBoard(message.row, message.col) ||
        Board[message.row * BOARD_SIZE + message.col] != CELL_EMPTY)
    {
        resynchronise();
        return;
    }
    const std::int32_t before = historyLength;
    placeStone(message.row, message.col);
    if (historyLength == before)
    {
        resynchronise(); // a stone the rules refuse here
        return;
    }
    moves_.push_back(point);
    // A stone at a choosing step of swap2 chose white; the state that follows says so too.
    secondChoice_ = swap2SecondChoice;
    firstChoice_ = swap2FirstChoice;
    over_ = over_ || gameOver != 0;
    moveSent_ = undoSent_ = false;
    undo_ = -1; // a move answers any request to take back
    draw_ = -1; // and any offer of a draw
    if (message.hasClock)
    {
        applyClock(message.clock);
    }
    notice_.clear();
    notify();
}

void OnlineGame::applyError(const ServerMessage &message)
{
    const std::string &code = message.code;
    if (seeking_)
    {
        if (code == "no-such-player")
        {
            // The server has forgotten the player kept here: a name is asked for again.
            transport_->forgetSecret(ONLINE_PLAYER_KEY);
            stop("The server no longer knows your player: choose a name to play as.");
            return;
        }
        if (code == "name-taken" || code == "bad-name" || code == "too-many-players" ||
            code == "rate-limited")
        {
            // A name refused is told in the server's words, which say what a name may be.
            const bool named = code == "name-taken" || code == "bad-name";
            stop(named && plainWords(message.text) ? message.text + "."
                 : code == "name-taken"   ? "Another player has that name, or one too like it."
                 : code == "bad-name"     ? "That name cannot be used."
                 : code == "rate-limited" ? "The server is refusing seeks this fast; try later."
                                          : "The server holds too many players from this address.");
            return;
        }
    }
    if (code == "no-such-game" || code == "expired")
    {
        if (!game_.empty())
        {
            transport_->forgetSecret(game_);
        }
        stop(code == "expired" ? "This online game has expired."
                               : "There is no such online game on the server: the link is wrong, "
                                 "or the game has expired.");
        return;
    }
    if (code == "too-many-games" && creating_)
    {
        stop("The server holds too many games from this address; try again later.");
        return;
    }
    if (code == "bad-field" && !creating_ && !stateKnown_ && !secret_.empty())
    {
        // The join's secret holds no seat there (the server has forgotten it): without it, this
        // client takes the free seat or watches.
        secret_.clear();
        transport_->forgetSecret(game_);
        opened();
        return;
    }
    if (!stateKnown_ && !creating_ && code != "rate-limited" && code != "too-large" &&
        code != "internal")
    {
        // The join itself refused, for a reason that asking again would not change.
        stop(refusal(code));
        return;
    }
    moveSent_ = undoSent_ = endSent_ = false;
    // A forbidden point's refusal says why, in the server's words when they are plain.
    notice_ = code == "forbidden" && plainWords(message.text) ? message.text + "." : refusal(code);
    notify();
}

bool OnlineGame::place(int row, int col)
{
    if (!active())
    {
        return false;
    }
    const auto count = static_cast<int>(moves_.size());
    if (phase_ != Phase::Live)
    {
        notice_ = "Not connected: the move was not sent.";
    }
    else if (role_ == OnlineRole::Watcher)
    {
        notice_ = "You are watching: only the two players move.";
    }
    else if (over_ || role_ == OnlineRole::Waiting || moveSent_)
    {
        return true;
    }
    else if (!myTurn())
    {
        // Refused here, whichever colour this player has: the server would refuse it too.
        notice_ = swap2Step() != SWAP2_OVER ? "It is the other player's turn in the opening."
                                            : "It is the other player's move.";
    }
    else if (onBoard(row, col) && count % 2 == 0 && Board[row * BOARD_SIZE + col] == CELL_EMPTY &&
             forbiddenForBlack(row, col))
    {
        // In the server's words, with the reason.
        notice_ = "Black may not play there under renju: " +
                  std::string(core::foulWords(engine::foul(gridOf(Board), col, row))) + ".";
    }
    else if (onBoard(row, col) && Board[row * BOARD_SIZE + col] != CELL_EMPTY)
    {
        notice_ = "That point is taken.";
    }
    else if (onBoard(row, col))
    {
        moveSent_ = true;
        notice_.clear();
        transport_->send(R"({"type":"move","row":)" + std::to_string(row) + R"(,"col":)" +
                         std::to_string(col) + R"(,"n":)" + std::to_string(count) + "}");
    }
    notify();
    return true;
}

bool OnlineGame::askUndo()
{
    if (!active())
    {
        return false;
    }
    const int me = mySide();
    const auto count = static_cast<int>(moves_.size());
    if (phase_ != Phase::Live)
    {
        notice_ = "Not connected: the request was not sent.";
    }
    else if (role_ == OnlineRole::Watcher)
    {
        notice_ = "You are watching: only the players take back moves.";
    }
    else if (over_ || role_ == OnlineRole::Waiting || moveSent_ || undoSent_ || undo_ >= 0)
    {
        // Over, nobody to ask yet, something on its way, or a request already waiting: the
        // status line says so already.
        return true;
    }
    else if (swap2Step() != SWAP2_OVER)
    {
        notice_ = "Stones of the swap2 opening are not taken back.";
    }
    else if ((me == 0 ? (count + 1) / 2 : count / 2) == 0)
    {
        notice_ = "There is no stone of yours to take back.";
    }
    else
    {
        notice_.clear();
        undoSent_ = true;
        transport_->send(R"({"type":"undo","n":)" + std::to_string(count) + "}");
    }
    notify();
    return true;
}

bool OnlineGame::answerUndo(bool allow)
{
    if (!active())
    {
        return false;
    }
    if (undoAskedOfMe() && phase_ == Phase::Live && !undoSent_)
    {
        undoSent_ = true;
        transport_->send(R"({"type":"undo-answer","n":)" + std::to_string(moves_.size()) +
                         R"(,"accept":)" + (allow ? "true" : "false") + "}");
        notify();
    }
    return true;
}

bool OnlineGame::choose(int choice)
{
    if (!active())
    {
        return false;
    }
    const std::uint8_t step = swap2Step();
    if (phase_ != Phase::Live)
    {
        notice_ = "Not connected: the choice was not sent.";
    }
    else if (role_ == OnlineRole::Watcher)
    {
        notice_ = "You are watching: only the players choose.";
    }
    else if (over_ || role_ == OnlineRole::Waiting || moveSent_ || undoSent_)
    {
        return true;
    }
    else if (step != SWAP2_SECOND_CHOICE && step != SWAP2_FIRST_CHOICE)
    {
        notice_ = "No swap2 choice is asked for now.";
    }
    else if (!myTurn())
    {
        notice_ = "The choice is the other player's.";
    }
    else if (choice == SWAP2_TWO_STONES && step == SWAP2_FIRST_CHOICE)
    {
        notice_ = "Choose 1 to play white or 2 to play black.";
    }
    else if (choice >= SWAP2_PLAY_WHITE && choice <= SWAP2_TWO_STONES)
    {
        static constexpr const char *CHOICES[] = {"", "white", "black", "two"};
        moveSent_ = true;
        notice_.clear();
        transport_->send(std::string(R"({"type":"choose","choice":")") + CHOICES[choice] +
                         R"(","n":)" + std::to_string(moves_.size()) + "}");
    }
    notify();
    return true;
}

bool OnlineGame::choiceIsMine() const
{
    const std::uint8_t step = swap2Step();
    return phase_ == Phase::Live && (role_ == OnlineRole::Black || role_ == OnlineRole::White) &&
           !over_ && !moveSent_ && !undoSent_ &&
           (step == SWAP2_SECOND_CHOICE || step == SWAP2_FIRST_CHOICE) && myTurn();
}

void OnlineGame::tell(std::string words)
{
    notice_ = std::move(words);
    notify();
}

bool OnlineGame::resign()
{
    if (!active())
    {
        return false;
    }
    if (phase_ != Phase::Live)
    {
        notice_ = "Not connected: the resignation was not sent.";
    }
    else if (role_ == OnlineRole::Watcher)
    {
        notice_ = "You are watching: only the players resign.";
    }
    else if (role_ == OnlineRole::Waiting)
    {
        notice_ = "The other player has not joined yet.";
    }
    else if (over_ || endSent_)
    {
        return true; // the status line says so already
    }
    else
    {
        endSent_ = true;
        notice_.clear();
        transport_->send(R"({"type":"resign"})");
    }
    notify();
    return true;
}

bool OnlineGame::offerDraw()
{
    if (!active())
    {
        return false;
    }
    const int me = mySide();
    if (phase_ != Phase::Live)
    {
        notice_ = "Not connected: the offer was not sent.";
    }
    else if (role_ == OnlineRole::Watcher)
    {
        notice_ = "You are watching: only the players offer a draw.";
    }
    else if (role_ == OnlineRole::Waiting)
    {
        notice_ = "The other player has not joined yet.";
    }
    else if (over_ || endSent_ || moveSent_ || draw_ == me)
    {
        return true; // the status line says so already
    }
    else if (drawOfferedToMe())
    {
        return answerDraw(true); // both want it: agreed
    }
    else
    {
        endSent_ = true;
        notice_.clear();
        transport_->send(R"({"type":"offer-draw","n":)" + std::to_string(moves_.size()) + "}");
    }
    notify();
    return true;
}

bool OnlineGame::answerDraw(bool accept)
{
    if (!active())
    {
        return false;
    }
    if (drawOfferedToMe() && phase_ == Phase::Live && !endSent_)
    {
        endSent_ = true;
        transport_->send(R"({"type":"answer-draw","n":)" + std::to_string(moves_.size()) +
                         R"(,"accept":)" + (accept ? "true" : "false") + "}");
        notify();
    }
    return true;
}

bool OnlineGame::drawOfferedToMe() const
{
    const int me = mySide();
    return me >= 0 && draw_ == 1 - me && !over_;
}

bool OnlineGame::rematch()
{
    if (!active())
    {
        return false;
    }
    if (phase_ != Phase::Live)
    {
        notice_ = "Not connected: the rematch was not asked for.";
    }
    else if (mySide() < 0)
    {
        notice_ = "You are watching: only the players play a rematch.";
    }
    else if (!over_)
    {
        notice_ = "A rematch is played once this game is over.";
    }
    else if (endSent_ || rematch_ == mySide())
    {
        return true; // on its way, or waiting for the other player: the status line says so
    }
    else
    {
        endSent_ = true;
        notice_.clear();
        transport_->send(R"({"type":"rematch"})");
    }
    notify();
    return true;
}

bool OnlineGame::rematchOpen() const
{
    return over() && phase_ == Phase::Live && mySide() >= 0;
}

bool OnlineGame::rematchOfferedToMe() const
{
    return rematchOpen() && rematch_ == 1 - mySide();
}

void OnlineGame::applyRematched(const ServerMessage &message)
{
    // Only after this game, to another game, with a seat's secret or (watching) none.
    if (!stateKnown_ || !over_ || !isGameId(message.game) || message.game == game_ ||
        (!message.secret.empty() && !isSecret(message.secret)))
    {
        return;
    }
    const std::string next = message.game;
    if (!message.secret.empty())
    {
        transport_->storeSecret(next, message.secret);
    }
    // The local game's rule and opening stay those to come back to on leaving.
    const engine::Rule localRule = localRule_;
    const int localOpening = localOpening_;
    reset();
    join(next);
    localRule_ = localRule;
    localOpening_ = localOpening;
}

bool OnlineGame::undoAskedOfMe() const
{
    const int me = mySide();
    return me >= 0 && undo_ == 1 - me && !over_;
}

int OnlineGame::mySide() const
{
    if (player_ != 0 && (role_ == OnlineRole::Black || role_ == OnlineRole::White))
    {
        return colourOfPlayer(player_);
    }
    return role_ == OnlineRole::Black ? 0 : role_ == OnlineRole::White ? 1 : -1;
}

bool OnlineGame::myTurn() const
{
    // During the swap2 opening the player whose step it is acts, whatever the colour to move.
    const int actor = swap2Step() != SWAP2_OVER ? swap2Player() : 0;
    if (actor != 0)
    {
        return player_ == actor && mySide() >= 0;
    }
    return mySide() >= 0 && mySide() == static_cast<int>(moves_.size() % 2);
}

void OnlineGame::notify()
{
    if (transport_ != nullptr)
    {
        transport_->changed();
    }
}

std::string OnlineGame::status() const
{
    switch (phase_)
    {
    case Phase::Off:
        return "";
    case Phase::Lost:
        return "Connection lost, trying again…";
    case Phase::Connecting:
        if (failures_ > 0)
        {
            return "The server does not answer, trying again…";
        }
        if (seeking_)
        {
            std::string what = std::string(localRule_ == engine::Rule::Renju      ? "renju"
                                           : localRule_ == engine::Rule::Standard ? "exactly five"
                                                                                  : "freestyle") +
                               (timeControl_.empty() ? ", no clock" : ", " + timeControl_);
            return (seekWaiting_ ? "Looking for someone to play (" + what + ")…"
                                 : "Finding a game with someone (" + what + ")…") +
                   (notice_.empty() ? "" : " " + notice_);
        }
        return creating_ ? "Creating an online game…" : "Joining the online game…";
    case Phase::Live:
        break;
    }
    const int me = mySide();
    const auto count = static_cast<int>(moves_.size());
    std::string text;
    if (over_ && (ending_ == ENDING_RESIGNATION || ending_ == ENDING_TIME) && winner_ >= 0)
    {
        const std::string how = ending_ == ENDING_TIME ? " ran out of time" : " resigned";
        if (me == 1 - winner_)
        {
            text = "You" + how + ": " + sideName(winner_) + " wins.";
        }
        else if (me == winner_)
        {
            text = capitalised(sideName(1 - winner_)) + how + ": you win (" + sideName(me) + ").";
        }
        else
        {
            text = capitalised(sideName(1 - winner_)) + how + ": " + sideName(winner_) + " wins.";
        }
    }
    else if (over_ && ending_ == ENDING_AGREEMENT)
    {
        text = "Drawn by agreement.";
    }
    else if (over_)
    {
        const int winner = gameOver != 0 ? (count + 1) % 2 : -1;
        if (winner < 0)
        {
            text = count == BOARD_CELLS ? "The board is full: a draw." : "The game is over.";
        }
        else if (winner == me)
        {
            text = std::string("You win (") + sideName(me) + ").";
        }
        else
        {
            text = capitalised(sideName(winner)) + " wins" +
                   (me < 0 ? std::string(".") : std::string(" (you played ") + sideName(me) + ").");
        }
    }
    else if (role_ == OnlineRole::Waiting ||
             (me >= 0 && (me == 0 ? white_ : black_) == Presence::Empty))
    {
        text = "Waiting for the other player to join.";
    }
    else if (swap2Step() != SWAP2_OVER && black_ != Presence::Empty && white_ != Presence::Empty)
    {
        text = swap2Words(swap2Step(), me >= 0 ? player_ : 0);
    }
    else if (me < 0)
    {
        text = black_ == Presence::Empty || white_ == Presence::Empty
                   ? std::string("Waiting for the players to join (you are watching).")
                   : capitalised(sideName(count % 2)) + " to move (you are watching).";
    }
    else if (me == count % 2)
    {
        text = std::string("Your move (") + sideName(me) + ").";
    }
    else
    {
        text = capitalised(sideName(count % 2)) + " to move (you play " + sideName(me) + ").";
    }
    // The rule and the opening, as the local game's status line says them.
    text += rule_ == engine::Rule::Renju      ? " Renju."
            : rule_ == engine::Rule::Standard ? " Exactly five."
                                              : "";
    text += opening_ == OPENING_SWAP2 && swap2Step() == SWAP2_OVER ? " Swap2." : "";
    if (!over_ && me >= 0 && (me == 0 ? white_ : black_) == Presence::Away)
    {
        text += " The other player is away.";
    }
    if (undo_ >= 0 && !over_)
    {
        if (undo_ == me)
        {
            text += " You asked to take back your last move: waiting for the answer.";
        }
        else if (me >= 0)
        {
            text += undoSent_ ? " Answering…"
                              : " " + capitalised(sideName(undo_)) +
                                    " asks to take back a move: allow it (y) or refuse (n)?";
        }
        else
        {
            text += " " + capitalised(sideName(undo_)) + " asks to take back a move.";
        }
    }
    if (draw_ >= 0 && !over_)
    {
        if (draw_ == me)
        {
            text += " You offered a draw: waiting for the answer.";
        }
        else if (me >= 0)
        {
            text += endSent_ ? " Answering…"
                             : " " + capitalised(sideName(draw_)) +
                                   " offers a draw: accept it (y) or decline (n)?";
        }
        else
        {
            text += " " + capitalised(sideName(draw_)) + " offers a draw.";
        }
    }
    if (over_ && rematch_ >= 0)
    {
        text += rematch_ == me ? " You offered a rematch: waiting for the other player."
                : me >= 0      ? " The other player offers a rematch: Rematch plays it."
                               : " " + capitalised(sideName(rematch_)) + " offers a rematch.";
    }
    if (!over_ && me < 0)
    {
        for (int side = 0; side < 2; ++side)
        {
            if ((side == 0 ? black_ : white_) == Presence::Away)
            {
                text += " " + capitalised(sideName(side)) + " is away.";
            }
        }
    }
    if (!notice_.empty())
    {
        text += " " + notice_;
    }
    return text;
}
