// The link on the window's event loop: the same server and client roles, watched through
// QSocketNotifier and QTimer instead of the plain loop.
#include "app/qt_event_loop.h"
#include "net/link_client.h"
#include "net/link_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace keltrix;

namespace {

bool ProcessUntil(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

TEST(QtEventLoop, CarriesEncipheredRecordsBetweenTheRoles) {
    TQtEventLoop loop;
    TRawDataShell serverShell, clientShell;
    serverShell.Data().Marker = RecordMarker;
    serverShell.Data().CompName.Set("QTSERVER");
    TLinkServer server(loop, serverShell);
    std::string error;
    ASSERT_TRUE(server.Listen(0, "secret", &error)) << error;
    TLinkClient client(loop, clientShell);
    int records = 0;
    clientShell.OnData = [&](TRawDataShell&) { ++records; };
    client.SetServer("127.0.0.1", server.Port());
    client.SetPassword("secret");
    client.Connect();
    client.Tick(); // due while connecting: goes out once connected
    ASSERT_TRUE(ProcessUntil([&] { return records == 1; }));
    for (int i = 2; i <= 5; ++i) {
        client.Tick();
        ASSERT_TRUE(ProcessUntil([&] { return records == i; })) << "record " << i;
    }
    EXPECT_EQ(clientShell.Data().CompName.Get(), "QTSERVER");

    // The server goes: the client's read sees the close and its handler unwatches itself.
    int errors = 0;
    client.OnError = [&](const std::string&) { ++errors; };
    server.Close();
    ASSERT_TRUE(ProcessUntil([&] { return errors == 1; }));
    EXPECT_FALSE(client.Connected());
}

TEST(QtEventLoop, TimersPostsAndAWatchReplacedFromItsOwnHandler) {
    TQtEventLoop loop;
    int ticks = 0;
    platform::TEventLoop::TTimerId id = 0;
    id = loop.StartTimer(5, [&] {
        if (++ticks == 3) loop.StopTimer(id);
    });
    std::string order;
    loop.Post([&] { order += "a"; });
    loop.Post([&] { order += "b"; });
    int p[2];
    ASSERT_EQ(pipe2(p, O_NONBLOCK), 0);
    ASSERT_EQ(write(p[1], "x", 1), 1);
    int first = 0, second = 0;
    loop.WatchFd(p[0], platform::IoRead, [&](unsigned) {
        ++first;
        loop.WatchFd(p[0], platform::IoRead, [&](unsigned) {
            ++second;
            loop.UnwatchFd(p[0]);
        });
    });
    ProcessUntil([&] { return ticks == 3 && second == 1; }, 2000);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(order, "ab");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    close(p[0]);
    close(p[1]);
}
