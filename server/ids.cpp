// Game ids and seat secrets, drawn from the kernel's random source (getrandom), which blocks only
// until the system's pool is first seeded.
#include "server/ids.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <sys/random.h>

namespace
{

constexpr std::size_t TOKEN_LENGTH = 16;
constexpr std::size_t SECRET_LENGTH = 32;
constexpr std::size_t NAME_MAX_LENGTH = 16;
constexpr std::string_view BASE32 = "abcdefghijklmnopqrstuvwxyz234567";

template <std::size_t N> std::array<std::uint8_t, N> randomBytes()
{
    std::array<std::uint8_t, N> bytes{};
    std::size_t got = 0;
    while (got < N)
    {
        const ssize_t n = getrandom(bytes.data() + got, N - got, 0);
        if (n < 0 && errno != EINTR)
        {
            throw std::runtime_error("the system's random source failed");
        }
        got += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    return bytes;
}

bool allOf(std::string_view text, bool (*accepted)(char))
{
    return std::all_of(text.begin(), text.end(), accepted);
}

} // namespace

bool validServerName(std::string_view name)
{
    return !name.empty() && name.size() <= NAME_MAX_LENGTH &&
           allOf(name, [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

bool validGameId(std::string_view id)
{
    if (id.size() < TOKEN_LENGTH + 2)
    {
        return false;
    }
    const std::string_view token = id.substr(id.size() - TOKEN_LENGTH);
    return id[id.size() - TOKEN_LENGTH - 1] == '-' && validServerName(serverNameOf(id)) &&
           allOf(token, [](char c) { return (c >= 'a' && c <= 'z') || (c >= '2' && c <= '7'); });
}

std::string_view serverNameOf(std::string_view id)
{
    return id.size() > TOKEN_LENGTH ? id.substr(0, id.size() - TOKEN_LENGTH - 1)
                                    : std::string_view{};
}

bool validSecret(std::string_view secret)
{
    return secret.size() == SECRET_LENGTH &&
           allOf(secret, [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string newGameId(std::string_view name)
{
    // 80 bits make 16 characters of 5 bits each.
    const auto bytes = randomBytes<10>();
    std::string id(name);
    id += '-';
    std::uint32_t bits = 0;
    int held = 0;
    for (std::uint8_t byte : bytes)
    {
        bits = (bits << 8) | byte;
        held += 8;
        while (held >= 5)
        {
            held -= 5;
            id += BASE32[(bits >> held) & 31];
        }
    }
    return id;
}

std::string newSecret()
{
    static constexpr std::string_view HEX = "0123456789abcdef";
    std::string secret;
    for (std::uint8_t byte : randomBytes<SECRET_LENGTH / 2>())
    {
        secret += HEX[byte >> 4];
        secret += HEX[byte & 15];
    }
    return secret;
}

bool randomBit()
{
    return (randomBytes<1>()[0] & 1) != 0;
}

bool sameSecret(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
    {
        return false;
    }
    unsigned char differ = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return differ == 0;
}
