// One display line of ten tags through all eight formatters, as every refresh does it.

#include "tags/formatters.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace keltrix;

namespace {

const std::string TenTags =
    "Proc %: <NAME=ProcUsage LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\"> "
    "Top: <NAME=TopProc FORMAT=\"Title\"> <NAME=TopProc FORMAT=\"%\"> "
    "Read: <NAME=NetRead LEADZERO DECIMAL FORMAT=\"ALL\"> "
    "Sum: <NAME=NetSumWrite DIV=1024 DECIMAL FORMAT=\"1\"> "
    "Up: <NAME=Uptime FORMAT=\"*d* days, *H* hrs, *M* mins, *S* secs\" SIZE=20> "
    "<NAME=Threads SIZE=5> RAM: <NAME=RAMUsed FORMAT=\"%\"> "
    "<NAME=Temp1 FORMAT=\"F\">\xC2\xBA <NAME=BatPercent SIZE=5>";

void FillRecord(TRawData& d) {
    d.Marker = RecordMarker;
    for (int i = 0; i < 5; ++i) {
        d.ProcUsage[i] = 37.25f;
        d.NetRead[i] = 4.75f;
        d.NetWriteSum[i] = 1536000.0f;
    }
    d.RAMTotal = 1024u * 1048576u;
    d.RAMFree = 300u * 1048576u;
    d.Uptime = 200000;
    d.Threads = 812;
    d.TopProcName.Set("(12)explorer");
    d.TopProcPercent = 7;
    d.Temp[0] = 46;
    d.Power.BatteryLifePercent = 97;
}

void BM_ApplyTagsTenTags(benchmark::State& state) {
    TRawDataShell shell;
    FillRecord(shell.Data());
    TFormatterList formatters = CreateFormatters(shell);
    for (auto& f : formatters) f->DecideIfActive(TenTags);
    for (auto& f : formatters) f->Active = true;
    for (auto _ : state) {
        std::string line = TenTags;
        for (auto& f : formatters) line = f->ApplyTags(std::move(line));
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_ApplyTagsTenTags);

void BM_ApplyTagsPlainLine(benchmark::State& state) {
    TRawDataShell shell;
    TFormatterList formatters = CreateFormatters(shell);
    for (auto& f : formatters) f->Active = true;
    const std::string plain = "<B>Just a caption line with markup but no tags</B>";
    for (auto _ : state) {
        std::string line = plain;
        for (auto& f : formatters) line = f->ApplyTags(std::move(line));
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_ApplyTagsPlainLine);

} // namespace

BENCHMARK_MAIN();
