#pragma once
// The format string a first start writes: the default usages of eleven catalogue entries.

#include "tags/formatters.h"

#include <string>

namespace keltrix {

std::string DefaultFormatString(const TFormatterList& formatters);

} // namespace keltrix
