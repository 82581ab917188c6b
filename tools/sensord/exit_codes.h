#pragma once
// What sensord's exit status and the starter's Start answer mean. Start answers 1 when the
// area is published, else one of the codes below; sensord exits with the same codes.

namespace keltrix::sensord {

inline constexpr int StartRunning = 1;       // Start only: the area exists
inline constexpr int ExitUsage = 2;          // sensord: bad command line
inline constexpr int ExitNoSensors = 3;      // no temperature, voltage or fan sensor found
inline constexpr int StartNoPublisher = 4;   // Start only: sensord is not beside the library
inline constexpr int StartFailed = 5;        // Start only: sensord could not be run, or died
inline constexpr int ExitNoLibrary = 6;      // libsensors could not be initialised
inline constexpr int ExitNoArea = 7;         // the shared memory could not be created
inline constexpr int ExitAlreadyRunning = 8; // another sensord publishes the area
inline constexpr int StartTimedOut = 9;      // Start only: no area within the time-out

} // namespace keltrix::sensord
