// A starter library for the link's tests: Start answers what the test asks for and counts
// its calls, Stop counts its own.
#include <atomic>

namespace {
std::atomic<int> Result{1};
std::atomic<int> Starts{0};
std::atomic<int> Stops{0};
} // namespace

extern "C" {
__attribute__((visibility("default"))) int Start() {
    ++Starts;
    return Result;
}
__attribute__((visibility("default"))) void Stop() {
    ++Stops;
}
__attribute__((visibility("default"))) void ProbeSetResult(int result) {
    Result = result;
}
__attribute__((visibility("default"))) int ProbeStarts() {
    return Starts;
}
__attribute__((visibility("default"))) int ProbeStops() {
    return Stops;
}
__attribute__((visibility("default"))) void ProbeReset() {
    Result = 1;
    Starts = 0;
    Stops = 0;
}
}
