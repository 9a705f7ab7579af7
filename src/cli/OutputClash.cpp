#include "cli/OutputClash.h"

#include "cli/CliSupport.h"
#include "os/OutputTarget.h"

namespace brevane::cli {

NamedFile LabelledFile(std::string label, std::string_view path) {
    return NamedFile{std::move(label), path == "-" ? "/dev/stdin" : std::string(path)};
}

NamedFile OptionFile(std::string_view option, std::string_view path) {
    return LabelledFile(std::string(option) + " " + Quoted(path), path);
}

std::optional<std::string> OutputClash(const std::vector<NamedFile>& outputs,
                                       const std::vector<NamedFile>& inputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const NamedFile& output = outputs[i];
        std::vector<const NamedFile*> others;
        for (std::size_t j = 0; j < i; ++j) others.push_back(&outputs[j]);
        for (const NamedFile& input : inputs) others.push_back(&input);
        for (const NamedFile* other : others) {
            if (WritesOver(output.path, other->path))
                return output.label + " names the same file as " + other->label;
        }
    }
    return std::nullopt;
}

}  // namespace brevane::cli
