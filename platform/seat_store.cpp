// The seats' files: seat-ID in the folder, holding the secret and a line feed. A file is written
// beside its place and renamed into it, so that a game stopped while writing leaves the old
// secret or the new one, never half of one.
#include "platform/seat_store.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace
{

constexpr std::size_t NAME_MAX_LENGTH = 64;
constexpr std::size_t SECRET_MAX_LENGTH = 64;

// A game's name is made of a-z, 0-9 and hyphens: anything else never becomes part of a path.
bool fileSafe(const std::string &game)
{
    return !game.empty() && game.size() <= NAME_MAX_LENGTH &&
           std::all_of(game.begin(), game.end(),
                       [](char c)
                       { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; });
}

const char *environment(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

} // namespace

fs::path seatFolder()
{
#ifdef _WIN32
    if (const char *local = environment("LOCALAPPDATA"))
    {
        return fs::path(local) / "gomoku3d";
    }
    return {};
#else
    // XDG's state folder, if it is an absolute path, as the base directory rules ask.
    if (const char *state = environment("XDG_STATE_HOME"); state != nullptr && state[0] == '/')
    {
        return fs::path(state) / "gomoku3d";
    }
    if (const char *home = environment("HOME"))
    {
        return fs::path(home) / ".local" / "state" / "gomoku3d";
    }
    return {};
#endif
}

fs::path seatFile(const std::string &game)
{
    const fs::path folder = seatFolder();
    return folder.empty() || !fileSafe(game) ? fs::path() : folder / ("seat-" + game);
}

std::string loadSeat(const std::string &game)
{
    const fs::path file = seatFile(game);
    if (file.empty())
    {
        return "";
    }
    std::ifstream in(file, std::ios::binary);
    std::string secret(SECRET_MAX_LENGTH + 1, '\0');
    in.read(secret.data(), static_cast<std::streamsize>(secret.size()));
    secret.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (!secret.empty() && secret.back() == '\n')
    {
        secret.pop_back();
    }
    return secret.size() > SECRET_MAX_LENGTH ? "" : secret;
}

bool storeSeat(const std::string &game, const std::string &secret)
{
    const fs::path file = seatFile(game);
    if (file.empty() || secret.size() > SECRET_MAX_LENGTH)
    {
        return false;
    }
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    fs::permissions(file.parent_path(), fs::perms::owner_all, fs::perm_options::replace, error);
    fs::path written = file;
    written += ".new";
    {
        // Made empty and closed to everyone but its owner before the secret goes in.
        std::ofstream out(written, std::ios::binary | std::ios::trunc);
        if (!out)
        {
            return false;
        }
        fs::permissions(written, fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::replace, error);
        out << secret << '\n';
        out.close();
        if (!out)
        {
            fs::remove(written, error);
            return false;
        }
    }
    fs::rename(written, file, error);
    return !error;
}

void forgetSeat(const std::string &game)
{
    const fs::path file = seatFile(game);
    std::error_code ignored;
    if (!file.empty())
    {
        fs::remove(file, ignored);
    }
}
