// The server role over real loopback sockets, talked to by plain blocking clients.
#include "net/link.h"
#include "net/link_server.h"

#include "../settings/settings_test_util.h"
#include "link_test_util.h"
#include "settings/registry_store.h"

#include <gtest/gtest.h>

#include <memory>

using namespace keltrix;
using namespace keltrix::testing;

namespace {

struct TFd {
    int Fd;
    explicit TFd(int fd) : Fd(fd) {}
    ~TFd() {
        if (Fd >= 0) close(Fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
};

struct ServerFixture : ::testing::Test {
    platform::TPollLoop Loop;
    TRawDataShell Shell;
    TLinkServer Server{Loop, Shell};

    void Start(const std::string& password = "") {
        Shell.Data() = HostRecord();
        std::string error;
        ASSERT_TRUE(Server.Listen(0, password, &error)) << error;
        ASSERT_GT(Server.Port(), 0);
    }
    // Sends bytes and lets the server handle them.
    void Ask(int fd, const Bytes& b, int ms = 100) {
        SendAll(fd, b);
        Loop.RunUntil([] { return false; }, ms);
    }
};

std::string Hex16(const Bytes& b, std::size_t from = 0) {
    static const char* d = "0123456789abcdef";
    std::string s;
    for (std::size_t i = from; i < from + 16 && i < b.size(); ++i) {
        s += d[b[i] >> 4];
        s += d[b[i] & 15];
    }
    return s;
}

} // namespace

TEST_F(ServerFixture, AnswersTheLastByteOfAReadWithTheRecordInClear) {
    Start();
    TFd c(RawConnect(Server.Port()));
    ASSERT_GE(c.Fd, 0);
    SendAll(c.Fd, {1, 2, 3, RecordMarker});
    const Bytes answer = ReceiveExactly(Loop, c.Fd, RecordSize);
    EXPECT_EQ(answer, RecordBytes(HostRecord()));

    Ask(c.Fd, {RecordMarker, 7}); // the request must be the read's last byte
    Ask(c.Fd, {0, 0, 0});
    EXPECT_EQ(Pending(c.Fd), 0u);
    EXPECT_EQ(Server.Answers(), 1u);
}

TEST_F(ServerFixture, EveryConnectionGetsItsOwnCipherStreamFromTheInitialVector) {
    Start("secret");
    TFd a(RawConnect(Server.Port()));
    SendAll(a.Fd, {RecordMarker});
    const Bytes a1 = ReceiveExactly(Loop, a.Fd, RecordSize);
    TFd b(RawConnect(Server.Port())); // a second client served between a's answers
    SendAll(b.Fd, {RecordMarker});
    const Bytes b1 = ReceiveExactly(Loop, b.Fd, RecordSize);
    SendAll(a.Fd, {RecordMarker});
    const Bytes a2 = ReceiveExactly(Loop, a.Fd, RecordSize);

    // The independent vectors for this record and password.
    EXPECT_EQ(Hex16(a1), "e083824d1a8b1033ebfd667f9db612ce");
    EXPECT_EQ(Hex16(a2), "1913833e5642863cc5ffc662cb478a6c");
    EXPECT_EQ(b1, a1);

    // Listening again (the server restarted) starts every stream afresh too.
    std::string error;
    const std::uint16_t port = Server.Port();
    ASSERT_TRUE(Server.Listen(port, "secret", &error)) << error;
    EXPECT_TRUE(PeerClosed(a.Fd, 1000));
    TFd c(RawConnect(port));
    SendAll(c.Fd, {RecordMarker});
    EXPECT_EQ(ReceiveExactly(Loop, c.Fd, RecordSize), a1);
}

TEST_F(ServerFixture, AClientThatNeverReadsLeavesTheServerHoldingLittle) {
    Start("secret");
    TFd c(RawConnect(Server.Port()));
    const int small = 4096;
    setsockopt(c.Fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    // 20,000 requests (10 MB of answers): far beyond what the kernel's buffers take.
    const Bytes requests(200000, RecordMarker);
    std::size_t at = 0;
    while (at < requests.size()) {
        const ssize_t n =
            send(c.Fd, requests.data() + at, std::min<std::size_t>(65536, requests.size() - at),
                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) at += static_cast<std::size_t>(n);
        Loop.RunOnce(1);
    }
    Loop.RunUntil([] { return false; }, 300);
    EXPECT_GT(Server.UnsentBytes(), 0u);
    EXPECT_LE(Server.UnsentBytes(), TLinkSession::MaxUnsent + RecordSize);
    EXPECT_LT(Server.Answers(), 20000u);

    // Another client is served meanwhile.
    TFd d(RawConnect(Server.Port()));
    SendAll(d.Fd, {RecordMarker});
    EXPECT_EQ(ReceiveExactly(Loop, d.Fd, RecordSize).size(), RecordSize);
}

TEST_F(ServerFixture, ConnectionsBeyondTheLimitAreClosedAtOnce) {
    Start();
    std::vector<std::unique_ptr<TFd>> clients;
    for (std::size_t i = 0; i < TLinkServer::MaxConnections; ++i) {
        clients.push_back(std::make_unique<TFd>(RawConnect(Server.Port())));
        ASSERT_GE(clients.back()->Fd, 0);
    }
    ASSERT_TRUE(
        Loop.RunUntil([&] { return Server.Connections() == TLinkServer::MaxConnections; }, 5000));
    TFd extra(RawConnect(Server.Port()));
    Loop.RunUntil([] { return false; }, 100);
    EXPECT_TRUE(PeerClosed(extra.Fd, 1000));
    EXPECT_EQ(Server.Connections(), TLinkServer::MaxConnections);

    // Those within the limit are all served, and a freed place is taken again.
    SendAll(clients.back()->Fd, {RecordMarker});
    EXPECT_EQ(ReceiveExactly(Loop, clients.back()->Fd, RecordSize).size(), RecordSize);
    clients.front().reset();
    ASSERT_TRUE(Loop.RunUntil(
        [&] { return Server.Connections() == TLinkServer::MaxConnections - 1; }, 2000));
    TFd again(RawConnect(Server.Port()));
    SendAll(again.Fd, {RecordMarker});
    EXPECT_EQ(ReceiveExactly(Loop, again.Fd, RecordSize).size(), RecordSize);
}

TEST_F(ServerFixture, RandomBytesAndAbruptClosesLeaveItAnswering) {
    Start("secret");
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int i = 0; i < 100; ++i) {
        TFd c(RawConnect(Server.Port()));
        Bytes noise(1 + next() % 3000);
        for (auto& b : noise) b = static_cast<std::uint8_t>(next() >> 16);
        SendAll(c.Fd, noise);
        if (i % 2) {
            const linger hard{1, 0}; // a reset instead of an orderly close
            setsockopt(c.Fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        Loop.RunOnce(5);
    }
    ASSERT_TRUE(Loop.RunUntil([&] { return Server.Connections() == 0; }, 5000));
    TFd ok(RawConnect(Server.Port()));
    SendAll(ok.Fd, {RecordMarker});
    EXPECT_EQ(Hex16(ReceiveExactly(Loop, ok.Fd, RecordSize)), "e083824d1a8b1033ebfd667f9db612ce");
}

// The roles object: the stored password, the port checks and the tray states.
struct NetLinkFixture : ::testing::Test {
    TTempDir Dir;
    TRegistryStore Store{Dir.File("registry.reg")};
    platform::TPollLoop Loop;
    TRawDataShell Shell;
    TNetLink Link{Store, Shell, Loop};
    std::vector<int> Kinds;
    bool ProcInIcon = false;

    NetLinkFixture() {
        Store.OpenKey("Software\\OrlenwickStudios\\Vistrand", true);
        Shell.Data() = HostRecord();
        Link.Hooks.SetIconKind = [this](std::uint8_t k) { Kinds.push_back(k); };
        Link.Hooks.ProcessorUsageInIcon = [this] { return ProcInIcon; };
    }
};

TEST_F(NetLinkFixture, ListeningTakesTheStoredPasswordOverTheOneInMemory) {
    Store.WriteString("Password", "secret");
    Link.Password = "typed";
    const std::uint16_t port = FreePort();
    Link.servListen(port);
    EXPECT_EQ(Link.Password, "secret");
    TFd c(RawConnect(port));
    SendAll(c.Fd, {RecordMarker});
    EXPECT_EQ(Hex16(ReceiveExactly(Loop, c.Fd, RecordSize)), "e083824d1a8b1033ebfd667f9db612ce");

    // Without a stored value the one in memory stays; empty means records in clear.
    Store.DeleteValue("Password");
    Link.Password = "";
    Link.servListen(port);
    TFd d(RawConnect(port));
    SendAll(d.Fd, {RecordMarker});
    EXPECT_EQ(ReceiveExactly(Loop, d.Fd, RecordSize), RecordBytes(HostRecord()));
}

TEST_F(NetLinkFixture, APortThatCannotBeHadRaisesASocketError) {
    std::uint16_t taken = 0;
    TFd holder(RawListen(taken));
    EXPECT_THROW(Link.servListen(taken), ESocketError);
    EXPECT_FALSE(Link.Serving());
    EXPECT_THROW(Link.servListen(70000), ESocketError);
    EXPECT_THROW(Link.servListen(0), ESocketError);
}

TEST_F(NetLinkFixture, AcceptAndClientErrorsSwitchTheTray) {
    const std::uint16_t port = FreePort();
    Link.servListen(port);
    {
        TFd c(RawConnect(port));
        ASSERT_TRUE(Loop.RunUntil([&] { return !Kinds.empty(); }, 2000));
        EXPECT_EQ(Kinds, std::vector<int>{0});
        ProcInIcon = true;
        TFd d(RawConnect(port));
        ASSERT_TRUE(Loop.RunUntil([&] { return Kinds.size() == 2; }, 2000));
        EXPECT_EQ(Kinds.back(), 2);
        // A reset is a socket error on the served connection.
        const linger hard{1, 0};
        setsockopt(d.Fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    ASSERT_TRUE(Loop.RunUntil([&] { return Link.Server().Connections() == 0; }, 2000));
    EXPECT_EQ(Kinds.back(), 1);
    // A client that just leaves has no handler: nothing more changes.
    const std::size_t before = Kinds.size();
    { TFd e(RawConnect(port)); }
    Loop.RunUntil([] { return false; }, 100);
    EXPECT_EQ(Kinds.size(), before + 1); // its accept only
}
