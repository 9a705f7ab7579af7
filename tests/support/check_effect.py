"""Checks the effect sizes, sensitivities and largest cells of `brevane-cli test` against values
computed here, from the counts file of each run, with SciPy.

Usage: python3 check_effect.py CLI FOLDER [unittest arguments]
CLI is the program to run, FOLDER an empty folder for the files it writes.

SciPy's own noncentral chi-square is computed by Boost.Math, the library the program uses, so
the power here is the noncentral law's definition instead: a Poisson(lambda / 2) mixture of
central chi-square tails, each from SciPy's incomplete gamma function."""

import json
import math
import os
import re
import subprocess
import sys
import unittest

import numpy as np
from scipy.optimize import brentq
from scipy.stats import chi2, poisson

CLI = ""
FOLDER = ""
POWER = 0.9
SUITS = ["Club", "Diamond", "Heart", "Spade"]
RANKS = "23456789TJQKA"

# (arguments, what the run is, its verdict): fair and biased rows, and seat views whose
# hand-categories test has few degrees of freedom (one at the Hole stage) or many.
RUNS = [
    (["--shuffles", "3000", "--key", "00" * 31 + "07"], "fair", "pass"),
    (["--shuffles", "20000", "--key", "00" * 31 + "08", "--stage", "hole"], "fair, hole",
     "pass"),
    (["--shuffles", "3000", "--key", "00" * 31 + "09", "--model", "naive-swap",
      "--alpha", "0.05"], "naive-swap", "fail"),
    (["--shuffles", "2000", "--key", "00" * 31 + "0a", "--model", "riffle:2",
      "--from-new-deck", "--stage", "flop"], "riffle from a new deck", "fail"),
    (["--shuffles", "700", "--key", "00" * 31 + "0b", "--alpha", "1e-6", "--players", "3"],
     "fair, a small level", "pass"),
]


def run(*args, ok=(0, 3)):
    done = subprocess.run([CLI, *args], capture_output=True, check=False)
    if done.returncode not in ok:
        raise AssertionError(f"{args}: status {done.returncode}: {done.stderr!r}")
    return done.stdout


def noncentral_upper_tail(c, df, lam):
    """P(X > c) for X noncentral chi-square: sum over k of Poisson(k; lam / 2) times the central
    tail with df + 2k degrees of freedom."""
    half = lam / 2
    spread = 12 * math.sqrt(half) + 40
    k = np.arange(max(0, int(half - spread)), int(half + spread) + 1)
    return float(np.sum(poisson.pmf(k, half) * chi2.sf(c, df + 2 * k)))


def detectable_w(df, n, level):
    c = chi2.isf(level, df)
    lam = brentq(lambda x: noncentral_upper_tail(c, df, x) - POWER, 1e-9, 1e5,
                 xtol=1e-12, rtol=1e-13)
    return math.sqrt(lam / n)


def observations(name, shuffles, pairs):
    return {"card-position": 52 * shuffles, "suit-position": 52 * shuffles,
            "rank-position": 52 * shuffles, "move-position": 52 * pairs,
            "hand-categories": shuffles, "rising-sequences": pairs, "fixed-points": pairs}[name]


def two_significant(x):
    if x == 0:
        return "0"
    decimals = max(0, 1 - math.floor(math.log10(x)))
    return f"{x:.{decimals}f}"


def largest_cell(table, total):
    """The cell with the largest |z|, z = (O - E) / sqrt(E (1 - q)), q = 1 / rows; the first of
    equal ones in row order."""
    rows = len(table)
    expected = total / rows
    best = None
    for r, line in enumerate(table):
        for p, observed in enumerate(line):
            z = (observed - expected) / math.sqrt(expected * (1 - 1 / rows))
            if best is None or abs(z) > abs(best[3]):
                best = (r, p, observed, z)
    return best


