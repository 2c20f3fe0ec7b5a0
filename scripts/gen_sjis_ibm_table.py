#!/usr/bin/python3
"""Generates fontconv/sjis_ibm_table.cpp: the Shift-JIS to IBM host kanji code table of zuvfntc.

The IBM codes come from glibc's iconv (CP932 to IBM939; a double-byte character comes out
between SO and SI). Three rules then bring the table in line with the printer's own table:

  * the user-defined area 0xF040-0xF9FC follows the converter's user-code numbering, so a
    table entry names the same code as the glyph record that carries the character;
  * the ideographic space 0x8140 gives 0x4140, the printer's value (the host code page has 0x4040);
  * an IBM code is given to one Shift-JIS code only: where an IBM-extension code (0xFA54 and
    0xFA5B) duplicates a JIS row-2 character, the code that CP932 encodes the character to keeps
    the IBM code and the duplicate gets 0.

Usage: gen_sjis_ibm_table.py [output.cpp]   (default: fontconv/sjis_ibm_table.cpp beside this script)
"""

import ctypes
import ctypes.util
import pathlib
import sys

RANGES = [(0x8140, 0x84BF), (0x8890, 0x8FFF), (0x9040, 0x9FFF), (0xE040, 0xEAAF), (0xF040, 0xFC4F)]
HOST_CODE_PAGE = "IBM939"
IDEOGRAPHIC_SPACE = (0x8140, 0x4140)

# The rows the printer documents, and its count of non-zero entries.
TELLING_ROWS = {
    0x8140: 0x4140, 0x8141: 0x4344, 0x8142: 0x4341, 0x889F: 0x4867, 0xFA40: 0x41B1, 0xFC4B: 0x6856,
    0xFC4C: 0, 0xF040: 0x6941, 0xF0FC: 0x69FC, 0xF140: 0x69FD, 0xF9FC: 0x72EA, 0x8540: 0, 0x9FFF: 0,
}
NON_ZERO = 9145

_libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
_libc.iconv_open.restype = ctypes.c_void_p
_libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
_libc.iconv.restype = ctypes.c_size_t
_libc.iconv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
                        ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)]
_libc.iconv_close.argtypes = [ctypes.c_void_p]


def iconv(to_code, from_code, data):
    """Converts data whole; None when iconv refuses any of it."""
    cd = _libc.iconv_open(to_code.encode(), from_code.encode())
    if cd is None or cd == ctypes.c_void_p(-1).value:
        sys.exit(f"iconv cannot convert {from_code} to {to_code}")
    try:
        source = ctypes.create_string_buffer(data, len(data))
        target = ctypes.create_string_buffer(64)
        in_ptr = ctypes.c_char_p(ctypes.addressof(source))
        in_left = ctypes.c_size_t(len(data))
        out_ptr = ctypes.c_char_p(ctypes.addressof(target))
        out_left = ctypes.c_size_t(64)
        failed = ctypes.c_size_t(-1).value
        if _libc.iconv(cd, ctypes.byref(in_ptr), ctypes.byref(in_left), ctypes.byref(out_ptr),
                       ctypes.byref(out_left)) == failed or in_left.value:
            return None
        # Ends the shift state, so the closing SI is written.
        if _libc.iconv(cd, None, None, ctypes.byref(out_ptr), ctypes.byref(out_left)) == failed:
            return None
        return target.raw[:64 - out_left.value]
    finally:
        _libc.iconv_close(cd)


def sjis_bytes(code):
    return bytes([code >> 8, code & 0xFF])


def host_code(code):
    out = iconv(HOST_CODE_PAGE, "CP932", sjis_bytes(code))
    if out is None:
        return 0
    if len(out) != 4 or out[0] != 0x0E or out[3] != 0x0F:
        sys.exit(f"0x{code:04X} does not give one double-byte character: {out.hex()}")
    return out[1] << 8 | out[2]


