#pragma once
// The published area as sensord keeps it: sensors in slots grouped by kind, each sensor
// staying in its slot for the whole run so that Temp2 keeps naming the same sensor.

#include <cstdint>
#include <string>
#include <vector>

namespace keltrix::sensord {

// A sensor as an enumeration of the machine finds it.
struct TFoundSensor {
    int Kind = 0;    // 1 temperature, 2 voltage, 3 fan
    std::string Key; // the same sensor gives the same key at every enumeration
    std::string Label;
    double Alarm1 = 0, Alarm2 = 0;
};

struct TSlot {
    int Kind = 0;
    std::string Key;
    std::string Label;
    int Source = -1;      // index into the latest enumeration; -1: the sensor is gone
    bool Present = false; // read in the latest cycle
    double Current = 0, Low = 0, High = 0;
    std::int32_t Count = 0;
    long double Total = 0;
    double Alarm1 = 0, Alarm2 = 0;
};

// Layout facts written into the area's information block (offset 8088).
inline constexpr std::size_t PidField = 0;   // int32, the publisher's process id
inline constexpr std::size_t NameField = 4;  // the publisher's name, NUL padded
inline constexpr std::size_t InfoSize = 256; // bytes after the sensor entries
inline constexpr double AreaVersion = 1.0;   // not 0: a reader may tell a filled area

class TAreaImage {
public:
    // Matches an enumeration with the slots: known sensors keep their slot, gone ones leave a
    // hole that reads as no sensor, new ones are added at the end of their group while there
    // is room among the 100 entries.
    void Arrange(const std::vector<TFoundSensor>& found);
    // The result of reading a slot in this cycle.
    void Record(TSlot& slot, bool ok, double value);

    std::vector<TSlot>& Group(int kind) { return Groups_[Index(kind)]; }
    const std::vector<TSlot>& Group(int kind) const { return Groups_[Index(kind)]; }
    std::size_t SlotCount() const;

    // The whole area: version, index, entries and the information block.
    std::vector<std::uint8_t> Bytes(std::int32_t pid) const;
    static std::size_t AreaSize();

private:
    static std::size_t Index(int kind);
    std::vector<TSlot> Groups_[3];
};

} // namespace keltrix::sensord
