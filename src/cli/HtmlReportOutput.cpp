#include "cli/HtmlReportOutput.h"

#include <sys/stat.h>

#include "cli/RunSource.h"
#include "render/BiasMapFile.h"
#include "report/ReportTime.h"

namespace brevane::cli {

ReportProvenance RunProvenance(const Json& source, const AnalysisOptions& options,
                               std::uint64_t rows) {
    ReportSource entry;
    entry.source = source;
    entry.rows = rows;
    struct stat info {};
    if (options.input && *options.input != "-" && stat(options.input->c_str(), &info) == 0 &&
        S_ISREG(info.st_mode)) {
        entry.fileBytes = static_cast<std::uint64_t>(info.st_size);
    }
    ReportProvenance provenance;
    provenance.sources.push_back(std::move(entry));
    return provenance;
}

ReportProvenance MergeProvenance(const MergedShards& merged,
                                 const std::vector<std::uint64_t>& shardRows) {
    ReportProvenance provenance;
    // Every stream of one run: that run, as it names itself.
    if (merged.sources.is_object()) {
        ReportSource entry;
        entry.source = merged.sources;
        entry.rows = merged.counts.Rows();
        provenance.sources.push_back(std::move(entry));
        return provenance;
    }
    provenance.merged = true;
    for (std::size_t i = 0; i < merged.names.size(); ++i) {
        ReportSource entry;
        entry.shard = merged.names[i];
        if (i < merged.sources.size()) entry.source = merged.sources[i];
        if (i < shardRows.size()) entry.rows = shardRows[i];
        provenance.sources.push_back(std::move(entry));
    }
    return provenance;
}

void WriteHtmlReport(const ShuffleCounts& counts, const FairnessResult& result,
                     ReportProvenance provenance, const std::string& path, ReplacingFile& file,
                     ReplacingFile* saved) {
    provenance.program = ProgramText();
    provenance.writtenAt = ReportWrittenAt();
    provenance.outputName = path;
    std::string page;
    {
        const OffscreenPainting painting;
        page = BuildEvaluationReport(counts, result, provenance);
    }
    file.Out().Write(page.data(), page.size());
    ReplacingFile* const files[] = {&file, saved};
    CommitTogether(files);
}

}  // namespace brevane::cli
