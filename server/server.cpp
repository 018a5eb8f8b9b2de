// The network side of the server with Boost.Beast: an acceptor, an HTTP session for each new
// connection (the page's files, /healthz, and the upgrade to WebSocket at /ws with its Origin
// check), and a WebSocket connection for each client of the games, with its rate limit and its
// bounded send queue. Everything runs on one event loop: a handler never waits on another.
#include "server/server.h"

#include "server/live.h"
#ifdef GOMOKU_CLUSTER
#include "server/cluster.h"
#endif
#include "server/records.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <unordered_set>

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = net::ip::tcp;

namespace
{

constexpr std::string_view SERVER_HEADER = "gomoku3d-server";
constexpr std::chrono::seconds HTTP_TIMEOUT{30};
constexpr std::size_t HTTP_HEADER_LIMIT = 8192;
// The kernel's send buffer for each client: enough for many messages, small enough that a client
// that stops reading fills it soon and its messages wait in the bounded queue instead.
constexpr int SOCKET_SEND_BUFFER = 16 * 1024;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y)
                      {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}

std::string_view contentType(const std::filesystem::path &path)
{
    const std::string extension = path.extension().string();
    if (extension == ".html")
    {
        return "text/html; charset=utf-8";
    }
    if (extension == ".js")
    {
        return "text/javascript";
    }
    if (extension == ".wasm")
    {
        return "application/wasm";
    }
    if (extension == ".png")
    {
        return "image/png";
    }
    if (extension == ".css")
    {
        return "text/css";
    }
    if (extension == ".json")
    {
        return "application/json";
    }
    return "application/octet-stream";
}

// Whether an Accept-Encoding header takes gzip: named, and not with a weight of zero.
bool takesGzip(std::string_view accepted)
{
    for (const auto &[coding, parameters] : http::ext_list{accepted})
    {
        if (!equalsIgnoringCase(coding, "gzip"))
        {
            continue;
        }
        for (const auto &[name, value] : parameters)
        {
            if (equalsIgnoringCase(name, "q") && !value.empty() &&
                value.find_first_not_of("0.") == std::string_view::npos)
            {
                return false;
            }
        }
        return true;
    }
    return false;
}

// Whether an If-None-Match header names `tag` (or is "*"): its entity tags compared weakly.
bool namesTag(std::string_view header, std::string_view tag)
{
    while (!header.empty())
    {
        const std::size_t comma = header.find(',');
        std::string_view item = header.substr(0, comma);
        header = comma == std::string_view::npos ? std::string_view() : header.substr(comma + 1);
        const std::size_t first = item.find_first_not_of(" \t");
        if (first == std::string_view::npos)
        {
            continue;
        }
        item = item.substr(first, item.find_last_not_of(" \t") + 1 - first);
        if (item.starts_with("W/"))
        {
            item.remove_prefix(2);
        }
        if (item == "*" || item == tag)
        {
            return true;
        }
    }
    return false;
}

// The gzipped copy of a page's file beside it, when there is one as new as the file.
std::optional<std::filesystem::path> gzippedCopy(const std::filesystem::path &file)
{
    std::filesystem::path copy = file;
    copy += ".gz";
    std::error_code error;
    if (!std::filesystem::is_regular_file(copy, error))
    {
        return std::nullopt;
    }
    std::error_code fileError;
    const auto copied = std::filesystem::last_write_time(copy, error);
    const auto original = std::filesystem::last_write_time(file, fileError);
    if (error || fileError || copied < original)
    {
        return std::nullopt;
    }
    return copy;
}

// The path of a request's target, without its query: "/ws" of "/ws?game=ID".
std::string_view pathOf(std::string_view target)
{
    return target.substr(0, target.find_first_of("?#"));
}

// A message-rate allowance: `burst` messages at once, refilled at `rate` a second.
class TokenBucket
{
public:
    TokenBucket(double rate, double burst)
        : rate_(rate), burst_(burst), tokens_(burst), at_(std::chrono::steady_clock::now())
    {
    }

    bool take()
    {
        const auto now = std::chrono::steady_clock::now();
        const std::chrono::duration<double> elapsed = now - at_;
        at_ = now;
        tokens_ = std::min(burst_, tokens_ + elapsed.count() * rate_);
        if (tokens_ < 1.0)
        {
            return false;
        }
        tokens_ -= 1.0;
        return true;
    }

private:
    double rate_;
    double burst_;
    double tokens_;
    std::chrono::steady_clock::time_point at_;
};

} // namespace

