// The server's HTTP side: a table of requests and answers (the Origin check on upgrades, the
// page's files, /healthz, the requests it refuses), the idle timeout and the stop.
#include "tests/server/server_fixture.h"

#include <fstream>
#include <future>
#include <thread>

#include <gtest/gtest.h>

namespace
{

struct HttpCase
{
    std::string name;
    // $PORT stands for the server's port, $TAG and $GZIP_TAG for /gomoku3d.js's tags
    std::string request;
    std::string status;        // the status line's code
    std::string contains = {}; // in the answer (headers and body); empty: nothing asked
    std::string lacks = {};    // not in it
};

// A request that closes its connection: the method, the target and any more header lines.
std::string request(const std::string &method, const std::string &target,
                    const std::string &more = "")
{
    return method + " " + target + " HTTP/1.1\r\nHost: h\r\nConnection: close\r\n" + more + "\r\n";
}

const std::string GZIP = "Accept-Encoding: gzip\r\n";
const std::string UPGRADE = "Connection: Upgrade\r\nUpgrade: websocket\r\n"
                            "Sec-WebSocket-Version: 13\r\n"
                            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";

// An upgrade on /ws from a page of `origin` (none: the desktop game), the Host header `host`.
std::string upgrade(const std::optional<std::string> &origin,
                    const std::string &host = "127.0.0.1:$PORT")
{
    return "GET /ws HTTP/1.1\r\nHost: " + host + "\r\n" +
           (origin ? "Origin: " + *origin + "\r\n" : "") + UPGRADE;
}

const std::vector<HttpCase> REQUESTS = {
    {"no Origin: the desktop game", upgrade(std::nullopt), "101"},
    {"the page's own", upgrade("http://127.0.0.1:$PORT"), "101"},
    {"the page's own, in capitals", upgrade("HTTP://127.0.0.1:$PORT"), "101"},
    {"the page's own by name", upgrade("http://localhost:$PORT", "localhost:$PORT"), "101"},
    {"the page's own over TLS, behind a proxy", upgrade("https://127.0.0.1:$PORT"), "101"},
    {"a site listed with --allow-origin", upgrade("https://play.example.org"), "101"},
    {"another site", upgrade("https://evil.example"), "403"},
    {"another port of this host", upgrade("http://127.0.0.1:1"), "403"},
    {"this host as a prefix of another", upgrade("http://127.0.0.1:$PORT.evil.example"), "403"},
    {"a listed site's subdomain", upgrade("https://x.play.example.org"), "403"},
    {"a listed site's other scheme", upgrade("http://play.example.org"), "403"},
    {"a sandboxed page (null)", upgrade("null"), "403"},
    {"an empty Origin", upgrade(""), "403"},
    {"no scheme", upgrade("127.0.0.1:$PORT"), "403"},
    {"health", request("GET", "/healthz"), "200", "\r\n\r\nok"},
    {"the page", request("GET", "/"), "200", "<p>the page</p>"},
    {"the page by a game's link", request("GET", "/?game=local-aaaaaaaaaaaaaaaa"), "200",
     "<p>the page</p>"},
    {"the page's type", request("GET", "/index.html"), "200", "Content-Type: text/html"},
    {"a script", request("GET", "/gomoku3d.js"), "200", "Content-Type: text/javascript"},
    {"the program", request("GET", "/gomoku3d.wasm"), "200", "Content-Type: application/wasm"},
    // A fresh gzipped copy beside a file goes to a browser that takes gzip, with the file's length.
    {"gzip taken: the gzipped copy",
     request("GET", "/gomoku3d.js", "Accept-Encoding: br, gzip\r\n"), "200",
     "Content-Encoding: gzip\r\nX-Decoded-Length: 8\r\nContent-Length: 7\r\n", "start();"},
    {"gzip, in capitals and weighted",
     request("GET", "/gomoku3d.js", "Accept-Encoding: GZIP;q=0.5\r\n"), "200",
     "Content-Encoding: gzip"},
    {"gzip not taken: the file", request("GET", "/gomoku3d.js"), "200", "Content-Length: 8\r\n",
     "GZIPPED"},
    {"either way: told so", request("GET", "/gomoku3d.js"), "200", "Vary: Accept-Encoding\r\n"},
    {"no gzipped copy: nothing to tell", request("GET", "/index.html"), "200", "ETag: ", "Vary"},
    {"a browser that has any copy", request("GET", "/", "If-None-Match: *\r\n"), "304",
     "ETag: ", "the page"},
    {"gzip refused by its weight",
     request("GET", "/gomoku3d.js", "Accept-Encoding: gzip;q=0.0, br\r\n"), "200", "start();",
     "Content-Encoding"},
    {"an Accept-Encoding that is not a list",
     request("GET", "/gomoku3d.js", "Accept-Encoding: ;=,\"\r\n"), "200", "start();",
     "Content-Encoding"},
    {"HEAD of a gzipped copy", request("HEAD", "/gomoku3d.js", "Accept-Encoding: gzip\r\n"), "200",
     "Content-Length: 7", "GZIPPED"},
    {"a gzipped copy older than its file",
     request("GET", "/gomoku3d.wasm", "Accept-Encoding: gzip\r\n"), "200",
     "Content-Type: application/wasm", "Content-Encoding"},
    {"a gzipped copy without its file", request("GET", "/orphan.js", "Accept-Encoding: gzip\r\n"),
     "404"},
    // A browser that has the file as the server would send it gets a 304 and no body; one that
    // has another copy (the other encoding, or an older file) gets the file.
    {"the same copy", request("GET", "/gomoku3d.js", "If-None-Match: $TAG\r\n"), "304", "",
     "start();"},
    {"among others, weakly", request("GET", "/gomoku3d.js", "If-None-Match: \"x\",  W/$TAG \r\n"),
     "304", "", "start();"},
    {"the gzipped copy", request("GET", "/gomoku3d.js", GZIP + "If-None-Match: $GZIP_TAG\r\n"),
     "304", "", "GZIPPED"},
    {"the other encoding's", request("GET", "/gomoku3d.js", GZIP + "If-None-Match: $TAG\r\n"),
     "200", "GZIPPED"},
    {"another tag", request("GET", "/gomoku3d.js", "If-None-Match: \"1-2\"\r\n"), "200",
     "start();"},
    {"an empty list", request("GET", "/gomoku3d.js", "If-None-Match: , ,\r\n"), "200", "start();"},
    {"the connection goes on after a 304",
     "GET /gomoku3d.js HTTP/1.1\r\nHost: h\r\nIf-None-Match: $TAG\r\n\r\n" +
         request("GET", "/healthz"),
     "304", "\r\n\r\nok"},
    {"two requests on one connection",
     "GET /healthz HTTP/1.1\r\nHost: h\r\n\r\n" + request("GET", "/"), "200", "<p>the page</p>"},
    {"HEAD: the headers alone", request("HEAD", "/"), "200", "Content-Length: 15", "the page"},
    {"a file that is not there", request("GET", "/missing.js"), "404"},
    {"up out of the folder", request("GET", "/../secret.txt"), "404", "", "top secret"},
    {"up, hidden in a longer path", request("GET", "/sub/../../secret.txt"), "404", "",
     "top secret"},
    {"up, percent-encoded", request("GET", "/%2e%2e/secret.txt"), "404", "", "top secret"},
    {"a backslash", request("GET", "/..\\secret.txt"), "404", "", "top secret"},
    {"a hidden file", request("GET", "/.hidden"), "404", "", "hidden"},
    {"a folder", request("GET", "/sub"), "404"},
    {"a target that is not a path", request("GET", "secret.txt"), "404", "", "top secret"},
    {"POST", request("POST", "/", "Content-Length: 0\r\n"), "405", "Allow: GET, HEAD"},
    {"a body", request("GET", "/", "Content-Length: 5\r\n") + "hello", "400"},
    {"a header of 9 KB", request("GET", "/", "X-Long: " + std::string(9000, 'x') + "\r\n"), "400",
     ""},
    {"not HTTP", "HELLO\r\n\r\n", "400"},
    {"/ws without the upgrade", request("GET", "/ws"), "426"},
    {"an upgrade elsewhere than /ws", "GET /game HTTP/1.1\r\nHost: h\r\n" + UPGRADE, "404"},
};

// The table's requests, then an upgraded connection that stays silent past the idle time.
TEST(ServerHttp, thePagesFilesListedOriginsNothingElseAndNoSilentConnectionForever)
{
    TempDir web;
    std::ofstream(web.path() / "index.html") << "<p>the page</p>";
    std::ofstream(web.path() / "gomoku3d.js") << "start();";
    std::ofstream(web.path() / "gomoku3d.wasm") << "\0asm";
    for (const char *copy : {"gomoku3d.js.gz", "gomoku3d.wasm.gz", "orphan.js.gz"})
    {
        std::ofstream(web.path() / copy) << "GZIPPED";
    }
    std::filesystem::last_write_time(
        web.path() / "gomoku3d.wasm.gz",
        std::filesystem::last_write_time(web.path() / "gomoku3d.wasm") - std::chrono::hours(1));
    std::ofstream(web.path() / ".hidden") << "hidden";
    std::filesystem::create_directory(web.path() / "sub");
    std::ofstream(web.path().parent_path() / "secret.txt") << "top secret";
    ServerOptions options;
    options.web = web.path().string();
    options.allowedOrigins = {"https://play.example.org"};
    options.idleTimeout = std::chrono::seconds(1);
    RunningServer server(options);
    const auto get = [&](const std::string &more)
    { return rawHttp(server.port(), request("GET", "/gomoku3d.js", more), 2s); };
    const auto tagOf = [](const std::string &answer)
    {
        const std::size_t at = answer.find("ETag: ") + 6;
        return answer.substr(at, answer.find('\r', at) - at);
    };
    const std::string plainTag = tagOf(get("")), gzipTag = tagOf(get(GZIP));
    for (const HttpCase &c : REQUESTS)
    {
        SCOPED_TRACE(c.name);
        // The status alone is read from the headers: an accepted upgrade stays open.
        const bool headersOnly = c.contains.empty() && c.lacks.empty();
        const std::string answer =
            rawHttp(server.port(),
                    replaced(c.request, {{"$PORT", std::to_string(server.port())},
                                         {"$TAG", plainTag},
                                         {"$GZIP_TAG", gzipTag}}),
                    2s, headersOnly);
        EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 " + c.status) << answer;
        EXPECT_NE(answer.find(c.contains), std::string::npos) << answer;
        if (!c.lacks.empty())
        {
            EXPECT_EQ(answer.find(c.lacks), std::string::npos) << answer;
        }
    }
    std::filesystem::remove(web.path().parent_path() / "secret.txt");
    // The file changed: the tag of the copy the browser has is no longer the file's.
    std::ofstream(web.path() / "gomoku3d.js") << "start(2);";
    EXPECT_EQ(get("If-None-Match: " + plainTag + "\r\n").substr(0, 12), "HTTP/1.1 200");
    // Upgraded, then neither sending nor answering pings: closed once the idle time is over.
    const auto start = std::chrono::steady_clock::now();
    const std::string answer = rawHttp(server.port(), upgrade(std::nullopt, "h"), 8s);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 101");
    EXPECT_GE(took, 900ms);
    EXPECT_LT(took, 5s);
}

// Without --web it says how to serve the page; it stops at once while a browser keeps its
// connection open.
TEST(ServerHttp, withoutAPageItSaysHowAndStopsAtOnceWhileABrowserKeepsItsConnection)
{
    RunningServer server;
    const std::string answer = rawHttp(server.port(), "GET / HTTP/1.0\r\n\r\n", 2s);
    EXPECT_EQ(answer.substr(0, 12), "HTTP/1.0 404");
    EXPECT_NE(answer.find("--web DIR"), std::string::npos) << answer;
    // A browser keeps the connection its page came on open for the next request.
    auto client =
        std::async(std::launch::async, [port = server.port()]
                   { return rawHttp(port, "GET /healthz HTTP/1.1\r\nHost: h\r\n\r\n", 20s); });
    std::this_thread::sleep_for(500ms);
    const auto start = std::chrono::steady_clock::now();
    server.stop();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 5s) << "the server waited for the open connection's timeout";
    EXPECT_EQ(client.get().substr(0, 15), "HTTP/1.1 200 OK");
}

} // namespace
