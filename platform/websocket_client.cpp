// The WebSocket client's thread: one Asio io_context, on which every connection's steps run one
// after another (wait, resolve, connect, TLS, the WebSocket handshake, then reading and writing),
// and the locked queue of what happened, which the frame loop drains. Each connection is a
// session of its own with a number; what a dropped session still reports is left out.
#include "platform/websocket_client.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#ifdef GOMOKU_WEBSOCKET_TLS
#include <boost/asio/ssl.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket/ssl.hpp>
#endif

#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace
{

// How long making a connection may take (the TCP connection, TLS, the WebSocket handshake),
// and how long a connection may stay silent before a ping finds out whether it still lives.
constexpr auto CONNECT_TIMEOUT = std::chrono::seconds(10);
constexpr auto IDLE_TIMEOUT = std::chrono::seconds(20);

using Report = std::function<void(WebSocketClient::Event)>;

// The session's part that does not depend on the kind of stream.
class SessionBase
{
public:
    virtual ~SessionBase() = default;
    virtual void start(int delayMs) = 0;
    virtual void queue(std::string text) = 0;
    virtual void stop() = 0;
};

// What the handshake says the host is: the link's host, and its port unless it is the scheme's.
std::string hostHeader(const std::string &host, int port, bool secure)
{
    return port == (secure ? 443 : 80) ? host : host + ":" + std::to_string(port);
}

template <class Stream>
class Session : public SessionBase, public std::enable_shared_from_this<Session<Stream>>
{
public:
    template <class... StreamArguments>
    Session(asio::io_context &io, Report report, std::string host, int port, bool secure,
            std::string path, std::size_t messageMax, StreamArguments &&...streamArguments)
        : io_(io), report_(std::move(report)), host_(std::move(host)), port_(port), secure_(secure),
          path_(std::move(path)), messageMax_(messageMax), timer_(io), resolver_(io),
          ws_(std::forward<StreamArguments>(streamArguments)...)
    {
    }

    void start(int delayMs) override
    {
        timer_.expires_after(std::chrono::milliseconds(std::max(delayMs, 0)));
        timer_.async_wait([self = this->shared_from_this()](beast::error_code error)
                          { error ? void() : self->resolve(); });
    }

    void queue(std::string text) override
    {
        if (!open_)
        {
            return; // the protocol's messages belong to a connection: a new one starts anew
        }
        outbox_.push_back(std::move(text));
        write();
    }

    void stop() override
    {
        if (stopped_)
        {
            return;
        }
        stopped_ = true;
        timer_.cancel();
        resolver_.cancel();
        beast::error_code ignored;
        beast::get_lowest_layer(ws_).socket().shutdown(tcp::socket::shutdown_both, ignored);
        beast::get_lowest_layer(ws_).close();
    }

private:
    // The IPv6 address of a link is written in brackets, which the resolver does not take.
    std::string resolvableHost() const
    {
        return host_.size() > 2 && host_.front() == '[' ? host_.substr(1, host_.size() - 2) : host_;
    }

    void resolve()
    {
        if (stopped_)
        {
            return;
        }
        resolver_.async_resolve(resolvableHost(), std::to_string(port_),
                                [self = this->shared_from_this()](
                                    beast::error_code error, tcp::resolver::results_type results)
                                {
                                    if (error)
                                    {
                                        return self->fail("the server's name was not found", error);
                                    }
                                    self->connect(results);
                                });
    }

    void connect(const tcp::resolver::results_type &results)
    {
        if (stopped_)
        {
            return;
        }
        beast::get_lowest_layer(ws_).expires_after(CONNECT_TIMEOUT);
        beast::get_lowest_layer(ws_).async_connect(
            results,
            [self = this->shared_from_this()](beast::error_code error, const tcp::endpoint &)
            {
                if (error)
                {
                    return self->fail("the server did not answer", error);
                }
                self->secureThenHandshake();
            });
    }

    void secureThenHandshake()
    {
#ifdef GOMOKU_WEBSOCKET_TLS
        if constexpr (!std::is_same_v<Stream, beast::tcp_stream>)
        {
            // The server's certificate must be valid for the host of the link (its name in SNI).
            const std::string name = resolvableHost();
            if (!SSL_set_tlsext_host_name(ws_.next_layer().native_handle(), name.c_str()))
            {
                return fail("TLS could not name the host", beast::error_code());
            }
            ws_.next_layer().set_verify_callback(asio::ssl::host_name_verification(name));
            ws_.next_layer().async_handshake(
                asio::ssl::stream_base::client,
                [self = this->shared_from_this()](beast::error_code error)
                {
                    if (error)
                    {
                        return self->fail("the secure connection failed", error);
                    }
                    self->handshake();
                });
            return;
        }
#endif
        handshake();
    }

    void handshake()
    {
        if (stopped_)
        {
            return;
        }
        // From here the WebSocket's own timeouts hold: the handshake's, then pings on a
        // connection that has gone silent.
        beast::get_lowest_layer(ws_).expires_never();
        websocket::stream_base::timeout timeouts{};
        timeouts.handshake_timeout = CONNECT_TIMEOUT;
        timeouts.idle_timeout = IDLE_TIMEOUT;
        timeouts.keep_alive_pings = true;
        ws_.set_option(timeouts);
        ws_.read_message_max(messageMax_);
        ws_.set_option(websocket::stream_base::decorator(
            [](websocket::request_type &request)
            { request.set(beast::http::field::user_agent, "gomoku3d"); }));
        ws_.async_handshake(hostHeader(host_, port_, secure_), path_,
                            [self = this->shared_from_this()](beast::error_code error)
                            {
                                if (error)
                                {
                                    return self->fail("the server refused the game's connection",
                                                      error);
                                }
                                self->opened();
                            });
    }

    void opened()
    {
        if (stopped_)
        {
            return;
        }
        open_ = true;
        report_({WebSocketClient::Event::Kind::Opened, ""});
        read();
    }

    void read()
    {
        ws_.async_read(
            buffer_,
            [self = this->shared_from_this()](beast::error_code error, std::size_t)
            {
                if (error)
                {
                    return self->fail("the connection was lost", error);
                }
                // Only text frames carry messages: a binary one reads as none.
                std::string text = self->ws_.got_text()
                                       ? beast::buffers_to_string(self->buffer_.data())
                                       : std::string();
                self->buffer_.consume(self->buffer_.size());
                if (!self->stopped_)
                {
                    self->report_({WebSocketClient::Event::Kind::Message, std::move(text)});
                    self->read();
                }
            });
    }

    void write()
    {
        if (writing_ || outbox_.empty() || stopped_)
        {
            return;
        }
        writing_ = true;
        ws_.text(true);
        ws_.async_write(asio::buffer(outbox_.front()),
                        [self = this->shared_from_this()](beast::error_code error, std::size_t)
                        {
                            self->writing_ = false;
                            if (error)
                            {
                                return self->fail("the connection was lost", error);
                            }
                            self->outbox_.pop_front();
                            self->write();
                        });
    }

    void fail(const char *what, beast::error_code error)
    {
        if (stopped_)
        {
            return;
        }
        stop();
        report_({WebSocketClient::Event::Kind::Closed,
                 std::string(what) + (error ? " (" + error.message() + ")" : "")});
    }

    asio::io_context &io_;
    Report report_;
    std::string host_;
    int port_;
    bool secure_;
    std::string path_;
    std::size_t messageMax_;
    asio::steady_timer timer_;
    tcp::resolver resolver_;
    websocket::stream<Stream> ws_;
    beast::flat_buffer buffer_;
    std::deque<std::string> outbox_;
    bool writing_ = false;
    bool open_ = false;
    bool stopped_ = false;
};

} // namespace

