#include "area_image.h"

#include "measure/mbm_shared.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <set>

namespace keltrix::sensord {
namespace {

void PutBytes(std::vector<std::uint8_t>& out, std::size_t offset, const void* data,
              std::size_t size) {
    std::memcpy(out.data() + offset, data, size);
}

// Little-endian, like the readers expect, whatever the machine.
void PutInt32(std::vector<std::uint8_t>& out, std::size_t offset, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i, v >>= 8) out[offset + static_cast<std::size_t>(i)] = v & 0xFF;
}

void PutFloat64(std::vector<std::uint8_t>& out, std::size_t offset, double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i, bits >>= 8) out[offset + static_cast<std::size_t>(i)] = bits & 0xFF;
}

void PutExtended(std::vector<std::uint8_t>& out, std::size_t offset, long double value) {
    // The 80-bit field is x87 extended precision, which long double is on x86.
    if constexpr (std::numeric_limits<long double>::digits == 64) PutBytes(out, offset, &value, 10);
}

} // namespace

std::size_t TAreaImage::Index(int kind) {
    return static_cast<std::size_t>(std::clamp(kind, 1, 3) - 1);
}

std::size_t TAreaImage::SlotCount() const {
    return Groups_[0].size() + Groups_[1].size() + Groups_[2].size();
}

std::size_t TAreaImage::AreaSize() {
    return mbm::InfoOffset + InfoSize;
}

void TAreaImage::Arrange(const std::vector<TFoundSensor>& found) {
    const auto identity = [](int kind, const std::string& key) {
        return std::to_string(kind) + "/" + key;
    };
    std::map<std::string, int> byKey;
    for (std::size_t i = 0; i < found.size(); ++i)
        byKey.emplace(identity(found[i].Kind, found[i].Key), static_cast<int>(i));
    std::set<std::string> slotted;
    for (auto& group : Groups_) {
        for (TSlot& slot : group) {
            slotted.insert(identity(slot.Kind, slot.Key));
            const auto it = byKey.find(identity(slot.Kind, slot.Key));
            slot.Source = it == byKey.end() ? -1 : it->second;
            if (slot.Source < 0) {
                slot.Present = false;
                continue;
            }
            const TFoundSensor& sensor = found[static_cast<std::size_t>(slot.Source)];
            slot.Label = sensor.Label;
            slot.Alarm1 = sensor.Alarm1;
            slot.Alarm2 = sensor.Alarm2;
        }
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        const TFoundSensor& sensor = found[i];
        if (sensor.Kind < 1 || sensor.Kind > 3) continue;
        if (!slotted.insert(identity(sensor.Kind, sensor.Key)).second) continue;
        if (SlotCount() >= static_cast<std::size_t>(mbm::SensorEntries)) break;
        TSlot slot;
        slot.Kind = sensor.Kind;
        slot.Key = sensor.Key;
        slot.Label = sensor.Label;
        slot.Source = static_cast<int>(i);
        slot.Alarm1 = sensor.Alarm1;
        slot.Alarm2 = sensor.Alarm2;
        Group(sensor.Kind).push_back(std::move(slot));
    }
}

void TAreaImage::Record(TSlot& slot, bool ok, double value) {
    slot.Present = ok;
    if (!ok) return;
    slot.Current = value;
    if (slot.Count == 0 || value < slot.Low) slot.Low = value;
    if (slot.Count == 0 || value > slot.High) slot.High = value;
    if (slot.Count < std::numeric_limits<std::int32_t>::max()) ++slot.Count;
    slot.Total += value;
}

std::vector<std::uint8_t> TAreaImage::Bytes(std::int32_t pid) const {
    std::vector<std::uint8_t> out(AreaSize(), 0);
    PutFloat64(out, mbm::VersionOffset, AreaVersion);
    std::size_t position = 0;
    for (int kind = 1; kind <= mbm::IndexEntries; ++kind) {
        const std::size_t index = mbm::IndexOffset + 8 * static_cast<std::size_t>(kind - 1);
        const std::size_t count = kind <= 3 ? Group(kind).size() : 0;
        if (kind <= mbm::KindPercentage) PutInt32(out, index, kind);
        PutInt32(out, index + 4, static_cast<std::int32_t>(count));
        for (std::size_t i = 0; i < count; ++i, ++position) {
            const TSlot& slot = Group(kind)[i];
            const std::size_t entry = mbm::SensorsOffset + mbm::SensorSize * position;
            // A sensor that could not be read, or is gone, reads as no sensor.
            out[entry + mbm::TypeField] = slot.Present ? static_cast<std::uint8_t>(kind) : 0;
            PutBytes(out, entry + mbm::NameField, slot.Label.data(),
                     std::min(slot.Label.size(), mbm::NameSize));
            PutFloat64(out, entry + mbm::CurrentField, slot.Present ? slot.Current : 0.0);
            PutFloat64(out, entry + mbm::LowField, slot.Low);
            PutFloat64(out, entry + mbm::HighField, slot.High);
            PutInt32(out, entry + mbm::CountField, slot.Count);
            PutExtended(out, entry + mbm::TotalField, slot.Total);
            PutFloat64(out, entry + mbm::Alarm1Field, slot.Alarm1);
            PutFloat64(out, entry + mbm::Alarm2Field, slot.Alarm2);
        }
    }
    PutInt32(out, mbm::InfoOffset + PidField, pid);
    static constexpr char Name[] = "Keltrix sensord";
    PutBytes(out, mbm::InfoOffset + NameField, Name, sizeof Name - 1);
    return out;
}

} // namespace keltrix::sensord
