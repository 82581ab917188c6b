#pragma once
// The settings store: registry keys under HKEY_CURRENT_USER, kept in the settings file. Every
// change is applied to the file's current content under a lock and replaces the file
// atomically, so several running instances keep each other's values. Reads re-parse the file
// only when it changed. Not thread-safe: the program uses it from the UI thread.

#include "platform/file_store.h"
#include "settings/registry_file.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace keltrix {

class TRegistryStore {
public:
    static constexpr const char* RootKey = "HKEY_CURRENT_USER";

    explicit TRegistryStore(std::string fileName);

    // Reads and writes never throw: a read that fails answers the missing value's result and a
    // write that fails keeps the value in memory only. Each distinct problem is told once;
    // those that come before a sink is set wait for it.
    using TProblemSink = std::function<void(const std::string& message)>;
    void SetProblemSink(TProblemSink sink);

    // The types the program's values must have (names folded to lower case). A stored value of
    // another type counts as missing, so its reader keeps the built-in value.
    void ExpectTypes(std::unordered_map<std::string, TRegDataType> types) {
        ExpectedTypes_ = std::move(types);
    }

    const std::string& FileName() const noexcept { return FileName_; }

    // Why the file is not in use: it cannot be read, or it cannot be parsed (the message names
    // the file and the line). Empty while the file is fine. While the file is bad the store
    // works on values in memory and leaves the file exactly as it is.
    std::string LoadError();

    // Key paths ("Software\OrlenwickStudios\Vistrand") are taken from the user root, whatever
    // key is open. OpenKey answers false for a missing key unless canCreate, and for a key that
    // cannot be created: a valid key that cannot be saved is still opened, in memory.
    bool OpenKey(const std::string& key, bool canCreate);
    void CloseKey() { CurrentPath_.clear(); }
    // The full path of the open key ("HKEY_CURRENT_USER\..."), empty when none is open.
    const std::string& CurrentPath() const noexcept { return CurrentPath_; }
    bool KeyExists(const std::string& key);
    // With everything below it. False when there was no such key.
    bool DeleteKey(const std::string& key);

    // False also for a value of another type than expected (told as a problem).
    bool ValueExists(const std::string& name);
    // Stored at all, whatever its type: values written with a default only when missing.
    bool ValueStored(const std::string& name) { return StoredType(name).has_value(); }
    std::optional<TRegDataType> StoredType(const std::string& name);
    // Missing values and values of another type read as 0, "" or no bytes; all but a missing
    // string or missing bytes (which the platform reads as empty) are told as a problem.
    std::int32_t ReadInteger(const std::string& name);
    bool ReadBool(const std::string& name) { return ReadInteger(name) != 0; }
    std::string ReadString(const std::string& name);
    // Bytes copied into buffer; data longer than length is a problem and copies nothing.
    std::size_t ReadBinaryData(const std::string& name, void* buffer, std::size_t length);

    // Without an open key or a writable file: told once ("settings cannot be saved: ..."), and
    // the program goes on without saving.
    void WriteInteger(const std::string& name, std::int32_t value);
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    void WriteString(const std::string& name, const std::string& value);
    void WriteBinaryData(const std::string& name, const void* buffer, std::size_t length);
    // False when there was no such value.
    bool DeleteValue(const std::string& name);
    // Reads and changes values of the open key (created when missing) as one change under the
    // file's lock: edit sees the key as the file holds it at that moment, and what it sets is
    // written before any other writer gets in. An exception from edit leaves the file as it
    // was and is passed on; I/O failures are told like those of the writes.
    void UpdateValues(const std::function<void(TRegKey& key)>& edit);

    // Of the open key, in file order.
    std::vector<std::string> GetValueNames();
    std::vector<std::string> GetKeyNames();

private:
    using TChange = std::function<bool(TRegistryFile&)>;

    static std::string Resolve(const std::string& key);
    void Refresh();
    void Adopt(platform::TFileSnapshot snapshot);
    void Remember(platform::TFileSnapshot snapshot);
    // Applies change under the lock to the file's current content; true when it changed
    // anything. I/O failures are thrown as std::system_error.
    bool Change(const TChange& change);
    // Change, or in memory only when the file cannot be written (told once).
    bool Save(const TChange& change);
    void Tell(const std::string& message);
    void TellSaveFailure(const std::string& reason);
    void Unreadable(const std::string& name, const std::string& why);
    const TRegValue* Find(const std::string& name);
    void WriteValue(TRegValue value);

    std::string FileName_;
    TRegistryFile Cache_;
    // The file as last read or written; Cache_ holds its content unless LoadError_ is set.
    bool CachedExists_ = false;
    std::string CachedText_;
    platform::TFileStamp Stamp_;
    platform::TFileHandle Pin_;
    bool Loaded_ = false;
    std::string LoadError_;
    std::string CurrentPath_;
    std::string OpenFailure_; // why the last key asked for could not be opened
    std::unordered_map<std::string, TRegDataType> ExpectedTypes_;
    TProblemSink Sink_;
    std::vector<std::string> Waiting_;
    std::set<std::string> Told_;
    bool SaveFailureTold_ = false;
};

} // namespace keltrix
