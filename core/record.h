// A game as players keep it: in Piskvork's .psq layout, which the tournament manager and other
// boards read and write, or in SGF (FF[4], GM[4]). Reading replays every move through the game's
// rules, so a record that is damaged, too large, for another board or against the rules is
// refused with what is wrong and where, and never half read.
#pragma once

#include "core/clock.h"
#include "core/game.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace core
{

// A record refused: the message says what and where ("line 4: ...", "move 12 (j9): ...").
class RecordError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The largest record read: a full board's moves with long names and comments fit many times.
inline constexpr std::size_t MAX_RECORD_BYTES = 1 << 20;

// A game with what the records say about it beyond its moves.
struct Record
{
    Game game;
    std::string black; // the players' names; empty when not known
    std::string white;
    std::string date; // YYYY-MM-DD; empty when not known
    // The lines a tournament .psq file carries after its moves (the two players' names and a
    // closing code line), kept as read and written back as they were.
    std::vector<std::string> psqTail;
    // The clock, in a timed game: its time control, and for each move the time its side had left
    // after it, increment included (milliseconds; empty, or -1 for a move, when not known).
    TimeControl control;
    std::vector<std::int64_t> leftMs;
};

enum class RecordFormat
{
    Psq,
    Sgf,
};
// The layout the text is in, by its first characters past any byte order mark and blanks: a
// .psq opens with "Piskvorky", an SGF with "(". Throws RecordError when it is neither.
RecordFormat recordFormat(std::string_view text);

// The record in each layout.
// The .psq keeps the moves, each move's time (0 when not known) and psqTail; not the rule, the
// opening's choices, the names outside psqTail, the date, nor a result the stones do not show.
// SGF keeps all of the record: the clock as TM (seconds a side), OT ("+S s a move", the increment)
// and each move's BL or WL (the seconds its side had left after it).
std::string writePsq(const Record &record);
std::string writeSgf(const Record &record);

// Reads a record in the layout given, or, for readRecord, the one its content shows. A .psq
// names no rule: its moves are judged under `psqRule`. Throws RecordError.
Record readPsq(std::string_view text, Rule psqRule = Rule::Freestyle);
Record readSgf(std::string_view text);
Record readRecord(std::string_view text, Rule psqRule = Rule::Freestyle);

} // namespace core
