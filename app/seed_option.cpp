#include "app/seed_option.h"

#include "game/opponent.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

// The page's ?seed=, or an empty text.
EM_JS(char *, pageSeedText, (), {
    const text = new URLSearchParams(location.search).get('seed') || '';
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});
#endif

namespace
{

std::string seedText()
{
#ifdef __EMSCRIPTEN__
    char *text = pageSeedText();
    std::string copy = text;
    std::free(text);
    return copy;
#else
    const char *text = std::getenv("GOMOKU_SEED");
    return text ? text : "";
#endif
}

} // namespace

void takeSeedOption()
{
    const std::string text = seedText();
    std::uint64_t seed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (!text.empty() && error == std::errc{} && end == text.data() + text.size())
    {
        seedGames(seed, true);
        return;
    }
    std::random_device device;
    seedGames(std::uint64_t{device()} << 32 | device(), false);
}
