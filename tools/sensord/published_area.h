#pragma once
// The shared-memory area sensord owns: created once, rewritten every cycle, removed at exit;
// and the watch on who reads it.

#include <cstdint>
#include <string>
#include <vector>

namespace keltrix::sensord {

enum class TCreate { Created, AlreadyPublished, Failed };

class TPublishedArea {
public:
    explicit TPublishedArea(std::string name) : Name_(std::move(name)) {}
    ~TPublishedArea() { Remove(); }
    TPublishedArea(const TPublishedArea&) = delete;
    TPublishedArea& operator=(const TPublishedArea&) = delete;

    // Creates the area of size bytes. An area left by a publisher that is gone is replaced;
    // one of a running publisher is left alone.
    TCreate Create(std::size_t size, std::string& error);
    // Writes the image in whole aligned 8-byte words, the first word (the version) last, so
    // that a reader never sees a torn value and a reader of a new area sees it filled.
    void Write(const std::vector<std::uint8_t>& image);
    void Remove();

    // Another process opened the area since the last call (inotify).
    bool ReaderSince();

private:
    std::string Name_;
    std::uint8_t* Data_ = nullptr;
    std::size_t Size_ = 0;
    int Watch_ = -1;
};

// A process other than except holds this namespace's area open now (its descriptors in
// /proc); true when that cannot be told, false when there is no area.
bool OtherProcessHolds(const std::string& name, int except);

// The process id that an area's information block names, or 0.
std::int32_t PublisherOf(const std::string& name);
// A process of that id runs and is a sensord.
bool PublisherAlive(std::int32_t pid);

} // namespace keltrix::sensord
