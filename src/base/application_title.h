#pragma once
// The application's title: what its message boxes and the advanced log carry as its name. The
// main window's caption is its own ("Keltrix").

namespace keltrix {

inline constexpr const char* ApplicationTitle = "KeltrixBeta";

} // namespace keltrix