def user_area_code(code):
    """The converter's user-code numbering over 0xF040-0xF9FC; None outside the area."""
    lead, trail = code >> 8, code & 0xFF
    if not 0xF0 <= lead <= 0xF9 or not 0x40 <= trail <= 0xFC or trail == 0x7F:
        return None
    n = (lead - 0xF0) * 188 + trail - 0x40 - (1 if trail > 0x7F else 0)
    return 0x6941 + (n // 190) * 256 + n % 190


def canonical_sjis(code):
    """The code CP932 gives when the character of `code` is encoded again."""
    text = iconv("UTF-8", "CP932", sjis_bytes(code))
    back = iconv("CP932", "UTF-8", text) if text is not None else None
    return back[0] << 8 | back[1] if back is not None and len(back) == 2 else None


def build_table():
    table = {}
    for first, last in RANGES:
        for code in range(first, last + 1):
            table[code] = host_code(code)

    notes = []
    for code, value in table.items():
        rule = user_area_code(code)
        if rule is not None and rule != value:
            notes.append(f"0x{code:04X}: iconv 0x{value:04X}, user-code numbering 0x{rule:04X}")
            table[code] = rule

    code, value = IDEOGRAPHIC_SPACE
    if table[code] != value:
        notes.append(f"0x{code:04X}: iconv 0x{table[code]:04X}, printer 0x{value:04X}")
        table[code] = value

    owners = {}
    for code, value in table.items():
        if value:
            owners.setdefault(value, []).append(code)
    for value, codes in owners.items():
        if len(codes) < 2:
            continue
        keep = [c for c in codes if canonical_sjis(c) == c]
        if len(keep) != 1:
            sys.exit(f"IBM code 0x{value:04X} has no single owner among {[hex(c) for c in codes]}")
        for code in codes:
            if code != keep[0]:
                notes.append(f"0x{code:04X}: iconv 0x{value:04X}, a duplicate of 0x{keep[0]:04X}, set to 0")
                table[code] = 0
    return table, notes


def check(table):
    for code, value in TELLING_ROWS.items():
        got = table.get(code, 0)
        if got != value:
            sys.exit(f"0x{code:04X} gives 0x{got:04X}, the printer documents 0x{value:04X}")
    count = sum(1 for value in table.values() if value)
    if count != NON_ZERO:
        sys.exit(f"{count} non-zero entries, the printer documents {NON_ZERO}")
    if len(table) != 12592:
        sys.exit(f"{len(table)} entries instead of 12592")


def render(table):
    lines = [
        "// Generated by scripts/gen_sjis_ibm_table.py from glibc iconv (CP932 to " + HOST_CODE_PAGE + "); do not edit.",
        '#include "fontconv/sjis_ibm_table.h"',
        "",
        "#include <array>",
        "",
        "namespace zuvfntc {",
        "namespace {",
        "",
        "struct SjisRange {",
        "    std::uint16_t first;",
        "    std::uint16_t last;",
        "    std::size_t start; // index of `first` in kIbmCodes",
        "};",
        "",
        "constexpr std::array<SjisRange, 5> kRanges{{",
    ]
    start = 0
    for first, last in RANGES:
        lines.append(f"    {{0x{first:04X}, 0x{last:04X}, {start}}},")
        start += last - first + 1
    lines += ["}};", "", "// clang-format off", f"constexpr std::array<std::uint16_t, {start}> kIbmCodes{{{{"]
    for first, last in RANGES:
        lines.append(f"    // 0x{first:04X} to 0x{last:04X}")
        codes = [table[c] for c in range(first, last + 1)]
        for row in range(0, len(codes), 12):
            lines.append("    " + " ".join(f"0x{v:04X}," for v in codes[row:row + 12]))
    lines += [
        "}};",
        "// clang-format on",
        "",
        "} // namespace",
        "",
        "std::uint16_t sjisToIbm(std::uint16_t sjis) {",
        "    for (const SjisRange& range : kRanges) {",
        "        if (sjis >= range.first && sjis <= range.last) {",
        "            return kIbmCodes[range.start + (sjis - range.first)];",
        "        }",
        "    }",
        "    return 0;",
        "}",
        "",
        "} // namespace zuvfntc",
        "",
    ]
    return "\n".join(lines)


def main():
    default = pathlib.Path(__file__).resolve().parent.parent / "fontconv" / "sjis_ibm_table.cpp"
    output = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else default
    table, notes = build_table()
    check(table)
    output.write_text(render(table), encoding="ascii")
    print(f"{output}: {len(table)} entries, {sum(1 for v in table.values() if v)} non-zero")
    for note in notes:
        print("  " + note)


if __name__ == "__main__":
    main()
