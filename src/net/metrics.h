#pragma once
// The record as metrics for Prometheus: the OpenMetrics text format, or the Prometheus text
// format 0.0.4 for scrapers that ask for it.

#include "net/web_view.h"

#include <string>
#include <string_view>

namespace keltrix {

enum class TMetricsFormat { OpenMetrics, Text004 };

// What the Accept header prefers; OpenMetrics unless text/plain ranks higher.
TMetricsFormat ChooseMetricsFormat(std::string_view accept);
const char* MetricsContentType(TMetricsFormat format);

// Only the families whose formatter is in use: the others are not measured.
std::string RenderMetrics(const TWebSnapshot& snapshot, TMetricsFormat format);

} // namespace keltrix
