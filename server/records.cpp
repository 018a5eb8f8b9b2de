// The stored games' records, made from their moves replayed through the game's rules.
#include "server/records.h"

#include "core/record.h"
#include "server/ids.h"

namespace
{

constexpr std::string_view PREFIX = "/games/";

} // namespace

bool asksForRecord(std::string_view path)
{
    return path.substr(0, PREFIX.size()) == PREFIX;
}

std::optional<ServedRecord> servedRecord(Store &store, std::string_view path)
{
    if (!asksForRecord(path) || path.size() < PREFIX.size() + 4)
    {
        return std::nullopt;
    }
    const std::string_view name = path.substr(PREFIX.size());
    const std::string_view extension = name.substr(name.size() - 4);
    const std::string_view id = name.substr(0, name.size() - 4);
    if ((extension != ".psq" && extension != ".sgf") || !validGameId(id))
    {
        return std::nullopt;
    }
    StoredGame stored;
    if (store.load(id, stored) != Lookup::Found)
    {
        return std::nullopt;
    }
    core::Record record;
    int refusedAt = -1;
    record.game = restored(stored, &refusedAt);
    if (refusedAt >= 0)
    {
        return std::nullopt; // the store holds only moves the server's rules placed
    }
    // A timed game's clocks: each side's time left after each of its moves.
    record.control = stored.control;
    if (stored.control.timed() && stored.clockStartMs &&
        stored.moveMs.size() == stored.moves.size())
    {
        for (std::size_t i = 0; i < stored.moveMs.size(); ++i)
        {
            const core::ClockReading reading = core::readClock(
                stored.control, *stored.clockStartMs, std::span(stored.moveMs).first(i + 1),
                stored.moveMs[i], stored.pauses);
            record.leftMs.push_back(reading.remainingMs[i % 2]);
        }
    }
    if (extension == ".psq")
    {
        return ServedRecord{core::writePsq(record), "text/plain; charset=utf-8", std::string(name)};
    }
    return ServedRecord{core::writeSgf(record), "application/x-go-sgf", std::string(name)};
}
