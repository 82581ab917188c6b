// The settings data module over config.xml: start-up with exit, and one value written through
// to the file, each beside a minimal program doing the same file work by hand with pugixml
// and POSIX calls.

#include "settings/xml_data_module.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

using namespace keltrix;

const char* const kNames[] = {"AlwaysOnTop",
                              "ShowDragHandle",
                              "LockedForm",
                              "Translucent",
                              "Transparent",
                              "BGFileName",
                              "BGColor",
                              "PinToDesktop",
                              "ScrollLockFlash",
                              "ActServer",
                              "SaveXML",
                              "ActWS",
                              "ActUptimes",
                              "TransLucLevel",
                              "BGFileNameVal",
                              "IconSet",
                              "CustIconNormal",
                              "CustIconNormalDisc",
                              "CustIconClient",
                              "CustIconClientDisc",
                              "ScrollLockFlashInterval",
                              "UptimesInterval",
                              "SaveXMLInterval",
                              "WSPort",
                              "SaveXMLFileName",
                              "MainData"};

struct TFolder {
    std::string Path;
    TFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/keltrix-bench-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        Path = pattern;
    }
    ~TFolder() { std::filesystem::remove_all(Path); }
    std::string File() const { return Path + "/config.xml"; }
};

// Every value of the module set, as a settings file that has been in use looks.
void WriteFullConfig(const std::string& file) {
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configuration>\n";
    for (const char* name : kNames) out << "  <" << name << ">1</" << name << ">\n";
    out << "</Configuration>\n";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << out.str();
}

void NoPost(std::function<void()>) {}
void NoError(const std::string&, const std::string&) {}

void ReplaceByHand(const std::string& dir, const std::string& file, const std::string& text) {
    const std::string temp = file + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        std::abort();
    ::fsync(fd);
    ::close(fd);
    if (::rename(temp.c_str(), file.c_str()) != 0) std::abort();
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::fsync(dfd);
    ::close(dfd);
}

void BM_DataModuleStartupAndExit(benchmark::State& state) {
    TFolder folder;
    WriteFullConfig(folder.File());
    for (auto _ : state) {
        TdmXML dm(NoError, NoPost, folder.File());
        benchmark::DoNotOptimize(dm.IconSet.GetAsInteger());
    }
}
BENCHMARK(BM_DataModuleStartupAndExit);

// Load, read each value once, save once: what start-up and exit need at the least.
void BM_MinimalLoadReadSave(benchmark::State& state) {
    TFolder folder;
    WriteFullConfig(folder.File());
    for (auto _ : state) {
        pugi::xml_document doc;
        if (!doc.load_file(folder.File().c_str())) std::abort();
        const pugi::xml_node root = doc.document_element();
        for (const char* name : kNames) benchmark::DoNotOptimize(root.child(name).text().get());
        std::ostringstream out;
        doc.save(out);
        ReplaceByHand(folder.Path, folder.File(), out.str());
    }
}
BENCHMARK(BM_MinimalLoadReadSave);

void BM_ValueWrite(benchmark::State& state) {
    TFolder folder;
    WriteFullConfig(folder.File());
    TdmXML dm(NoError, NoPost, folder.File());
    std::int32_t n = 0;
    for (auto _ : state) dm.IconSet.SetAsInteger(++n & 3);
}
BENCHMARK(BM_ValueWrite);

void BM_MinimalWrite(benchmark::State& state) {
    TFolder folder;
    WriteFullConfig(folder.File());
    pugi::xml_document doc;
    doc.load_file(folder.File().c_str());
    std::int32_t n = 0;
    for (auto _ : state) {
        doc.document_element().child("IconSet").text().set(++n & 3);
        std::ostringstream out;
        doc.save(out);
        ReplaceByHand(folder.Path, folder.File(), out.str());
    }
}
BENCHMARK(BM_MinimalWrite);

} // namespace

BENCHMARK_MAIN();
