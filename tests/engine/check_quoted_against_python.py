#!/usr/bin/env python3
# Checks corvane-convert --quoted against Python's csv module (strict, same separator).
#
# Generated well-formed files hold separators, doubled quotes, CR LF and lone line feeds
# inside quoted fields, non-ASCII text, UTF-8 and UTF-16 sources, and every separator kind;
# a second set puts each of those at every position around the reader's 1 MiB block edge.
#
#   check_quoted_against_python.py CORVANE_CONVERT
import csv
import io
import json
import os
import random
import subprocess
import sys
import tempfile

CONVERTER = sys.argv[1]
BLOCK = 1 << 20  # the reader's block size
ATOMS = ["a", "bc", " ", "Zürich", "東京", "😀", "\\", "x y", "1.5"]
SEPARATORS = {",": ",", "\t": "<tab>", "|": "|", ";": ";", "§": "§"}


def quote(text):
    return '"' + text.replace('"', '""') + '"'


def field(rng, sep):
    text = "".join(rng.choice(ATOMS + ['"', "\n", "\r\n", sep]) for _ in range(rng.randint(0, 4)))
    special = any(c in text for c in (sep, '"', "\r", "\n"))
    return quote(text) if special or rng.random() < 0.25 else text


def expected(text, sep):
    rows = list(csv.reader(io.StringIO(text, newline=""), delimiter=sep, strict=True))
    return [dict(zip(rows[0], row)) for row in rows[1:]]


def converted(text, sep, encoding, directory):
    path = os.path.join(directory, "source.csv")
    with open(path, "wb") as source:
        source.write(text.encode(encoding))
    run = subprocess.run([CONVERTER, "--quoted", "-q", "-f", "jsonl", "-s", SEPARATORS[sep], path,
                          "-"], capture_output=True, check=True)
    lines = run.stdout.decode("utf-8").split("\n")
    return [json.loads(line) for line in lines if line]


def random_files(rng):
    for number in range(60):
        sep = list(SEPARATORS)[number % len(SEPARATORS)]
        columns = rng.randint(2, 5)
        names = [quote(f"c{k}{sep}\"") if rng.random() < 0.5 else f"c{k}" for k in range(columns)]
        records = [names] + [[field(rng, sep) for _ in range(columns)]
                             for _ in range(rng.randint(0, 40))]
        text = "".join(sep.join(fields) + rng.choice(["\n", "\r\n"]) for fields in records)
        if rng.random() < 0.3:
            text = text.rstrip("\n").rstrip("\r")  # the last record without a line end
        yield text, sep, "utf-16" if number % 4 == 3 else "utf-8"


def edge_files():
    # Each construct starts at every position from 6 before to 6 after the block's end,
    # so that each of its bytes meets the edge: doubled quotes, CR LF, the separator and
    # a line feed inside quotes, and the closing quote before CR LF.
    for construct in ['"a""b"', '"x\r\ny"', '"p,q"', '"z\ny"', '""""']:
        for shift in range(-6, 7):
            head = "c0,c1\n"
            filler = "x" * (BLOCK + shift - len(head) - len(",\nv,")) + ",\nv,"
            yield head + filler + construct + "\r\n", ",", "utf-8"


def main():
    csv.field_size_limit(BLOCK * 2)
    rng = random.Random(20261207)
    failures = 0
    with tempfile.TemporaryDirectory() as directory:
        for text, sep, encoding in list(random_files(rng)) + list(edge_files()):
            want, got = expected(text, sep), converted(text, sep, encoding, directory)
            if want != got:
                failures += 1
                print(f"differs ({encoding}, separator {sep!r}): {text[:300]!r}\n"
                      f"  python: {want[:3]}\n  ours:   {got[:3]}")
    print(f"{failures} file(s) differ")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
