#include "sensor_source.h"

#include "measure/mbm_shared.h"

#include <sensors/error.h>
#include <sensors/sensors.h>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace keltrix::sensord {
namespace {

struct TKindOf {
    sensors_feature_type Feature;
    int Kind;
    sensors_subfeature_type Input, Alarm1, Alarm2;
};
constexpr TKindOf Kinds[] = {
    {SENSORS_FEATURE_TEMP, mbm::KindTemperature, SENSORS_SUBFEATURE_TEMP_INPUT,
     SENSORS_SUBFEATURE_TEMP_MAX, SENSORS_SUBFEATURE_TEMP_CRIT},
    {SENSORS_FEATURE_IN, mbm::KindVoltage, SENSORS_SUBFEATURE_IN_INPUT, SENSORS_SUBFEATURE_IN_MIN,
     SENSORS_SUBFEATURE_IN_MAX},
    {SENSORS_FEATURE_FAN, mbm::KindFan, SENSORS_SUBFEATURE_FAN_INPUT, SENSORS_SUBFEATURE_FAN_MIN,
     SENSORS_SUBFEATURE_UNKNOWN},
};

double Limit(const sensors_chip_name* chip, const sensors_feature* feature,
             sensors_subfeature_type type) {
    if (type == SENSORS_SUBFEATURE_UNKNOWN) return 0;
    const sensors_subfeature* sub = sensors_get_subfeature(chip, feature, type);
    double value = 0;
    if (!sub || sensors_get_value(chip, sub->number, &value) != 0) return 0;
    return value;
}

} // namespace

TSensorSource::~TSensorSource() {
    Cleanup();
}

void TSensorSource::Cleanup() {
    Found_.clear();
    Handles_.clear();
    if (Initialised_) sensors_cleanup();
    Initialised_ = false;
}

bool TSensorSource::Scan(std::string& error, std::string& warning) {
    Cleanup();
    int rc = sensors_init(nullptr);
    if (rc != 0) {
        // A broken configuration file must not hide the sensors themselves.
        warning = std::string("the sensors configuration is not used: ") + sensors_strerror(rc);
        sensors_cleanup();
        FILE* none = std::fopen("/dev/null", "r");
        rc = sensors_init(none);
        if (none) std::fclose(none);
    }
    if (rc != 0) {
        error = std::string("libsensors: ") + sensors_strerror(rc);
        sensors_cleanup();
        return false;
    }
    Initialised_ = true;
    Enumerate();
    return true;
}

void TSensorSource::Enumerate() {
    std::map<std::string, int> seenChips;
    const sensors_chip_name* chip = nullptr;
    int chipIndex = 0;
    while ((chip = sensors_get_detected_chips(nullptr, &chipIndex))) {
        char name[256];
        if (sensors_snprintf_chip_name(name, sizeof name, chip) < 0) continue;
        // Two chips of one name (two virtual devices alike) stay apart by their order.
        const std::string chipKey = std::string(name) + "#" + std::to_string(seenChips[name]++);
        const sensors_feature* feature = nullptr;
        int featureIndex = 0;
        while ((feature = sensors_get_features(chip, &featureIndex))) {
            for (const TKindOf& kind : Kinds) {
                if (feature->type != kind.Feature) continue;
                const sensors_subfeature* input = sensors_get_subfeature(chip, feature, kind.Input);
                if (!input) continue;
                TFoundSensor sensor;
                sensor.Kind = kind.Kind;
                sensor.Key = chipKey + "/" + feature->name;
                if (char* label = sensors_get_label(chip, feature)) {
                    sensor.Label = label;
                    std::free(label);
                }
                sensor.Alarm1 = Limit(chip, feature, kind.Alarm1);
                sensor.Alarm2 = Limit(chip, feature, kind.Alarm2);
                Found_.push_back(std::move(sensor));
                Handles_.push_back({chip, input->number});
            }
        }
    }
}

bool TSensorSource::Read(int index, double& value) const {
    if (index < 0 || static_cast<std::size_t>(index) >= Handles_.size()) return false;
    const THandle& handle = Handles_[static_cast<std::size_t>(index)];
    return sensors_get_value(handle.Chip, handle.Input, &value) == 0;
}

} // namespace keltrix::sensord
