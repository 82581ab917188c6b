#include "app/console_sensors.h"

#include "measure/sampling_cycle.h"

#include <iostream>

namespace keltrix {

TConsoleSensorLink::TConsoleSensorLink(TSamplingCycle& cycle) {
    TMBMLinkHooks hooks;
    hooks.Post = [this](std::function<void()> job) {
        const std::lock_guard<std::mutex> guard(Lock_);
        Posted_.push_back(std::move(job));
    };
    hooks.MonitorRunning = [](const std::string& message) {
        std::cerr << "keltrix: " << message << "\n";
    };
    hooks.Balloon = [](const std::string& text, const std::string& title) {
        std::cerr << "keltrix: " << title << ": " << text << "\n";
    };
    Link_ = std::make_unique<TMBMLink>(std::move(hooks));
    cycle.SensorBlock = [this](TRawData& data) { Link_->SensorBlock(data); };
}

TConsoleSensorLink::~TConsoleSensorLink() {
    Link_->Stop();
}

void TConsoleSensorLink::RunPosted() {
    std::vector<std::function<void()>> jobs;
    {
        const std::lock_guard<std::mutex> guard(Lock_);
        jobs.swap(Posted_);
    }
    for (auto& job : jobs) job();
}

} // namespace keltrix
