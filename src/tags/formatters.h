#pragma once
// The eight formatters in their fixed order: the order tags are applied to a line, the order
// the editor lists titles and the order the web service walks them.

#include <memory>
#include <vector>

#include "tags/battery_format.h"
#include "tags/formatter.h"
#include "tags/mbm_format.h"
#include "tags/network_format.h"
#include "tags/nonperf_format.h"
#include "tags/page_ram_format.h"
#include "tags/proc_format.h"
#include "tags/utp_format.h"

namespace keltrix {

using TFormatterList = std::vector<std::unique_ptr<TFormatter>>;

// TMBMFormat, TUTPFormat, TPageRAMFormat, TProcFormat, TNetworkFormat, TNonPerfFormat,
// TTopProcFormat, TBatteryFormat.
TFormatterList CreateFormatters(TRawDataShell& rawData);

} // namespace keltrix
