#!/usr/bin/env python3
"""Conversion benchmark: corvane-convert side by side with other converters.

Makes a deterministic comma-separated file (10 columns, mixed content with non-ASCII
text), converts it with every tool in alternation so that drift of the machine cancels
out, and prints the median input MB/s, peak memory and the ratio of each rate to ours.

  bench/run.py --converter build/cli/corvane-convert [--size-mb 200] [--rounds 3]
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

WORDS = ["alpha", "bravo", "Zürich", "naïve", "façade", "smörgåsbord", "東京", "Ελλάδα",
         "data", "value", "north", "south", "😀", "quote\"d", "back\\slash", "tab-free",
         "Ærøskøbing", "Łódź", "über", "café"]
HEADER = "id,name,city,amount,ratio,flag,code,comment,date,empty\n"


def make_row(rng, i):
    name = rng.choice(WORDS) + " " + rng.choice(WORDS)
    return ",".join([
        str(i),
        name,
        rng.choice(WORDS),
        str(rng.randint(-100000, 100000)),
        "%.4f" % rng.random(),
        rng.choice(["true", "false"]),
        "%08X" % rng.getrandbits(32),
        " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 6))),
        "2026-%02d-%02d" % (rng.randint(1, 12), rng.randint(1, 28)),
        "" if rng.random() < 0.7 else "x",
    ]) + "\n"


def make_csv(path, size_mb, columns=10, field_bytes=None):
    """Writes the test file once; later runs reuse it."""
    if os.path.exists(path):
        return
    rng = random.Random(20261206)
    target = size_mb * 1_000_000
    tmp = path + ".part"
    with open(tmp, "w", encoding="utf-8", newline="") as out:
        if field_bytes:  # a few rows of very large fields
            out.write("a,b\n")
            row = ("x" * field_bytes + ",é" + "y" * field_bytes + "\n")
            while out.tell() < target:
                out.write(row)
        elif columns != 10:  # a wide file
            out.write(",".join("c%d" % k for k in range(columns)) + "\n")
            while out.tell() < target:
                out.write(",".join(str(rng.randint(0, 999)) for _ in range(columns)) + "\n")
        else:
            out.write(HEADER)
            i = 0
            chunk = []
            while out.tell() < target:
                chunk = [make_row(rng, i + k) for k in range(10000)]
                i += 10000
                out.write("".join(chunk))
    os.replace(tmp, path)


def run(cmd, stdout_path=None, shell=False):
    """Runs one command; returns (seconds, peak resident MB)."""
    out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=out, stderr=subprocess.DEVNULL, shell=shell)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    if stdout_path:
        out.close()
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError("failed: %s" % (cmd,))
    return elapsed, usage.ru_maxrss / 1024.0


BLOCK_COPY = r"""
import sys
src, dst, total = sys.argv[1], sys.argv[2], int(sys.argv[3])
block = 1 << 20
with open(src, "rb", buffering=0) as i, open(dst, "wb", buffering=0) as o:
    written = 0
    while written < total:
        data = i.read(block)
        if not data:
            i.seek(0)
            continue
        data = data[: total - written]
        o.write(data)
        written += len(data)
"""

PYTHON_CSV = r"""
import csv, json, sys
with open(sys.argv[1], newline="", encoding="utf-8") as f, open(sys.argv[2], "w", encoding="utf-8") as o:
    json.dump(list(csv.DictReader(f)), o, ensure_ascii=False, indent=2)
