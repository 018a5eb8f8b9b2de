// libFuzzer entry points for the server's handling of what clients send.
// message_fuzzer: any bytes as one message; what the reader takes is within bounds, and every
// refusal makes a well-formed error message.
// hub_fuzzer: three clients' session through the games (a real store on a file), one message a
// line, its first byte choosing the client; "$G" and "$S" stand for the last game id and secret
// given out. Every message out is well formed; once all have gone the hub holds no game.
#include "server/hub.h"
#include "server/sqlite_store.h"
#include "server/ids.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <unistd.h>

namespace
{

void check(bool condition)
{
    if (!condition)
    {
        std::abort();
    }
}

// A message to a client must be one JSON object of a known type.
nlohmann::json checkedMessage(std::string_view text)
{
    static const std::set<std::string> TYPES = {"created",  "joined",         "state",     "moved",
                                                "presence", "error",          "rematched", "player",
                                                "seeking",  "seek-cancelled", "paired"};
    auto message = nlohmann::json::parse(text, nullptr, false);
    check(message.is_object() && message.contains("type") &&
          TYPES.count(message["type"].get<std::string>()) == 1);
    return message;
}

} // namespace

#ifdef GOMOKU_FUZZ_HUB

namespace
{

std::string lastGame = "local-aaaaaaaaaaaaaaaa";
std::string lastSecret = "00000000000000000000000000000000";
std::int64_t now = 1'800'000'000'000; // milliseconds

class FakePeer : public Peer
{
public:
    using Peer::Peer;
    bool closed = false;

    void send(const std::shared_ptr<const std::string> &message) override
    {
        const auto json = checkedMessage(*message);
        lastGame = json.value("game", lastGame);
        lastSecret = json.value("secret", lastSecret);
    }
    void close() override { closed = true; }
};

Store &store()
{
    static const std::filesystem::path dir = []
    {
        std::string pattern = "/tmp/gomoku3d-hub-fuzzer-XXXXXX";
        check(mkdtemp(pattern.data()) != nullptr);
        std::atexit([] { std::filesystem::remove_all(dir); });
        return std::filesystem::path(pattern);
    }();
    static SqliteStore store((dir / "games.sqlite").string(), false);
    return store;
}

std::string substituted(std::string line)
{
    for (const auto &[key, value] :
         {std::pair<std::string, std::string>{"$G", lastGame}, {"$S", lastSecret}})
    {
        for (std::size_t at = 0; (at = line.find(key, at)) != std::string::npos; at += value.size())
        {
            line.replace(at, key.size(), value);
        }
    }
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    HubLimits limits;
    limits.gamesPerAddressPerHour = 5;
    Hub hub(
        "local", store(), [] { return now += 7000; }, [](std::string_view) {}, limits);
    FakePeer peers[3] = {FakePeer("192.0.2.1"), FakePeer("192.0.2.2"), FakePeer("192.0.2.1")};
    std::string_view input(reinterpret_cast<const char *>(data), size);
    while (!input.empty())
    {
        const std::size_t end = input.find('\n');
        const std::string_view line = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
        if (line.empty())
        {
            continue;
        }
        FakePeer &peer = peers[static_cast<unsigned char>(line[0]) % 3];
        if (line.size() >= 2 && line[1] == '~')
        {
            hub.sweep(); // "~": the sweep, a day or more later
            now += 86400'000 * (1 + line.size() % 40);
        }
        else if (line.size() >= 2 && line[1] == '!')
        {
            now += 1000 * static_cast<std::int64_t>(line.size()) * line.size(); // "!": time passes
            hub.tick();
        }
        else if (!peer.closed)
        {
            hub.receive(peer, substituted(std::string(line.substr(1))));
        }
    }
    for (FakePeer &peer : peers)
    {
        hub.leave(peer);
    }
    check(hub.gamesHeld() == 0);
    return 0;
}

#else

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const ClientMessage message = readClientMessage(text);
    if (const auto *join = std::get_if<JoinRequest>(&message))
    {
        check(validGameId(join->game) && (!join->secret || validSecret(*join->secret)));
    }
    else if (const auto *move = std::get_if<MoveRequest>(&message))
    {
        check(move->row >= -1 && move->row < 18 && move->col >= -1 && move->col < 18);
        check(move->n >= 0 && move->n <= 325);
    }
    else if (const auto *refusal = std::get_if<Refusal>(&message))
    {
        check(size <= MAX_MESSAGE_BYTES || refusal->code == ErrorCode::TooLarge);
        checkedMessage(errorMessage(refusal->code, refusal->message));
    }
    check(size <= MAX_MESSAGE_BYTES || std::holds_alternative<Refusal>(message));
    return 0;
}

#endif
