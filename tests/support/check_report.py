"""Checks the html report of brevane-cli test: it parses as HTML5 (html5lib) and every inline
SVG as XML; its figures are the numbers of test --format json over the same rows; a merge's
report is one run's but for the source; headless Chromium draws it and prints it to A4.

Usage: python3 check_report.py CLI FOLDER [unittest arguments]
CLI is the program to run, FOLDER an empty folder for the files it writes."""

import json
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ElementTree
import zlib

import html5lib

CLI = ""
FOLDER = ""
KEY = "0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20"
HTML = "{http://www.w3.org/1999/xhtml}"
SVG = "{http://www.w3.org/2000/svg}"
# Fixed, so that two reports of the same rows are the same bytes.
ENV = dict(os.environ, SOURCE_DATE_EPOCH="1765000000")
SECTIONS = ["verdict", "tested", "results", "pictures", "method", "reproduce"]


def run(*args, statuses=(0, 3, 4)):
    done = subprocess.run([CLI, *args], capture_output=True, check=False, env=ENV)
    if done.returncode not in statuses:
        raise AssertionError(f"{args}: status {done.returncode}: {done.stderr!r}")
    return done.returncode, done.stdout


def report(name, *args):
    """Writes the html report of `args` to FOLDER/name; its exit status and its text."""
    path = os.path.join(FOLDER, name)
    status, out = run("test", *args, "--format", "html", "--output", path)
    if out:
        raise AssertionError(f"html report wrote to standard output: {out[:80]!r}")
    with open(path, "rb") as file:
        return status, file.read().decode("utf-8")


def parse(text):
    return html5lib.parse(text, namespaceHTMLElements=True)


def by_id(tree, element_id):
    for element in tree.iter():
        if element.get("id") == element_id:
            return element
    raise AssertionError(f"no element with id {element_id}")


def text_of(element):
    return "".join(element.itertext())


def section_html(text, section_id):
    """The raw text of the section (or header) with that id."""
    match = re.search(r'<(section|header) id="' + section_id + r'">.*?</\1>', text, re.S)
    if not match:
        raise AssertionError(f"no section {section_id}")
    return match.group(0)


def results_rows(tree):
    """{test name: {column: data-value as a number or None}, "verdict": ...}"""
    columns = ["name", "statistic", "df", "p", "w", "detects_w", "verdict", "detail"]
    rows = {}
    for row in by_id(tree, "results").iter(HTML + "tr"):
        if row.get("data-test") is None:
            continue
        cells = list(row.iter(HTML + "td"))
        entry = {}
        for column, cell in zip(columns, cells):
            value = cell.get("data-value")
            entry[column] = float(value) if value is not None else None
            entry[column + "_text"] = text_of(cell)
        entry["verdict"] = row.get("data-verdict")
        rows[row.get("data-test")] = entry
    return rows


class Fixture(unittest.TestCase):
    def assertSameNumber(self, html_value, json_value, what):
        if json_value is None:
            self.assertIsNone(html_value, what)
        else:
            self.assertIsNotNone(html_value, what)
            self.assertEqual(html_value, float(json_value), what)


