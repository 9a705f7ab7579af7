#pragma once

#include <string>

#include "stats/FairnessTests.h"

namespace brevane {

// A few plain sentences on what the result means to a person who answers for the shuffler:
// - fail: "The shuffle is biased.", then the test with the strongest evidence (smallest p, the
//   first of equal ones) as its largest cell in words, or by name when it has no cell, then the
//   guessing figure when a guessing test ran (the failing test's own, else the best);
// - some test did not run: how many shuffles every test needs;
// - pass: the shuffles that showed no bias and the card-position effect they would have found
//   9 times in 10.
std::string FairnessSummary(const FairnessResult& result);

}  // namespace brevane
