#pragma once
// XML auto-save: the data document written to a file at a fixed period. The file is replaced
// whole (a temporary file in the same folder takes its place), so a reader never sees half a
// document.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keltrix {

inline constexpr const char* DefaultAutoSaveName = "keltrix.xml";
inline constexpr std::int32_t DefaultAutoSaveInterval = 10000;

// The answer of the "Update Interval" prompt: blanks around it removed, digits only and at
// least one, else nothing (auto-save stops). A number beyond 32 bits gives 1000.
std::optional<std::int32_t> ParseAutoSaveInterval(std::string_view text);

// The text's lines, each ended by CR LF (the last one too), replacing the file. Throws
// EInOutError naming the file and the reason when it cannot be written; the old file stays.
void SaveDocumentFile(const std::string& path, std::string_view text);

// The file name, period and state of the save timer, as start-up reads them.
struct TAutoSaveState {
    std::string FileName = DefaultAutoSaveName;
    std::int32_t Interval = DefaultAutoSaveInterval;
    bool Running = false;
};

} // namespace keltrix