class ReportNumbers(Fixture):
    """The page states the numbers of test --format json over the same rows."""

    def check_against_json(self, args):
        status, page = report("numbers.html", *args)
        json_status, out = run("test", *args, "--format", "json")
        self.assertEqual(status, json_status)
        result = json.loads(out)
        tree = parse(page)
        verdict = by_id(tree, "verdict")
        shown = [e for e in verdict.iter() if e.get("data-verdict")]
        self.assertEqual(shown[0].get("data-verdict"), result["verdict"])
        self.assertEqual(text_of(shown[0]).strip(), result["verdict"])
        summary = [e for e in verdict.iter(HTML + "p") if e.get("class") == "summary"]
        self.assertEqual(text_of(summary[0]), result["summary"])
        rows = results_rows(tree)
        self.assertEqual(list(rows), [test["name"] for test in result["tests"]])
        for test in result["tests"]:
            row = rows[test["name"]]
            for column in ["statistic", "p", "w", "detects_w"]:
                self.assertSameNumber(row[column], test[column], f"{test['name']} {column}")
            if test["df"] is not None and not test["name"].startswith("guess-"):
                self.assertEqual(row["df"], test["df"], test["name"])
            self.assertEqual(row["verdict"], test["verdict"], test["name"])
            if test["largest_cell"] is not None:
                self.assertEqual(row["detail_text"], test["largest_cell"]["text"])
            if test["p"] is not None and test["p"] >= 1e-4:
                self.assertEqual(row["p_text"], f"{test['p']:.4f}", test["name"])
        facts = {row.get("data-field"): row for row in by_id(tree, "tested").iter(HTML + "tr")}
        shuffles = facts["shuffles"].find(HTML + "td").get("data-value")
        self.assertEqual(float(shuffles), result["shuffles"])
        alpha = facts["alpha"].find(HTML + "td").get("data-value")
        self.assertEqual(float(alpha), result["alpha"])
        return result, facts, page

    def test_generated_rows(self):
        result, facts, page = self.check_against_json(
            ["--shuffles", "3000", "--model", "naive-swap", "--key", KEY])
        self.assertEqual(result["verdict"], "fail")
        self.assertEqual(text_of(facts["key"].find(HTML + "td")), KEY)
        self.assertIn("--key " + KEY, section_html(page, "reproduce"))

    def test_file_rows_with_another_alpha_and_seat(self):
        rows = os.path.join(FOLDER, "rows.txt")
        run("shuffle", "600", "--key", KEY, "--output", rows, statuses=(0,))
        result, facts, _ = self.check_against_json(
            ["--input", rows, "--alpha", "0.05", "--players", "6", "--seat", "D-2",
             "--stage", "flop"])
        self.assertEqual(text_of(facts["sha256"].find(HTML + "td")),
                         result["source"]["sha256"])
        self.assertEqual(float(facts["bytes"].find(HTML + "td").get("data-value")),
                         os.path.getsize(rows))

    def test_reproduce_command_makes_the_same_page(self):
        _, page = report("first.html", "--shuffles", "500", "--key", KEY, "--rotate")
        command = section_html(page, "reproduce")
        line = re.search(r"brevane-cli (test [^\n<]*)", command).group(1)
        args = line.split()[1:]
        self.assertEqual(args[args.index("--output") + 1], os.path.join(FOLDER, "first.html"))
        args[args.index("--output") + 1] = os.path.join(FOLDER, "again.html")
        run("test", *args)
        with open(os.path.join(FOLDER, "again.html"), encoding="utf-8") as file:
            again = file.read()
        self.assertEqual(again.replace("again.html", "first.html"), page)


class ReportMerge(Fixture):
    """A merge's report equals one run's over the same rows, but for the source."""

    def test_merge_of_two_parts(self):
        rows = os.path.join(FOLDER, "all.txt")
        run("shuffle", "900", "--key", KEY, "--model", "naive-swap", "--output",
            rows, statuses=(0,))
        with open(rows, "rb") as file:
            lines = file.read().splitlines(keepends=True)
        parts = []
        for index, (start, end) in enumerate([(0, 400), (400, 900)]):
            part = os.path.join(FOLDER, f"part{index}.txt")
            with open(part, "wb") as file:
                file.writelines(lines[start:end])
            counts = os.path.join(FOLDER, f"part{index}.json")
            run("test", "--input", part, "--first-row", str(start), "--save-counts", counts,
                "--format", "csv")
            parts.append(counts)
        _, whole = report("whole.html", "--input", rows)
        # Each shard learns its guessing game from its own rows, so only a merge of one shard
        # is one run: every section but the source and the command is the same.
        single = os.path.join(FOLDER, "all.json")
        run("test", "--input", rows, "--save-counts", single, "--format", "csv")
        path = os.path.join(FOLDER, "single.html")
        run("merge", single, "test", "--format", "html", "--output", path)
        with open(path, encoding="utf-8") as file:
            merged = file.read()
        for section in SECTIONS:
            if section in ("tested", "reproduce"):
                continue
            self.assertEqual(section_html(merged, section), section_html(whole, section),
                             section)
        path = os.path.join(FOLDER, "merged.html")
        run("merge", *parts, "test", "--format", "html", "--output", path)
        with open(path, encoding="utf-8") as file:
            merged = file.read()
        self.assertIn('data-test="guess-follower"', merged)
        tested = section_html(merged, "tested")
        for counts in parts:
            self.assertIn(counts, tested)
        self.assertIn("brevane-cli merge " + " ".join(parts) + " test", merged)


