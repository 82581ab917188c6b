#pragma once
// The file watcher of a file source: a thread that only waits and sleeps. It watches the
// file's folder and, a second after a change, calls OnChangeSeen, which hands the reload to
// the user-interface thread. Created suspended; the thread itself starts at the first Resume
// and ends (joined) with the object.

#include "platform/dir_watch.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace keltrix {

class TXMLChangeThread {
public:
    using TChangeSeen = std::function<void()>;

    TXMLChangeThread() = default;
    ~TXMLChangeThread();
    TXMLChangeThread(const TXMLChangeThread&) = delete;
    TXMLChangeThread& operator=(const TXMLChangeThread&) = delete;

    // The file to watch; a new name moves the watch to its folder.
    void SetFileName(std::string name);
    // Called on the watcher's thread after each settled change.
    void Resume(TChangeSeen onChangeSeen);
    void Suspend();
    void Terminate();
    bool Suspended() const;

    // Poll: the longest wait for the watch (and the pause while there is none). Settle: the
    // pause after a change before it is reported, so that writers finish.
    void SetTimes(std::chrono::milliseconds poll, std::chrono::milliseconds settle);

private:
    void Execute();
    // Sleeps up to d; false when woken to suspend or terminate.
    bool Sleep(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds d);
    bool Stopping() const { return Terminated_ || Suspended_; }

    mutable std::mutex Lock_;
    std::condition_variable Wake_;
    bool Suspended_ = true;
    bool Terminated_ = false;
    std::string FileName_;
    TChangeSeen OnChangeSeen_;
    std::chrono::milliseconds Poll_{5000};
    std::chrono::milliseconds Settle_{1000};
    std::shared_ptr<platform::TDirectoryWatch> Watch_; // replaced only by the thread
    std::thread Thread_;
};

} // namespace keltrix
