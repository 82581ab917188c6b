// The client role over real loopback sockets: against a scripted server that sends exactly
// the bytes a case needs, and against the real server role.
#include "net/link_client.h"
#include "net/link_server.h"

#include "link_test_util.h"
#include "tags/formatters.h"

#include <gtest/gtest.h>

using namespace keltrix;
using namespace keltrix::testing;

namespace {

struct Watcher {
    TRawDataShell Shell;
    int Records = 0;
    Watcher() {
        Shell.OnData = [this](TRawDataShell&) { ++Records; };
    }
};

// A client with a scripted server: the test writes the server's bytes by hand.
struct ScriptedFixture : ::testing::Test {
    platform::TPollLoop Loop;
    Watcher W;
    TLinkClient Client{Loop, W.Shell};
    std::uint16_t Port = 0;
    int ListenFd = -1;
    int Peer = -1;
    std::vector<std::string> Errors;

    void SetUp() override {
        ListenFd = RawListen(Port);
        ASSERT_GE(ListenFd, 0);
        Client.OnError = [this](const std::string& why) { Errors.push_back(why); };
    }
    void TearDown() override {
        Client.Close();
        if (Peer >= 0) close(Peer);
        close(ListenFd);
    }
    void ConnectWith(const std::string& password) {
        Client.SetServer("127.0.0.1", Port);
        Client.SetPassword(password);
        Client.Connect();
        ASSERT_TRUE(Loop.RunUntil([&] { return Client.Connected(); }, 3000));
        Peer = RawAccept(ListenFd);
        ASSERT_GE(Peer, 0);
    }
    // A tick, and the server side sees exactly one request.
    void TickAndExpectRequest() {
        Client.Tick();
        ASSERT_TRUE(WaitReadable(Peer, 2000));
        EXPECT_EQ(Receive(Peer), Bytes{RecordMarker});
    }
    void Serve(const Bytes& b) {
        SendAll(Peer, b);
        Loop.RunUntil([] { return false; }, 150); // time for every read the bytes make
    }
};

Bytes Enciphered(const std::string& password, std::vector<TRawData> records) {
    TRecordCipher cipher;
    cipher.SetPassword(password);
    TCipherBlock chain = cipher.InitialVector();
    Bytes out;
    for (const TRawData& r : records) {
        Bytes b = RecordBytes(r);
        cipher.Encrypt(chain, b.data(), b.size());
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

bool ShellHolds(const TRawDataShell& s, const TRawData& r) {
    return std::memcmp(&s.Data(), &r, RecordSize) == 0;
}

} // namespace

TEST_F(ScriptedFixture, AnAnswerSplitIntoThreeHundredAndTwoHundredTwelveBytesIsOneRecord) {
    ConnectWith("secret");
    TickAndExpectRequest();
    const Bytes wire = Enciphered("secret", {HostRecord()});
    Serve(Bytes(wire.begin(), wire.begin() + 300));
    EXPECT_EQ(W.Records, 0);
    Serve(Bytes(wire.begin() + 300, wire.end()));
    EXPECT_EQ(W.Records, 1);
    EXPECT_TRUE(ShellHolds(W.Shell, HostRecord()));
}

TEST_F(ScriptedFixture, TwoAnswersInOneReadAreTwoRecords) {
    ConnectWith("secret");
    TickAndExpectRequest();
    TickAndExpectRequest();
    Serve(Enciphered("secret", {HostRecord("ONE"), HostRecord("TWO")}));
    EXPECT_EQ(W.Records, 2);
    EXPECT_TRUE(ShellHolds(W.Shell, HostRecord("TWO")));
}

TEST_F(ScriptedFixture, NoiseBeforeAnAnswerIsSkipped) {
    ConnectWith("");
    TickAndExpectRequest();
    Bytes stream(100, 0x41);
    const Bytes answer = RecordBytes(HostRecord());
    stream.insert(stream.end(), answer.begin(), answer.end());
    Serve(stream);
    EXPECT_EQ(W.Records, 1);
    EXPECT_TRUE(ShellHolds(W.Shell, HostRecord()));
}

TEST_F(ScriptedFixture, AWrongPasswordDropsTheRecordsAndTheClientGoesOn) {
    ConnectWith("secret");
    for (int i = 0; i < 5; ++i) TickAndExpectRequest();
    // The same text in other letters is another key.
    Serve(Enciphered("Secret",
                     {HostRecord(), HostRecord(), HostRecord(), HostRecord(), HostRecord()}));
    // Noise is never shown: no marker found by chance in it makes a record.
    EXPECT_EQ(W.Records, 0);
    EXPECT_FALSE(ShellHolds(W.Shell, HostRecord()));
    EXPECT_TRUE(Client.Connected());
    EXPECT_TRUE(Errors.empty());
}

TEST_F(ScriptedFixture, AReconnectionStartsANewStreamAndForgetsHalfARecord) {
    ConnectWith("secret");
    TickAndExpectRequest();
    const Bytes wire = Enciphered("secret", {HostRecord("OLD")});
    Serve(Bytes(wire.begin(), wire.begin() + 300)); // the server goes away mid-answer
    close(Peer);
    Peer = -1;
    ASSERT_TRUE(Loop.RunUntil([&] { return !Errors.empty(); }, 2000));
    EXPECT_FALSE(Client.Connected());

    Client.Tick(); // reconnects, and asks once connected
    ASSERT_TRUE(Loop.RunUntil([&] { return Client.Connected(); }, 2000));
    Peer = RawAccept(ListenFd);
    ASSERT_TRUE(WaitReadable(Peer, 2000));
    EXPECT_EQ(Receive(Peer), Bytes{RecordMarker});
    Serve(Enciphered("secret", {HostRecord("NEW")}));
    EXPECT_EQ(W.Records, 1);
    EXPECT_TRUE(ShellHolds(W.Shell, HostRecord("NEW")));
}

TEST(LinkClient, AnUnreachableServerFailsEachAttemptAndEachTickTriesAgain) {
    platform::TPollLoop loop;
    Watcher w;
    TLinkClient client(loop, w.Shell);
    int errors = 0;
    std::string last;
    client.OnError = [&](const std::string& why) {
        ++errors;
        last = why;
    };
    client.SetServer("127.0.0.1", FreePort());
    client.Connect();
    ASSERT_TRUE(loop.RunUntil([&] { return errors == 1; }, 3000));
    for (int tick = 2; tick <= 4; ++tick) {
        client.Tick();
        ASSERT_TRUE(loop.RunUntil([&] { return errors == tick; }, 3000));
        EXPECT_NE(last.find("cannot connect"), std::string::npos) << last;
    }
    client.SetServer("127.0.0.1", 99999);
    client.Tick();
    ASSERT_TRUE(loop.RunUntil([&] { return errors == 5; }, 3000));
    EXPECT_EQ(last, "99999 is not a TCP port (1 to 65535)");
}

// Client and server roles of this program, in one loop.
struct PairFixture : ::testing::Test {
    platform::TPollLoop Loop;
    TRawDataShell ServerShell;
    TLinkServer Server{Loop, ServerShell};

    void Listen(const std::string& password, std::uint16_t port = 0) {
        std::string error;
        ASSERT_TRUE(Server.Listen(port, password, &error)) << error;
    }
    static void Join(TLinkClient& c, const std::string& host, std::uint16_t port,
                     const std::string& password) {
        c.SetServer(host, port);
        c.SetPassword(password);
        c.Connect();
    }
    // One tick of the client; true when it accepted a record within the time.
    bool TickAndWait(TLinkClient& c, Watcher& w, int ms = 2000) {
        const int before = w.Records;
        c.Tick();
        return Loop.RunUntil([&] { return w.Records > before; }, ms);
    }
};

TEST_F(PairFixture, TwoClientsPollingOneServerWithAPasswordAcceptEveryRecord) {
    Listen("secret");
    Watcher wa, wb;
    TLinkClient a(Loop, wa.Shell), b(Loop, wb.Shell);
    Join(a, "127.0.0.1", Server.Port(), "secret");
    Join(b, "127.0.0.1", Server.Port(), "secret");
    ASSERT_TRUE(Loop.RunUntil([&] { return a.Connected() && b.Connected(); }, 3000));
    const int ticks = 20;
    for (int i = 0; i < ticks; ++i) {
        ServerShell.Data() = HostRecord("SERVER", static_cast<std::uint8_t>(i));
        // The two requests cross: the server answers them in turn from one record.
        a.Tick();
        b.Tick();
        ASSERT_TRUE(Loop.RunUntil([&] { return wa.Records == i + 1 && wb.Records == i + 1; }, 2000))
            << "tick " << i << ": " << wa.Records << " and " << wb.Records;
        EXPECT_TRUE(ShellHolds(wa.Shell, ServerShell.Data()));
        EXPECT_TRUE(ShellHolds(wb.Shell, ServerShell.Data()));
    }
    EXPECT_EQ(a.Requests(), static_cast<std::uint64_t>(ticks));
}

TEST_F(PairFixture, AClientIsBackWithinTwoTicksAfterTheServerRestarts) {
    Listen("secret");
    const std::uint16_t port = Server.Port();
    ServerShell.Data() = HostRecord("SERVER");
    Watcher w;
    TLinkClient c(Loop, w.Shell);
    int errors = 0;
    c.OnError = [&](const std::string&) { ++errors; };
    Join(c, "127.0.0.1", port, "secret");
    ASSERT_TRUE(Loop.RunUntil([&] { return c.Connected(); }, 3000));
    ASSERT_TRUE(TickAndWait(c, w));
    ASSERT_TRUE(TickAndWait(c, w));

    Server.Close();
    ASSERT_TRUE(Loop.RunUntil([&] { return errors == 1; }, 2000));
    c.Tick(); // the server is still away
    ASSERT_TRUE(Loop.RunUntil([&] { return errors == 2; }, 2000));
    Listen("secret", port);
    const int before = w.Records;
    bool back = TickAndWait(c, w);
    if (!back) back = TickAndWait(c, w);
    EXPECT_TRUE(back) << "no record within two ticks of the restart";
    EXPECT_EQ(w.Records, before + 1);
}

TEST_F(PairFixture, AHostNameIsResolvedWithoutStoppingTheLoop) {
    Listen("");
    ServerShell.Data() = HostRecord("NAMED");
    Watcher w;
    TLinkClient c(Loop, w.Shell);
    Join(c, "localhost", Server.Port(), "");
    ASSERT_TRUE(TickAndWait(c, w, 5000)); // the request waits for the connection
    EXPECT_TRUE(ShellHolds(w.Shell, HostRecord("NAMED")));
}

TEST(WireRecord, LengthBytesBeyondTheirRoomAreReadAsTheRoom) {
    // A record from a peer may carry any length byte: what the tags show stays in its field.
    TRawData r = HostRecord("ABCDEFGHIJKLMNO");
    r.UserName.Set("USER");
    r.TopProcName.Set("(1)process");
    r.ProcType.Set("i686");
    r.CompName.Length = 255;
    r.UserName.Length = 16;
    r.TopProcName.Length = 200;
    r.ProcType.Length = 5;
    TRawDataShell shell;
    const Bytes wire = RecordBytes(r);
    shell.Feed(wire.data(), wire.size());
    const TFormatterList formatters = CreateFormatters(shell);
    auto render = [&](std::string text) {
        for (const auto& f : formatters) f->DecideIfActive(text);
        for (const auto& f : formatters) text = f->ApplyTags(std::move(text));
        return text;
    };
    EXPECT_EQ(render("<NAME=CompName>"), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(render("<NAME=UserName>").size(), 15u);
    EXPECT_EQ(render("<NAME=ProcType>"), "i686");
    EXPECT_LE(render("<NAME=TopProc FORMAT=\"Title\">").size(), 15u);
}