class ReportParses(Fixture):
    """Every page parses as HTML5 and every inline SVG as XML, also with hostile file names."""

    def check_page(self, page):
        parser = html5lib.HTMLParser(strict=False, namespaceHTMLElements=True)
        tree = parser.parse(page)
        self.assertEqual([e for e in tree.iter(HTML + "script")], [])
        ids = [e.get("id") for e in tree.iter() if e.get("id") in SECTIONS]
        self.assertEqual(ids, SECTIONS)
        pictures = re.findall(r"<svg\b.*?</svg>", page, re.S)
        self.assertGreaterEqual(len(pictures), 6)
        for picture in pictures:
            root = ElementTree.fromstring(picture)
            self.assertEqual(root.tag, SVG + "svg")
        self.assertNotRegex(page, r"(?i)(src|href)\s*=\s*[\"']?(https?:|//)")
        return tree

    def test_fair_and_biased_pages(self):
        for model in ("fisher-yates", "naive-swap"):
            _, page = report(model + ".html", "--shuffles", "2000", "--model", model, "--key",
                             KEY)
            self.check_page(page)

    def test_file_name_with_markup_and_quotes(self):
        name = os.path.join(FOLDER, "a<b>&'\"\x01 c.txt")
        run("shuffle", "300", "--key", KEY, "--output", name, statuses=(0,))
        _, page = report("hostile.html", "--input", name)
        tree = self.check_page(page)
        self.assertNotIn("a<b>", page)
        tested = text_of(by_id(tree, "tested"))
        self.assertIn("a<b>&'\"\ufffd c.txt", tested)


    def test_counts_file_whose_source_holds_markup(self):
        """A counts file may hold any source; merge's report shows it escaped."""
        counts = os.path.join(FOLDER, "hostile.json")
        run("test", "--shuffles", "300", "--key", KEY, "--save-counts", counts, "--format",
            "csv")
        with open(counts, encoding="utf-8") as file:
            saved = json.load(file)
        saved["source"] = {"model": "</td><script>x</script>", "key": "]]>&amp;\u0001",
                           "seed": "timer", "note": ["<svg>"]}
        with open(counts, "w", encoding="utf-8") as file:
            json.dump(saved, file)
        path = os.path.join(FOLDER, "hostile-merge.html")
        run("merge", counts, "test", "--format", "html", "--output", path)
        with open(path, encoding="utf-8") as file:
            page = file.read()
        tree = self.check_page(page)
        tested = text_of(by_id(tree, "tested"))
        self.assertIn("model </td><script>x</script>, key ]]>&amp;\ufffd", tested)


def png_pixels(data):
    """(width, height, rows of RGB(A) bytes) of an 8-bit RGB or RGBA PNG."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, idat, width, height, channels = 8, b"", 0, 0, 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), (depth, colour)
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up = previous[x]
            corner = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                guess = left + up - corner
                pa, pb, pc = abs(guess - left), abs(guess - up), abs(guess - corner)
                best = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[x] = (line[x] + best) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    return None


class ReportBrowser(Fixture):
    """Headless Chromium draws the reports of a fair and a biased run and prints them to A4."""

    WIDTH, HEIGHT = 1000, 800

    def browse(self, page_path, *options):
        profile = os.path.join(FOLDER, "profile")
        done = subprocess.run(
            [chromium(), "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--user-data-dir=" + profile, *options, "file://" + page_path],
            capture_output=True, check=False, timeout=240)
        self.assertEqual(done.returncode, 0, done.stderr[-2000:])

    def test_screen_and_print(self):
        if chromium() is None:
            self.skipTest("no chromium")
        for model, verdict in (("fisher-yates", "pass"), ("naive-swap", "fail")):
            path = os.path.join(FOLDER, model + "-browse.html")
            run("test", "--shuffles", "20000", "--model", model, "--key", KEY, "--format",
                "html", "--output", path)
            with open(path, encoding="utf-8") as file:
                page = file.read()
            self.assertIn(f'data-verdict="{verdict}">{verdict}</p>', page)
            picture = os.path.join(FOLDER, model + ".png")
            self.browse(path, f"--screenshot={picture}",
                        f"--window-size={self.WIDTH},{self.HEIGHT}")
            with open(picture, "rb") as file:
                width, height, rows = png_pixels(file.read())
            self.assertEqual((width, height), (self.WIDTH, self.HEIGHT))
            colours = {row[x:x + 3] for row in rows[::8] for x in range(0, len(row), 24)}
            self.assertGreater(len(colours), 8, "the screenshot is blank")
            # The verdict's colour (pass green, fail red) is on the first screen.
            wanted = b"\x1b\x78\x37" if verdict == "pass" else b"\xb2\x18\x2b"
            self.assertTrue(any(wanted in row for row in rows), "no verdict colour drawn")

            pdf = os.path.join(FOLDER, model + ".pdf")
            self.browse(path, f"--print-to-pdf={pdf}", "--no-pdf-header-footer")
            with open(pdf, "rb") as file:
                document = file.read()
            pages = len(re.findall(rb"/Type\s*/Page(?![a-zA-Z])", document))
            figures = page.count("<figure ")
            # One page for the verdict and the source, one for the results, one per picture
            # (the first under the Pictures heading), and one for the method of the nine tests
            # in two columns with the command below: a heading left alone, a table cut in two
            # or a section run onto a further page each add a page.
            self.assertEqual(pages, 1 + 1 + figures + 1, model)


if __name__ == "__main__":
    CLI, FOLDER = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0], *sys.argv[3:]])
