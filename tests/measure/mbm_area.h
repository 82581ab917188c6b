#pragma once
// Hardware-monitor areas written by the tests: bytes laid out by hand, and a real named
// shared-memory area holding them.

#include "measure/mbm_shared.h"

#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace keltrix::test {

class TAreaBytes {
public:
    explicit TAreaBytes(std::size_t size = mbm::InfoOffset) : Bytes(size, 0) {}

    void Count(int indexEntry, std::int32_t count) {
        Put(mbm::IndexOffset + 8 * static_cast<std::size_t>(indexEntry) + 4, count);
    }
    // Sensor entry at a position: type and current value.
    void Sensor(int position, std::uint8_t type, double value) {
        const std::size_t entry =
            mbm::SensorsOffset + mbm::SensorSize * static_cast<std::size_t>(position);
        Bytes[entry + mbm::TypeField] = type;
        Put(entry + mbm::CurrentField, value);
    }
    template <class T> void Put(std::size_t offset, T value) {
        std::memcpy(Bytes.data() + offset, &value, sizeof value); // the tests run little-endian
    }

    std::vector<std::uint8_t> Bytes;
};

// A shared-memory area of a name no other test or program uses; removed at the end.
class TTestArea {
public:
    TTestArea()
        : Name("keltrix-test-" + std::to_string(getpid()) + "-" + std::to_string(Next()++)) {}
    ~TTestArea() { Remove(); }
    TTestArea(const TTestArea&) = delete;
    TTestArea& operator=(const TTestArea&) = delete;

    bool Write(const std::vector<std::uint8_t>& bytes) const {
        const int fd = shm_open(("/" + Name).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) return false;
        const bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        close(fd);
        return ok;
    }
    void Remove() const { shm_unlink(("/" + Name).c_str()); }

    const std::string Name;

private:
    static int& Next() {
        static int next = 0;
        return next;
    }
};

} // namespace keltrix::test
