#pragma once

// Colours of log reports, as 24-bit values blue * 65536 + green * 256 + red.
namespace LogColour {
inline constexpr int Black = 0;
inline constexpr int Red = 255;
inline constexpr int Green = 32768;
} // namespace LogColour

// Option bits of a report.
namespace LogOption {
inline constexpr int Plain = 0;
inline constexpr int TimeLine = 1;  // a line " -hh:mm:ss-" comes first
inline constexpr int EmptyLine = 2; // an empty line follows
inline constexpr int Framed = TimeLine | EmptyLine;
} // namespace LogOption
