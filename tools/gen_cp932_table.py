#!/usr/bin/env python3
"""Writes the code-page-932 tables of base/cp932.cpp and the digests its tests compare against.

    python3 tools/gen_cp932_table.py        (from the repository root)

Outputs, both kept in the repository so that building needs no Python:
  base/cp932_table.inc          the double-byte decoding table and the one-way encodings
  tests/unit/cp932_digests.inc  FNV-1a digests of what every conversion must give

The mapping is Python's 'cp932' codec, which follows Windows for decoding. For encoding,
Windows and Python disagree on the characters that code page 932 holds twice, once among
the NEC-selected IBM extensions (lead bytes 0xED, 0xEE) and once among the IBM extensions
(0xFA to 0xFC): Windows writes the IBM code, Python the NEC-selected one. The program
follows Windows there. The C++ side derives its encoding table from the decoding table
(the first code in lead-byte order wins, 0xED and 0xEE last), so this script checks that
the rule reproduces Python's encoder everywhere else, and lists as one-way encodings the
few characters that both encode to the code of their full-width form. Python also writes
U+2016, U+2212 and U+301C as the codes of U+2225, U+FF0D and U+FF5E; Windows writes '?'
for them, and so does the program.
"""

import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLE_PATH = os.path.join(ROOT, "base", "cp932_table.inc")
DIGEST_PATH = os.path.join(ROOT, "tests", "unit", "cp932_digests.inc")

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
TRAIL_FIRST, TRAIL_LAST = 0x40, 0xFC
NEC_SELECTED_LEADS = (0xED, 0xEE)
DEFAULT_UNIT = 0x30FB  # KATAKANA MIDDLE DOT, what Windows gives for an undefined pair
UNMAPPED_BYTE = ord("?")
# One-way encodings Windows has as well: cent, pound and not sign as their full-width forms.
WINDOWS_ONE_WAY = {0x00A2: b"\x81\x91", 0x00A3: b"\x81\x92", 0x00AC: b"\x81\xCA"}
# One-way encodings only Python has (double vertical line, minus sign, wave dash).
PYTHON_ONLY_ONE_WAY = {0x2016, 0x2212, 0x301C}


def is_trail(b):
    return TRAIL_FIRST <= b <= TRAIL_LAST and b != 0x7F


def decode_pair(lead, trail):
    """Python's decoding of one valid double-byte pair, or None when it is undefined."""
    try:
        text = bytes([lead, trail]).decode("cp932")
    except UnicodeDecodeError:
        return None
    assert len(text) == 1, (hex(lead), hex(trail))
    return ord(text)


def decode_single(b):
    """What a byte that is no lead byte (or a lead byte standing alone) decodes to."""
    if b in LEADS:
        return DEFAULT_UNIT
    return ord(bytes([b]).decode("cp932"))


def python_encode(unit):
    if 0xD800 <= unit <= 0xDFFF:
        return None
    try:
        return chr(unit).encode("cp932")
    except UnicodeEncodeError:
        return None


def build_decode_table():
    table = {}
    for lead in LEADS:
        for trail in range(TRAIL_FIRST, TRAIL_LAST + 1):
            if is_trail(trail):
                unit = decode_pair(lead, trail)
                if unit is not None:
                    assert unit != 0
                    table[(lead, trail)] = unit
    return table


def derive_encoding(decode_table):
    """The C++ rule: first code in lead-byte order, the NEC-selected rows last."""
    order = [l for l in LEADS if l not in NEC_SELECTED_LEADS] + list(NEC_SELECTED_LEADS)
    derived = {}
    for lead in order:
        for trail in range(TRAIL_FIRST, TRAIL_LAST + 1):
            unit = decode_table.get((lead, trail))
            if unit is not None and unit not in derived:
                derived[unit] = bytes([lead, trail])
    return derived


def single_byte_encoding():
    singles = {}
    for b in range(256):
        if b in LEADS:
            continue
        singles[decode_single(b)] = bytes([b])
    return singles


def check_against_python(derived, singles):
    """Returns the one-way encodings; stops on any difference the rule does not explain."""
    one_way = {}
    for unit in range(0x10000):
        expected = python_encode(unit)
        got = singles.get(unit, derived.get(unit))
        if expected == got:
            continue
        if expected is not None and got is not None and expected[0] in NEC_SELECTED_LEADS:
            # Windows writes the IBM extension code for these; both decode to the character.
            assert 0xFA <= got[0] <= 0xFC, (hex(unit), expected, got)
            assert decode_pair(got[0], got[1]) == unit
            continue
        if expected is not None and got is None and unit in WINDOWS_ONE_WAY:
            assert WINDOWS_ONE_WAY[unit] == expected
            one_way[unit] = expected
            continue
        if expected is not None and got is None and unit in PYTHON_ONLY_ONE_WAY:
            continue
        sys.exit("unexplained difference at U+%04X: python %r, derived %r" % (unit, expected, got))
    assert one_way == WINDOWS_ONE_WAY
    return one_way


