// Rendering of the system tags. They come with the system data; until then each renders
// empty text, which SIZE still pads.

#include "tags/nonperf_format.h"

namespace keltrix {

std::string TNonPerfFormat::IPAddrFunc(const std::string&, bool, bool, std::int32_t) {
    return {};
}

std::string TNonPerfFormat::CompNameFunc(const std::string&, bool, bool, std::int32_t) {
    return {};
}

std::string TNonPerfFormat::UserNameFunc(const std::string&, bool, bool, std::int32_t) {
    return {};
}

std::string TNonPerfFormat::DateTimeFunc(const std::string&, bool, bool, std::int32_t) {
    return {};
}

std::string TNonPerfFormat::BlankFunc(const std::string&, bool, bool, std::int32_t) {
    return {};
}

std::string TNonPerfFormat::DriveSpaceFunc(const std::string&, bool, bool, std::int32_t) {
    return {};
}

std::string TNonPerfFormat::ProcTypeFunc(const std::string&, bool, bool, std::int32_t) {
    return {};
}

std::string TNonPerfFormat::FileDataFunc(const std::string&, bool, bool, std::int32_t) {
    return {};
}

} // namespace keltrix
