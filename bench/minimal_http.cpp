// The floor for the web service's load figures: a plain cpp-httplib server that answers every
// GET with one fixed 2 KB document, set up as the pitfalls of the library require.
#include <httplib.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const int port = argc > 1 ? std::atoi(argv[1]) : 0;
    const std::string document(2048, 'x');
    httplib::Server server;
    // One thread per connection of the load: with fewer, kept-alive connections wait for a
    // thread and time out.
    server.new_task_queue = [] { return new httplib::ThreadPool(64); };
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(1000);
    server.set_keep_alive_timeout(5);
    server.set_read_timeout(5, 0);
    server.Get(".*", [&document](const httplib::Request&, httplib::Response& res) {
        res.set_content(document, "text/xml");
    });
    if (!server.bind_to_port("127.0.0.1", port)) {
        std::fprintf(stderr, "minimal_http: cannot bind port %d\n", port);
        return 1;
    }
    std::printf("listening on %d\n", port);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}
