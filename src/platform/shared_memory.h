#pragma once
// A named shared-memory area opened read-only (OpenFileMapping + MapViewOfFile).

#include "platform/win_types.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace keltrix::platform {

class TSharedMemoryView {
public:
    TSharedMemoryView() = default;
    ~TSharedMemoryView() { Close(); }
    TSharedMemoryView(const TSharedMemoryView&) = delete;
    TSharedMemoryView& operator=(const TSharedMemoryView&) = delete;

    // Maps the whole area read-only; a failure leaves the view closed.
    TResult Open(const std::string& name);
    void Close();
    bool IsOpen() const { return Data_ != nullptr; }
    std::span<const std::uint8_t> Data() const { return {Data_, Size_}; }

private:
    const std::uint8_t* Data_ = nullptr;
    std::size_t Size_ = 0;
};

} // namespace keltrix::platform
