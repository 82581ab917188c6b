#include "settings/registry_store.h"

#include <cstring>
#include <optional>
#include <system_error>

namespace keltrix {

namespace {

const char* TypeName(TRegDataType type) {
    switch (type) {
    case TRegDataType::String:
        return "a string";
    case TRegDataType::Integer:
        return "an integer";
    case TRegDataType::Binary:
        return "binary data";
    case TRegDataType::Other:
        break;
    }
    return "of another registry type";
}

std::string Quote(const std::string& name) {
    return "\"" + name + "\"";
}

} // namespace

void TRegistryStore::SetProblemSink(TProblemSink sink) {
    Sink_ = std::move(sink);
    if (!Sink_) return;
    std::vector<std::string> waiting;
    waiting.swap(Waiting_);
    for (const std::string& message : waiting) Sink_(message);
}

void TRegistryStore::Tell(const std::string& message) {
    if (!Told_.insert(message).second) return;
    if (Sink_)
        Sink_(message);
    else
        Waiting_.push_back(message);
}

void TRegistryStore::Unreadable(const std::string& name, const std::string& why) {
    Tell("Settings value " + Quote(name) + " " + why + ": the built-in value is used");
}

TRegistryStore::TRegistryStore(std::string fileName) : FileName_(std::move(fileName)) {
    Refresh();
}

std::string TRegistryStore::LoadError() {
    Refresh();
    return LoadError_;
}

std::string TRegistryStore::Resolve(const std::string& key) {
    std::string_view rest = key;
    if (!rest.empty() && rest.front() == '\\') rest.remove_prefix(1);
    if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
    std::string path = RootKey;
    if (!rest.empty()) {
        path += '\\';
        path += rest;
    }
    return TRegistryFile::IsValidKeyPath(path) ? path : std::string();
}

void TRegistryStore::Refresh() {
    const platform::TFileStamp now = platform::StatFile(FileName_);
    if (Loaded_ && now == Stamp_) return;
    try {
        Adopt(platform::ReadFileSnapshot(FileName_));
    } catch (const std::system_error& e) {
        // Unreadable: run on what is known, and try again once the file changes.
        LoadError_ = e.what();
        platform::TFileSnapshot unreadable;
        unreadable.Exists = true;
        unreadable.Stamp = now;
        Remember(std::move(unreadable));
    }
}

void TRegistryStore::Adopt(platform::TFileSnapshot snapshot) {
    if (!snapshot.Exists) {
        Cache_ = {};
        LoadError_.clear();
    } else {
        try {
            Cache_ = TRegistryFile::Parse(snapshot.Text, FileName_);
            LoadError_.clear();
        } catch (const ERegistryFileError& e) {
            // The values known so far stay in use, in memory only.
            LoadError_ = e.what();
        }
    }
    Remember(std::move(snapshot));
}

void TRegistryStore::Remember(platform::TFileSnapshot snapshot) {
    CachedExists_ = snapshot.Exists;
    CachedText_ = std::move(snapshot.Text);
    Stamp_ = snapshot.Stamp;
    Pin_ = std::move(snapshot.Pin);
    Loaded_ = true;
}

bool TRegistryStore::Change(const TChange& change) {
    std::optional<TRegistryFile> parsed;
    std::string parseError;
    bool inPlace = false;
    bool applied = false;      // change ran on the model
    bool changeFailed = false; // change itself threw: nothing of it may stay
    bool changed = false;
    platform::TFileSnapshot after;
    try {
        after = platform::UpdateFileLocked(
            FileName_, [&](const platform::TFileSnapshot& current) -> std::optional<std::string> {
                TRegistryFile* model = &Cache_;
                // Mostly the file is as this store last saw it: no need to parse it again.
                inPlace = LoadError_.empty() && current.Exists == CachedExists_ &&
                          current.Text == CachedText_;
                if (!inPlace) {
                    model = &parsed.emplace();
                    if (current.Exists) {
                        try {
                            *model = TRegistryFile::Parse(current.Text, FileName_);
                        } catch (const ERegistryFileError& e) {
                            parseError = e.what();
                            return std::nullopt;
                        }
                    }
                }
                try {
                    changed = change(*model);
                } catch (...) {
                    changeFailed = true;
                    throw;
                }
                applied = true;
                if (!changed) return std::nullopt;
                return model->Write();
            });
    } catch (...) {
        if (changeFailed) {
            // The cache may hold part of it: read the file again when next asked.
            if (inPlace) Loaded_ = false;
            throw;
        }
        // The run goes on with the change in memory; the file is as it was, so its stamp still
        // matches and the cache is kept until the file changes. A later save writes it too.
        if (!(applied && inPlace)) {
            try {
                change(Cache_);
            } catch (...) {
                Loaded_ = false;
            }
        }
        throw;
    }
    if (!parseError.empty()) {
        // A file that cannot be parsed is never overwritten.
        LoadError_ = parseError;
        changed = change(Cache_);
    } else {
        if (parsed) Cache_ = std::move(*parsed);
        LoadError_.clear();
    }
    Remember(std::move(after));
    return changed;
}

bool TRegistryStore::Save(const TChange& change) {
    try {
        const bool changed = Change(change);
        SaveFailureTold_ = false;
        return changed;
    } catch (const std::exception& e) {
        TellSaveFailure(e.what());
        return true;
    }
}

void TRegistryStore::TellSaveFailure(const std::string& reason) {
    // A file that cannot be read was reported as such already.
    if (SaveFailureTold_ || !LoadError_.empty()) return;
    SaveFailureTold_ = true;
    // Told again when it comes back after a save that worked.
    Told_.erase("settings cannot be saved: " + reason);
    Tell("settings cannot be saved: " + reason);
}

bool TRegistryStore::OpenKey(const std::string& key, bool canCreate) {
    const std::string path = Resolve(key);
    if (path.empty()) {
        OpenFailure_ = "the key name \"" + key + "\" is not valid";
        if (canCreate) Tell("settings cannot be saved: " + OpenFailure_);
        return false;
    }
    Refresh();
    if (!Cache_.KeyExists(path)) {
        if (!canCreate) return false;
        Save([&](TRegistryFile& file) {
            if (file.KeyExists(path)) return false;
            file.CreateKey(path);
            return true;
        });
    }
    CurrentPath_ = path;
    OpenFailure_.clear();
    return true;
}

bool TRegistryStore::KeyExists(const std::string& key) {
    const std::string path = Resolve(key);
    if (path.empty()) return false;
    Refresh();
    return Cache_.KeyExists(path);
}

bool TRegistryStore::DeleteKey(const std::string& key) {
    const std::string path = Resolve(key);
    if (path.empty()) return false;
    Refresh();
    if (!Cache_.KeyExists(path)) return false;
    Save([&](TRegistryFile& file) { return file.DeleteKey(path); });
    return true;
}

const TRegValue* TRegistryStore::Find(const std::string& name) {
    Refresh();
    if (CurrentPath_.empty()) return nullptr;
    const TRegKey* key = Cache_.FindKey(CurrentPath_);
    return key == nullptr ? nullptr : key->Find(name);
}

bool TRegistryStore::ValueExists(const std::string& name) {
    const TRegValue* value = Find(name);
    if (value == nullptr) return false;
    const auto expected = ExpectedTypes_.find(FoldCase(name));
    if (expected == ExpectedTypes_.end() || expected->second == value->Type ||
        (expected->second == TRegDataType::Binary && value->Type == TRegDataType::Other))
        return true;
    Unreadable(name,
               std::string("is ") + TypeName(value->Type) + ", not " + TypeName(expected->second));
    return false;
}

std::optional<TRegDataType> TRegistryStore::StoredType(const std::string& name) {
    const TRegValue* value = Find(name);
    if (value == nullptr) return std::nullopt;
    return value->Type;
}

std::int32_t TRegistryStore::ReadInteger(const std::string& name) {
    const TRegValue* value = Find(name);
    if (value == nullptr) {
        Unreadable(name, CurrentPath_.empty() ? std::string("cannot be read: no key is open")
                                              : "is missing in " + CurrentPath_);
        return 0;
    }
    if (value->Type != TRegDataType::Integer) {
        Unreadable(name, std::string("is ") + TypeName(value->Type) + ", not an integer");
        return 0;
    }
    return static_cast<std::int32_t>(value->Number);
}

std::string TRegistryStore::ReadString(const std::string& name) {
    const TRegValue* value = Find(name);
    if (value == nullptr) return {};
    if (value->Type != TRegDataType::String) {
        Unreadable(name, std::string("is ") + TypeName(value->Type) + ", not a string");
        return {};
    }
    return value->Text;
}

std::size_t TRegistryStore::ReadBinaryData(const std::string& name, void* buffer,
                                           std::size_t length) {
    const TRegValue* value = Find(name);
    if (value == nullptr) return 0;
    if (value->Type != TRegDataType::Binary && value->Type != TRegDataType::Other) {
        Unreadable(name, std::string("is ") + TypeName(value->Type) + ", not binary data");
        return 0;
    }
    const std::size_t size = value->Bytes.size();
    if (size > length) {
        Unreadable(name, "holds " + std::to_string(size) + " bytes, more than its " +
                             std::to_string(length));
        return 0;
    }
    if (size > 0) std::memcpy(buffer, value->Bytes.data(), size);
    return size;
}

void TRegistryStore::WriteValue(TRegValue value) {
    if (CurrentPath_.empty()) {
        Tell("settings cannot be saved: " +
             (OpenFailure_.empty() ? std::string("no settings key is open") : OpenFailure_));
        return;
    }
    Save([&](TRegistryFile& file) {
        const bool created = file.FindKey(CurrentPath_) == nullptr;
        return file.CreateKey(CurrentPath_).Set(value) || created;
    });
}

void TRegistryStore::WriteInteger(const std::string& name, std::int32_t number) {
    TRegValue value;
    value.Name = name;
    value.Type = TRegDataType::Integer;
    value.Number = static_cast<std::uint32_t>(number);
    WriteValue(std::move(value));
}

void TRegistryStore::WriteString(const std::string& name, const std::string& text) {
    TRegValue value;
    value.Name = name;
    value.Type = TRegDataType::String;
    value.Text = text;
    WriteValue(std::move(value));
}

void TRegistryStore::WriteBinaryData(const std::string& name, const void* buffer,
                                     std::size_t length) {
    TRegValue value;
    value.Name = name;
    value.Type = TRegDataType::Binary;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    value.Bytes.assign(bytes, bytes + length);
    WriteValue(std::move(value));
}

bool TRegistryStore::DeleteValue(const std::string& name) {
    if (!ValueStored(name)) return false;
    Save([&](TRegistryFile& file) {
        TRegKey* key = file.FindKey(CurrentPath_);
        return key != nullptr && key->Remove(name);
    });
    return true;
}

void TRegistryStore::UpdateValues(const std::function<void(TRegKey& key)>& edit) {
    if (CurrentPath_.empty()) {
        Tell("settings cannot be saved: " +
             (OpenFailure_.empty() ? std::string("no settings key is open") : OpenFailure_));
        return;
    }
    const TChange change = [&](TRegistryFile& file) {
        const bool created = file.FindKey(CurrentPath_) == nullptr;
        TRegKey& key = file.CreateKey(CurrentPath_);
        const TRegKey before = key;
        edit(key);
        return created || !(key == before);
    };
    try {
        Change(change);
        SaveFailureTold_ = false;
    } catch (const std::system_error& e) {
        TellSaveFailure(e.what());
    }
}

std::vector<std::string> TRegistryStore::GetValueNames() {
    Refresh();
    std::vector<std::string> names;
    if (CurrentPath_.empty()) return names;
    if (const TRegKey* key = Cache_.FindKey(CurrentPath_))
        for (const TRegValue& value : key->Values()) names.push_back(value.Name);
    return names;
}

std::vector<std::string> TRegistryStore::GetKeyNames() {
    Refresh();
    if (CurrentPath_.empty()) return {};
    return Cache_.SubKeyNames(CurrentPath_);
}

} // namespace keltrix