class Connection;
class HttpSession;

struct Server::Impl : std::enable_shared_from_this<Server::Impl>
{
    Impl(net::io_context &io, const ServerOptions &options, Clock clock, LogLine log)
        : io(io), options(options), log(log), store(openStore(options.database, options.durable)),
          hub(options.name, *store, std::move(clock), log, sharing(options), options.publicUrl),
          acceptor(io), sweepTimer(io), tickTimer(io), retryTimer(io)
    {
#ifdef GOMOKU_CLUSTER
        if (!options.redis.empty())
        {
            try
            {
                cluster = std::make_unique<Cluster>(io, hub, options.redis, options.name, log);
            }
            catch (const ClusterError &error)
            {
                throw StoreError(error.what());
            }
        }
#else
        if (!options.redis.empty())
        {
            throw StoreError("this server was built without Redis (libhiredis-dev)");
        }
#endif
    }

    static HubLimits sharing(const ServerOptions &options)
    {
        HubLimits limits = options.limits;
        limits.sharedStore = !options.redis.empty();
        return limits;
    }

    ~Impl()
    {
#ifdef GOMOKU_CLUSTER
        if (cluster)
        {
            cluster->stop();
        }
#endif
    }

    // A client's message, handled here or, through the cluster, where its game is carried.
    void receive(Peer &peer, std::uint64_t client, std::string_view text)
    {
#ifdef GOMOKU_CLUSTER
        if (cluster)
        {
            cluster->receive(client, text);
            return;
        }
#endif
        (void)client;
        hub.receive(peer, text);
    }

    void leave(Peer &peer, std::uint64_t client)
    {
#ifdef GOMOKU_CLUSTER
        if (cluster)
        {
            cluster->leave(client);
            return;
        }
#endif
        (void)client;
        hub.leave(peer);
    }

    std::uint64_t open(Peer &peer)
    {
#ifdef GOMOKU_CLUSTER
        if (cluster)
        {
            return cluster->open(peer);
        }
#endif
        (void)peer;
        return 0;
    }

    std::vector<LiveGame> liveGames()
    {
#ifdef GOMOKU_CLUSTER
        if (cluster)
        {
            return cluster->liveGames();
        }
#endif
        return hub.liveGames();
    }

    void tick()
    {
        hub.tick();
#ifdef GOMOKU_CLUSTER
        if (cluster)
        {
            cluster->tick();
        }
#endif
    }

    net::io_context &io;
    ServerOptions options;
    LogLine log;
    std::unique_ptr<Store> store;
    Hub hub;
#ifdef GOMOKU_CLUSTER
    std::unique_ptr<Cluster> cluster;
#endif
    tcp::acceptor acceptor;
    net::steady_timer sweepTimer;
    net::steady_timer tickTimer;
    net::steady_timer retryTimer;
    std::unordered_set<Connection *> connections;
    std::unordered_set<HttpSession *> httpSessions;
    bool stopped = false;

    void listen();
    void accept();
    void scheduleSweep();
    void scheduleTick();
    bool originAllowed(const http::request<http::empty_body> &request) const;
    std::string clientAddress(const tcp::socket &socket,
                              const http::request<http::empty_body> &request) const;
};

// One client of the games, over WebSocket.
class Connection : public Peer, public std::enable_shared_from_this<Connection>
{
public:
    Connection(tcp::socket socket, std::string address, std::shared_ptr<Server::Impl> server)
        : Peer(std::move(address)), ws_(std::move(socket)), server_(std::move(server)),
          bucket_(server_->options.messagesPerSecond, server_->options.messageBurst)
    {
        server_->connections.insert(this);
        client_ = server_->open(*this);
    }

    ~Connection() override
    {
        leave();
        server_->connections.erase(this);
    }

    void accept(http::request<http::empty_body> request)
    {
        websocket::stream_base::timeout timeout{};
        timeout.handshake_timeout = HTTP_TIMEOUT;
        timeout.idle_timeout = server_->options.idleTimeout;
        timeout.keep_alive_pings = true;
        ws_.set_option(timeout);
        ws_.set_option(websocket::stream_base::decorator(
            [](websocket::response_type &response)
            { response.set(http::field::server, SERVER_HEADER); }));
        ws_.async_accept(request, [self = shared_from_this()](beast::error_code error)
                         { error ? self->end() : self->readMore(); });
    }

