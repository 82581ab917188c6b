#include "app/keltrix_main.h"
#include "platform/program_parts.h"

// The window program: started by the front program when a window is to open.
int main(int argc, char** argv) {
    keltrix::platform::SetProgramPart(keltrix::platform::TProgramPart::Window);
    return keltrix::KeltrixMain(argc, argv);
}
