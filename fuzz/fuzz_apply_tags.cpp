// Arbitrary format strings through all eight formatters, first with their own render methods,
// then with a render that echoes its inputs and the opening of its own tag. Input longer than
// a record also supplies the record, so the renders meet every field value. A render may only
// throw the program's own errors, which reach the general error handler.

#include "base/errors.h"
#include "tags/formatters.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

using namespace keltrix;

namespace {

[[noreturn]] void Unhandled(const char* what) {
    std::fprintf(stderr, "a render threw out of ApplyTags what no handler expects: %s\n", what);
    std::abort();
}

void FillRecord(TRawData& d) {
    d.Marker = RecordMarker;
    for (int i = 0; i < 5; ++i) {
        d.ProcUsage[i] = 12.5f * static_cast<float>(i);
        d.NetRead[i] = d.NetWrite[i] = 1024.75f * static_cast<float>(i);
        d.NetReadSum[i] = d.NetWriteSum[i] = 1.5e9f;
    }
    d.RAMTotal = 0x7FFFFFFF;
    d.RAMFree = 0x10000000;
    d.PageTotal = 0xF0000000;
    d.PageFree = 0x20000000;
    d.Uptime = 200000;
    d.Threads = 812;
    d.Processes = 97;
    d.TopProcName.Set("(12)explorer");
    d.TopProcPercent = 7;
    for (int i = 0; i < 9; ++i) d.Temp[i] = d.Fan[i] = 40 + i;
    d.Power = {1, 8, 97, 0, 5400, 0xFFFFFFFF};
}

void EchoRenders(TFormatterList& formatters) {
    for (auto& f : formatters) {
        for (std::size_t i = 0; i < f->TagList.Count(); ++i) {
            f->TagList.SetFormatFunc(
                i, [name = f->TagList[i].Data.Name](const std::string& format, bool leadZero,
                                                    bool decimal, std::int32_t divisor) {
                    std::string value = format;
                    if (decimal) value += "<NAME=" + name + (leadZero ? ">" : "");
                    return value + std::to_string(divisor);
                });
        }
    }
}

void Run(TFormatterList& formatters, std::string_view text, std::uint8_t alignment) {
    const std::string formatString(text);
    for (auto& f : formatters) {
        f->DecideIfActive(formatString);
        f->Alignment = alignment;
        (void)f->GetDescription(formatString);
    }
    for (bool forceActive : {false, true}) {
        if (forceActive)
            for (auto& f : formatters) f->Active = true;
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            std::string line(text.substr(start, end - start));
            for (auto& f : formatters) {
                // What leaves a render must be one of the program's own errors, which the
                // general error handler reports (a bad number in a file-line definition);
                // anything else is a fault of the render itself.
                try {
                    line = f->ApplyTags(line);
                } catch (const EKeltrixError&) {
                } catch (const std::exception& e) {
                    Unhandled(e.what());
                } catch (...) {
                    Unhandled("a thrown value that is no exception");
                }
            }
            start = end + 1;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t alignment = data[0] % 3;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    // Built once: the formatters keep no state between lines but Active and Alignment.
    static TRawDataShell shell;
    static TFormatterList real = CreateFormatters(shell);
    static TFormatterList echo = [] {
        TFormatterList list = CreateFormatters(shell);
        EchoRenders(list);
        return list;
    }();

    shell.Data() = TRawData{};
    FillRecord(shell.Data());
    if (text.size() > RecordSize) {
        std::memcpy(&shell.Data(), text.data() + text.size() - RecordSize, RecordSize);
        text.remove_suffix(RecordSize);
    }
    Run(real, text, alignment);
    Run(echo, text, alignment);
    return 0;
}