class EffectSizes(unittest.TestCase):
    results = []

    @classmethod
    def setUpClass(cls):
        cls.results = []
        for i, (args, what, verdict) in enumerate(RUNS):
            counts_file = os.path.join(FOLDER, f"counts-{i}.json")
            out = run("test", *args, "--format", "json", "--save-counts", counts_file)
            with open(counts_file, encoding="utf-8") as f:
                counts = json.load(f)
            text = run("test", *args).decode()
            result = json.loads(out)
            if result["verdict"] != verdict:
                raise AssertionError(f"{what}: verdict {result['verdict']}, not {verdict}")
            cls.results.append((args, what, result, counts, text))

    def test_w_is_the_excess_of_the_statistic_per_observation(self):
        for args, what, result, counts, _ in self.results:
            shuffles = result["shuffles"]
            for test in result["tests"]:
                with self.subTest(run=what, test=test["name"]):
                    self.assertIsNotNone(test["statistic"])
                    if test["df"] is None:  # a guessing test, normal: no w
                        self.assertIsNone(test["w"])
                        continue
                    n = observations(test["name"], shuffles, pairs(result))
                    wanted = math.sqrt(max(0.0, test["statistic"] - test["df"]) / n)
                    self.assertAlmostEqual(test["w"], wanted, delta=1e-12 * (1 + wanted))

    def test_the_sensitivity_has_power_nine_in_ten_at_alpha_over_m(self):
        for args, what, result, counts, _ in self.results:
            shuffles = result["shuffles"]
            ran = [t for t in result["tests"] if t["statistic"] is not None]
            level = result["alpha"] / len(ran)
            dfs = set()
            for test in ran:
                with self.subTest(run=what, test=test["name"]):
                    if test["df"] is None:
                        self.assertIsNone(test["detects_w"])
                        continue
                    n = observations(test["name"], shuffles, pairs(result))
                    wanted = detectable_w(test["df"], n, level)
                    self.assertAlmostEqual(test["detects_w"] / wanted, 1, delta=1e-7)
                    dfs.add(test["df"])
            self.assertGreaterEqual(len(dfs), 5, what)

    def test_largest_cells_in_figures_and_words(self):
        for args, what, result, counts, _ in self.results:
            shuffles = result["shuffles"]
            tables = {"card-position": (counts["cards"], shuffles, lambda r: counts_card(r)),
                      "suit-position": (counts["suits"], shuffles, lambda r: SUITS[r]),
                      "rank-position": (counts["ranks"], shuffles, lambda r: RANKS[r]),
                      "move-position": (counts["moves"], pairs(result), lambda r: str(r + 1))}
            for test in result["tests"]:
                cell = test["largest_cell"]
                with self.subTest(run=what, test=test["name"]):
                    if test["name"] not in tables:
                        self.assertIsNone(cell)
                        continue
                    table, total, name = tables[test["name"]]
                    r, p, observed, z = largest_cell(table, total)
                    self.assertEqual((cell["row"], cell["position"], cell["observed"],
                                      cell["total"]), (name(r), p + 1, observed, total))
                    self.assertAlmostEqual(cell["z"], z, delta=1e-9)
                    percent = 100 * observed / total
                    expected = 100 / len(table)
                    self.assertAlmostEqual(cell["percent"], percent, delta=1e-12)
                    self.assertAlmostEqual(cell["expected_percent"], expected, delta=1e-12)
                    if test["name"] == "move-position":
                        words = (f"the card at position {r + 1} went to position {p + 1} in "
                                 f"{percent:.2f}% of {total:,} pairs, expected {expected:.2f}%")
                    else:
                        words = (f"{name(r)} at position {p + 1}: {observed:,} of {total:,} rows "
                                 f"({percent:.2f}%), expected {expected:.2f}%, z = {z:+.2f}")
                    self.assertEqual(cell["text"], words)

    def test_summary_and_text_table_say_the_same(self):
        for args, what, result, counts, text in self.results:
            shuffles = result["shuffles"]
            with self.subTest(run=what):
                if result["verdict"] == "pass":
                    card = result["tests"][0]
                    self.assertEqual(result["summary"],
                                     f"No bias found in {shuffles:,} shuffles. A card-position "
                                     f"bias of w \u2265 {two_significant(card['detects_w'])} "
                                     "would have been found 9 times in 10.")
                else:
                    self.assertTrue(result["summary"].startswith("The shuffle is biased. "))
                # The summary's words, wrapped, follow the verdict line.
                after = text.split("\nVerdict: ", 1)[1].split("\n\n", 1)[0]
                self.assertEqual(" ".join(after.split("\n")[1:]), result["summary"])
                for test in result["tests"]:
                    line = re.search(rf"^{test['name']} .*$", text, re.M).group(0)
                    words = line.replace("< ", "<").split()  # p "< 4.9e-324" is one column
                    if test["name"].startswith("guess-"):
                        self.assertEqual(words[2] + words[4] + words[5], "---")  # df, w, detects
                        continue
                    self.assertEqual(words[4:6], [two_significant(test["w"]),
                                                 two_significant(test["detects_w"])])
                    if test["largest_cell"]:
                        self.assertIn(f"\n{test['name']:<18}{test['largest_cell']['text']}\n", text)


def pairs(result):
    """Rows from a new deck are each a pair with it; otherwise consecutive rows make the pairs."""
    new_deck = result["source"].get("from_new_deck", False)
    return result["shuffles"] if new_deck else result["shuffles"] - 1


def counts_card(row):
    return RANKS[row // 4] + "cdhs"[row % 4]


if __name__ == "__main__":
    CLI, FOLDER = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0], *sys.argv[3:]], verbosity=1)
