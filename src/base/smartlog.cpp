#include "base/smartlog.h"

#include "base/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cxxabi.h>
#include <fstream>
#include <memory>
#include <typeinfo>

namespace keltrix {
namespace {

// The user's short date and long time formats come from the C library's locale.
std::string LocalStamp(const char* pattern) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[128];
    const std::size_t n = std::strftime(buf, sizeof buf, pattern, &tm);
    return std::string(buf, n);
}

} // namespace

namespace smartlog {
std::atomic<TSmartLog*> Current{nullptr};
void Install(TSmartLog* log) {
    Current.store(log, std::memory_order_release);
}
} // namespace smartlog

TSmartLog::TSmartLog(std::string_view applicationTitle) {
    Lines_.push_back(std::string(applicationTitle) + " Program Log (" + LocalStamp("%x") + ")");
    Lines_.emplace_back();
}

TSmartLog::~TSmartLog() {
    if (smartlog::Current.load() == this) smartlog::Install(nullptr);
    if (!SaveOnDestroy_) return;
    try {
        Save();
    } catch (const std::exception&) {
        // Nowhere left to report it at the final clean-up.
    }
}

void TSmartLog::Add(std::string_view text) {
    std::lock_guard lock(Lock_);
    std::string entry = TimeStamps_ ? LocalStamp("%x %X") + " " : std::string();
    entry += text;
    Lines_.push_back(std::move(entry));
    if (MaxLines_ > 0) {
        const std::size_t keep = static_cast<std::size_t>(MaxLines_) + 2;
        if (Lines_.size() > keep)
            Lines_.erase(Lines_.begin() + 2, Lines_.begin() + 2 + (Lines_.size() - keep));
    }
}

void TSmartLog::Save() {
    std::lock_guard lock(Lock_);
    const std::string tmp = FileName_ + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        for (const std::string& line : Lines_) out << line << "\r\n";
        out.flush();
        if (!out) {
            const std::string why = std::strerror(errno);
            std::remove(tmp.c_str());
            throw EInOutError("Cannot write " + FileName_ + ": " + why);
        }
    }
    if (std::rename(tmp.c_str(), FileName_.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        std::remove(tmp.c_str());
        throw EInOutError("Cannot write " + FileName_ + ": " + why);
    }
}

void TSmartLog::SetMaxLines(std::int32_t value) {
    std::lock_guard lock(Lock_);
    MaxLines_ = value;
}
void TSmartLog::SetTimeStamps(bool value) {
    std::lock_guard lock(Lock_);
    TimeStamps_ = value;
}
void TSmartLog::SetFileName(std::string value) {
    std::lock_guard lock(Lock_);
    FileName_ = std::move(value);
}
void TSmartLog::SetSaveOnDestroy(bool value) {
    std::lock_guard lock(Lock_);
    SaveOnDestroy_ = value;
}

std::vector<std::string> TSmartLog::Lines() const {
    std::lock_guard lock(Lock_);
    return {Lines_.begin(), Lines_.end()};
}

std::string ExceptionClassName(const std::exception& e) {
    if (const auto* own = dynamic_cast<const EKeltrixError*>(&e)) return own->ClassName();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status), std::free);
    std::string full = status == 0 && name ? name.get() : typeid(e).name();
    const std::size_t colon = full.rfind("::");
    return colon == std::string::npos ? full : full.substr(colon + 2);
}

} // namespace keltrix
