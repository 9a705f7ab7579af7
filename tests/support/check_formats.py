"""Reads the CSV and JSON results of brevane-cli with Python's own csv and json modules and
checks them against the text results of the same runs.

Usage: python3 check_formats.py CLI FOLDER [unittest arguments]
CLI is the program to run, FOLDER an empty folder for the files it writes. The text results
are read with the locale the caller set (the tests set one whose decimal separator is ",")."""

import csv
import hashlib
import io
import json
import os
import re
import subprocess
import sys
import unittest

CLI = ""
FOLDER = ""
KEY = "00" * 31 + "07"
ROWS = 150
PERCENT = re.compile(r"^\d{1,3}\.\d{4}$")
# "label = count  (percent%)" and "Label:     count  (percent%)"
COUNT_LINE = re.compile(r"^(.+?)(?: = |: *)(\d+)  \((\d+)([.,])(\d{4})%\)$")


def run(*args, statuses=(0,)):
    done = subprocess.run([CLI, *args], capture_output=True, check=False)
    if done.returncode not in statuses:
        raise AssertionError(f"{args}: status {done.returncode}: {done.stderr!r}")
    return done.stdout


def run_status(*args):
    """The exit status and standard output of a run of `test`, whose verdict sets the status."""
    done = subprocess.run([CLI, *args], capture_output=True, check=False)
    if done.returncode not in (0, 3, 4):
        raise AssertionError(f"{args}: status {done.returncode}: {done.stderr!r}")
    return done.returncode, done.stdout


def text_counts(text):
    """The count lines of a text report as (label, count, percent with '.'), and the
    separators the percentages used."""
    rows, separators = [], set()
    for line in text.decode().split("\n"):
        match = COUNT_LINE.match(line)
        if match and not line.startswith("Shuffles: "):
            label, count, whole, separator, fraction = match.groups()
            rows.append((label, int(count), f"{whole}.{fraction}"))
            separators.add(separator)
    return rows, separators


class Fixture(unittest.TestCase):
    rows_file = ""

    @classmethod
    def setUpClass(cls):
        cls.rows_file = os.path.join(FOLDER, "rows.txt")
        with open(cls.rows_file, "wb") as out:
            out.write(run("shuffle", str(ROWS), "--key", KEY))
        with open(cls.rows_file, "rb") as rows:
            cls.sha256 = hashlib.sha256(rows.read()).hexdigest()

    def check_file_source(self, result):
        self.assertTrue(result["program"].startswith("brevane-cli "), result["program"])
        self.assertEqual(result["source"], {"file": self.rows_file, "sha256": self.sha256})


REPORTS = [
    (["suit", "Heart"], "position", 52),
    (["rank", "T"], "position", 52),
    (["card", "Qh"], "position", 52),
    (["position", "7"], None, 4 + 13 + 52),
    (["categories", "--stage", "turn", "--players", "6", "--seat", "D-2", "--rotate"],
     "category", 10),
    (["categories", "--stage", "hole"], "category", 2),
]


class ReportFormats(Fixture):
    def outputs(self, args):
        base = ["report", *args, "--input", self.rows_file]
        return (run(*base), run(*base, "--format", "csv"), run(*base, "--format", "json"))

    def test_csv_rows_are_the_text_count_lines(self):
        for args, section, size in REPORTS:
            with self.subTest(args=args):
                text, raw_csv, _ = self.outputs(args)
                counts, separators = text_counts(text)
                self.assertEqual(len(counts), size)
                if os.environ.get("LC_ALL", "C") != "C":
                    self.assertEqual(separators, {","})
                self.assertNotIn(b"\r", raw_csv)
                table = list(csv.reader(io.StringIO(raw_csv.decode(), newline="")))
                self.assertEqual(table[0], ["section", "label", "count", "percent"])
                body = table[1:]
                self.assertEqual(len(body), size)
                for (label, count, percent), row in zip(counts, body):
                    self.assertEqual(len(row), 4, row)
                    self.assertEqual(row[1], label.rstrip(":"))
                    self.assertEqual(int(row[2]), count)
                    self.assertRegex(row[3], PERCENT)
                    self.assertEqual(row[3], percent)
                if section:
                    self.assertEqual({row[0] for row in body}, {section})
                else:
                    self.assertEqual([row[0] for row in body],
                                     ["suit"] * 4 + ["rank"] * 13 + ["card"] * 52)

    def test_json_holds_the_csv_rows_and_the_run(self):
        for args, _, size in REPORTS:
            with self.subTest(args=args):
                _, raw_csv, raw_json = self.outputs(args)
                self.assertEqual(raw_json.count(b"\n"), 1)
                result = json.loads(raw_json)
                self.check_file_source(result)
                self.assertEqual(result["report"], args[0])
                self.assertEqual(result["shuffles"], ROWS)
                body = list(csv.DictReader(io.StringIO(raw_csv.decode(), newline="")))
                self.assertEqual(len(result["rows"]), size)
                for row, wanted in zip(result["rows"], body):
                    self.assertEqual(list(row), ["section", "label", "count", "percent"])
                    self.assertEqual(row["section"], wanted["section"])
                    self.assertEqual(row["label"], wanted["label"])
                    self.assertIsInstance(row["count"], int)
                    self.assertEqual(row["count"], int(wanted["count"]))
                    self.assertEqual(row["percent"], float(wanted["percent"]))
                if args[0] == "categories":
                    self.assertNotIn("selection", result)
                    rotating = "--rotate" in args
                    self.assertEqual(
                        (result["players"], result["seat"], result["rotate"], result["stage"]),
                        (6, "D-2", True, "Turn") if rotating else (10, "D", False, "Hole"))
                else:
                    self.assertEqual(result["selection"], args[1])

    def test_section_sums(self):
        result = json.loads(self.outputs(["position", "52"])[2])
        for section in ("suit", "rank", "card"):
            total = sum(r["count"] for r in result["rows"] if r["section"] == section)
            self.assertEqual(total, ROWS, section)
        suit = json.loads(self.outputs(["suit", "Club"])[2])
        self.assertEqual(sum(r["count"] for r in suit["rows"]), 13 * ROWS)


