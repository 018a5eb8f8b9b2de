// The desktop game online: `--join LINK` joins the link's game on its server, `--play-someone
// SERVER` seeks a rated game with a stranger there (app/online_options.h). The network runs on
// the WebSocket client's own thread; the idle callback drains what it heard between frames and
// hands it to the online game, so the frame loop never waits for the network. The seats' secrets
// and the player's are kept in files (platform/seat_store.h); the status goes to the window's
// title and, a line for each change, to the console, as do a rated game's players.
#include "app/online_session.h"

#include "app/input.h"
#include "app/online_options.h"
#include "game/online.h"
#include "game/online_message.h"
#include "platform/console.h"
#include "platform/seat_store.h"
#include "platform/websocket_client.h"

#include <GL/freeglut_std.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace
{

constexpr const char *WINDOW_TITLE = "Game";

OnlineOptions options; // from the command line

// The console writes Big5, and a status line is plain English but for its ellipsis, which Big5
// has too; anything else that is not ASCII would be a question mark.
std::string big5(const std::string &text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text.compare(i, 3, "\xe2\x80\xa6") == 0)
        {
            out += "\xa1\x4b";
            i += 2;
        }
        else if (static_cast<unsigned char>(text[i]) < 0x80)
        {
            out += text[i];
        }
        else if ((static_cast<unsigned char>(text[i]) & 0xc0) != 0x80)
        {
            out += '?';
        }
    }
    return out;
}

// freeglut gives X a window's title as Latin-1, which has no ellipsis: three dots stand for it.
std::string latinTitle(const std::string &text)
{
    std::string out = big5(text);
    for (std::string::size_type at = 0; (at = out.find("\xa1\x4b", at)) != std::string::npos;)
    {
        out.replace(at, 2, "...");
    }
    return out;
}

class DesktopTransport : public OnlineTransport
{
public:
    explicit DesktopTransport(const GameLink &link)
        : client_(link.host, link.port, link.secure, MESSAGE_MAX)
    {
    }

    void connect(const std::string &path, int delayMs) override { client_.connect(path, delayMs); }
    void send(const std::string &text) override { client_.send(text); }
    void disconnect() override { client_.disconnect(); }
    std::string loadSecret(const std::string &game) override { return loadSeat(game); }
    void storeSecret(const std::string &game, const std::string &secret) override
    {
        if (!storeSeat(game, secret))
        {
            tell("The seat could not be kept in " + seatFolder().string() +
                 ": starting the game again will not come back to it.");
        }
    }
    void forgetSecret(const std::string &game) override { forgetSeat(game); }

    void changed() override
    {
        if (onlineGame.active() != wasActive_)
        {
            wasActive_ = onlineGame.active();
            relabelMenu();
        }
        const std::string line = onlineGame.active() ? onlineGame.status() : onlineGame.problem();
        if (line != shown_)
        {
            shown_ = line;
            if (!line.empty())
            {
                tell(line);
            }
        }
        const std::string players = onlineGame.playersText();
        if (players != players_)
        {
            players_ = players;
            if (!players.empty())
            {
                tell(players);
            }
        }
        showTitle();
        glutPostRedisplay();
    }

    // The title says the status line and, in a game with a clock, both clocks; the console
    // warns once when this player's clock has less than ten seconds left.
    void showTitle()
    {
        const std::string clocks = onlineGame.clockText();
        const std::string title =
            shown_.empty() ? WINDOW_TITLE
                           : std::string(WINDOW_TITLE) + " - " +
                                 latinTitle(clocks.empty() ? shown_ : clocks + " - " + shown_);
        if (title != title_)
        {
            title_ = title;
            glutSetWindowTitle(title.c_str());
        }
        const bool warning = onlineGame.clockWarning();
        if (warning && !warned_)
        {
            tell("Less than ten seconds left on your clock!");
        }
        warned_ = warning;
    }

    // Hands what the connection heard to the online game, oldest first.
    void drain()
    {
        for (WebSocketClient::Event &event : client_.takeEvents())
        {
            switch (event.kind)
            {
            case WebSocketClient::Event::Kind::Opened:
                onlineGame.opened();
                break;
            case WebSocketClient::Event::Kind::Closed:
                onlineGame.closed(std::uniform_real_distribution<double>(0.0, 1.0)(random_));
                break;
            case WebSocketClient::Event::Kind::Message:
            {
                ServerMessage message;
                if (decodeServerMessage(event.text, &message))
                {
                    onlineGame.received(message);
                }
                else
                {
                    onlineGame.unreadable();
                }
                break;
            }
            }
        }
    }

    static void tell(const std::string &line)
    {
        consoleWriteBig5(big5(line) + "\n");
        consoleFlush();
    }

private:
    WebSocketClient client_;
    std::mt19937 random_{std::random_device{}()};
    bool wasActive_ = false;
    std::string shown_;
    std::string players_;
    std::string title_;
    bool warned_ = false;
};

std::unique_ptr<DesktopTransport> transport;

void onIdleOnline()
{
    onIdle();
    transport->drain();
    if (onlineGame.clockChanged())
    {
        transport->showTitle();
    }
}

} // namespace

bool takeOnlineOptions(int *argc, char **argv)
{
    std::string why;
    if (!takeOnlineArguments(argc, argv, &options, &why))
    {
        std::fprintf(stderr, "gomoku3d: %s\n", why.c_str());
        return false;
    }
    const GameLink *address = options.address();
    if (address != nullptr && !WebSocketClient::supports(address->secure))
    {
        std::fprintf(stderr,
                     "gomoku3d: %s: this build of the game cannot make secure "
                     "connections, so it cannot play on an https:// server\n",
                     options.join ? "--join" : "--play-someone");
        return false;
    }
    std::string note;
    const std::filesystem::path file = seatFile(ONLINE_PLAYER_KEY);
    const std::string where =
        file.empty() ? std::string("no file: the environment names no home") : file.string();
    if (!seekHasPlayer(options, isSecret(loadSeat(ONLINE_PLAYER_KEY)), where, &why, &note))
    {
        std::fprintf(stderr, "gomoku3d: %s\n", why.c_str());
        return false;
    }
    if (!note.empty())
    {
        std::fprintf(stderr, "gomoku3d: %s\n", note.c_str());
    }
    return true;
}

void startOnlineSession()
{
    const GameLink *address = options.address();
    if (address == nullptr)
    {
        return;
    }
    transport = std::make_unique<DesktopTransport>(*address);
    onlineGame.attach(transport.get());
    startFromOptions(options);
    // "Play someone" seeks again on the same server, after a game or instead of one, under the
    // online clock chosen beside it (the --clock of the command line at first).
    glutAddMenuEntry("Leave online game", MENU_LEAVE_ONLINE);
    glutAddMenuEntry(onlineClockLabel().c_str(), MENU_ONLINE_CLOCK);
    onlineClockEntry = MENU_ENTRIES + 2;
    glutAddMenuEntry("Play someone", MENU_PLAY_SOMEONE);
    pageEntry = [](int value)
    {
        if (value == MENU_PLAY_SOMEONE)
        {
            const std::string missing = playSomeoneWithoutPlayer(options);
            if (!missing.empty())
            {
                DesktopTransport::tell(missing);
            }
        }
    };
    glutIdleFunc(onIdleOnline);
}