    void send(const std::shared_ptr<const std::string> &message) override
    {
        if (dropped_ || closing_)
        {
            return;
        }
        if (queue_.size() >= server_->options.sendQueueMessages ||
            queuedBytes_ + message->size() > server_->options.sendQueueBytes)
        {
            // It reads too slowly for its games: let it go rather than hold its messages forever.
            server_->log("dropping a connection from " + address() +
                         ": it does not read what it is sent");
            drop();
            return;
        }
        queue_.push_back(message);
        queuedBytes_ += message->size();
        if (!writing_)
        {
            writeNext();
        }
    }

    void close() override
    {
        closing_ = true;
        if (!writing_)
        {
            closeNow();
        }
    }

    // Ends the connection at once, whatever waits to be sent (the server is stopping).
    void drop()
    {
        dropped_ = true;
        beast::error_code ignored;
        beast::get_lowest_layer(ws_).close(ignored);
    }

private:
    websocket::stream<tcp::socket> ws_;
    std::shared_ptr<Server::Impl> server_;
    TokenBucket bucket_;
    beast::flat_buffer in_;
    std::vector<std::shared_ptr<const std::string>> queue_;
    std::size_t queuedBytes_ = 0;
    bool writing_ = false;
    bool closing_ = false;
    bool dropped_ = false;
    bool left_ = false;
    std::uint64_t client_ = 0; // its number in the cluster

    void readMore()
    {
        // One byte more than a message may hold, so that a longer one is seen without reading it.
        const std::size_t room = MAX_MESSAGE_BYTES + 1 - in_.size();
        ws_.async_read_some(in_, room,
                            [self = shared_from_this()](beast::error_code error, std::size_t)
                            { self->onRead(error); });
    }

    void onRead(beast::error_code error)
    {
        if (error || dropped_)
        {
            end();
            return;
        }
        if (in_.size() > MAX_MESSAGE_BYTES)
        {
            in_.clear();
            server_->hub.refuse(*this, ErrorCode::TooLarge, "A message may hold at most 4096 bytes",
                                true);
            return;
        }
        if (!ws_.is_message_done())
        {
            readMore();
            return;
        }
        if (!bucket_.take())
        {
            in_.clear();
            server_->hub.refuse(*this, ErrorCode::RateLimited,
                                "Too many messages; the connection is closed", true);
            return;
        }
        const auto data = in_.cdata();
        server_->receive(*this, client_,
                         std::string_view(static_cast<const char *>(data.data()), data.size()));
        in_.clear();
        if (dropped_)
        {
            end(); // dropped while its message was handled (it did not read)
        }
        else if (!closing_)
        {
            readMore();
        }
    }

    void writeNext()
    {
        writing_ = true;
        ws_.async_write(net::buffer(*queue_.front()),
                        [self = shared_from_this()](beast::error_code error, std::size_t)
                        { self->onWrite(error); });
    }

    void onWrite(beast::error_code error)
    {
        writing_ = false;
        if (!queue_.empty())
        {
            queuedBytes_ -= queue_.front()->size();
            queue_.erase(queue_.begin());
        }
        if (error || dropped_)
        {
            drop();
            return;
        }
        if (!queue_.empty())
        {
            writeNext();
        }
        else if (closing_)
        {
            closeNow();
        }
    }

    void closeNow()
    {
        leave();
        ws_.async_close(websocket::close_code::policy_error,
                        [self = shared_from_this()](beast::error_code) { self->drop(); });
    }

    // Every path out of the connection comes here, or to closeNow(), once the last read is over.
    void end()
    {
        leave();
        drop();
    }

    void leave()
    {
        if (!left_)
        {
            left_ = true;
            server_->leave(*this, client_);
        }
    }
};

// One connection's HTTP requests, until it asks for the upgrade to WebSocket.
class HttpSession : public std::enable_shared_from_this<HttpSession>
{
public:
    HttpSession(tcp::socket socket, std::shared_ptr<Server::Impl> server)
        : stream_(std::move(socket)), server_(std::move(server))
    {
        server_->httpSessions.insert(this);
    }

    ~HttpSession() { server_->httpSessions.erase(this); }

