// The program the user starts. Everything but the window runs here, in plain C++; for the
// window it replaces itself with the window program, which keeps the process and its name.
#include "app/entry.h"
#include "platform/paths.h"
#include "platform/program_parts.h"

#include <iostream>

int main(int argc, char** argv) {
    using namespace keltrix;
    platform::SetProgramPart(platform::TProgramPart::Front);
    return KeltrixEntry(argc, argv, [argv](char* argv0, const std::vector<std::string>&) {
        const std::string front = platform::ProgramDir();
        const std::string window = platform::WindowProgram(front);
        if (window.empty()) {
            std::cerr << argv0 << ": the window part of Keltrix is not installed beside " << front
                      << "; keltrix --console and keltrix --headless run without it\n";
            return 1;
        }
        const std::string why = platform::ReplaceProcess(window, argv);
        std::cerr << argv0 << ": cannot start the window part " << window << ": " << why << "\n";
        return 1;
    });
}
