// The fetch's security around redirects and proxies, against real servers on
// loopback: an https server with a certificate made for the test, a plain
// one, and a proxy stand-in that answers every request sent through it.
#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "TestCertificate.h"
#include "platform/http/HttpFetch.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

using testing::TestCertificate;

// Any httplib server on a free port of host, served from a thread.
template <class Server>
class Running {
public:
    template <class... Args>
    explicit Running(const std::string& host, Args&&... args)
        : server(std::make_unique<Server>(std::forward<Args>(args)...)), host_(host) {}
    void Start() {
        port = server->bind_to_any_port(host_);
        thread_ = std::thread([this] { server->listen_after_bind(); });
        while (!server->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Running() {
        server->stop();
        if (thread_.joinable()) thread_.join();
    }
    std::unique_ptr<Server> server;
    int port = 0;

private:
    std::string host_;
    std::thread thread_;
};

// Sets (or, with nullptr, removes) an environment variable for the life of
// the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = std::make_unique<std::string>(old);
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::unique_ptr<std::string> old_;
};

TEST(HttpRedirect, HttpsNeverContinuesOverHttp) {
    TestCertificate cert;
    ASSERT_TRUE(cert.made) << "openssl could not make a certificate";
    ScopedEnv trust("NIMBREL_CA_FILE", cert.Cert().c_str());

    std::atomic<int> plainRequests{0};
    Running<httplib::Server> plain("127.0.0.1");
    plain.server->Get("/doc", [&](const httplib::Request&, httplib::Response& res) {
        ++plainRequests;
        res.set_content("<rss>in the clear</rss>", "application/rss+xml");
    });
    plain.Start();

    Running<httplib::SSLServer> secure("127.0.0.1", cert.Cert().c_str(), cert.Key().c_str());
    ASSERT_TRUE(secure.server->is_valid());
    const std::string plainDoc = "http://127.0.0.1:" + std::to_string(plain.port) + "/doc";
    secure.server->Get("/doc", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<rss>secret</rss>", "application/rss+xml");
    });
    secure.server->Get("/down", [&](const httplib::Request&, httplib::Response& res) { res.set_redirect(plainDoc); });
    secure.server->Get("/up", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/doc"); });
    secure.Start();
    const std::string base = "https://127.0.0.1:" + std::to_string(secure.port);

    // https to https is followed.
    const HttpResult up = Fetch(base + "/up");
    EXPECT_TRUE(up.ok) << up.error;
    EXPECT_EQ(up.body, "<rss>secret</rss>");

    // https to http is refused, says so, and the plain server is never asked.
    const HttpResult down = Fetch(base + "/down");
    EXPECT_FALSE(down.ok);
    EXPECT_TRUE(down.body.empty());
    EXPECT_EQ(down.error, "refused a redirect from https to an address that is not https");
    EXPECT_EQ(plainRequests.load(), 0);

    // A plain start may still go to plain addresses.
    EXPECT_TRUE(Fetch(plainDoc).ok);
}

// A proxy stand-in: answers every request itself and counts them.
struct ProxyStandIn {
    ProxyStandIn() : running("127.0.0.1") {
        running.server->set_pre_routing_handler([this](const httplib::Request&, httplib::Response& res) {
            ++requests;
            res.set_content("<rss>through the proxy</rss>", "application/rss+xml");
            return httplib::Server::HandlerResponse::Handled;
        });
        running.Start();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(running.port); }
    std::atomic<int> requests{0};
    Running<httplib::Server> running;
};

struct DirectServer {
    explicit DirectServer(const std::string& host) : running(host) {
        running.server->Get("/doc", [this](const httplib::Request&, httplib::Response& res) {
            ++requests;
            res.set_content("<rss>direct</rss>", "application/rss+xml");
        });
        running.Start();
    }
    std::atomic<int> requests{0};
    Running<httplib::Server> running;
};

TEST(HttpProxy, EveryLoopbackAddressGoesDirect) {
    ProxyStandIn proxy;
    ScopedEnv http("http_proxy", proxy.Url().c_str());
    ScopedEnv all("ALL_PROXY", nullptr);
    for (const char* userList : {static_cast<const char*>(nullptr), "example.org,.example.net"}) {
        SCOPED_TRACE(userList ? userList : "(no no_proxy)");
        ScopedEnv lower("no_proxy", userList);
        ScopedEnv upper("NO_PROXY", nullptr);
        for (const char* host : {"127.0.0.1", "127.0.0.2", "127.254.3.4"}) {
            SCOPED_TRACE(host);
            DirectServer server(host);
            const HttpResult r =
                Fetch("http://" + std::string(host) + ":" + std::to_string(server.running.port) + "/doc");
            EXPECT_EQ(r.body, "<rss>direct</rss>") << r.error;
            EXPECT_EQ(server.requests.load(), 1);
        }
        DirectServer v6("::1");
        EXPECT_EQ(Fetch("http://[::1]:" + std::to_string(v6.running.port) + "/doc").body, "<rss>direct</rss>");
    }
    EXPECT_EQ(proxy.requests.load(), 0);
}

TEST(HttpProxy, ALoneStarStaysALoneStar) {
    ProxyStandIn proxy;
    ScopedEnv http("http_proxy", proxy.Url().c_str());
    ScopedEnv upper("NO_PROXY", nullptr);
    DirectServer server("127.0.0.1");
    // The IPv4 address written as IPv6: loopback, but outside the program's
    // own list of loopback names, so only the user's no_proxy decides.
    const std::string url = "http://[::ffff:127.0.0.1]:" + std::to_string(server.running.port) + "/doc";
    {
        ScopedEnv none("no_proxy", nullptr);
        EXPECT_EQ(Fetch(url).body, "<rss>through the proxy</rss>");
        EXPECT_EQ(proxy.requests.load(), 1);
    }
    {
        ScopedEnv star("no_proxy", "*");
        const HttpResult r = Fetch(url);
        EXPECT_EQ(r.body, "<rss>direct</rss>") << r.error;
        EXPECT_EQ(proxy.requests.load(), 1);
        EXPECT_EQ(server.requests.load(), 1);
    }
}

}  // namespace
}  // namespace nimbrel
