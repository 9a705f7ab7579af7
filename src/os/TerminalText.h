#pragma once

#include <string>
#include <string_view>

namespace brevane {

// `text` made safe to print as part of one line on a terminal: every control character (C0,
// DEL and the UTF-8 form of C1) becomes one '?', and so does every byte that is not part of
// valid UTF-8. Printable UTF-8 stays as it is.
std::string PrintableText(std::string_view text);

}  // namespace brevane