    // Ends the session at once (the server is stopping).
    void drop() { stream_.close(); }

    void read()
    {
        parser_.emplace();
        parser_->header_limit(HTTP_HEADER_LIMIT);
        stream_.expires_after(HTTP_TIMEOUT);
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code error, std::size_t)
                         { self->onRequest(error); });
    }

private:
    beast::tcp_stream stream_;
    std::shared_ptr<Server::Impl> server_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::empty_body>> parser_;

    void onRequest(beast::error_code error)
    {
        if (error)
        {
            // A request the parser refuses (too long a header, a body) is answered before closing.
            if (error != http::error::end_of_stream && error != beast::error::timeout &&
                error != net::error::operation_aborted && error != net::error::connection_reset)
            {
                respond(textResponse(http::status::bad_request, "Bad request\n", 11, false));
            }
            return;
        }
        http::request<http::empty_body> request = parser_->release();
        if (websocket::is_upgrade(request))
        {
            upgrade(std::move(request));
            return;
        }
        if (request.method() != http::verb::get && request.method() != http::verb::head)
        {
            auto response = textResponse(http::status::method_not_allowed, "Only GET and HEAD\n",
                                         request.version(), request.keep_alive());
            response.set(http::field::allow, "GET, HEAD");
            respond(std::move(response));
            return;
        }
        const std::string_view path = pathOf(request.target());
        if (path == "/healthz")
        {
            respond(textResponse(http::status::ok, "ok", request.version(), request.keep_alive()));
            return;
        }
        if (path == "/ws")
        {
            respond(textResponse(http::status::upgrade_required, "WebSocket only\n",
                                 request.version(), request.keep_alive()));
            return;
        }
        if (asksForRecord(path))
        {
            serveRecord(request, path);
            return;
        }
        if (path == "/live" || path == "/live.json")
        {
            const auto games = server_->liveGames();
            auto response =
                textResponse(http::status::ok, path == "/live" ? livePage(games) : liveJson(games),
                             request.version(), request.keep_alive());
            response.set(http::field::content_type,
                         path == "/live" ? "text/html; charset=utf-8" : "application/json");
            response.set(http::field::cache_control, "no-store");
            respond(std::move(response));
            return;
        }
        serveFile(request, path);
    }

    void upgrade(http::request<http::empty_body> request)
    {
        if (pathOf(request.target()) != "/ws")
        {
            respond(textResponse(http::status::not_found, "Not found\n", request.version(), false));
            return;
        }
        if (!server_->originAllowed(request))
        {
            server_->log("refused a WebSocket from another site's page");
            respond(textResponse(http::status::forbidden, "This page may not play here\n",
                                 request.version(), false));
            return;
        }
        std::string address = server_->clientAddress(stream_.socket(), request);
        stream_.expires_never();
        beast::error_code ignored;
        stream_.socket().set_option(net::socket_base::send_buffer_size(SOCKET_SEND_BUFFER),
                                    ignored);
        auto connection =
            std::make_shared<Connection>(stream_.release_socket(), std::move(address), server_);
        connection->accept(std::move(request));
    }

    // A stored game's record, or 404; a store that fails answers 503, and the server goes on.
    void serveRecord(const http::request<http::empty_body> &request, std::string_view path)
    {
        std::optional<ServedRecord> record;
        try
        {
            record = servedRecord(*server_->store, path);
        }
        catch (const StoreError &error)
        {
            server_->log(std::string("a record could not be read: ") + error.what());
            respond(textResponse(http::status::service_unavailable, "The games cannot be read\n",
                                 request.version(), false));
            return;
        }
        if (!record)
        {
            respond(textResponse(http::status::not_found, "No such game\n", request.version(),
                                 request.keep_alive()));
            return;
        }
        auto response = textResponse(http::status::ok, std::move(record->text), request.version(),
                                     request.keep_alive());
        response.set(http::field::content_type, record->contentType);
        response.set(http::field::content_disposition,
                     "attachment; filename=\"" + record->fileName + "\"");
        if (request.method() == http::verb::head)
        {
            http::response<http::empty_body> head{response.base()};
            head.content_length(response.body().size());
            respond(std::move(head));
            return;
        }
        respond(std::move(response));
    }

    void serveFile(const http::request<http::empty_body> &request, std::string_view path)
    {
        const unsigned version = request.version();
        const bool keepAlive = request.keep_alive();
        if (server_->options.web.empty())
        {
            respond(textResponse(http::status::not_found,
                                 "This server has no page (start it with --web DIR)\n", version,
                                 keepAlive));
            return;
        }
        // Only plain names inside the page's folder: no way up, no escapes, no hidden files.
        if (path.empty() || path[0] != '/' || path.find("/.") != std::string_view::npos ||
            path.find_first_of("\\%") != std::string_view::npos ||
            path.find('\0') != std::string_view::npos)
        {
            respond(textResponse(http::status::not_found, "Not found\n", version, keepAlive));
            return;
        }
        std::filesystem::path file = server_->options.web;
        file += std::string(path);
        if (path.back() == '/')
        {
            file += "index.html";
        }
        std::error_code status;
        if (!std::filesystem::is_regular_file(file, status))
        {
            respond(textResponse(http::status::not_found, "Not found\n", version, keepAlive));
            return;
        }
        // A browser that takes gzip gets the file's gzipped copy when there is a fresh one, and
        // the file's own length beside it for the page's count of bytes.
        const auto copy = gzippedCopy(file);
        const bool gzipped = copy && takesGzip(request[http::field::accept_encoding]);
        std::error_code sizeError;
        const auto decoded = std::filesystem::file_size(file, sizeError);
        http::file_body::value_type body;
        beast::error_code error;
        body.open((gzipped ? *copy : file).c_str(), beast::file_mode::scan, error);
        if (error || sizeError)
        {
            respond(textResponse(http::status::not_found, "Not found\n", version, keepAlive));
            return;
        }
        const auto size = body.size();
        // The file as sent, named by its length and time: a browser that has it already gets a
        // 304 and keeps its own (a player coming back loads nothing again on a slow line).
        std::error_code timeError;
        const auto time = std::filesystem::last_write_time(gzipped ? *copy : file, timeError);
        const std::string tag = "\"" + std::to_string(size) + "-" +
                                std::to_string(time.time_since_epoch().count()) +
                                (gzipped ? "-gz" : "") + "\"";
        const auto headers = [&](auto &answer)
        {
            answer.set(http::field::server, SERVER_HEADER);
            answer.set(http::field::cache_control, "no-cache");
            if (!timeError)
            {
                answer.set(http::field::etag, tag);
            }
            if (copy)
            {
                answer.set(http::field::vary, "Accept-Encoding");
            }
            answer.keep_alive(keepAlive);
        };
        if (!timeError && namesTag(request[http::field::if_none_match], tag))
        {
            http::response<http::empty_body> unchanged{http::status::not_modified, version};
            headers(unchanged);
            respond(std::move(unchanged));
            return;
        }
        http::response<http::file_body> response{std::piecewise_construct,
                                                 std::make_tuple(std::move(body)),
                                                 std::make_tuple(http::status::ok, version)};
        headers(response);
        response.set(http::field::content_type, contentType(file));
        response.set("X-Content-Type-Options", "nosniff");
        if (gzipped)
        {
            response.set(http::field::content_encoding, "gzip");
            response.set("X-Decoded-Length", std::to_string(decoded));
        }
        response.content_length(size);
        if (request.method() == http::verb::head)
        {
            http::response<http::empty_body> head{response.base()};
            head.content_length(size);
            respond(std::move(head));
            return;
        }
        respond(std::move(response));
    }

    static http::response<http::string_body> textResponse(http::status status, std::string text,
                                                          unsigned version, bool keepAlive)
    {
        http::response<http::string_body> response{status, version};
        response.set(http::field::server, SERVER_HEADER);
        response.set(http::field::content_type, "text/plain; charset=utf-8");
        response.set(http::field::cache_control, "no-cache");
        response.keep_alive(keepAlive);
        response.body() = std::move(text);
        response.prepare_payload();
        return response;
    }

    template <class Body> void respond(http::response<Body> &&response)
    {
        auto held = std::make_shared<http::response<Body>>(std::move(response));
        stream_.expires_after(HTTP_TIMEOUT);
        http::async_write(stream_, *held,
                          [self = shared_from_this(), held](beast::error_code error, std::size_t)
                          {
                              if (error || held->need_eof())
                              {
                                  beast::error_code ignored;
                                  self->stream_.socket().shutdown(tcp::socket::shutdown_send,
                                                                  ignored);
                                  return;
                              }
                              self->read();
                          });
    }
};

