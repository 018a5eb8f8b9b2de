// The learned evaluation: the features of a point's lines, the accumulators kept stone by stone,
// the clipped layers, and the weights file.
#include "engine/network.h"

#include "engine/search.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace engine::nn
{
namespace
{

// Where each count of points before the first wall starts among a side's states.
constexpr int SIDE_OFFSET[5] = {0, 1, 4, 13, 40};
static_assert(SIDE_OFFSET[4] + 81 == SIDE_STATES);

// A point's code in `colour`'s view: 0 empty, 1 its own stone, 2 the other's, 3 a wall.
constexpr int viewed(std::uint32_t stone, int colour)
{
    if (stone == BLACK || stone == WHITE)
    {
        return (stone == BLACK) == (colour == 0) ? 1 : 2;
    }
    return stone == EMPTY ? 0 : 3;
}

// The state of one side, its points nearest first; beyond the first wall nothing counts (the
// board ends there).
int sideState(const int (&codes)[4])
{
    int value = 0, power = 1, n = 0;
    for (; n < 4 && codes[n] != 3; ++n)
    {
        value += codes[n] * power;
        power *= 3;
    }
    return SIDE_OFFSET[n] + value;
}

int computeIndex(std::uint32_t window, int colour)
{
    int back[4], forward[4];
    for (int k = 1; k <= 4; ++k)
    {
        back[k - 1] = viewed((window >> LINE_SHIFT[5 - k]) & 3, colour);
        forward[k - 1] = viewed((window >> LINE_SHIFT[5 + k]) & 3, colour);
    }
    const int a = sideState(back), b = sideState(forward);
    const int high = std::max(a, b), low = std::min(a, b);
    return high * (high + 1) / 2 + low;
}

struct IndexTable
{
    std::array<std::array<std::uint16_t, 1 << 16>, 2> index;
    IndexTable()
    {
        for (int colour = 0; colour < 2; ++colour)
        {
            for (std::uint32_t w = 0; w < (1u << 16); ++w)
            {
                index[colour][w] = static_cast<std::uint16_t>(computeIndex(w, colour));
            }
        }
    }
};

const IndexTable &indexTable()
{
    static const IndexTable table;
    return table;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return q * b > a ? q - 1 : q;
}

constexpr std::size_t FIELDS = 12;
constexpr std::size_t VERSION1_HEADER_BYTES = 8 + 4 * 11; // no field for a correction
constexpr std::size_t FEATURE_VALUES = std::size_t{FEATURES} * WIDTH;
constexpr std::size_t LAYER_BYTES = 2 * FEATURE_VALUES + 4 * WIDTH + 2 * HIDDEN1 * WIDTH +
                                    4 * HIDDEN1 + 2 * HIDDEN2 * HIDDEN1 + 4 * HIDDEN2 +
                                    2 * HIDDEN2 + 4;

// Reads little-endian values one after the other; the caller has checked the sizes.
struct Reader
{
    const unsigned char *at;
    std::uint32_t u32()
    {
        std::uint32_t v =
            static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
            static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
        at += 4;
        return v;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::int16_t i16()
    {
        std::uint16_t v = static_cast<std::uint16_t>(at[0] | at[1] << 8);
        at += 2;
        return static_cast<std::int16_t>(v);
    }
    template <class T> void i16s(T &values)
    {
        for (auto &v : values)
        {
            v = i16();
        }
    }
    template <class T> void i32s(T &values)
    {
        for (auto &v : values)
        {
            v = i32();
        }
    }
};

struct Writer
{
    std::vector<unsigned char> &out;
    void u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
        {
            out.push_back(static_cast<unsigned char>(v >> (8 * i)));
        }
    }
    void i16(std::int16_t v)
    {
        const auto u = static_cast<std::uint16_t>(v);
        out.push_back(static_cast<unsigned char>(u));
        out.push_back(static_cast<unsigned char>(u >> 8));
    }
    template <class T> void i16s(const T &values)
    {
        for (auto v : values)
        {
            i16(v);
        }
    }
    template <class T> void i32s(const T &values)
    {
        for (auto v : values)
        {
            u32(static_cast<std::uint32_t>(v));
        }
    }
};

} // namespace

Network::Network()
    : features(FEATURE_VALUES), hidden1(std::size_t{HIDDEN1} * WIDTH),
      hidden2(std::size_t{HIDDEN2} * HIDDEN1)
{
}

std::uint32_t crc32(const unsigned char *data, std::size_t size)
{
    static const auto table = []
    {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i)
        {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
            {
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
    {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

bool readNetwork(const unsigned char *data, std::size_t size, Network &net, std::string &error)
{
    if (size < VERSION1_HEADER_BYTES)
    {
        error = "the weights file is " + std::to_string(size) + " bytes, shorter than its header";
        return false;
    }
    if (!std::equal(std::begin(FILE_MAGIC), std::end(FILE_MAGIC), data))
    {
        error = "not a network's weights file (its first bytes are not the magic)";
        return false;
    }
    Reader header{data + sizeof FILE_MAGIC};
    const std::uint32_t version = header.u32();
    if (version < 1 || version > FILE_VERSION)
    {
        error = "the weights file is of version " + std::to_string(version) +
                "; this program reads versions 1 to " + std::to_string(FILE_VERSION);
        return false;
    }
    const std::size_t headerBytes = version == 1 ? VERSION1_HEADER_BYTES : HEADER_BYTES;
    if (size < headerBytes)
    {
        error = "the weights file is " + std::to_string(size) + " bytes, shorter than its header";
        return false;
    }
    std::uint32_t fields[FIELDS - 1] = {};
    for (std::size_t i = 0; i < FIELDS - 1; ++i)
    {
        // Version 1 has no correction field: it reads as 0, a score alone.
        fields[i] = version == 1 && i == 7 ? 0 : header.u32();
    }
    const auto [features, width, hidden1, hidden2, activationOne, weightOne, scale, correction,
                noteBytes, bodyBytes, checksum] = fields;
    if (correction > 1)
    {
        error = "the weights file's correction field is " + std::to_string(correction) +
                ", neither 0 nor 1";
        return false;
    }
    if (features != FEATURES || width != WIDTH || hidden1 != HIDDEN1 || hidden2 != HIDDEN2 ||
        activationOne != ACTIVATION_ONE || weightOne != WEIGHT_ONE)
    {
        error = "the network's shape (" + std::to_string(features) + " features, " +
                std::to_string(width) + " wide, layers of " + std::to_string(hidden1) + " and " +
                std::to_string(hidden2) + ", units " + std::to_string(activationOne) + " and " +
                std::to_string(weightOne) + ") is not this program's (" + std::to_string(FEATURES) +
                ", " + std::to_string(WIDTH) + ", " + std::to_string(HIDDEN1) + " and " +
                std::to_string(HIDDEN2) + ", " + std::to_string(ACTIVATION_ONE) + " and " +
                std::to_string(WEIGHT_ONE) + ")";
        return false;
    }
    if (static_cast<std::int32_t>(scale) <= 0)
    {
        error = "the weights file's score scale is not positive";
        return false;
    }
    if (noteBytes > MAX_NOTE_BYTES)
    {
        error = "the weights file's note is " + std::to_string(noteBytes) + " bytes, more than " +
                std::to_string(MAX_NOTE_BYTES);
        return false;
    }
    const std::size_t expected = noteBytes + LAYER_BYTES;
    if (bodyBytes != expected)
    {
        error = "the weights file's header says " + std::to_string(bodyBytes) +
                " bytes follow it, where its sizes make " + std::to_string(expected);
        return false;
    }
    const std::size_t body = size - headerBytes;
    if (body != expected)
    {
        error = body < expected ? "the weights file is cut short: " + std::to_string(body) +
                                      " bytes after the header of " + std::to_string(expected)
                                : "the weights file has " + std::to_string(body - expected) +
                                      " bytes more than its network";
        return false;
    }
    if (crc32(data + headerBytes, body) != checksum)
    {
        error = "the weights file's checksum does not match: it is damaged";
        return false;
    }
    Network read;
    read.scoreScale = static_cast<std::int32_t>(scale);
    read.correction = correction == 1;
    read.tableSteps = version < 3 ? 1 : TABLE_STEPS;
    const unsigned char *at = data + headerBytes;
    read.note.assign(reinterpret_cast<const char *>(at), noteBytes);
    Reader layers{at + noteBytes};
    layers.i16s(read.features);
    layers.i32s(read.featureBias);
    layers.i16s(read.hidden1);
    layers.i32s(read.bias1);
    layers.i16s(read.hidden2);
    layers.i32s(read.bias2);
    layers.i16s(read.output);
    read.outputBias = layers.i32();
    net = std::move(read);
    return true;
}

bool loadNetwork(const std::string &path, Network &net, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        error = "cannot read " + path;
        return false;
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (in.bad())
    {
        error = "cannot read " + path;
        return false;
    }
    if (!readNetwork(bytes.data(), bytes.size(), net, error))
    {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::vector<unsigned char> writeNetwork(const Network &net)
{
    std::vector<unsigned char> body;
    Writer w{body};
    body.insert(body.end(), net.note.begin(), net.note.end());
    w.i16s(net.features);
    w.i32s(net.featureBias);
    w.i16s(net.hidden1);
    w.i32s(net.bias1);
    w.i16s(net.hidden2);
    w.i32s(net.bias2);
    w.i16s(net.output);
    w.u32(static_cast<std::uint32_t>(net.outputBias));

    std::vector<unsigned char> file(std::begin(FILE_MAGIC), std::end(FILE_MAGIC));
    Writer h{file};
    for (std::uint32_t f :
         {net.tableSteps == 1 ? std::uint32_t{2} : FILE_VERSION, std::uint32_t{FEATURES},
          std::uint32_t{WIDTH}, std::uint32_t{HIDDEN1}, std::uint32_t{HIDDEN2},
          std::uint32_t{ACTIVATION_ONE}, std::uint32_t{WEIGHT_ONE},
          static_cast<std::uint32_t>(net.scoreScale), std::uint32_t{net.correction},
          static_cast<std::uint32_t>(net.note.size()), static_cast<std::uint32_t>(body.size()),
          crc32(body.data(), body.size())})
    {
        h.u32(f);
    }
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

int featureIndex(std::uint32_t window, int colour)
{
    return indexTable().index[colour & 1][window & 0xFFFF];
}

int score(const Network &net, const Sums &sums)
{
    // A negative sum is clipped to 0 whichever way its division rounds, so plain division. The
    // activations lie in 0..ACTIVATION_ONE, so they are kept as 16 bits: a product of two 16-bit
    // values summed into 32 bits is what the processor multiplies eight at a time.
    std::int16_t in[WIDTH], mid[HIDDEN1], top[HIDDEN2];
    for (int j = 0; j < WIDTH; ++j)
    {
        in[j] = static_cast<std::int16_t>(std::clamp(sums[j] / net.tableSteps, 0, ACTIVATION_ONE));
    }
    const auto layer = [](const std::int16_t *weights, const auto &bias, const std::int16_t *from,
                          int width, std::int16_t *to, int height)
    {
        for (int i = 0; i < height; ++i)
        {
            std::int32_t z = 0;
            const std::int16_t *row = weights + static_cast<std::ptrdiff_t>(i) * width;
            for (int j = 0; j < width; ++j)
            {
                z += row[j] * from[j];
            }
            to[i] = static_cast<std::int16_t>(std::clamp(
                (z + bias[static_cast<std::size_t>(i)]) / WEIGHT_ONE, 0, ACTIVATION_ONE));
        }
    };
    layer(net.hidden1.data(), net.bias1, in, WIDTH, mid, HIDDEN1);
    layer(net.hidden2.data(), net.bias2, mid, HIDDEN1, top, HIDDEN2);
    std::int32_t dot = 0;
    for (int i = 0; i < HIDDEN2; ++i)
    {
        dot += net.output[static_cast<std::size_t>(i)] * top[i];
    }
    const std::int64_t out = std::int64_t{net.outputBias} + dot;
    const std::int64_t value = floorDiv(out * net.scoreScale, ACTIVATION_ONE * WEIGHT_ONE);
    return static_cast<int>(std::clamp<std::int64_t>(value, -WIN_THRESHOLD + 1, WIN_THRESHOLD - 1));
}

Accumulator::Accumulator(const Network &net, int size)
    : network(&net), stack(static_cast<std::size_t>(MAX_MOVES) + 1)
{
    reset(size);
}

void Accumulator::reset(int size)
{
    boardSize = std::clamp(size, MIN_SIZE, MAX_SIZE);
    count = 0;
    cells.fill(WALL);
    for (int y = 0; y < boardSize; ++y)
    {
        for (int x = 0; x < boardSize; ++x)
        {
            cells[static_cast<std::size_t>(Grid::index(x, y))] = EMPTY;
        }
    }
    for (int m = 0; m < CELL_COUNT; ++m)
    {
        for (int d = 0; d < 4; ++d)
        {
            std::uint32_t bits = 0;
            for (int k = -4; k <= 4; ++k)
            {
                const int q = m + k * DIRECTIONS[d];
                if (k != 0)
                {
                    const std::uint32_t stone = q >= 0 && q < CELL_COUNT
                                                    ? cells[static_cast<std::size_t>(q)]
                                                    : std::uint8_t{WALL};
                    bits |= stone << LINE_SHIFT[k + 5];
                }
            }
            windows[static_cast<std::size_t>(m)][d] = static_cast<std::uint16_t>(bits);
        }
    }
    stack[0] = {recomputed(0), recomputed(1)};
}

void Accumulator::addPoint(std::array<Sums, 2> &into, Move m, int sign) const
{
    const IndexTable &table = indexTable();
    for (int d = 0; d < 4; ++d)
    {
        const std::uint32_t w = windows[m][d];
        for (int colour = 0; colour < 2; ++colour)
        {
            const std::int16_t *row =
                &network->features[std::size_t{table.index[colour][w]} * WIDTH];
            Sums &s = into[colour];
            for (int j = 0; j < WIDTH; ++j)
            {
                s[j] += sign * row[j];
            }
        }
    }
}

void Accumulator::play(Move m, int colour)
{
    if (m >= CELL_COUNT || cells[m] != EMPTY)
    {
        return;
    }
    std::array<Sums, 2> next = stack[static_cast<std::size_t>(count)];
    const IndexTable &table = indexTable();
    addPoint(next, m, -1); // no longer empty
    const std::uint32_t stone = colour == 0 ? BLACK : WHITE;
    for (int d = 0; d < 4; ++d)
    {
        for (int k = -4; k <= 4; ++k)
        {
            if (k == 0)
            {
                continue;
            }
            const auto q = static_cast<std::size_t>(m + k * DIRECTIONS[d]);
            // m lies -k steps from q along the line.
            const std::uint32_t old = windows[q][d];
            const std::uint32_t now = old | stone << LINE_SHIFT[5 - k];
            windows[q][d] = static_cast<std::uint16_t>(now);
            if (cells[q] != EMPTY)
            {
                continue;
            }
            for (int c = 0; c < 2; ++c)
            {
                const std::int16_t *gone =
                    &network->features[std::size_t{table.index[c][old]} * WIDTH];
                const std::int16_t *come =
                    &network->features[std::size_t{table.index[c][now]} * WIDTH];
                Sums &s = next[c];
                for (int j = 0; j < WIDTH; ++j)
                {
                    s[j] += come[j] - gone[j];
                }
            }
        }
    }
    cells[m] = static_cast<std::uint8_t>(stone);
    played[static_cast<std::size_t>(count)] = m;
    stack[static_cast<std::size_t>(++count)] = next;
}

void Accumulator::undo()
{
    if (count == 0)
    {
        return;
    }
    const Move m = played[static_cast<std::size_t>(--count)];
    cells[m] = EMPTY;
    for (int d = 0; d < 4; ++d)
    {
        for (int k = -4; k <= 4; ++k)
        {
            if (k != 0)
            {
                const auto q = static_cast<std::size_t>(m + k * DIRECTIONS[d]);
                windows[q][d] =
                    static_cast<std::uint16_t>(windows[q][d] & ~(3u << LINE_SHIFT[5 - k]));
            }
        }
    }
}

Sums Accumulator::recomputed(int colour) const
{
    Sums s = network->featureBias;
    for (int y = 0; y < boardSize; ++y)
    {
        for (int x = 0; x < boardSize; ++x)
        {
            const int m = Grid::index(x, y);
            if (cells[static_cast<std::size_t>(m)] != EMPTY)
            {
                continue;
            }
            for (int d = 0; d < 4; ++d)
            {
                std::uint32_t bits = 0;
                for (int k = -4; k <= 4; ++k)
                {
                    if (k != 0)
                    {
                        bits |=
                            std::uint32_t{cells[static_cast<std::size_t>(m + k * DIRECTIONS[d])]}
                            << LINE_SHIFT[k + 5];
                    }
                }
                const std::int16_t *row =
                    &network
                         ->features[static_cast<std::size_t>(featureIndex(bits, colour)) * WIDTH];
                for (int j = 0; j < WIDTH; ++j)
                {
                    s[j] += row[j];
                }
            }
        }
    }
    return s;
}

} // namespace engine::nn
