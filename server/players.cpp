#include "server/players.h"

#include <array>

namespace
{

bool letterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Names that would pass for the server or its people.
constexpr std::array<std::string_view, 8> KEPT = {"admin",  "server",   "moderator", "gomoku3d",
                                                  "system", "official", "anonymous", "watcher"};

} // namespace

std::string foldedName(std::string_view name)
{
    std::string folded;
    for (char c : name)
    {
        if (c >= 'A' && c <= 'Z')
        {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c == ' ' || c == '_' || c == '-' || c == '.')
        {
            continue;
        }
        folded += c == '0' ? 'o' : c == '1' || c == 'i' || c == '|' ? 'l' : c;
    }
    return folded;
}

bool validPlayerName(std::string_view name, std::string *why)
{
    if (name.size() < NAME_SHORTEST || name.size() > NAME_LONGEST)
    {
        *why = "A name has 2 to 20 characters";
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i)
    {
        const char c = name[i];
        if (!letterOrDigit(c) && c != ' ' && c != '_' && c != '-' && c != '.')
        {
            *why = "A name has letters, digits, spaces, '_', '-' and '.' only";
            return false;
        }
        if (c == ' ' && i > 0 && name[i - 1] == ' ')
        {
            *why = "A name has no two spaces together";
            return false;
        }
    }
    if (!letterOrDigit(name.front()) || !letterOrDigit(name.back()))
    {
        *why = "A name starts and ends with a letter or a digit";
        return false;
    }
    const std::string folded = foldedName(name);
    for (std::string_view kept : KEPT)
    {
        if (folded == foldedName(kept))
        {
            *why = "That name is the server's own";
            return false;
        }
    }
    return true;
}