class HandsFormats(Fixture):
    def check_lines(self, args, stage_cards):
        base = ["hands", *args, "--input", self.rows_file]
        text = run(*base).decode().splitlines()
        lines = run(*base, "--format", "json").decode().splitlines()
        head = json.loads(lines[0])
        self.check_file_source(head)
        hands = [json.loads(line) for line in lines[1:]]
        self.assertEqual(len(hands), len(text))
        self.assertGreater(len(hands), 0)
        for line, hand in zip(text, hands):
            number, caption = line.split("\t")
            self.assertEqual(list(hand), ["hand", "hole", "board", "value", "description"])
            self.assertEqual(hand["hand"], int(number))
            self.assertEqual(len(hand["hole"]), 2)
            self.assertEqual(len(hand["board"]), stage_cards)
            shown = "[" + " ".join(hand["hole"]) + "]"
            if hand["board"]:
                shown += " [" + " ".join(hand["board"]) + "]"
            self.assertEqual(caption, shown + "  =  " + hand["description"])
            # Category 1 (high card) to 9 (straight flush) in bits 20 to 23.
            self.assertIn(hand["value"] >> 20, range(1, 10))
        return head

    def test_lines_match_the_text_output(self):
        head = self.check_lines([], 5)
        self.assertEqual((head["players"], head["seat"], head["rotate"], head["stage"]),
                         (10, "D", False, "River"))
        head = self.check_lines(["--stage", "flop", "--class", "Pair +", "--from", "20"], 3)
        self.assertEqual(head["stage"], "Flop")
        head = self.check_lines(["--stage", "hole", "--players", "3", "--seat", "D-1",
                                 "--rotate", "--limit", "9"], 0)
        self.assertEqual((head["players"], head["seat"], head["rotate"]), (3, "D-1", True))

    def test_standard_input_is_named_with_its_digest(self):
        with open(self.rows_file, "rb") as rows:
            done = subprocess.run([CLI, "hands", "--input", "-", "--format", "json",
                                   "--limit", "1"], stdin=rows, capture_output=True, check=True)
        head = json.loads(done.stdout.decode().splitlines()[0])
        self.assertEqual(head["source"], {"file": "-", "sha256": self.sha256})


VERDICT_STATUS = {"pass": 0, "fail": 3, "inconclusive": 4}


def text_p(p):
    """A p-value as the text result writes it."""
    if p >= 0.0001:
        return f"{p:.4f}"
    return "< 4.9e-324" if p == 0 else f"{p:.1e}"


