#pragma once

#include <cstdint>
#include <string>

namespace brevane {

// The number texts of the statistical reports. Each writes "." as its decimal point and ","
// between thousands, whatever the locale.

// `value` with `decimals` digits after the point, rounded to nearest, halves to even.
std::string FixedText(double value, int decimals);

// A p-value: four decimals, or in exponent form below 0.0001 ("8.3e-09"), "< 4.9e-324" for 0.
std::string PValueText(double p);

// The shortest text that reads back as the same double ("0.01", "1e-05").
std::string ShortestText(double value);

// Two decimals with the sign ("+9.10", "-0.57"), and "0.00" for anything that rounds to zero.
std::string SignedText(double value);

// `value` >= 0 rounded to `digits` significant digits, written without an exponent: "0.061",
// "0.0018", "7.1", "23"; "0" for 0.
std::string SignificantText(double value, int digits);

// A count with "," between groups of three digits: "20,000".
std::string GroupedText(std::uint64_t count);

}  // namespace brevane
