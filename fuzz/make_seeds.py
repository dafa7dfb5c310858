#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora from the golden cases under tests/data.

Usage: fuzz/make_seeds.py OUT_DIR
Creates OUT_DIR/<target>/<case>.seed: every RTF input or output of a golden case seeds the
RTF targets, every HTML one the HTML target; the WDDX target gets a few packets of its own.
The session target, which reads its input as commands, starts from the example scripts and
pages as plain bytes: any bytes decode to some session, and these hold the markup and words the
commands take.
"""
import hashlib
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
LINE_END = "\u00b6"

# Which side of a case is RTF and which is HTML, by the case's @convert mode.
INPUT_KIND = {"rtf2html": "rtf", "rtf2rtf": "rtf", "rtf2text": "rtf", "html2rtf": "html",
              "document": "html", "roundtrip": "html", "html-encode": "html", "rtf-encode": "html",
              "read-html": "html", "html5": "html", "own-page": "html"}
OUTPUT_KIND = {"rtf2html": "html", "rtf2rtf": "rtf", "html2rtf": "rtf", "document": "rtf",
               "roundtrip": "html", "html5": "html", "own-page": "html"}
TARGETS = {"rtf": ["fuzz_rtf_to_html", "fuzz_surface_rtf"],
           "html": ["fuzz_html_to_rtf", "fuzz_html_roundtrip", "fuzz_util", "fuzz_html_reader"]}
SESSION = "fuzz_session"

WDDX_SEEDS = [
    "<wddxPacket version='1.0'><header/><data><struct>"
    "<field name='IMAGE_TITLE'><array length='2'><string>Logo</string><string>Photo</string>"
    "</array></field><field name='IMAGE_LOCATION'><array length='2'><string>img/logo.gif"
    "</string><string>img/photo.jpg</string></array></field>"
    "<field name='IMAGE_WIDTH'><array length='1'><number>120</number></array></field>"
    "<field name='IMAGE_HEIGHT'><array length='1'><number>4.5e1</number></array></field>"
    "</struct></data></wddxPacket>",
    "<wddxPacket version='1.0'><header/><data><struct>"
    "<field name='HYPERLINK_TITLE'><array length='1'><string>Home</string></array></field>"
    "<field name='HYPERLINK_LOCATION'><array length='1'><string>http://example.com/</string>"
    "</array></field><field name='FONT_FACE'><array length='2'><string>Verdana, Arial</string>"
    "<string>Courier New, Courier</string></array></field></struct></data></wddxPacket>",
    "<field name='FONT_FACE'><string>Georgia</string><field name='UNKNOWN'><string>x</string>",
]


def read_cases(path):
    """Yields (mode, input, expected) for every case of a golden file."""
    default_mode = None
    case = None
    lines = []
    for raw in path.read_text(encoding="utf-8").split("\n"):
        line = raw[:-1] if raw.endswith(LINE_END) else raw
        if line.startswith("=== "):
            if case:
                yield finish(case, lines)
            case = {"mode": default_mode, "input": None}
            lines = []
        elif case is None:
            if line.startswith("@convert "):
                default_mode = line[len("@convert "):]
        elif not lines and case["input"] is None and line.startswith("@"):
            if line.startswith("@convert "):
                case["mode"] = line[len("@convert "):]
        elif line == "." and case["input"] is None:
            case["input"] = "\n".join(lines)
            lines = []
        else:
            lines.append(line)
    if case:
        yield finish(case, lines)


def finish(case, lines):
    while lines and not lines[-1]:
        lines.pop()
    return case["mode"], case["input"] or "", "\n".join(lines)


def write_seed(out, target, text):
    data = text.encode("utf-8")
    name = hashlib.sha1(data).hexdigest()[:16]
    directory = out / target
    directory.mkdir(parents=True, exist_ok=True)
    (directory / (name + ".seed")).write_bytes(data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = pathlib.Path(sys.argv[1])
    for path in sorted((ROOT / "tests" / "data").glob("*.txt")):
        for mode, given, expected in read_cases(path):
            sides = [(INPUT_KIND.get(mode), given)]
            if not expected.startswith("!error"):
                sides.append((OUTPUT_KIND.get(mode), expected))
            for kind, text in sides:
                for target in TARGETS.get(kind, []):
                    write_seed(out, target, text)
    for example in ("sample.rtf", "sample.html"):
        kind = "rtf" if example.endswith(".rtf") else "html"
        text = (ROOT / "examples" / example).read_text(encoding="utf-8")
        for target in TARGETS[kind] + [SESSION]:
            write_seed(out, target, text)
    for script in sorted((ROOT / "examples" / "scripts").glob("*.script")):
        write_seed(out, SESSION, script.read_text(encoding="utf-8"))
    for packet in WDDX_SEEDS:
        write_seed(out, "fuzz_wddx", packet)
        write_seed(out, "fuzz_util", packet)


if __name__ == "__main__":
    main()
