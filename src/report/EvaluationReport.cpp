#include "report/EvaluationReport.h"

#include "report/MarkupText.h"
#include "report/ReportSections.h"

namespace brevane {

namespace {

// On screen a column of readable width. In print A4 pages: the verdict and the source on the
// first, the results table on the second, each picture on a page of its own (the first under
// the section's heading, which would otherwise be left alone at the foot of the results page
// or on a page of its own), then the method in two columns and the command on one last page;
// no table, row or picture is split across pages.
constexpr std::string_view Style = R"(
body { font-family: "DejaVu Sans", Arial, sans-serif; color: #222; background: #fff;
       max-width: 60rem; margin: 1.5rem auto; padding: 0 1rem; line-height: 1.4; }
h1 { font-size: 1.6rem; margin: 0 0 .3rem; }
h2 { font-size: 1.25rem; border-bottom: 1px solid #ccc; margin-top: 1.6rem; }
h3 { font-size: 1.05rem; margin: .9rem 0 .3rem; }
.verdict { font-size: 3rem; font-weight: bold; margin: .2rem 0; text-transform: uppercase; }
.verdict-pass { color: #1b7837; }
.verdict-fail { color: #b2182b; }
.verdict-inconclusive { color: #b35806; }
.verdict-not-run { color: #777; }
.summary { font-size: 1.1rem; }
table { border-collapse: collapse; margin: .5rem 0; }
th, td { border: 1px solid #ccc; padding: .2rem .45rem; text-align: left; vertical-align: top; }
th { background: #f2f2f2; }
td.number, th.number { text-align: right; white-space: nowrap; }
table.results { font-size: .85rem; width: 100%; }
table.facts td { word-break: break-all; }
td.detail { font-size: .8rem; }
.note, figcaption { font-size: .9rem; color: #444; }
figure { margin: 1.2rem 0; }
figure svg { width: 100%; height: auto; max-width: 760px; display: block; }
p.not-drawn { border: 1px dashed #999; padding: 1rem; color: #555; }
pre.command { background: #f6f6f6; border: 1px solid #ddd; padding: .6rem;
              white-space: pre-wrap; word-break: break-all; }
@page { size: A4; margin: 15mm; }
@media print {
  body { max-width: none; margin: 0; padding: 0; font-size: 10pt; }
  .verdict { font-size: 28pt; }
  figure { break-before: page; page-break-before: always; break-inside: avoid; }
  #pictures > h2 + figure { break-before: auto; page-break-before: auto; margin-top: 0; }
  figure svg { max-height: 200mm; width: 100%; }
  #results, #pictures, #method { break-before: page; page-break-before: always; }
  #method, #reproduce { font-size: 9pt; }
  #method { columns: 2; column-gap: 8mm; }
  #method h2 { column-span: all; }
  #method h3:first-of-type { margin-top: 0; }
  #method p { margin: 0 0 .5rem; break-inside: avoid; page-break-inside: avoid; }
  table, tr, pre { break-inside: avoid; page-break-inside: avoid; }
  h2, h3 { break-after: avoid; page-break-after: avoid; }
}
)";

}  // namespace

std::string BuildEvaluationReport(const ShuffleCounts& counts, const FairnessResult& result,
                                  const ReportProvenance& provenance) {
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<meta name=\"generator\" content=\"" +
        EscapeMarkup(provenance.program) +
        "\">\n"
        "<title>Shuffle evaluation: " +
        std::string(VerdictText(result.verdict)) +
        "</title>\n"
        "<style>" +
        std::string(Style) + "</style>\n</head>\n<body>\n";
    page += TitleSection(result);
    page += TestedSection(counts, result, provenance);
    page += ResultsSection(result);
    page += PicturesSection(counts, result);
    page += MethodSection(result);
    page += ReproduceSection(counts, result, provenance);
    return page + "</body>\n</html>\n";
}

}  // namespace brevane
