#pragma once
// The machine's temperature, voltage and fan sensors, through libsensors.

#include "area_image.h"

#include <string>
#include <vector>

struct sensors_chip_name;

namespace keltrix::sensord {

class TSensorSource {
public:
    TSensorSource() = default;
    ~TSensorSource();
    TSensorSource(const TSensorSource&) = delete;
    TSensorSource& operator=(const TSensorSource&) = delete;

    // Reads the configuration and the chips anew; the previous enumeration's handles end.
    // A configuration that does not parse is reported in warning and left out.
    bool Scan(std::string& error, std::string& warning);
    const std::vector<TFoundSensor>& Found() const { return Found_; }
    // The current value of sensor i of the latest scan.
    bool Read(int index, double& value) const;

private:
    struct THandle {
        const sensors_chip_name* Chip = nullptr;
        int Input = -1;
    };
    void Enumerate();
    void Cleanup();

    bool Initialised_ = false;
    std::vector<TFoundSensor> Found_;
    std::vector<THandle> Handles_;
};

} // namespace keltrix::sensord
