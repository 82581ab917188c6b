#pragma once
// The hardware-monitor link of console mode: what the loader hands over runs between samples,
// and its messages go to stderr.

#include "measure/mbm_link.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace keltrix {

class TSamplingCycle;

class TConsoleSensorLink {
public:
    // Serves the cycle's sensor block; the cycle must outlive this object.
    explicit TConsoleSensorLink(TSamplingCycle& cycle);
    ~TConsoleSensorLink(); // stops the starter
    // Runs what the loader thread posted since the last call (before each sample).
    void RunPosted();

private:
    std::mutex Lock_;
    std::vector<std::function<void()>> Posted_;
    std::unique_ptr<TMBMLink> Link_;
};

} // namespace keltrix
