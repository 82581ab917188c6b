// config.xml with arbitrary bytes, loaded by the settings data module as at start-up. A file it
// refuses is reported once and left byte for byte; a file it takes is saved so that it loads
// again with every value reading the same, and saving it once more changes nothing.

#include "settings/xml_data_module.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace keltrix;

std::string Folder() {
    static const std::string dir = [] {
        std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                              std::string("/keltrix-fuzz-XXXXXX");
        if (!::mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return dir;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteAll(const std::string& path, std::string_view text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

struct TRun {
    std::vector<std::string> Errors;
    std::vector<std::string> Values;
};

TRun Load(const std::string& file) {
    TRun run;
    TdmXML dm([&run](const std::string& c, const std::string& m) { run.Errors.push_back(c + m); },
              [](std::function<void()>) { std::abort(); }, file);
    for (TComponent* c : dm.Components())
        if (auto* value = dynamic_cast<TXMLValue*>(c)) run.Values.push_back(value->GetAsText());
    return run;
}

[[noreturn]] void Fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s:\n%s\n", what, text.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = Folder() + "/config.xml";
    const std::string input(reinterpret_cast<const char*>(data), size);
    WriteAll(file, input);
    const TRun first = Load(file);
    const std::string saved = ReadAll(file);
    if (!first.Errors.empty()) {
        if (first.Errors.size() != 1 || saved != input) Fail("a refused file was touched", saved);
        return 0;
    }
    const TRun second = Load(file);
    if (!second.Errors.empty()) Fail("a saved file does not load", saved + second.Errors[0]);
    if (second.Values != first.Values) Fail("values read back differently", saved);
    if (ReadAll(file) != saved) Fail("saving again changed the file", saved);
    return 0;
}
