// A learned evaluation, the search's when it is given one (Searcher::useNetwork; else
// evaluation.h's): each empty point, along each of its four lines, looks up a learned vector by
// the stones within four steps on either side; the vectors of all the empty points, summed, are
// one side's accumulator, kept stone by stone as the position's patterns are; a small network of
// clipped linear layers turns the side to move's accumulator into a score. tools/train/train.py
// trains it and writes its weights file.
//
// Only empty points count: a stone's worth lies in what it lets the points around it become, and
// the empty points within four steps of it see it in their lines; a point's own stone would
// triple the table for little. The table is shared by the four lines and by a line read either
// way, so the score is the same under the board's eight symmetries whatever the weights are.
#pragma once

#include "engine/position.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace engine::nn
{

// What one side of a point's line holds, the nearest step first: the points up to the first wall,
// each empty, own or other, so 1 + 3 + 9 + 27 + 81 ways. A line's two sides taken without their
// order (a line read backwards is the same line) are one of SIDE_STATES (SIDE_STATES + 1) / 2.
inline constexpr int SIDE_STATES = 121;
inline constexpr int FEATURES = SIDE_STATES * (SIDE_STATES + 1) / 2;

// The network's shape: the accumulator's width, then two hidden layers, then the score.
inline constexpr int WIDTH = 32;
inline constexpr int HIDDEN1 = 32;
inline constexpr int HIDDEN2 = 32;
// Fixed point: an activation of 1.0 is ACTIVATION_ONE, a layer's weight of 1.0 is WEIGHT_ONE.
inline constexpr int ACTIVATION_ONE = 127;
inline constexpr int WEIGHT_ONE = 64;
// The feature table and its bias are finer: 1.0 is ACTIVATION_ONE * TABLE_STEPS, and a sum goes
// into the first layer divided by TABLE_STEPS. A row stands for one line of hundreds in a
// position, so its learnt values are a few hundredths; in whole activation units they round
// to 0 or 1 and the sum of a position's rows keeps little of what the network learnt.
inline constexpr int TABLE_STEPS = 64;

// The weights file: little-endian, a header of FILE_MAGIC and the fields below (each 32 bits),
// then the note (its provenance, UTF-8) and the layers in the order of Network's members, each
// row after row. The checksum is the CRC-32 (zlib's) of everything after the header.
inline constexpr char FILE_MAGIC[8] = {'G', '3', 'D', 'N', 'E', 'T', '\r', '\n'};
inline constexpr std::uint32_t FILE_VERSION = 3;
inline constexpr std::size_t HEADER_BYTES = 8 + 4 * 12;
inline constexpr std::size_t MAX_NOTE_BYTES = 4096;
// Header fields after the magic: version, FEATURES, WIDTH, HIDDEN1, HIDDEN2, ACTIVATION_ONE,
// WEIGHT_ONE, the score's units (search units for a logit of 1), whether the score corrects the
// hand-made evaluation (1) or stands alone (0), the note's bytes, the bytes after the header, the
// checksum. Version 1 had no such field (a score alone); versions 1 and 2 kept the feature table
// in whole activation units (TABLE_STEPS 1). Both are still read.

struct Network
{
    std::vector<std::int16_t> features; // FEATURES x WIDTH, in ACTIVATION_ONE * tableSteps units
    std::array<std::int32_t, WIDTH> featureBias{};
    std::int32_t tableSteps = TABLE_STEPS;     // 1 for the files of versions 1 and 2
    std::vector<std::int16_t> hidden1;         // HIDDEN1 x WIDTH, in WEIGHT_ONE units
    std::array<std::int32_t, HIDDEN1> bias1{}; // in ACTIVATION_ONE * WEIGHT_ONE units
    std::vector<std::int16_t> hidden2;         // HIDDEN2 x HIDDEN1
    std::array<std::int32_t, HIDDEN2> bias2{};
    std::array<std::int16_t, HIDDEN2> output{};
    std::int32_t outputBias = 0;
    std::int32_t scoreScale = 2000; // search units for a logit of 1 (the output 1.0)
    bool correction = false;        // the score is added to the hand-made evaluation
    std::string note;

    // All zero, of the right sizes.
    Network();
};

// Reads a weights file from memory; on failure says why in `error` and leaves `net` as it was.
bool readNetwork(const unsigned char *data, std::size_t size, Network &net, std::string &error);
bool loadNetwork(const std::string &path, Network &net, std::string &error);
// The file's bytes for `net`: of version 2 when its table is in whole activation units.
std::vector<unsigned char> writeNetwork(const Network &net);
std::uint32_t crc32(const unsigned char *data, std::size_t size);

// The feature of a line's window (the layout of position.h's neighbourhoods: two bits a point,
// four steps back in bits 0-1 ... four steps forward in bits 14-15) seen by `colour` (0 black):
// its own stones, the other's, empty points and walls.
int featureIndex(std::uint32_t window, int colour);

using Sums = std::array<std::int32_t, WIDTH>;

// The score of an accumulator, from the side whose view it is, in the search's units.
int score(const Network &net, const Sums &sums);

// Both sides' accumulators of one board, kept stone by stone. The board is the position's layout
// (Move indices), so that it can follow a Position's play and undo.
class Accumulator
{
public:
    explicit Accumulator(const Network &net, int size = 15);

    // An empty board of size x size.
    void reset(int size);
    int size() const { return boardSize; }
    // A stone of `colour` (0 black) on the empty point m; on any other point, nothing.
    void play(Move m, int colour);
    // Takes back the last stone played.
    void undo();
    int stones() const { return count; }

    // `colour`'s view: its sums as kept, and worked out afresh from the stones.
    const Sums &sums(int colour) const { return stack[static_cast<std::size_t>(count)][colour]; }
    Sums recomputed(int colour) const;
    // The score for `colour` to move.
    int evaluate(int colour) const { return score(*network, sums(colour)); }

private:
    void addPoint(std::array<Sums, 2> &into, Move m, int sign) const;

    const Network *network;
    int boardSize = 0;
    int count = 0;
    std::array<std::uint8_t, CELL_COUNT> cells{};
    std::array<std::array<std::uint16_t, 4>, CELL_COUNT> windows{};
    std::vector<std::array<Sums, 2>> stack; // after each stone, from the empty board on
    std::array<Move, MAX_MOVES> played{};
};

} // namespace engine::nn
