// The desktop game online: `--join LINK` joins the link's game on its server. The network runs on
// the WebSocket client's own thread; the idle callback drains what it heard between frames and
// hands it to the online game, so the frame loop never waits for the network. The seat's secret
// is kept in a file (platform/seat_store.h); the status goes to the window's title and, a line
// for each change, to the console.
#include "app/online_session.h"

#include "app/input.h"
#include "game/online.h"
#include "game/online_message.h"
#include "platform/console.h"
#include "platform/seat_store.h"
#include "platform/websocket_client.h"

#include <GL/freeglut_std.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>

namespace
{

constexpr const char *WINDOW_TITLE = "Game";

std::optional<GameLink> joinLink; // from the command line

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

private:
    static void tell(const std::string &line)
    {
        consoleWriteBig5(big5(line) + "\n");
        consoleFlush();
    }

    WebSocketClient client_;
    std::mt19937 random_{std::random_device{}()};
    bool wasActive_ = false;
    std::string shown_;
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
    for (int i = 1; i < *argc; ++i)
    {
        if (std::strcmp(argv[i], "--join") != 0)
        {
            continue;
        }
        if (i + 1 >= *argc)
        {
            std::fprintf(stderr, "gomoku3d: --join needs the link to a game, as the page shows it "
                                 "(http://HOST:PORT/?game=ID)\n");
            return false;
        }
        GameLink link;
        std::string why;
        if (!parseGameLink(argv[i + 1], &link, &why))
        {
            std::fprintf(stderr, "gomoku3d: --join: %s\n", why.c_str());
            return false;
        }
        if (!WebSocketClient::supports(link.secure))
        {
            std::fprintf(stderr, "gomoku3d: --join: this build of the game cannot make secure "
                                 "connections, so it cannot join an https:// link\n");
            return false;
        }
        joinLink = link;
        // The two arguments leave the command line, the rest (freeglut's) stays in its order.
        for (int j = i; j + 2 <= *argc; ++j)
        {
            argv[j] = argv[j + 2];
        }
        *argc -= 2;
        --i;
    }
    return true;
}

void startOnlineSession()
{
    if (!joinLink)
    {
        return;
    }
    transport = std::make_unique<DesktopTransport>(*joinLink);
    onlineGame.attach(transport.get());
    glutAddMenuEntry("Leave online game", MENU_LEAVE_ONLINE);
    glutIdleFunc(onIdleOnline);
    onlineGame.join(joinLink->game);
}