void Server::Impl::listen()
{
    const tcp::endpoint endpoint{net::ip::make_address(options.bind), options.port};
    acceptor.open(endpoint.protocol());
    // A restarted server takes its port back at once, whatever connections of the last one
    // linger in the kernel.
    acceptor.set_option(net::socket_base::reuse_address(true));
    acceptor.bind(endpoint);
    acceptor.listen(net::socket_base::max_listen_connections);
    accept();
    scheduleSweep();
    scheduleTick();
}

void Server::Impl::accept()
{
    acceptor.async_accept(
        [self = shared_from_this()](beast::error_code error, tcp::socket socket)
        {
            if (self->stopped)
            {
                return;
            }
            if (error)
            {
                // Out of file descriptors, most likely: try again in a moment rather than spin.
                self->log("accepting a connection: " + error.message());
                self->retryTimer.expires_after(std::chrono::milliseconds(100));
                self->retryTimer.async_wait([self](beast::error_code e)
                                            { e ? void() : self->accept(); });
                return;
            }
            beast::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            std::make_shared<HttpSession>(std::move(socket), self)->read();
            self->accept();
        });
}

void Server::Impl::scheduleSweep()
{
    sweepTimer.expires_after(options.sweepInterval);
    sweepTimer.async_wait(
        [self = shared_from_this()](beast::error_code error)
        {
            if (!error && !self->stopped)
            {
                self->hub.sweep();
                self->scheduleSweep();
            }
        });
}

