#include "stats/FairnessSummary.h"

#include <algorithm>

#include "stats/EffectSize.h"
#include "stats/GuessingTests.h"
#include "stats/NumberText.h"

namespace brevane {

namespace {

// The test that ran with the smallest p, the first of equal ones.
const FairnessTest* StrongestEvidence(const FairnessResult& result) {
    const FairnessTest* strongest = nullptr;
    for (const FairnessTest& test : result.tests) {
        if (test.ran && (strongest == nullptr || test.p < strongest->p)) strongest = &test;
    }
    return strongest;
}

// The guessing figure of `preferred` when it has one, else the best of the guessing tests.
const GuessingFigure* Guessing(const FairnessResult& result, const FairnessTest& preferred) {
    if (preferred.guessing) return &*preferred.guessing;
    const GuessingFigure* best = nullptr;
    for (const FairnessTest& test : result.tests) {
        if (test.ran && test.guessing && (best == nullptr || test.guessing->mean > best->mean))
            best = &*test.guessing;
    }
    return best;
}

std::string PText(double p) {
    const std::string text = PValueText(p);
    return text.front() == '<' ? "p " + text : "p = " + text;
}

std::string FailSummary(const FairnessResult& result) {
    std::string text = "The shuffle is biased.";
    const FairnessTest& strongest = *StrongestEvidence(result);
    if (strongest.largestCell) {
        text += ' ';
        text += strongest.largestCell->Sentence();
    } else if (!strongest.guessing) {
        text += " The strongest evidence is " + std::string(strongest.name) + " (" +
                PText(strongest.p) + ").";
    }
    if (const GuessingFigure* guessing = Guessing(result, strongest)) {
        text += " A player who studied the earlier shuffles guessed " +
                FixedText(guessing->mean, 2) + " of 52 cards right, against " +
                FixedText(FairGuessesPerDeck, 2) + " for a fair shuffle.";
    }
    return text;
}

std::string ShortSummary(const FairnessResult& result) {
    const auto [missing, needed, notRun] = TestsNotRun(result);
    if (notRun > 0) {
        std::string text = "Not every test could run: ";
        for (const FairnessTest& test : result.tests) {
            if (test.verdict != Verdict::NotRun) continue;
            text += std::string(test.name) + ", ";
        }
        text += "for want of their counts (" + std::string(NoGuessingReason) + ").";
        if (missing > notRun) {
            text += " Others need at least " + GroupedText(needed) + " shuffles.";
        } else {
            text +=
                " The other tests found no bias in " + GroupedText(result.shuffles) + " shuffles.";
        }
        return text;
    }
    const std::string tests = missing == result.tests.size()
                                  ? "all " + std::to_string(missing) + " tests need"
                                  : std::to_string(missing) + " of the " +
                                        std::to_string(result.tests.size()) +
                                        (missing == 1 ? " tests needs" : " tests need");
    return "Too few shuffles to decide: " + tests + " more than " + GroupedText(result.shuffles) +
           ". Test at least " + GroupedText(needed) + " shuffles.";
}

std::string PassSummary(const FairnessResult& result) {
    std::string text = "No bias found in " + GroupedText(result.shuffles) + " shuffles.";
    const auto sensitive =
        std::find_if(result.tests.begin(), result.tests.end(),
                     [](const FairnessTest& t) { return t.detectsW.has_value(); });
    if (sensitive != result.tests.end()) {
        text += " A " + std::string(sensitive->name) + " bias of w \u2265 " +
                SignificantText(*sensitive->detectsW, EffectDigits) +
                " would have been found 9 times in 10.";
    }
    return text;
}

}  // namespace

std::string FairnessSummary(const FairnessResult& result) {
    if (result.verdict == Verdict::Fail) return FailSummary(result);
    const bool allRan = std::all_of(result.tests.begin(), result.tests.end(),
                                    [](const FairnessTest& t) { return t.ran; });
    return allRan ? PassSummary(result) : ShortSummary(result);
}

}  // namespace brevane
