#pragma once
// The settings file's content: registry keys and values in the text layout of a REGEDIT4
// export. Key paths are full paths with the root ("HKEY_CURRENT_USER\Software\..."). Names
// compare without regard to ASCII letter case and keep the case of their first writing; keys
// stay in creation order, values in first-write order.

#include "base/errors.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace keltrix {

// The file cannot be read as a registry export. The message names the file and the line.
class ERegistryFileError : public ERegistryException {
public:
    ERegistryFileError(const std::string& fileName, int line, const std::string& reason);
    const char* ClassName() const noexcept override { return "ERegistryFileError"; }

    const std::string& FileName() const noexcept { return FileName_; }
    int Line() const noexcept { return Line_; }
    const std::string& Reason() const noexcept { return Reason_; }

private:
    std::string FileName_;
    int Line_;
    std::string Reason_;
};

enum class TRegDataType {
    String,  // REG_SZ, "text"
    Integer, // REG_DWORD, dword:
    Binary,  // REG_BINARY, hex:
    Other,   // any other registry type, hex(N): kept as raw bytes
};

struct TRegValue {
    std::string Name; // empty: the key's default value ("@")
    TRegDataType Type = TRegDataType::String;
    std::string Text;                // String
    std::uint32_t Number = 0;        // Integer
    std::vector<std::uint8_t> Bytes; // Binary, Other
    std::uint32_t OtherType = 0;     // the registry type number of Other

    bool operator==(const TRegValue&) const = default;
};

// ASCII lower case: the form in which names are compared.
std::string FoldCase(std::string_view name);

class TRegKey {
public:
    explicit TRegKey(std::string path) : Path_(std::move(path)) {}

    const std::string& Path() const noexcept { return Path_; }
    const std::vector<TRegValue>& Values() const noexcept { return Values_; }
    const TRegValue* Find(std::string_view name) const;

    // An existing value keeps its name's case and its place. True when anything changed.
    bool Set(TRegValue value);
    bool Remove(std::string_view name);

    bool operator==(const TRegKey& other) const {
        return Path_ == other.Path_ && Values_ == other.Values_;
    }

private:
    std::string Path_;
    std::vector<TRegValue> Values_;
    std::unordered_map<std::string, std::size_t> Index_; // folded name -> place in Values_
};

class TRegistryFile {
public:
    // Throws ERegistryFileError; nothing of a text that fails is taken.
    static TRegistryFile Parse(std::string_view text, const std::string& fileName);
    std::string Write() const;

    // A path of one or more non-empty names separated by "\", without control characters.
    static bool IsValidKeyPath(std::string_view path);

    const std::vector<TRegKey>& Keys() const noexcept { return Keys_; }
    const TRegKey* FindKey(std::string_view path) const;
    TRegKey* FindKey(std::string_view path);
    // The existing key, or a new one at the end. Throws ERegistryException for an invalid path.
    TRegKey& CreateKey(std::string_view path);
    // Also true for a key that only exists as the parent of others.
    bool KeyExists(std::string_view path) const;
    // Removes the key with everything below it; true when anything was removed.
    bool DeleteKey(std::string_view path);
    // Names of the keys directly below path, in order of appearance.
    std::vector<std::string> SubKeyNames(std::string_view path) const;

    bool operator==(const TRegistryFile& other) const { return Keys_ == other.Keys_; }

private:
    std::vector<TRegKey> Keys_;
    std::unordered_map<std::string, std::size_t> Index_; // folded path -> place in Keys_
};

} // namespace keltrix