"""


def tools(args, src, work):
    conv = os.path.abspath(args.converter)
    json_out = os.path.join(work, "out.json")
    yield "corvane JSON", [conv, "-q", "-s", ",", src, json_out], None
    yield "corvane BSON", [conv, "-q", "-s", ",", "-f", "bson", src, os.path.join(work, "out.bson")], None
    json_size = os.path.getsize(json_out) if os.path.exists(json_out) else 0
    if json_size:
        yield "block copy", [sys.executable, "-c", BLOCK_COPY, src, os.path.join(work, "copy"), str(json_size)], None
    if shutil.which("mlr") and not args.skip_others:
        yield "Miller", ["mlr", "--icsv", "--ojson", "-S", "cat", src], os.path.join(work, "mlr.json")
    duckdb = shutil.which("duckdb") or args.duckdb
    if duckdb and not args.skip_others:
        sql = "COPY (SELECT * FROM read_csv('%s', all_varchar=true)) TO '%s' (FORMAT JSON, ARRAY true)" % (
            src, os.path.join(work, "duck.json"))
        yield "DuckDB", [duckdb, "-c", sql], None
    if not args.skip_others and not args.skip_python:
        yield "Python csv+json", [sys.executable, "-c", PYTHON_CSV, src, os.path.join(work, "py.json")], None


def measure(args, src, work, title):
    size_mb = os.path.getsize(src) / 1e6
    results = {}
    for _ in range(args.rounds):
        # One pass of every tool per round: alternation spreads the machine's drift.
        for name, cmd, stdout_path in tools(args, src, work):
            seconds, peak = run(cmd, stdout_path)
            results.setdefault(name, []).append((seconds, peak))
    print("\n%s: %s, %.0f MB, median of %d rounds" % (title, os.path.basename(src), size_mb, args.rounds))
    print("| tool | input MB/s | peak memory MB | rate vs corvane JSON |")
    print("|---|---:|---:|---:|")
    ours = size_mb / statistics.median(s for s, _ in results["corvane JSON"])
    for name, samples in results.items():
        rate = size_mb / statistics.median(s for s, _ in samples)
        peak = max(p for _, p in samples)
        print("| %s | %.1f | %.1f | %.2fx |" % (name, rate, peak, rate / ours))
    for name in ("Miller", "DuckDB", "Python csv+json", "block copy"):
        if name in results:
            rate = size_mb / statistics.median(s for s, _ in results[name])
            print("corvane JSON is %.1fx %s" % (ours / rate, name))
    sys.stdout.flush()


def preview_cost(args, data_dir, work):
    """A 10-row conversion must cost the same whatever the size of the source."""
    small = os.path.join(data_dir, "preview-1mb.csv")
    big = os.path.join(data_dir, "preview-1gb.csv")
    make_csv(small, 1)
    make_csv(big, args.preview_big_mb)
    conv = os.path.abspath(args.converter)
    print("\nPreview (10 rows), median of 5:")
    for path in (small, big):
        times = [run([conv, "-q", "-s", ",", "-n", "10", path, os.path.join(work, "p.json")])[0]
                 for _ in range(5)]
        print("| %s | %.1f ms |" % (os.path.basename(path), 1000 * statistics.median(times)))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--converter", default="build/cli/corvane-convert")
    parser.add_argument("--size-mb", type=int, default=200)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--data-dir", default=os.path.join(tempfile.gettempdir(), "corvane-bench"))
    parser.add_argument("--duckdb", help="path of a duckdb executable")
    parser.add_argument("--skip-others", action="store_true", help="measure corvane and block copy only")
    parser.add_argument("--skip-python", action="store_true")
    parser.add_argument("--scaling", action="store_true", help="also a wide file and one with 1 MB fields")
    parser.add_argument("--large-mb", type=int, default=0, help="also convert a file of this size (e.g. 2000)")
    parser.add_argument("--preview", action="store_true", help="also the 10-row preview of 1 MB and 1 GB")
    parser.add_argument("--preview-big-mb", type=int, default=1000)
    args = parser.parse_args()

    os.makedirs(args.data_dir, exist_ok=True)
    src = os.path.join(args.data_dir, "bench-%dmb.csv" % args.size_mb)
    make_csv(src, args.size_mb)
    with tempfile.TemporaryDirectory(dir=args.data_dir) as work:
        measure(args, src, work, "Conversion")
        if args.scaling:
            skip = args.skip_others
            args.skip_others = True
            wide = os.path.join(args.data_dir, "wide-1000col-%dmb.csv" % (args.size_mb // 4))
            make_csv(wide, args.size_mb // 4, columns=1000)
            measure(args, wide, work, "1,000 columns")
            fields = os.path.join(args.data_dir, "fields-1mb-%dmb.csv" % (args.size_mb // 4))
            make_csv(fields, args.size_mb // 4, field_bytes=1_000_000)
            measure(args, fields, work, "1 MB fields")
            half = os.path.join(args.data_dir, "bench-%dmb.csv" % (args.size_mb // 2))
            make_csv(half, args.size_mb // 2)
            measure(args, half, work, "Half the rows")
            args.skip_others = skip
        if args.large_mb:
            large = os.path.join(args.data_dir, "bench-%dmb.csv" % args.large_mb)
            make_csv(large, args.large_mb)
            skip = args.skip_others
            args.skip_others = True
            measure(args, large, work, "Large file")
            args.skip_others = skip
        if args.preview:
            preview_cost(args, args.data_dir, work)


if __name__ == "__main__":
    main()
