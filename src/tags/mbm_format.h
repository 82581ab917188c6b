#pragma once
// Temperature and fan sensors of the hardware monitor.

#include "tags/formatter.h"

namespace keltrix {

class TMBMFormat : public TFormatter {
public:
    static constexpr int SensorCount = 9;

    explicit TMBMFormat(TRawDataShell& rawData);

    // sensor is 1 to 9; Temp1Func .. Temp9Func and Fan1Func .. Fan9Func bind to these.
    std::string TempFunc(int sensor, const std::string& format);
    std::string FanFunc(int sensor);
};

} // namespace keltrix
