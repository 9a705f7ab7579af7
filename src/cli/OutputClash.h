#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevane::cli {

// A file a command reads or writes: how messages name it, and its path.
struct NamedFile {
    std::string label;  // e.g. "--input 'rows.txt'"
    std::string path;
};

// The file at `path` labelled `label`; "-" (standard input) stands for the file that standard
// input reads, "/dev/stdin".
NamedFile LabelledFile(std::string label, std::string_view path);
// The file of an option, labelled "OPTION 'PATH'".
NamedFile OptionFile(std::string_view option, std::string_view path);

// A message for the first output that would write over an earlier output or over one of the
// inputs (WritesOver): "OUTPUT names the same file as OTHER". nullopt when every output has a
// file of its own.
std::optional<std::string> OutputClash(const std::vector<NamedFile>& outputs,
                                       const std::vector<NamedFile>& inputs);

}  // namespace brevane::cli
