// Record files on the desktop: written beside their place and renamed into it, so that a game
// stopped while saving leaves no half-written record.
#include "platform/records.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace
{

constexpr std::size_t STEM_MAX_LENGTH = 64;

bool stemSafe(const std::string &stem)
{
    return !stem.empty() && stem.size() <= STEM_MAX_LENGTH &&
           std::all_of(stem.begin(), stem.end(),
                       [](char c) {
                           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                  (c >= '0' && c <= '9') || c == '-';
                       });
}

const char *environment(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

} // namespace

fs::path recordsFolder()
{
#ifdef _WIN32
    if (const char *roaming = environment("APPDATA"))
    {
        return fs::path(roaming) / "gomoku3d" / "games";
    }
    return {};
#else
    // XDG's data folder, if it is an absolute path, as the base directory rules ask.
    if (const char *data = environment("XDG_DATA_HOME"); data != nullptr && data[0] == '/')
    {
        return fs::path(data) / "gomoku3d" / "games";
    }
    if (const char *home = environment("HOME"))
    {
        return fs::path(home) / ".local" / "share" / "gomoku3d" / "games";
    }
    return {};
#endif
}

std::string platformSaveRecord(const std::string &stem, const std::string &extension,
                               const std::string &text, std::string *why)
{
    if (!stemSafe(stem) || (extension != ".psq" && extension != ".sgf"))
    {
        *why = "not a record's name: " + stem + extension;
        return {};
    }
    const fs::path folder = recordsFolder();
    if (folder.empty())
    {
        *why = "no home folder to keep records in";
        return {};
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
    {
        *why = "cannot make " + folder.string() + ": " + error.message();
        return {};
    }
    const fs::path file = folder / (stem + extension);
    const fs::path part = folder / (stem + extension + ".part");
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out)
        {
            *why = "cannot write " + part.string();
            fs::remove(part, error);
            return {};
        }
    }
    fs::rename(part, file, error);
    if (error)
    {
        *why = "cannot write " + file.string() + ": " + error.message();
        fs::remove(part, error);
        return {};
    }
    return file.string();
}

bool readRecordFile(const fs::path &path, std::size_t maxBytes, std::string *text, std::string *why)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        *why = "cannot open " + path.string();
        return false;
    }
    text->assign(maxBytes + 1, '\0');
    in.read(text->data(), static_cast<std::streamsize>(text->size()));
    text->resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (text->size() > maxBytes)
    {
        *why = path.string() + " is larger than a record may be (" + std::to_string(maxBytes) +
               " bytes)";
        return false;
    }
    if (in.bad())
    {
        *why = "cannot read " + path.string();
        return false;
    }
    return true;
}