class TestFormats(Fixture):
    """`test` in its three formats: the CSV and the text say what the JSON says."""

    def runs(self):
        naive = ["--shuffles", "3000", "--model", "naive-swap", "--key", KEY]
        return [
            (["--input", self.rows_file], "inconclusive"),  # too few rows for two tests
            (["--input", self.rows_file, "--stage", "flop", "--alpha", "0.05"], "inconclusive"),
            (["--shuffles", "400", "--key", KEY], "pass"),
            (naive, "fail"),
        ]

    def outputs(self, args):
        results = [run_status("test", *args, "--format", name) for name in ("text", "csv", "json")]
        statuses = {status for status, _ in results}
        self.assertEqual(len(statuses), 1, results)
        return statuses.pop(), *(out for _, out in results)

    def test_csv_rows_hold_the_json_figures(self):
        for args, verdict in self.runs():
            with self.subTest(args=args):
                status, _, raw_csv, raw_json = self.outputs(args)
                result = json.loads(raw_json)
                self.assertEqual(result["verdict"], verdict)
                self.assertEqual(status, VERDICT_STATUS[verdict])
                self.assertNotIn(b"\r", raw_csv)
                self.assertTrue(raw_csv.endswith(b"\n"))
                table = list(csv.reader(io.StringIO(raw_csv.decode(), newline="")))
                self.assertEqual(table[0],
                                 ["name", "statistic", "df", "p", "w", "detects_w", "verdict"])
                self.assertEqual(table[-1], ["overall", "", "", "", "", "", verdict])
                body = table[1:-1]
                self.assertEqual(len(body), len(result["tests"]))
                for row, test in zip(body, result["tests"]):
                    self.assertEqual(len(row), 7, row)
                    self.assertEqual((row[0], row[6]), (test["name"], test["verdict"]))
                    for field, key in ((row[4], "w"), (row[5], "detects_w")):
                        self.assertEqual(None if field == "" else float(field), test[key])
                    if test["statistic"] is None:
                        self.assertEqual(row[1:6], ["", "", "", "", ""])
                        self.assertEqual(test["verdict"], "too few shuffles")
                        continue
                    self.assertEqual(float(row[1]), test["statistic"])
                    # The guessing tests have no degrees of freedom: an empty field, null.
                    self.assertEqual(int(row[2]) if row[2] else None, test["df"])
                    self.assertEqual(float(row[3]), test["p"])

    def test_text_says_what_the_json_says(self):
        for args, verdict in self.runs():
            with self.subTest(args=args):
                _, raw_text, _, raw_json = self.outputs(args)
                result = json.loads(raw_json)
                lines = raw_text.decode().split("\n")
                source = result["source"]
                if "file" in source:
                    self.check_file_source(result)
                    wanted = f"Source: file {source['file']}, SHA-256 {source['sha256']}"
                else:
                    wanted = f"Source: model {source['model']}, key {source['key']}"
                self.assertEqual(lines[1], wanted)
                self.assertEqual(lines[2], f"Shuffles: {result['shuffles']}")
                first = lines.index(next(l for l in lines if l.startswith("Test ")))
                table = lines[first + 1:first + 1 + len(result["tests"])]
                for line, test in zip(table, result["tests"]):
                    name, statistic, df, p, w, detects = (
                        line[:18], line[18:32], line[32:39], line[41:51], line[51:59],
                        line[59:72])
                    self.assertEqual(name.strip(), test["name"])
                    if test["statistic"] is None:
                        self.assertEqual((statistic.strip(), df.strip(), p.strip(), w.strip(),
                                          detects.strip()), ("-", "-", "-", "-", "-"))
                        self.assertRegex(line[72:], r"^  too few shuffles \(needs \d+\)$")
                        continue
                    self.assertEqual(statistic.strip(), f"{test['statistic']:.2f}")
                    self.assertEqual(p.strip(), text_p(test["p"]))
                    if test["df"] is None:
                        # A guessing test: "-" for df, w and its sensitivity.
                        self.assertEqual([df.strip(), w.strip(), detects.strip()], ["-"] * 3)
                        self.assertIsNotNone(test["guessing"])
                        self.assertIn(test["guessing"]["text"], "\n".join(lines))
                        self.assertEqual(line[72:], "  " + test["verdict"])
                        continue
                    self.assertEqual(int(df), test["df"])
                    # w and its sensitivity with two significant digits
                    for shown, value in ((w, test["w"]), (detects, test["detects_w"])):
                        self.assertAlmostEqual(float(shown), value, delta=0.051 * value)
                    self.assertEqual(line[72:], "  " + test["verdict"])
                verdict_line = next(l for l in lines if l.startswith("Verdict: "))
                self.assertTrue(verdict_line.startswith(f"Verdict: {verdict}"), verdict_line)
                if verdict == "inconclusive":
                    missing = [t for t in result["tests"] if t["statistic"] is None]
                    self.assertRegex(verdict_line,
                                     rf"^Verdict: inconclusive: {len(missing)} of "
                                     rf"{len(result['tests'])} tests need")


class TimerSeed(unittest.TestCase):
    """A run seeded from the timer names the key it ran with, and that key makes it again."""

    def test_the_key_of_a_timer_seed_repeats_the_run(self):
        for args in (["report", "card", "As"], ["report", "categories"],
                     ["hands", "--limit", "30"]):
            with self.subTest(args=args):
                first = run(*args, "--shuffles", "500", "--format", "json").decode()
                head = json.loads(first.splitlines()[0])
                source = head["source"]
                self.assertEqual(source["seed"], "timer")
                self.assertEqual(source["model"], "fisher-yates")
                self.assertIs(source["from_new_deck"], False)
                self.assertRegex(source["key"], r"^[0-9a-f]{64}$")
                again = run(*args, "--shuffles", "500", "--key", source["key"],
                            "--format", "json").decode()
                again_head = json.loads(again.splitlines()[0])
                self.assertEqual(again_head["source"], dict(source, seed="key"))
                if args[0] == "report":
                    self.assertEqual(json.loads(again)["rows"], head["rows"])
                else:
                    self.assertEqual(again.splitlines()[1:], first.splitlines()[1:])


if __name__ == "__main__":
    CLI, FOLDER = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0], *sys.argv[3:]], verbosity=1)
