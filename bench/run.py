#!/usr/bin/env python3
"""Conversion benchmark: corvane-convert side by side with other converters.

Makes a deterministic comma-separated file (10 columns, mixed content with non-ASCII
text), converts it with every tool in alternation so that drift of the machine cancels
out, and prints the median input MB/s, the peak memory and the ratio of each rate to
ours, then checks the targets. Then the same for a second file of the same size and shape
whose fields are a quarter of them quoted, some holding commas and doubled quotes. Then
the plain file's rows saved in Windows-1252 (what that code page cannot hold as "?"), read
by the automatic choice, where every accented letter is a byte that is not UTF-8, and with
--encoding windows-1252, side by side with the same rows in UTF-8.

  bench/run.py --converter build/cli/corvane-convert [--size-mb 200] [--rounds 3]
               [--duckdb DIR_OR_EXE] [--skip-python] [--scaling] [--large-mb 2000]
               [--preview] [--compressed] [--gzip-converter OTHER]
               [--batch] [--blocks] [--compressed-output] [--only-new]

Tools: corvane-convert to JSON, to BSON, to JSON Lines and to JSON with typed values
(--types), and to JSON on one thread that reads and writes too (--threads 1); peak memory
is checked a converting thread, one a core by default; a block copy written here (reads the input in 1 MiB blocks and
writes as many bytes as our JSON output has), and one each for as many bytes as our BSON
and JSON Lines outputs; `dd bs=1M` copying our JSON output; Miller (`mlr`); DuckDB,
either a `duckdb` executable or the npm package @duckdb/node-api, whose engine ships in
the package (`npm install --prefix DIR @duckdb/node-api`, then --duckdb DIR or
CORVANE_BENCH_DUCKDB=DIR); Python's csv + json. On the quoted file: corvane-convert to JSON
without --quoted (it splits at every comma, and lines whose field count then differs are
left out: the same bytes read) and with --quoted, and the same other converters, which
read quoted fields anyway. Tools that are missing, and our options that the converter
refuses as unknown, are skipped with a note. Generated files are kept in --data-dir and
reused by later runs.

--compressed: the plain file and the same file compressed with gzip and with zstd (made
with the gzip and zstd commands and kept beside it), converted side by side; every rate is
the text's MB (the plain file's size) a second, so the three compare directly. With
--gzip-converter, a second build of ours (another gzip library, say) reads the gzip file
beside the first.

--batch: 8 sources of 25 MB (links to one generated file) converted into a folder with
-j 1 and with -j 2; -j 2 should take at most 0.6x the time, within 32 MB a conversion.
--blocks: the quoted file with --quoted --types on --threads 1 and --threads 2; two threads
should take at most 0.7x the time, within 32 MB a thread.
--compressed-output: the file converted to plain JSON, to JSON compressed with zstd
(.json.zst, on several threads) and with gzip (.json.gz, ISA-L); the rates are the
source's MB a second. --only-new runs these three alone.

Every tool writes its output to a file in --data-dir; the file is removed after the run,
outside the timing, so that one tool's output waiting for the disk does not slow the next
one down. Peak memory is GNU time's maximum resident size of the tool (`time` package).
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

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
# Part of every generated file's name: a change of the generator makes new files.
GENERATOR = "v2"

# No double quote in the plain file: Miller and DuckDB read quoted fields, our converter
# splits at every separator unless told --quoted, and the file must mean the same to all of
# them. The backslash still needs escaping in JSON.
WORDS = ["alpha", "bravo", "Zürich", "naïve", "façade", "smörgåsbord", "東京", "Ελλάδα",
         "data", "value", "north", "south", "😀", "back\\slash", "tab-free", "Ærøskøbing",
         "Łódź", "über", "café", "semi;colon"]
HEADER = "id,name,city,amount,ratio,flag,code,comment,date,empty\n"
POOL_ROWS = 65536  # distinct row bodies; far more than any branch predictor keeps

MILLER = "Miller"
DUCKDB = "DuckDB"
PYTHON = "Python csv+json"
BLOCK_COPY = "block copy"
DD_NAME = "dd bs=1M of our JSON"
JSON_NAME = "corvane JSON"
ONE_THREAD_NAME = "corvane JSON (one thread)"
BSON_NAME = "corvane BSON"
JSONL_NAME = "corvane JSON Lines"
TYPED_NAME = "corvane JSON --types"
QUOTED_NAME = "corvane JSON --quoted"
UTF8_TWIN_NAME = "corvane JSON, the rows in UTF-8"
WINDOWS_1252_NAME = "corvane JSON, Windows-1252 (automatic)"
CHOSEN_1252_NAME = "corvane JSON, --encoding windows-1252"
# Our outputs that a block copy of as many bytes stands beside, and that copy's name.
COPIES = {JSON_NAME: BLOCK_COPY, BSON_NAME: "block copy of BSON's bytes",
          JSONL_NAME: "block copy of JSON Lines' bytes"}
COPY_TIME_LIMIT = 1.3  # our time over the copy's, at most
MEMORY_LIMIT_MB = 32
PREVIEW_RUNS = 21
PLAIN_SOURCE = "corvane JSON, plain source"
GZIP_SOURCE = "corvane JSON, gzip source"
ZSTD_SOURCE = "corvane JSON, zstd source"
OTHER_GZIP_SOURCE = "--gzip-converter JSON, gzip source"  # a run takes milliseconds: many of them keep the median steady


# ---------------------------------------------------------------------------------------
# Test files


def row_fields(rng):
    """One row without its id: 9 fields of mixed content."""
    return [
        rng.choice(WORDS) + " " + rng.choice(WORDS),
        rng.choice(WORDS),
        str(rng.randint(-100000, 100000)),
        "%.4f" % rng.random(),
        rng.choice(["true", "false"]),
        "%08X" % rng.getrandbits(32),
        " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 6))),
        "2026-%02d-%02d" % (rng.randint(1, 12), rng.randint(1, 28)),
        "" if rng.random() < 0.7 else "x",
    ]


def quoted(rng, field):
    """A quarter of the fields come quoted; of those, some hold a comma and some doubled
    quotes, which only a reader of quoted fields keeps inside the field."""
    if rng.random() >= 0.25:
        return field
    roll = rng.random()
    if roll < 0.3:
        field += ", " + rng.choice(WORDS)
    elif roll < 0.5:
        field = '"%s" %s' % (rng.choice(WORDS), field)
    return '"' + field.replace('"', '""') + '"'


def write_until(out, target, header, make_chunk):
    out.write(header)
    while out.tell() < target:
        out.write(make_chunk())


def make_mixed(out, target, quote=False):
    """The quoted file is the plain file's rows with their quoting, and the commas and
    quotes added inside quotes, drawn from a generator of its own; every fourth id is
    quoted too."""
    rng, quoting = random.Random(20261206), random.Random(20261207)
    pool = [",".join(quoted(quoting, f) if quote else f for f in row_fields(rng)) + "\n"
            for _ in range(POOL_ROWS)]
    state = {"next": 0}

    def row(i):
        return ('"%d",%s' if quote and i % 4 == 0 else "%d,%s") % (i, pool[i % POOL_ROWS])

    def chunk():
        first = state["next"]
        state["next"] += 10000
        return "".join(row(i) for i in range(first, first + 10000))

    write_until(out, target, HEADER, chunk)


def make_wide(out, target, columns):
    rng = random.Random(columns)
    pool = [",".join(str(rng.randint(0, 999)) for _ in range(columns)) + "\n" for _ in range(64)]
    header = ",".join("c%d" % k for k in range(columns)) + "\n"
    write_until(out, target, header, lambda: "".join(pool))


def make_fields(out, target, field_bytes):
    # Mostly ASCII with a non-ASCII character in each field.
    text = ("abcdefghij" * (field_bytes // 10 + 1))[: field_bytes - 2] + "é"
    write_until(out, target, "a,b\n", lambda: text + "," + text + "\n")


def make_csv(path, size_mb, kind="mixed", amount=0):
    """Writes a test file once; later runs reuse it."""
    if os.path.exists(path):
        return path
    print("(making %s)" % os.path.basename(path), file=sys.stderr, flush=True)
    target = size_mb * 1_000_000
    tmp = path + ".part"
    with open(tmp, "w", encoding="utf-8", newline="") as out:
        if kind == "wide":
            make_wide(out, target, amount)
        elif kind == "fields":
            make_fields(out, target, amount)
        elif kind == "quoted":
            make_mixed(out, target, quote=True)
        else:
            make_mixed(out, target)
    os.replace(tmp, path)
    return path


def make_windows_1252(args, size_mb):
    """The plain file's rows in Windows-1252, and the same characters in UTF-8: the two
    files hold the same rows, so their times compare as rates of rows."""
    src = data_file(args, "mixed", size_mb)
    paths = [os.path.join(args.data_dir, "%s-%s-%dmb.csv" % (GENERATOR, name, size_mb))
             for name in ("windows1252", "windows1252-as-utf8")]
    if all(os.path.exists(path) for path in paths):
        return paths
    print("(making %s)" % ", ".join(os.path.basename(path) for path in paths),
          file=sys.stderr, flush=True)
    with open(src, encoding="utf-8", newline="") as text, \
         open(paths[0] + ".part", "wb") as ansi, open(paths[1] + ".part", "wb") as utf8:
        for lines in iter(lambda: text.readlines(1 << 20), []):
            encoded = "".join(lines).encode("cp1252", errors="replace")
            ansi.write(encoded)
            utf8.write(encoded.decode("cp1252").encode("utf-8"))
    for path in paths:
        os.replace(path + ".part", path)
    return paths


def data_file(args, name, size_mb, kind="mixed", amount=0):
    path = os.path.join(args.data_dir, "%s-%s-%dmb.csv" % (GENERATOR, name, size_mb))
    return make_csv(path, size_mb, kind, amount)


def count_lines(path):
    with open(path, "rb") as f:
        return sum(block.count(b"\n") for block in iter(lambda: f.read(1 << 20), b""))


# ---------------------------------------------------------------------------------------
# Running tools


def remove(path):
    if os.path.isdir(path):
        shutil.rmtree(path)
        return
    try:
        os.unlink(path)
    except FileNotFoundError:
        pass


# GNU time reports the peak memory of the tool alone. The rusage that wait4 gives this
# script would not: a child forked from it counts this interpreter's memory as its own.
GNU_TIME = shutil.which("time")


def run(cmd, output, stdout_path=None, keep=False):
    """Runs one command; returns (seconds, peak resident MB).

    Its output is removed before and after, outside the timing, so that no tool pays for
    emptying a large file or for the write-back of an earlier tool's output."""
    remove(output)
    out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    with tempfile.NamedTemporaryFile("r", suffix=".rss") as rss:
        wrapped = [GNU_TIME, "-q", "-f", "%M", "-o", rss.name] + cmd if GNU_TIME else cmd
        start = time.perf_counter()
        proc = subprocess.Popen(wrapped, stdout=out, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(proc.pid, 0)
        elapsed = time.perf_counter() - start
        peak_kb = int(rss.read().split()[-1]) if GNU_TIME else usage.ru_maxrss
    errors = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    if stdout_path:
        out.close()
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError("failed: %s\n%s" % (" ".join(cmd), errors[-2000:]))
    if not keep:
        remove(output)
    return elapsed, peak_kb / 1024.0


# Reads the source once in 1 MiB blocks and writes each block as often as it takes for the
# output to keep pace with the JSON output (total bytes in all), the fastest that a
# converter writing that much could be.
BLOCK_COPY_SCRIPT = r"""
import os, sys
src, dst, total = sys.argv[1], sys.argv[2], int(sys.argv[3])
size = os.path.getsize(src)
buffer = bytearray(1 << 20)
view = memoryview(buffer)
read = written = 0
with open(src, "rb", buffering=0) as i, open(dst, "wb", buffering=0) as o:
    while True:
        n = i.readinto(buffer)
        if not n:
            break
        read += n
        due = total * read // size
        while written < due:
            part = min(n, due - written)
            o.write(view[:part])
            written += part
"""

PYTHON_SCRIPT = r"""
import csv, json, sys
with open(sys.argv[1], newline="", encoding="utf-8") as f, \
     open(sys.argv[2], "w", encoding="utf-8") as o:
    o.write("[")
    for i, row in enumerate(csv.DictReader(f)):
        o.write(",\n" if i else "\n")
        o.write(json.dumps(row, ensure_ascii=False, indent=2))
    o.write("\n]\n")
"""


class Tool:
    def __init__(self, name, cmd, output, stdout=False):
        self.name, self.cmd, self.output, self.stdout = name, cmd, output, stdout

    def run(self, keep=False):
        return run(self.cmd, self.output, self.output if self.stdout else None, keep)


NOTED = set()


def note(text):
    """Says once what is not measured, however many files the run reads."""
    if text not in NOTED:
        NOTED.add(text)
        print("note: " + text)


def find_duckdb(args):
    """A command prefix that converts with DuckDB, or None and the reason."""
    where = args.duckdb or os.environ.get("CORVANE_BENCH_DUCKDB") or shutil.which("duckdb")
    if not where:
        return None, ("no duckdb executable on PATH and no --duckdb; install the npm package "
                      "with `npm install --prefix DIR @duckdb/node-api` and pass --duckdb DIR")
    if os.path.isdir(where):
        if not os.path.isdir(os.path.join(where, "node_modules", "@duckdb", "node-api")):
            return None, "%s holds no node_modules/@duckdb/node-api" % where
        if not shutil.which("node"):
            return None, "node is not installed"
        # node resolves the package from the script's folder: hand it an absolute path.
        return ["node", os.path.join(BENCH_DIR, "duckdb_copy.js"), os.path.abspath(where)], None
    if os.access(where, os.X_OK):
        return [where], None
    return None, "%s is not an executable" % where


def duckdb_command(prefix, src, out):
    if prefix[0] == "node":
        return prefix + [src, out]
    sql = ("COPY (SELECT * FROM read_csv('%s', delim=',', header=true, quote='\"', "
           "all_varchar=true)) TO '%s' (FORMAT JSON, ARRAY true)" % (src, out))
    return prefix + ["-c", sql]


def corvane(args, work, name, options, src, suffix):
    output = os.path.join(work, "out" + suffix)
    return Tool(name, [os.path.abspath(args.converter), "-q", "-s", ","] + options + [src, output],
                output)


def corvane_tools(args, src, work):
    return [corvane(args, work, JSON_NAME, [], src, ".json"),
            corvane(args, work, BSON_NAME, ["-f", "bson"], src, ".bson")]


def refusal(args, work, options):
    """The converter's complaint when it takes the options for a usage error (an older
    converter), else None: a run that fails otherwise fails the benchmark."""
    probe = os.path.join(work, "probe.csv")
    with open(probe, "w") as f:
        f.write("a,b\n1,2\n")
    tool = corvane(args, work, "probe", options, probe, ".probe")
    proc = subprocess.run(tool.cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    remove(tool.output)
    remove(probe)
    if proc.returncode != 2:
        return None
    return (proc.stderr.strip().splitlines() or ["usage error"])[0]


def corvane_modes(args, src, work, modes):
    """Our runs with options beyond the plain ones: (name, options, output suffix) each,
    left out with a note when the converter does not know the options yet."""
    tools = []
    for name, options, suffix in modes:
        reason = refusal(args, work, options)
        if reason:
            note("%s not measured: the converter refuses %s (%s)" %
                 (name, " ".join(options), reason))
        else:
            tools.append(corvane(args, work, name, options, src, suffix))
    return tools


def other_tools(args, src, work):
    tools = []
    if shutil.which("mlr"):
        tools.append(Tool(MILLER, ["mlr", "--icsv", "--ojson", "-S", "cat", src],
                          os.path.join(work, "mlr.json"), stdout=True))
    else:
        note("Miller (mlr) is not installed: not measured")
    prefix, reason = find_duckdb(args)
    if prefix:
        duck_out = os.path.join(work, "duck.json")
        tools.append(Tool(DUCKDB, duckdb_command(prefix, src, duck_out), duck_out))
    else:
        note("DuckDB not measured: %s" % reason)
    if not args.skip_python:
        py_out = os.path.join(work, "py.json")
        tools.append(Tool(PYTHON, [sys.executable, "-c", PYTHON_SCRIPT, src, py_out], py_out))
    return tools


def dd_source(work):
    """Our JSON output, kept for dd to copy while the tools are measured."""
    return os.path.join(work, "ours.json")


def all_tools(args, src, work, others):
    """Our conversions first: each block copy writes as much as one of our outputs has, and
    dd copies our JSON output."""
    tools = corvane_tools(args, src, work)
    tools += corvane_modes(args, src, work, [(JSONL_NAME, ["-f", "jsonl"], ".jsonl"),
                                             (TYPED_NAME, ["--types"], "-types.json")])
    tools.append(corvane(args, work, ONE_THREAD_NAME, ["--threads", "1"], src, "-one-thread.json"))
    copies = []
    for tool in [tool for tool in tools if tool.name in COPIES]:
        tool.run(keep=True)
        copy_out = os.path.join(work, "copy" + str(len(copies)))
        copies.append(Tool(COPIES[tool.name], [sys.executable, "-c", BLOCK_COPY_SCRIPT, src,
                                               copy_out, str(os.path.getsize(tool.output))],
                           copy_out))
        if tool.name != JSON_NAME:
            remove(tool.output)
            continue
        os.replace(tool.output, dd_source(work))
        # Written back now, so that its write-back does not fall into a measured run.
        with open(dd_source(work), "rb") as kept:
            os.fsync(kept.fileno())
        dd_out = os.path.join(work, "dd.out")
        copies.append(Tool(DD_NAME, ["dd", "if=" + dd_source(work), "of=" + dd_out, "bs=1M",
                                     "status=none"], dd_out))
    return tools + copies + (other_tools(args, src, work) if others else [])


def quoted_tools(args, src, work, others):
    """Ours without --quoted reads the same bytes, split at every comma."""
    tools = [corvane(args, work, JSON_NAME, [], src, ".json")]
    tools += corvane_modes(args, src, work, [(QUOTED_NAME, ["--quoted"], "-quoted.json")])
    return tools + (other_tools(args, src, work) if others else [])


def measure(tools, rounds):
    """Median seconds and peak MB per tool; one pass of every tool per round, so that the
    machine's drift spreads over all of them. Each round starts one tool further on, so
    that no tool always follows the same one (the one after a large write pays for the
    system's handling of the memory it freed)."""
    samples = {tool.name: [] for tool in tools}
    for round_index in range(rounds):
        shift = round_index % len(tools)
        for tool in tools[shift:] + tools[:shift]:
            samples[tool.name].append(tool.run())
    return {name: (statistics.median(s for s, _ in runs), max(p for _, p in runs))
            for name, runs in samples.items()}


def print_rates(title, src, results, rounds):
    size_mb = os.path.getsize(src) / 1e6
    print("\n%s: %s, %.0f MB, median of %d rounds" % (title, os.path.basename(src), size_mb,
                                                       rounds))
    print("| tool | input MB/s | peak memory MB | rate / corvane JSON rate |")
    print("|---|---:|---:|---:|")
    ours = size_mb / results[JSON_NAME][0]
    for name, (seconds, peak) in results.items():
        rate = size_mb / seconds
        print("| %s | %.1f | %.1f | %.2f |" % (name, rate, peak, rate / ours))
    sys.stdout.flush()


# ---------------------------------------------------------------------------------------
# Targets


def verdict(met):
    return "met" if met else "MISSED"


class Targets:
    """Prints one line per target and counts the ones missed."""

    def __init__(self, title, results):
        self.results, self.missed = results, 0
        self.seconds = {name: s for name, (s, _) in results.items()}
        print("\n%s:" % title)

    def line(self, met, text):
        self.missed += 0 if met else 1
        print("- %s: %s" % (verdict(met), text))

    def measured(self, *names):
        for name in names:
            if name not in self.seconds:
                print("- not checked: %s was not measured" % name)
                return False
        return True

    def rate_ratio(self, name, base, least, text, base_text="the JSON rate"):
        """name's input rate against base's, on the same file."""
        if self.measured(name, base):
            ratio = self.seconds[base] / self.seconds[name]
            self.line(ratio >= least, "%s is %.2fx %s (target at least %gx)" %
                      (text, ratio, base_text, least))

    def over_miller(self, labels):
        """Each of our modes at least 10 times Miller's rate on the same file: one line."""
        names = [name for name in labels if name in self.seconds]
        if names and self.measured(MILLER):
            ratios = [self.seconds[MILLER] / self.seconds[name] for name in names]
            self.line(min(ratios) >= 10, "%s: %s Miller's rate (target at least 10x each)" % (
                ", ".join(labels[name] for name in names),
                ", ".join("%.1fx" % ratio for ratio in ratios)))

    def memory(self, names, threads=None):
        """A conversion runs one converting thread a core unless told --threads: the limit
        is MEMORY_LIMIT_MB a thread."""
        threads = threads or os.cpu_count() or 1
        for name in names:
            if name in self.results:
                peak = self.results[name][1]
                self.line(peak < MEMORY_LIMIT_MB * threads, "%s peak memory %.1f MB on %d "
                          "thread(s) (target under %d MB a thread)"
                          % (name, peak, threads, MEMORY_LIMIT_MB))


def check_targets(results):
    """The targets on the plain file; returns the number missed."""
    targets = Targets("Targets", results)
    seconds = targets.seconds
    ours = seconds[JSON_NAME]
    for other, factor in ((MILLER, 15), (DUCKDB, 5)):
        if other in seconds:
            ratio = seconds[other] / ours
            targets.line(ratio >= factor,
                         "JSON is %.1fx %s's rate (target %dx)" % (ratio, other, factor))
        else:
            print("- not checked: %s was not measured" % other)
    for name, copy in COPIES.items():
        if targets.measured(name, copy):
            ratio = seconds[name] / seconds[copy]
            targets.line(ratio <= COPY_TIME_LIMIT, "%s takes %.2fx the time of the block copy that "
                         "writes as many bytes (target at most %gx)" %
                         (name, ratio, COPY_TIME_LIMIT))
    if DD_NAME in seconds:
        print("- for information: JSON takes %.2fx the time of dd bs=1M copying its output" %
              (ours / seconds[DD_NAME]))
    if ONE_THREAD_NAME in seconds:
        print("- for information: on one thread, JSON takes %.2fx the block copy's time, %.2fx "
              "the time with the writing thread" %
              (seconds[ONE_THREAD_NAME] / seconds[BLOCK_COPY], seconds[ONE_THREAD_NAME] / ours))
    bson = seconds[BSON_NAME]
    targets.line(bson <= ours, "BSON rate is %.2fx the JSON rate (target at least 1x)" %
                 (ours / bson))
    # Like BSON, with no allowance for noise: one run of the table is one sample.
    targets.rate_ratio(JSONL_NAME, JSON_NAME, 1, "JSON Lines rate")
    targets.rate_ratio(TYPED_NAME, JSON_NAME, 0.7, "JSON --types rate")
    targets.over_miller({BSON_NAME: "BSON", JSONL_NAME: "JSON Lines", TYPED_NAME: "JSON --types"})
    targets.memory((JSON_NAME, BSON_NAME, JSONL_NAME, TYPED_NAME))
    targets.memory((ONE_THREAD_NAME,), threads=1)
    if PYTHON in seconds:
        print("- for information: JSON is %.1fx Python csv+json's rate" % (seconds[PYTHON] / ours))
    return targets.missed


def encoding_tools(args, ansi_src, utf8_src, work):
    tools = [corvane(args, work, UTF8_TWIN_NAME, [], utf8_src, "-utf8.json"),
             corvane(args, work, WINDOWS_1252_NAME, [], ansi_src, "-1252.json")]
    return tools + corvane_modes(args, ansi_src, work, [
        (CHOSEN_1252_NAME, ["--encoding", "windows-1252"], "-chosen-1252.json")])


def print_encoding_rates(ansi_src, utf8_src, results, rounds):
    print("\nEncodings: the same rows in %s (%.0f MB) and %s (%.0f MB), median of %d rounds" %
          (os.path.basename(ansi_src), os.path.getsize(ansi_src) / 1e6,
           os.path.basename(utf8_src), os.path.getsize(utf8_src) / 1e6, rounds))
    print("| tool | seconds | peak memory MB | row rate / UTF-8 row rate |")
    print("|---|---:|---:|---:|")
    base = results[UTF8_TWIN_NAME][0]
    for name, (seconds, peak) in results.items():
        print("| %s | %.2f | %.1f | %.2f |" % (name, seconds, peak, base / seconds))
    sys.stdout.flush()


def check_encoding_targets(results):
    """The targets on the Windows-1252 file; returns the number missed."""
    targets = Targets("Targets on the Windows-1252 file", results)
    targets.rate_ratio(WINDOWS_1252_NAME, UTF8_TWIN_NAME, 0.8, "the automatic Windows-1252 "
                       "row rate", "the row rate of the same rows in UTF-8")
    if targets.measured(CHOSEN_1252_NAME):
        print("- for information: with --encoding windows-1252 the row rate is %.2fx the UTF-8 "
              "one" % (targets.seconds[UTF8_TWIN_NAME] / targets.seconds[CHOSEN_1252_NAME]))
    targets.memory((WINDOWS_1252_NAME, CHOSEN_1252_NAME))
    return targets.missed


def check_quoted_targets(results):
    """The targets on the quoted file; returns the number missed."""
    targets = Targets("Targets on the quoted file", results)
    targets.rate_ratio(QUOTED_NAME, JSON_NAME, 0.6, "--quoted rate",
                       "the rate without it on the same file")
    targets.over_miller({JSON_NAME: "JSON without --quoted", QUOTED_NAME: "--quoted"})
    targets.memory((JSON_NAME, QUOTED_NAME))
    return targets.missed


# ---------------------------------------------------------------------------------------
# Scaling, large file, preview


def scaling_row(args, work, src):
    results = measure(corvane_tools(args, src, work), args.rounds)
    return results[JSON_NAME][0], results[BSON_NAME][0]


def print_linearity(label, per_unit):
    """Linear growth keeps the time per row, field or byte the same; returns 1 if not."""
    spread = max(per_unit) / min(per_unit)
    linear = spread < 1.5
    print("- %s: %s: time per unit varies by %.2fx across the set (target: linear, under 1.5x)"
          % (verdict(linear), label, spread))
    return 0 if linear else 1


def scaling(args, work):
    quarter = max(1, args.size_mb // 4)
    print("\nScaling, corvane JSON and BSON, median of %d rounds" % args.rounds)

    print("\nRows (10 columns):")
    print("| rows | MB | JSON s | BSON s | JSON ns per row | BSON ns per row |")
    print("|---:|---:|---:|---:|---:|---:|")
    per_row = []
    for size in (quarter, args.size_mb // 2, args.size_mb):
        src = data_file(args, "mixed", size)
        rows = count_lines(src) - 1
        json_s, bson_s = scaling_row(args, work, src)
        per_row.append(json_s / rows)
        print("| %d | %d | %.3f | %.3f | %.0f | %.0f |" %
              (rows, size, json_s, bson_s, 1e9 * json_s / rows, 1e9 * bson_s / rows))
    missed = print_linearity("Rows", per_row)

    print("\nColumns (numbers of 1 to 3 digits, %d MB each):" % quarter)
    print("| columns | rows | JSON s | BSON s | JSON ns per field | BSON ns per field |")
    print("|---:|---:|---:|---:|---:|---:|")
    per_field = []
    for columns in (10, 100, 1000, 10000):
        src = data_file(args, "wide%d" % columns, quarter, "wide", columns)
        rows = count_lines(src) - 1
        json_s, bson_s = scaling_row(args, work, src)
        fields = rows * columns
        per_field.append(json_s / fields)
        print("| %d | %d | %.3f | %.3f | %.1f | %.1f |" %
              (columns, rows, json_s, bson_s, 1e9 * json_s / fields, 1e9 * bson_s / fields))
    missed += print_linearity("Columns", per_field)

    print("\nField size (2 columns, %d MB each):" % quarter)
    print("| field bytes | rows | JSON MB/s | BSON MB/s | peak memory MB |")
    print("|---:|---:|---:|---:|---:|")
    per_byte = []
    for field_bytes in (1000, 1_000_000):
        src = data_file(args, "fields%d" % field_bytes, quarter, "fields", field_bytes)
        rows = count_lines(src) - 1
        results = measure(corvane_tools(args, src, work), args.rounds)
        size_mb = os.path.getsize(src) / 1e6
        per_byte.append(results[JSON_NAME][0] / size_mb)
        peak = max(results[JSON_NAME][1], results[BSON_NAME][1])
        print("| %d | %d | %.1f | %.1f | %.1f |" %
              (field_bytes, rows, size_mb / results[JSON_NAME][0],
               size_mb / results[BSON_NAME][0], peak))
    return missed + print_linearity("Field size", per_byte)


def large_file(args, work):
    src = data_file(args, "mixed", args.large_mb)
    results = measure(corvane_tools(args, src, work), args.rounds)
    print_rates("Large file", src, results, args.rounds)
    missed = 0
    for name in (JSON_NAME, BSON_NAME):
        peak = results[name][1]
        missed += 0 if peak < MEMORY_LIMIT_MB else 1
        print("- %s: %s peak memory %.1f MB on %d MB (target under %d MB)" %
              (verdict(peak < MEMORY_LIMIT_MB), name, peak, args.large_mb, MEMORY_LIMIT_MB))
    return missed


def preview_cost(args, work):
    """A 10-row conversion must cost the same whatever the size of the source."""
    conv = os.path.abspath(args.converter)
    out = os.path.join(work, "p.json")
    print("\nPreview (10 rows), median of %d runs:" % PREVIEW_RUNS)
    print("| source | MB | time ms |")
    print("|---|---:|---:|")
    times = []
    for size in (1, args.preview_big_mb):
        src = data_file(args, "mixed", size)
        cmd = [conv, "-q", "-s", ",", "-n", "10", src, out]
        median = statistics.median(run(cmd, out)[0] for _ in range(PREVIEW_RUNS))
        times.append(median)
        print("| %s | %d | %.1f |" % (os.path.basename(src), size, 1000 * median))
    # A few milliseconds of noise are process start-up, not the size of the source.
    same = times[1] <= 1.5 * times[0] + 0.002
    print("- %s: the %d MB preview takes %.2fx the time of the 1 MB one" %
          (verdict(same), args.preview_big_mb, times[1] / times[0]))
    return 0 if same else 1


def compressed_copy(src, command, suffix):
    """src compressed by command (kept and reused, like the file itself), or None."""
    path = src + suffix
    if not shutil.which(command[0]):
        note("%s is not installed: its source not measured" % command[0])
        return None
    if not os.path.exists(path):
        tmp = path + ".tmp"
        with open(src, "rb") as i, open(tmp, "wb") as o:
            subprocess.run(command, stdin=i, stdout=o, check=True)
        os.replace(tmp, path)
    return path


def compressed_sources(args, work, src):
    """The same text read plain, from gzip and from zstd; returns the targets missed."""
    tools = [corvane(args, work, PLAIN_SOURCE, [], src, "-plain.json")]
    gzip_src = compressed_copy(src, ["gzip", "-6", "-c"], ".gz")
    zstd_src = compressed_copy(src, ["zstd", "-3", "-q", "-c"], ".zst")
    if gzip_src:
        tools.append(corvane(args, work, GZIP_SOURCE, [], gzip_src, "-gz.json"))
        if args.gzip_converter:
            other = corvane(args, work, OTHER_GZIP_SOURCE, [], gzip_src, "-other-gz.json")
            other.cmd[0] = os.path.abspath(args.gzip_converter)
            tools.append(other)
    if zstd_src:
        tools.append(corvane(args, work, ZSTD_SOURCE, [], zstd_src, "-zst.json"))
    results = measure(tools, args.rounds)
    size_mb = os.path.getsize(src) / 1e6
    print("\nCompressed sources: %s, %.0f MB of text, median of %d rounds" %
          (os.path.basename(src), size_mb, args.rounds))
    print("| tool | source MB | text MB/s | peak memory MB | rate / plain rate |")
    print("|---|---:|---:|---:|---:|")
    sources = {PLAIN_SOURCE: src, GZIP_SOURCE: gzip_src, ZSTD_SOURCE: zstd_src,
               OTHER_GZIP_SOURCE: gzip_src}
    for name, (seconds, peak) in results.items():
        print("| %s | %.0f | %.1f | %.1f | %.2f |" %
              (name, os.path.getsize(sources[name]) / 1e6, size_mb / seconds, peak,
               results[PLAIN_SOURCE][0] / seconds))
    targets = Targets("Targets on compressed sources", results)
    targets.rate_ratio(ZSTD_SOURCE, PLAIN_SOURCE, 0.8, "zstd source rate",
                       "the plain source's rate")
    targets.rate_ratio(GZIP_SOURCE, PLAIN_SOURCE, 0.6, "gzip source rate",
                       "the plain source's rate")
    targets.memory([name for name in (GZIP_SOURCE, ZSTD_SOURCE) if name in results])
    return targets.missed


BATCH_SOURCES = 8
BATCH_SOURCE_MB = 25
BATCH_ONE = "corvane 8 sources -j 1"
BATCH_TWO = "corvane 8 sources -j 2"
PLAIN_OUTPUT = "corvane JSON, plain output"
ZSTD_OUTPUT = "corvane JSON, .zst output"
GZIP_OUTPUT = "corvane JSON, .gz output"
BLOCKS_ONE = "corvane --quoted --types --threads 1"
BLOCKS_TWO = "corvane --quoted --types --threads 2"


def one_against_two(args, tools, title, size_mb, limit, what, per):
    """tools: the run on one (job or thread) and on two; prints both, checks that two take at
    most limit of one's time and at most MEMORY_LIMIT_MB a per; returns the targets missed."""
    one, two = tools[0].name, tools[1].name
    results = measure(tools, args.rounds)
    print("\n%s, %.0f MB, median of %d rounds" % (title, size_mb, args.rounds))
    print("| tool | input MB/s | peak memory MB | time / %s time |" % what[0])
    print("|---|---:|---:|---:|")
    for name, (seconds, peak) in results.items():
        print("| %s | %.1f | %.1f | %.2f |" % (name, size_mb / seconds, peak,
                                                 seconds / results[one][0]))
    targets = Targets("Targets on %s" % title.split(":")[0].lower(), results)
    ratio = results[two][0] / results[one][0]
    targets.line(ratio <= limit, "%s takes %.2fx the time of %s (target at most %.1fx; %d cores "
                 "here)" % (what[1], ratio, what[0], limit, os.cpu_count()))
    peak = results[two][1]
    targets.line(peak / 2 <= MEMORY_LIMIT_MB, "%s peak memory %.1f MB, %.1f MB a %s (target at "
                 "most %d MB)" % (what[1], peak, peak / 2, per, MEMORY_LIMIT_MB))
    return targets.missed


def batch(args, work):
    """Eight sources into a folder, one and two at a time; returns the targets missed."""
    src = data_file(args, "mixed", BATCH_SOURCE_MB)
    sources = []
    for i in range(BATCH_SOURCES):
        link = os.path.join(work, "source-%d.csv" % i)
        if not os.path.exists(link):
            os.symlink(src, link)
        sources.append(link)
    tools = []
    for name, jobs in ((BATCH_ONE, "1"), (BATCH_TWO, "2")):
        folder = os.path.join(work, "batch-%s" % jobs)
        tools.append(Tool(name, [os.path.abspath(args.converter), "-q", "-s", ",", "-j", jobs] +
                          sources + ["-o", folder], folder))
    size_mb = BATCH_SOURCES * os.path.getsize(src) / 1e6
    title = "Sources into a folder: %d x %s" % (BATCH_SOURCES, os.path.basename(src))
    return one_against_two(args, tools, title, size_mb, 0.6, ("-j 1", "-j 2"), "conversion")


def blocks(args, work, quoted_src):
    """One quoted source in blocks on one and on two threads; returns the targets missed."""
    tools = [corvane(args, work, name, ["--quoted", "--types", "--threads", threads], quoted_src,
                     "-threads-%s.json" % threads)
             for name, threads in ((BLOCKS_ONE, "1"), (BLOCKS_TWO, "2"))]
    title = "Parallel blocks: %s" % os.path.basename(quoted_src)
    return one_against_two(args, tools, title, os.path.getsize(quoted_src) / 1e6, 0.7,
                           ("--threads 1", "--threads 2"), "thread")


def compressed_outputs(args, work, src):
    """The same conversion written plain, through zstd and through gzip."""
    tools = [corvane(args, work, PLAIN_OUTPUT, [], src, "-plain.json"),
             corvane(args, work, ZSTD_OUTPUT, [], src, ".json.zst"),
             corvane(args, work, GZIP_OUTPUT, [], src, ".json.gz")]
    sizes = {}
    for tool in tools:  # once, kept, for the output's size
        tool.run(keep=True)
        sizes[tool.name] = os.path.getsize(tool.output) / 1e6
        remove(tool.output)
    results = measure(tools, args.rounds)
    size_mb = os.path.getsize(src) / 1e6
    print("\nCompressed outputs: %s, %.0f MB, median of %d rounds" %
          (os.path.basename(src), size_mb, args.rounds))
    print("| tool | output MB | input MB/s | peak memory MB | rate / plain output rate |")
    print("|---|---:|---:|---:|---:|")
    for name, (seconds, peak) in results.items():
        print("| %s | %.0f | %.1f | %.1f | %.2f |" % (name, sizes[name], size_mb / seconds, peak,
                                                      results[PLAIN_OUTPUT][0] / seconds))
    targets = Targets("Targets on compressed outputs", results)
    targets.rate_ratio(ZSTD_OUTPUT, PLAIN_OUTPUT, 0.7, ".zst output rate",
                       "the plain output's rate")
    # zstd's workers (one a core) hold their own windows: 32 MB a thread.
    threads = 1 + (os.cpu_count() or 1)
    peak = results[ZSTD_OUTPUT][1]
    targets.line(peak <= MEMORY_LIMIT_MB * threads, ".zst output peak memory %.1f MB on %d "
                 "threads (target at most %d MB a thread)" % (peak, threads, MEMORY_LIMIT_MB))
    return targets.missed


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--converter", default="build/cli/corvane-convert")
    parser.add_argument("--size-mb", type=int, default=200)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--data-dir", default=os.path.join(tempfile.gettempdir(), "corvane-bench"))
    parser.add_argument("--duckdb", help="a duckdb executable, or the folder that npm installed "
                        "@duckdb/node-api into (default: $CORVANE_BENCH_DUCKDB, then PATH)")
    parser.add_argument("--skip-others", action="store_true",
                        help="measure corvane and the block copy only")
    parser.add_argument("--skip-python", action="store_true", help="leave out Python csv+json")
    parser.add_argument("--scaling", action="store_true",
                        help="also rows, columns (10 to 10,000) and field sizes (1 KB, 1 MB)")
    parser.add_argument("--large-mb", type=int, default=0,
                        help="also convert a file of this size (e.g. 2000) for peak memory")
    parser.add_argument("--preview", action="store_true",
                        help="also the 10-row preview of 1 MB and of --preview-big-mb")
    parser.add_argument("--preview-big-mb", type=int, default=1000)
    parser.add_argument("--compressed", action="store_true",
                        help="also the file read from gzip and zstd, beside the plain file")
    parser.add_argument("--gzip-converter",
                        help="with --compressed: another build of ours to read the gzip file")
    parser.add_argument("--compressed-only", action="store_true",
                        help="only the --compressed comparison")
    parser.add_argument("--batch", action="store_true",
                        help="also 8 sources of 25 MB into a folder, -j 2 against -j 1")
    parser.add_argument("--blocks", action="store_true",
                        help="also the quoted file with --types on --threads 2 against 1")
    parser.add_argument("--compressed-output", action="store_true",
                        help="also the output compressed with zstd and gzip, beside plain JSON")
    parser.add_argument("--only-new", action="store_true",
                        help="only --batch, --blocks and --compressed-output")
    args = parser.parse_args()

    os.makedirs(args.data_dir, exist_ok=True)
    if not GNU_TIME:
        print("note: GNU time is not installed: peak memory includes this script's own")
    src = data_file(args, "mixed", args.size_mb)
    quoted_src = data_file(args, "quoted", args.size_mb, "quoted")
    missed = 0
    if args.only_new:
        with tempfile.TemporaryDirectory(dir=args.data_dir) as work:
            missed += batch(args, work)
            missed += blocks(args, work, quoted_src)
            missed += compressed_outputs(args, work, src)
        print("\n%d target(s) missed" % missed if missed else "\nAll checked targets met")
        return
    if args.compressed_only:
        with tempfile.TemporaryDirectory(dir=args.data_dir) as work:
            missed += compressed_sources(args, work, src)
        print("\n%d target(s) missed" % missed if missed else "\nAll checked targets met")
        return
    with tempfile.TemporaryDirectory(dir=args.data_dir) as work:
        # The quoted file read without --quoted leaves lines out, which are logged: keep
        # them out of the user's log.
        os.environ["XDG_STATE_HOME"] = work
        tools = all_tools(args, src, work, not args.skip_others)
        results = measure(tools, args.rounds)
        remove(dd_source(work))
        print_rates("Conversion", src, results, args.rounds)
        missed += check_targets(results)
        tools = quoted_tools(args, quoted_src, work, not args.skip_others)
        results = measure(tools, args.rounds)
        print_rates("Quoted fields", quoted_src, results, args.rounds)
        missed += check_quoted_targets(results)
        for tool in tools:
            remove(tool.output)
        ansi_src, utf8_src = make_windows_1252(args, args.size_mb)
        results = measure(encoding_tools(args, ansi_src, utf8_src, work), args.rounds)
        print_encoding_rates(ansi_src, utf8_src, results, args.rounds)
        missed += check_encoding_targets(results)
        if args.scaling:
            missed += scaling(args, work)
        if args.large_mb:
            missed += large_file(args, work)
        if args.preview:
            missed += preview_cost(args, work)
        if args.compressed:
            missed += compressed_sources(args, work, src)
        if args.batch:
            missed += batch(args, work)
        if args.blocks:
            missed += blocks(args, work, quoted_src)
        if args.compressed_output:
            missed += compressed_outputs(args, work, src)
    print("\n%d target(s) missed" % missed if missed else "\nAll checked targets met")


if __name__ == "__main__":
    main()
