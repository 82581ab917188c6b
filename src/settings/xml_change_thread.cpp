#include "settings/xml_change_thread.h"

#include "settings/xml_val_source.h"

namespace keltrix {
namespace {

std::string FolderOf(const std::string& fileName) {
    const std::size_t slash = fileName.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : fileName.substr(0, slash);
}

} // namespace

TXMLChangeThread::~TXMLChangeThread() {
    Terminate();
    if (Thread_.joinable()) Thread_.join();
}

void TXMLChangeThread::SetFileName(std::string name) {
    std::lock_guard lock(Lock_);
    FileName_ = std::move(name);
    if (Watch_) Watch_->Interrupt();
}

void TXMLChangeThread::Resume(TChangeSeen onChangeSeen) {
    {
        std::lock_guard lock(Lock_);
        if (Terminated_) return;
        OnChangeSeen_ = std::move(onChangeSeen);
        Suspended_ = false;
    }
    Wake_.notify_all();
    if (!Thread_.joinable()) Thread_ = std::thread([this] { Execute(); });
}

void TXMLChangeThread::Suspend() {
    std::lock_guard lock(Lock_);
    Suspended_ = true;
    if (Watch_) Watch_->Interrupt();
}

void TXMLChangeThread::Terminate() {
    {
        std::lock_guard lock(Lock_);
        Terminated_ = true;
        if (Watch_) Watch_->Interrupt();
    }
    Wake_.notify_all();
}

bool TXMLChangeThread::Suspended() const {
    std::lock_guard lock(Lock_);
    return Suspended_;
}

void TXMLChangeThread::SetTimes(std::chrono::milliseconds poll, std::chrono::milliseconds settle) {
    std::lock_guard lock(Lock_);
    Poll_ = poll;
    Settle_ = settle;
}

bool TXMLChangeThread::Sleep(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds d) {
    return !Wake_.wait_for(lock, d, [this] { return Stopping(); });
}

void TXMLChangeThread::Execute() {
    std::string watched;
    bool first = true;
    std::unique_lock lock(Lock_);
    while (!Terminated_) {
        if (Suspended_) {
            Wake_.wait(lock, [this] { return !Stopping() || Terminated_; });
            continue;
        }
        if (first || FileName_ != watched) {
            first = false;
            watched = FileName_;
            std::shared_ptr<platform::TDirectoryWatch> watch;
            if (!watched.empty() && !IsRemoteXMLName(watched)) {
                lock.unlock();
                std::string error;
                watch = platform::TDirectoryWatch::Open(FolderOf(watched), error);
                lock.lock();
            }
            Watch_ = std::move(watch);
            continue; // the name or the state may have moved meanwhile
        }
        if (!Watch_ || IsRemoteXMLName(watched)) {
            Sleep(lock, Poll_);
            continue;
        }
        const std::shared_ptr<platform::TDirectoryWatch> watch = Watch_;
        const auto poll = Poll_;
        lock.unlock();
        const auto result = watch->Wait(poll);
        lock.lock();
        if (result != platform::TDirectoryWatch::TWaitResult::Changed) continue;
        // A change that comes while suspending stays pending in the watch until resumed.
        if (!Sleep(lock, Settle_) || FileName_ != watched) continue;
        const TChangeSeen report = OnChangeSeen_;
        lock.unlock();
        if (report) report();
        watch->Rearm();
        lock.lock();
    }
}

} // namespace keltrix
