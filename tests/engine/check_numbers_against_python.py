#!/usr/bin/env python3
# Checks corvane-convert --type v=number against Python's decimal module: every number keeps its
# value exactly in BSON (a double only where it holds the written digits, else a
# decimal128, else the text stays a string), and JSON Lines writes each typed text as it
# stands. The BSON is read by a decoder of its own here, independent of the writer's.
#
#   check_numbers_against_python.py CORVANE_CONVERT
import decimal
import json
import random
import re
import struct
import subprocess
import sys
import tempfile

CONVERTER = sys.argv[1]
GRAMMAR = re.compile(r"-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?")
INTEGER = re.compile(r"-?(0|[1-9][0-9]*)")
DOUBLE_MIN = 2.2250738585072014e-308

HARD = [
    "0.1", "1e-400", "-1e-400", "123456789012345678.5", "0.30000000000000004",
    "9223372036854775807", "9223372036854775808", "-9223372036854775809",
    "9" * 34, "9" * 35, "1" + "0" * 33, "1.7976931348623157e308", "1.79769313486231e308",
    "1.8e308", "4.9e-324", "2.2250738585072014e-308", "2.3e-308", "1e6111", "1e6112",
    "1e-6176", "1e-6177", "3.141592653589793238462643383279502",
    "3.1415926535897932384626433832795028", "1.500000000000000", "1.50000000000000",
    "-0.0", "0e-999", "-0e5", "1E+5", "123456789012345", "1234567890123456",
    "95142426273599.37", "-1.5e-3", "0.000000000000000000000000000000000000000001",
    "1" + "0" * 308 + ".5", "100e307", "007", "+1", "1.", ".5", "1e", "NaN", "-",
]


def random_number(rng):
    digits = "".join(rng.choice("0123456789") for _ in range(rng.randint(1, 40)))
    digits = digits.lstrip("0") or "0"
    text = ("-" if rng.random() < 0.3 else "") + digits
    if rng.random() < 0.5:
        text += "." + "".join(rng.choice("0123456789") for _ in range(rng.randint(1, 20)))
    if rng.random() < 0.6:
        exponent = rng.choice([rng.randint(-400, 400), rng.randint(-6250, 6250)])
        text += rng.choice("eE") + rng.choice(["", "+"] if exponent >= 0 else [""]) + str(exponent)
    return text


def expected(text):
    """What the output holds for text: ('string', text), ('integer', n), ('double', float)
    or ('decimal', Decimal)."""
    if not GRAMMAR.fullmatch(text):
        return ("string", text)
    if INTEGER.fullmatch(text) and -(2**63) <= int(text) < 2**63:
        return ("integer", int(text))
    value = decimal.Decimal(text)
    sign, digits, exponent = value.as_tuple()
    if value.is_zero():
        return ("double", -0.0 if sign else 0.0)
    number = float(text)
    if len(digits) <= 15 and DOUBLE_MIN <= abs(number) <= sys.float_info.max:
        return ("double", number)
    if abs(value) > decimal.Decimal(sys.float_info.max):
        return ("string", text)  # past the largest double: JSON readers refuse it
    if len(digits) <= 34 and -6176 <= exponent <= 6111:
        return ("decimal", value)
    return ("string", text)


def decimal128(raw):
    low, high = struct.unpack("<QQ", raw)
    assert (high >> 61) & 3 != 3, "a coefficient past 34 digits"
    sign = high >> 63
    exponent = ((high >> 49) & 0x3FFF) - 6176
    coefficient = ((high & ((1 << 49) - 1)) << 64) | low
    return decimal.Decimal((sign, tuple(int(d) for d in str(coefficient)), exponent))


def bson_values(data):
    """The value of each document's one element, by its type."""
    values, at = [], 0
    while at < len(data):
        (size,) = struct.unpack_from("<i", data, at)
        kind, key_end = data[at + 4], data.index(b"\0", at + 5)
        body = key_end + 1
        if kind == 0x01:
            values.append(("double", struct.unpack_from("<d", data, body)[0]))
        elif kind == 0x02:
            (length,) = struct.unpack_from("<i", data, body)
            values.append(("string", data[body + 4 : body + 3 + length].decode()))
        elif kind in (0x10, 0x12):
            values.append(("integer", struct.unpack_from("<i" if kind == 0x10 else "<q", data, body)[0]))
        elif kind == 0x13:
            values.append(("decimal", decimal128(data[body : body + 16])))
        else:
            values.append(("type %#x" % kind, None))
        at += size
    return values


def same(got, want):
    if got[0] != want[0]:
        return False
    if want[0] == "double":
        return struct.pack("<d", got[1]) == struct.pack("<d", want[1])
    if want[0] == "decimal":  # the same digits, trailing zeros too, and exponent
        return got[1].as_tuple() == want[1].as_tuple()
    return got[1] == want[1]


def main():
    rng = random.Random(24)
    texts = HARD + [random_number(rng) for _ in range(3000)]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        source = work + "/numbers.csv"
        with open(source, "w") as out:
            out.write("v\n" + "".join(text + "\n" for text in texts))
        for fmt in ("bson", "jsonl"):
            output = "%s/out.%s" % (work, fmt)
            subprocess.run([CONVERTER, "-q", "--type", "v=number", "-s", ",", "-f", fmt, source, output], check=True)
            with open(output, "rb") as f:
                data = f.read()
            if fmt == "bson":
                for text, got in zip(texts, bson_values(data)):
                    if not same(got, expected(text)):
                        failures.append("bson %s: %r, want %r" % (text, got, expected(text)))
            else:
                for text, line in zip(texts, data.decode().splitlines()):
                    bare = expected(text)[0] != "string"
                    want = '{"v":%s}' % (text if bare else json.dumps(text))
                    if line != want:
                        failures.append("jsonl %s: %s, want %s" % (text, line, want))
    for failure in failures[:20]:
        print(failure)
    print("%d numbers, %d failures" % (len(texts), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
