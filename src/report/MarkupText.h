#pragma once

#include <string>
#include <string_view>

namespace brevane {

// `text` as character data or an attribute value of HTML and of XML (inline SVG) alike: & < > "
// and ' as character references; bytes that are not UTF-8, and the characters XML does not
// allow (controls other than tab, line feed and carriage return, U+FFFE, U+FFFF), as U+FFFD.
// Whatever `text` holds, the result is well-formed in both.
std::string EscapeMarkup(std::string_view text);

// `value` with at most `decimals` digits after the point, "." whatever the locale, no group
// separators and trailing zeros dropped ("12.5", "3"): a coordinate or length in SVG.
std::string SvgNumber(double value, int decimals = 2);

}  // namespace brevane