def expected_encoding(unit, derived, singles, one_way):
    if unit in singles:
        return singles[unit]
    if unit in derived:
        return derived[unit]
    if unit in one_way:
        return one_way[unit]
    return bytes([UNMAPPED_BYTE])


class Fnv1a:
    def __init__(self):
        self.value = 0xCBF29CE484222325

    def byte(self, b):
        self.value = ((self.value ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF

    def unit(self, u):
        self.byte(u & 0xFF)
        self.byte(u >> 8)


def expected_decoding(data):
    """Python's decoding with Windows' replacements and reading: what cp932ToUtf16 returns."""
    units = []
    i = 0
    while i < len(data):
        b = data[i]
        if b in LEADS and i + 1 < len(data) and data[i + 1] != 0:
            # Windows takes the byte after a lead byte along, even one that is no trail byte,
            # but not a NUL.
            unit = decode_pair(b, data[i + 1]) if is_trail(data[i + 1]) else None
            units.append(DEFAULT_UNIT if unit is None else unit)
            i += 2
        else:
            units.append(decode_single(b))
            i += 1
    return units


def decode_digest():
    """Every single byte, then every lead byte followed by every possible second byte."""
    inputs = [bytes([b]) for b in range(256)]
    inputs += [bytes([lead, b]) for lead in LEADS for b in range(256)]
    digest = Fnv1a()
    for data in inputs:
        for unit in expected_decoding(data):
            digest.unit(unit)
        digest.unit(0xFFFF)
    return digest.value


def encode_digest(derived, singles, one_way):
    """Every UTF-16 code unit alone (a lone surrogate gives '?')."""
    digest = Fnv1a()
    for unit in range(0x10000):
        if 0xD800 <= unit <= 0xDFFF:
            out = bytes([UNMAPPED_BYTE])
        else:
            out = expected_encoding(unit, derived, singles, one_way)
        digest.byte(len(out))
        for b in out:
            digest.byte(b)
    return digest.value


def write_table(decode_table, one_way):
    lines = [
        "// Generated by tools/gen_cp932_table.py from Python's 'cp932' codec; do not edit.",
        "// Code page 932 double-byte characters: kCp932Pairs[leadIndex * kCp932TrailCount +",
        "// (trail - kCp932TrailFirst)] is the UTF-16 unit of a lead byte (0x81-0x9F, 0xE0-0xFC,",
        "// in that order) and a trail byte (0x40-0xFC); 0 where the pair is undefined.",
        "",
        "constexpr unsigned kCp932TrailFirst = 0x%02X;" % TRAIL_FIRST,
        "constexpr unsigned kCp932TrailCount = %d;" % (TRAIL_LAST - TRAIL_FIRST + 1),
        "constexpr unsigned kCp932LeadCount = %d;" % len(LEADS),
        "",
        "constexpr std::uint16_t kCp932Pairs[kCp932LeadCount * kCp932TrailCount] = {",
    ]
    per_line = 15
    for lead in LEADS:
        row = [decode_table.get((lead, t), 0) for t in range(TRAIL_FIRST, TRAIL_LAST + 1)]
        lines.append("    // lead byte 0x%02X" % lead)
        for start in range(0, len(row), per_line):
            chunk = ",".join("0x%04X" % u for u in row[start:start + per_line])
            lines.append("    " + chunk + ",")
    lines.append("};")
    lines.append("")
    lines.append("// Characters written as the code of their full-width form, as Windows does.")
    lines.append("constexpr std::uint16_t kCp932OneWay[][2] = {")
    for unit in sorted(one_way):
        code = one_way[unit]
        lines.append("    {0x%04X, 0x%02X%02X}," % (unit, code[0], code[1]))
    lines.append("};")
    with open(TABLE_PATH, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def write_digests(decode_value, encode_value):
    lines = [
        "// Generated by tools/gen_cp932_table.py from Python's 'cp932' codec; do not edit.",
        "// FNV-1a digests of the expected results; see decode_digest and encode_digest there.",
        "constexpr std::uint64_t kCp932DecodeDigest = 0x%016XULL;" % decode_value,
        "constexpr std::uint64_t kCp932EncodeDigest = 0x%016XULL;" % encode_value,
    ]
    with open(DIGEST_PATH, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    decode_table = build_decode_table()
    derived = derive_encoding(decode_table)
    singles = single_byte_encoding()
    one_way = check_against_python(derived, singles)
    # Nothing outside ASCII may become an ASCII byte: a '\' or '/' made up that way would
    # change where a file name's directory ends.
    for unit in range(0x80, 0x10000):
        out = expected_encoding(unit, derived, singles, one_way)
        assert out == b"?" or len(out) == 2 or out[0] >= 0x80, hex(unit)
    write_table(decode_table, one_way)
    write_digests(decode_digest(), encode_digest(derived, singles, one_way))
    print("%d double-byte pairs, %d encodable units, %d one-way" %
          (len(decode_table), len(derived) + len(singles) + len(one_way), len(one_way)))


if __name__ == "__main__":
    main()
