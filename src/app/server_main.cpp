// The headless server: started by the front program for --headless. It holds the web service
// and the libraries it needs, which console runs are spared.
#include "app/entry.h"
#include "app/headless_mode.h"
#include "platform/program_parts.h"

#include <iostream>

int main(int argc, char** argv) {
    using namespace keltrix;
    platform::SetProgramPart(platform::TProgramPart::Server);
    try {
        return KeltrixEntry(
            argc, argv,
            {[](char* argv0, const std::vector<std::string>&) {
                 std::cerr << argv0
                           << ": this is the headless server; the window "
                              "opens from keltrix itself\n";
                 return 1;
             },
             [](char*, const std::vector<std::string>& args) { return RunHeadlessMode(args); }});
    } catch (...) {
        return SayWhyItStops(argv[0]);
    }
}
