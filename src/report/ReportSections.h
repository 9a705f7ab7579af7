#pragma once

#include <string>

#include "report/EvaluationReport.h"

namespace brevane {

// The sections of the evaluation report as HTML, each a <section> (the title a <header>) whose
// id names it: "verdict", "tested", "results", "pictures", "method" and "reproduce". Every
// number a program would compare also stands in a data-value attribute as the shortest text
// that reads back as the same double.
std::string TitleSection(const FairnessResult& result);
std::string TestedSection(const ShuffleCounts& counts, const FairnessResult& result,
                          const ReportProvenance& provenance);
std::string ResultsSection(const FairnessResult& result);
std::string PicturesSection(const ShuffleCounts& counts, const FairnessResult& result);
std::string MethodSection(const FairnessResult& result);
std::string ReproduceSection(const ShuffleCounts& counts, const FairnessResult& result,
                             const ReportProvenance& provenance);

}  // namespace brevane