struct WebSocketClient::Impl
{
    std::string host;
    int port;
    bool secure;
    std::size_t messageMax;
    asio::io_context io;
    asio::executor_work_guard<asio::io_context::executor_type> work{io.get_executor()};
#ifdef GOMOKU_WEBSOCKET_TLS
    std::optional<asio::ssl::context> tls;
#endif
    // The thread's own: the session of the connection there is, and its number.
    std::shared_ptr<SessionBase> session;
    unsigned generation = 0;
    // Shared with the frame loop.
    std::mutex lock;
    std::vector<Event> events;
    std::thread thread;

    void drop()
    {
        if (session)
        {
            session->stop();
            session.reset();
        }
        ++generation;
    }

    // What a session reports, if it is still the current one, goes into the queue.
    Report reporter()
    {
        return [this, number = generation](Event event)
        {
            if (number == generation)
            {
                const std::lock_guard<std::mutex> held(lock);
                events.push_back(std::move(event));
            }
        };
    }
};

bool WebSocketClient::supports(bool secure)
{
#ifdef GOMOKU_WEBSOCKET_TLS
    static_cast<void>(secure);
    return true;
#else
    return !secure;
#endif
}

WebSocketClient::WebSocketClient(std::string host, int port, bool secure, std::size_t messageMax)
    : impl_(std::make_unique<Impl>())
{
    impl_->host = std::move(host);
    impl_->port = port;
    impl_->secure = secure;
    impl_->messageMax = messageMax;
#ifdef GOMOKU_WEBSOCKET_TLS
    if (secure)
    {
        // The system's certificate authorities vouch for the server.
        impl_->tls.emplace(asio::ssl::context::tls_client);
        impl_->tls->set_default_verify_paths();
        impl_->tls->set_verify_mode(asio::ssl::verify_peer);
    }
#endif
    impl_->thread = std::thread([impl = impl_.get()] { impl->io.run(); });
}

WebSocketClient::~WebSocketClient()
{
    // The thread stops at once, whatever it waits for (a name being resolved, a ping); the
    // connection closes as its socket goes.
    impl_->work.reset();
    impl_->io.stop();
    impl_->thread.join();
    impl_->drop();
}

void WebSocketClient::connect(std::string path, int delayMs)
{
    asio::post(impl_->io,
               [impl = impl_.get(), path = std::move(path), delayMs]
               {
                   impl->drop();
#ifdef GOMOKU_WEBSOCKET_TLS
                   if (impl->secure)
                   {
                       impl->session =
                           std::make_shared<Session<beast::ssl_stream<beast::tcp_stream>>>(
                               impl->io, impl->reporter(), impl->host, impl->port, true, path,
                               impl->messageMax, impl->io, *impl->tls);
                   }
#endif
                   if (!impl->session)
                   {
                       impl->session = std::make_shared<Session<beast::tcp_stream>>(
                           impl->io, impl->reporter(), impl->host, impl->port, impl->secure, path,
                           impl->messageMax, impl->io);
                   }
                   impl->session->start(delayMs);
               });
}

void WebSocketClient::send(std::string text)
{
    asio::post(impl_->io,
               [impl = impl_.get(), text = std::move(text)]() mutable
               {
                   if (impl->session)
                   {
                       impl->session->queue(std::move(text));
                   }
               });
}

void WebSocketClient::disconnect()
{
    asio::post(impl_->io, [impl = impl_.get()] { impl->drop(); });
}

std::vector<WebSocketClient::Event> WebSocketClient::takeEvents()
{
    const std::lock_guard<std::mutex> held(impl_->lock);
    std::vector<Event> taken;
    taken.swap(impl_->events);
    return taken;
}
