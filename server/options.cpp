// The server's command line, checked before anything starts.
#include "server/options.h"

#include "server/ids.h"

#include <boost/asio/ip/address.hpp>

#include <charconv>
#include <optional>
#include <string_view>

namespace
{

// A whole decimal number in [low, high], or nothing.
std::optional<long> number(const std::string &text, long low, long high)
{
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high)
    {
        return std::nullopt;
    }
    return value;
}

// The page's public address as the links are to start: http:// or https://, a host, and a path
// that ends with a slash (one is added after a bare host); nothing that a link could not carry
// as it is (no space, quote, angle bracket, ? or #), at most 200 characters.
std::optional<std::string> publicUrl(const std::string &text)
{
    std::size_t start = 0;
    for (const char *scheme : {"http://", "https://"})
    {
        if (text.rfind(scheme, 0) == 0)
        {
            start = std::string(scheme).size();
        }
    }
    if (start == 0 || text.size() > 200 || text.size() == start || text[start] == '/')
    {
        return std::nullopt;
    }
    for (const char c : text)
    {
        if (c <= ' ' || c >= 0x7f ||
            std::string_view("\"'<>\\^`{|}?#").find(c) != std::string_view::npos)
        {
            return std::nullopt;
        }
    }
    const std::size_t path = text.find('/', start);
    if (path == std::string::npos)
    {
        return text + "/";
    }
    return text.back() == '/' ? std::optional(text) : std::nullopt;
}

} // namespace

std::variant<ServerOptions, std::string>
parseServerOptions(const std::vector<std::string> &arguments)
{
    ServerOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        const std::string &option = arguments[i];
        if (option == "--help" || option == "-h")
        {
            return std::string("help");
        }
        if (option == "--behind-proxy")
        {
            options.behindProxy = true;
            continue;
        }
        if (option == "--durable")
        {
            options.durable = true;
            continue;
        }
        if (i + 1 >= arguments.size())
        {
            return option.rfind("--", 0) == 0 ? option + " needs a value"
                                              : "unknown argument " + option;
        }
        const std::string &value = arguments[++i];
        if (option == "--db")
        {
            options.database = value;
        }
        else if (option == "--redis")
        {
            // redis://HOST:PORT, as Redis's own tools write it, is HOST:PORT (no user, password
            // or database number: a Redis of the servers' own on a private network or socket).
            std::string address = value;
            if (address.starts_with("redis://"))
            {
                address.erase(0, 8);
                if (address.ends_with('/'))
                {
                    address.pop_back();
                }
                if (address.find_first_of("@/") != std::string::npos)
                {
                    address.clear();
                }
            }
            if (address.empty() || address.size() > 200 ||
                (address[0] != '/' && address.find(':') == std::string::npos))
            {
                return "--redis must be redis://HOST:PORT, HOST:PORT or the path of Redis's "
                       "socket, not \"" +
                       value + "\"";
            }
            options.redis = address;
        }
        else if (option == "--web")
        {
            options.web = value;
        }
        else if (option == "--name")
        {
            if (!validServerName(value))
            {
                return "--name must be 1 to 16 lowercase letters or digits, not \"" + value + "\"";
            }
            options.name = value;
        }
        else if (option == "--port")
        {
            const auto port = number(value, 0, 65535);
            if (!port)
            {
                return "--port must be a number from 0 to 65535, not \"" + value + "\"";
            }
            options.port = static_cast<unsigned short>(*port);
        }
        else if (option == "--bind")
        {
            boost::system::error_code error;
            boost::asio::ip::make_address(value, error);
            if (error)
            {
                return "--bind must be an IP address, not \"" + value + "\"";
            }
            options.bind = value;
        }
        else if (option == "--public-url")
        {
            const auto url = publicUrl(value);
            if (!url)
            {
                return "--public-url must be an http:// or https:// address such as "
                       "http://192.168.1.5:8080/, with no ? or #, not \"" +
                       value + "\"";
            }
            options.publicUrl = *url;
        }
        else if (option == "--allow-origin")
        {
            if (value.find("://") == std::string::npos || value.back() == '/')
            {
                return "--allow-origin must be an origin such as https://example.org, not \"" +
                       value + "\"";
            }
            options.allowedOrigins.push_back(value);
        }
        else if (option == "--games-per-address")
        {
            const auto limit = number(value, 0, 1000000);
            if (!limit)
            {
                return "--games-per-address must be a number from 0 to 1000000, not \"" + value +
                       "\"";
            }
            options.limits.gamesPerAddressPerHour = static_cast<int>(*limit);
        }
        else
        {
            return "unknown option " + option;
        }
    }
    if (options.database.empty())
    {
        return std::string(
            "--db FILE or --db postgresql://... is needed: where the games are kept");
    }
    if (!options.redis.empty() && !options.database.starts_with("postgresql://") &&
        !options.database.starts_with("postgres://"))
    {
        return std::string("--redis is for servers that share their games: it needs --db "
                           "postgresql://...");
    }
    return options;
}
