// The program the user starts. Everything but the window and the headless server runs here,
// in plain C++ without them; for either it replaces itself with the program that holds it,
// which keeps the process and its name.
#include "app/entry.h"
#include "platform/paths.h"
#include "platform/program_parts.h"

#include <iostream>

namespace {

using namespace keltrix;

int Become(platform::TProgramPart part, const char* what, char** argv) {
    const std::string front = platform::ProgramDir();
    const std::string program = platform::PartProgram(part, front);
    if (program.empty()) {
        std::cerr << argv[0] << ": the " << what << " of Keltrix is not installed beside " << front
                  << "\n";
        return 1;
    }
    const std::string why = platform::ReplaceProcess(program, argv);
    std::cerr << argv[0] << ": cannot start the " << what << " " << program << ": " << why << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    platform::SetProgramPart(platform::TProgramPart::Front);
    try {
        return KeltrixEntry(argc, argv,
                            {[argv](char*, const std::vector<std::string>&) {
                                 return Become(platform::TProgramPart::Window, "window part", argv);
                             },
                             [argv](char*, const std::vector<std::string>&) {
                                 return Become(platform::TProgramPart::Server, "headless server",
                                               argv);
                             }});
    } catch (...) {
        return SayWhyItStops(argv[0]);
    }
}