void Server::Impl::scheduleTick()
{
    tickTimer.expires_after(options.tickInterval);
    tickTimer.async_wait(
        [self = shared_from_this()](beast::error_code error)
        {
            if (!error && !self->stopped)
            {
                self->tick();
                self->scheduleTick();
            }
        });
}

bool Server::Impl::originAllowed(const http::request<http::empty_body> &request) const
{
    const auto origin = request.find(http::field::origin);
    if (origin == request.end())
    {
        return true; // not a browser: the desktop game, a test
    }
    const std::string_view value = origin->value();
    for (const std::string &allowed : options.allowedOrigins)
    {
        if (equalsIgnoringCase(value, allowed))
        {
            return true;
        }
    }
    // The page's own: scheme://HOST where HOST is the Host header, port and all.
    const auto host = request.find(http::field::host);
    const auto separator = value.find("://");
    return host != request.end() && separator != std::string_view::npos && !host->value().empty() &&
           equalsIgnoringCase(value.substr(separator + 3), host->value());
}

std::string Server::Impl::clientAddress(const tcp::socket &socket,
                                        const http::request<http::empty_body> &request) const
{
    if (options.behindProxy)
    {
        const auto real = request.find("X-Real-IP");
        if (real != request.end())
        {
            beast::error_code error;
            const auto address = net::ip::make_address(std::string(real->value()), error);
            if (!error)
            {
                return address.to_string();
            }
        }
    }
    beast::error_code error;
    const auto endpoint = socket.remote_endpoint(error);
    return error ? std::string("unknown") : endpoint.address().to_string();
}

Server::Server(net::io_context &io, const ServerOptions &options, Clock clock, LogLine log)
    : impl_(std::make_shared<Impl>(io, options, std::move(clock), std::move(log)))
{
    impl_->listen();
    impl_->hub.sweep();
}

Server::~Server()
{
    impl_->stopped = true;
}

unsigned short Server::port() const
{
    return impl_->acceptor.local_endpoint().port();
}

void Server::sweep()
{
    impl_->hub.sweep();
}

void Server::tick()
{
    impl_->tick();
}

void Server::stop()
{
    impl_->stopped = true;
    beast::error_code ignored;
    impl_->acceptor.close(ignored);
    impl_->sweepTimer.cancel();
    impl_->tickTimer.cancel();
    impl_->retryTimer.cancel();
    for (Connection *connection :
         std::vector<Connection *>(impl_->connections.begin(), impl_->connections.end()))
    {
        connection->drop();
    }
    // A browser keeps its page's connection open for the next request: closed too, or the
    // server would wait for its timeout before it ends.
    for (HttpSession *session :
         std::vector<HttpSession *>(impl_->httpSessions.begin(), impl_->httpSessions.end()))
    {
        session->drop();
    }
}
