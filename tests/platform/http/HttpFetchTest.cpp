// The fetch against real servers on loopback: what arrives, and every way a
// server can fail to deliver, each of which must end within the limits.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/http/HttpFetch.h"

namespace nimbrel {
namespace {

using Clock = std::chrono::steady_clock;

class LoopbackServer {
public:
    LoopbackServer() {
        server.Get("/doc", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<rss>hello</rss>", "application/rss+xml");
        });
        server.Get("/moved", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/doc"); });
        server.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("<rss>not here</rss>", "text/html");
        });
        server.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("<rss>oops</rss>", "text/html");
        });
        server.Get("/trickle", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [this](size_t, httplib::DataSink& sink) {
                for (int i = 0; i < 100 && !stopping; ++i) {
                    if (!sink.write("x", 1)) return false;
                    std::this_thread::sleep_for(std::chrono::milliseconds(250));
                }
                sink.done();
                return true;
            });
        });
        server.Get("/huge-sized", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(kHundredMb, "text/plain",
                                     [this](size_t offset, size_t length, httplib::DataSink& sink) {
                                         return WriteBlock(offset, length, sink);
                                     });
        });
        server.Get("/huge-chunked", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [this](size_t offset, httplib::DataSink& sink) {
                if (offset >= kHundredMb) {
                    sink.done();
                    return true;
                }
                return WriteBlock(offset, kHundredMb - offset, sink);
            });
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~LoopbackServer() {
        stopping = true;
        server.stop();
        thread.join();
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }

    static constexpr size_t kHundredMb = 100u * 1024u * 1024u;
    std::atomic<bool> stopping{false};

private:
    bool WriteBlock(size_t, size_t length, httplib::DataSink& sink) {
        static const std::string block(64 * 1024, 'a');
        if (stopping) return false;
        return sink.write(block.data(), std::min(length, block.size()));
    }

    httplib::Server server;
    std::thread thread;
    int port = 0;
};

// A socket that listens but is never accepted from: the kernel completes the
// connection and nothing ever answers.
class SilentListener {
public:
    SilentListener() {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd, 4);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~SilentListener() { ::close(fd); }
    int fd = -1;
    int port = 0;
};

int UnusedPort() {
    SilentListener l;
    return l.port;  // closed again when l goes: nothing listens there
}

bool CurlMapped() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("/libcurl.so") != std::string::npos) return true;
    return false;
}

// libcurl and its dependencies cost megabytes and relocations: they are
// there while a fetch runs, not before the first and not after the last. A
// fresh process of its own (the binary run again for this test alone), since
// the other tests fetch too. The server looks while it answers.
TEST(HttpFetch, LibcurlIsLoadedOnlyWhileAFetchRuns) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (CurlMapped()) std::_Exit(2);
            httplib::Server server;
            std::atomic<bool> mappedWhileServing{false};
            server.Get("/doc", [&](const httplib::Request&, httplib::Response& res) {
                mappedWhileServing = CurlMapped();
                res.set_content("<rss>hello</rss>", "application/rss+xml");
            });
            const int port = server.bind_to_any_port("127.0.0.1");
            std::thread serving([&] { server.listen_after_bind(); });
            while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (CurlMapped()) std::_Exit(3);
            for (int i = 0; i < 2; ++i) {
                const HttpResult r = Fetch("http://127.0.0.1:" + std::to_string(port) + "/doc");
                if (!r.ok) std::_Exit(4);
                if (!mappedWhileServing) std::_Exit(5);
                if (CurlMapped()) std::_Exit(6);
                mappedWhileServing = false;
            }
            server.stop();
            serving.join();
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(HttpFetch, ReturnsTheBodyAndFollowsRedirects) {
    LoopbackServer server;
    const HttpResult direct = Fetch(server.Url("/doc"));
    EXPECT_TRUE(direct.ok) << direct.error;
    EXPECT_EQ(direct.status, 200);
    EXPECT_EQ(direct.body, "<rss>hello</rss>");
    EXPECT_EQ(direct.error, "");

    const HttpResult moved = Fetch(server.Url("/moved"));
    EXPECT_TRUE(moved.ok) << moved.error;
    EXPECT_EQ(moved.body, "<rss>hello</rss>");
}

TEST(HttpFetch, RejectsErrorStatusesWithoutTheirBody) {
    LoopbackServer server;
    for (const auto& [path, status] : {std::pair{"/missing", 404L}, std::pair{"/broken", 500L}}) {
        const HttpResult r = Fetch(server.Url(path));
        EXPECT_FALSE(r.ok) << path;
        EXPECT_EQ(r.status, status);
        EXPECT_EQ(r.body, "");
        EXPECT_NE(r.error.find(std::to_string(status)), std::string::npos) << r.error;
    }
}

TEST(HttpFetch, RefusedConnectionFailsAtOnce) {
    const HttpResult r = Fetch("http://127.0.0.1:" + std::to_string(UnusedPort()) + "/doc");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(r.error.empty());
}

TEST(HttpFetch, GivesUpOnAServerThatNeverAnswers) {
    SilentListener silent;
    FetchLimits limits;
    limits.totalTimeoutMs = 600;
    const auto start = Clock::now();
    const HttpResult r = Fetch("http://127.0.0.1:" + std::to_string(silent.port) + "/doc", limits);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.body, "");
    // Far inside anything a user would call a hang; the limit itself is 0.6 s.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
}

TEST(HttpFetch, AbandonsAServerThatTrickles) {
    LoopbackServer server;
    FetchLimits limits;
    limits.lowSpeedBytesPerSecond = 100;
    limits.lowSpeedSeconds = 1;
    const auto start = Clock::now();
    const HttpResult r = Fetch(server.Url("/trickle"), limits);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.body, "");
    // The trickle would take 25 s to finish; the low-speed limit ends it first.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(15));
}

TEST(HttpFetch, CapsTheBodySizeWhetherAnnouncedOrNot) {
    LoopbackServer server;
    for (const char* path : {"/huge-sized", "/huge-chunked"}) {
        const HttpResult r = Fetch(server.Url(path));
        EXPECT_FALSE(r.ok) << path;
        EXPECT_EQ(r.body, "") << path;
        EXPECT_NE(r.error.find("larger"), std::string::npos) << path << ": " << r.error;
    }
}

TEST(HttpFetch, RefusesSchemesOtherThanHttp) {
    const HttpResult r = Fetch("file:///etc/passwd");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.body, "");
}

TEST(HttpFetch, SeveralThreadsFetchAtOnce) {
    LoopbackServer server;
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            for (int k = 0; k < 5; ++k)
                if (Fetch(server.Url("/doc")).body == "<rss>hello</rss>") ++good;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(good, 20);
}

}  // namespace
}  // namespace nimbrel
