#!/usr/bin/env python3
"""Generates the GBK lookup tables of src/text/ (development time only, never run by the build).

Sources:
  - glibc iconv through ctypes: "GBK" to decode every two-byte GBK code to Unicode,
    "CP950" (BIG5 as Windows code page 950 reads it) and "CP932" (Shift-JIS as Windows
    code page 932 reads it) to encode into the display code pages.
  - Debian's opencc command line tool (package opencc), one character per line so that
    every character is converted on its own:
      traditional Chinese routes: s2tw.json, then s2t.json
      Japanese routes: s2t.json followed by t2jp.json (shinjitai), then s2t.json alone

Rule, for every GBK code lead 0x81-0xFE, trail 0x40-0xFE:
  1. decode it with iconv; undefined codes and trail 0x7F get the placeholder;
  2. if the target code page has the character as one two-byte code, use it (direct);
  3. else try the opencc routes in order and use the first single character the target
     code page has as a two-byte code (via opencc);
  4. else the placeholder: the full-width question mark U+FF1F of the target code page.

Outputs (committed as data):
  src/text/gbk_to_big5_table.cpp       kGbkToBig5
  src/text/gbk_to_shiftjis_table.cpp   kGbkToShiftJis
  src/text/gbk_unicode_table.cpp       kGbkToUnicode (0 where GBK has no character)
  tools/gen_text_tables/summary.txt    counts per outcome, also printed

Usage: python3 tools/gen_text_tables/gen_text_tables.py [repository root]
"""
import ctypes
import os
import subprocess
import sys

LEAD_FIRST, LEAD_LAST = 0x81, 0xFE
TRAIL_FIRST, TRAIL_LAST = 0x40, 0xFE
PLACEHOLDER = "\uFF1F"

_libc = ctypes.CDLL("libc.so.6", use_errno=True)
_libc.iconv_open.restype = ctypes.c_void_p
_libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
_libc.iconv.restype = ctypes.c_size_t
_libc.iconv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
                        ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)]
_libc.iconv_close.argtypes = [ctypes.c_void_p]


class Iconv:
    """One glibc converter; convert() returns None when the input is rejected."""

    def __init__(self, to_code, from_code):
        self.cd = _libc.iconv_open(to_code.encode(), from_code.encode())
        if self.cd is None or self.cd == ctypes.c_void_p(-1).value:
            sys.exit(f"iconv cannot convert {from_code} to {to_code}")

    def convert(self, data):
        _libc.iconv(self.cd, None, None, None, None)
        in_buf = ctypes.create_string_buffer(data, len(data))
        out_buf = ctypes.create_string_buffer(64)
        in_ptr = ctypes.c_char_p(ctypes.addressof(in_buf))
        out_ptr = ctypes.c_char_p(ctypes.addressof(out_buf))
        in_left = ctypes.c_size_t(len(data))
        out_left = ctypes.c_size_t(64)
        result = _libc.iconv(self.cd, ctypes.byref(in_ptr), ctypes.byref(in_left),
                             ctypes.byref(out_ptr), ctypes.byref(out_left))
        if result == ctypes.c_size_t(-1).value or in_left.value != 0:
            return None
        flushed = _libc.iconv(self.cd, None, None, ctypes.byref(out_ptr), ctypes.byref(out_left))
        if flushed == ctypes.c_size_t(-1).value:
            return None
        return out_buf.raw[:64 - out_left.value]


def gbk_codes():
    for lead in range(LEAD_FIRST, LEAD_LAST + 1):
        for trail in range(TRAIL_FIRST, TRAIL_LAST + 1):
            yield lead, trail


def decode_gbk():
    """Unicode character of every table slot, or None."""
    decoder = Iconv("UTF-8", "GBK")
    chars = []
    for lead, trail in gbk_codes():
        text = None
        if trail != 0x7F:
            out = decoder.convert(bytes([lead, trail]))
            if out:
                decoded = out.decode("utf-8")
                if len(decoded) == 1 and ord(decoded) <= 0xFFFF:
                    text = decoded
        chars.append(text)
    return chars


def opencc_route(configs, chars):
    """Converts every character on its own line through the opencc configs in turn."""
    text = "\n".join(chars) + "\n"
    for config in configs:
        text = subprocess.run(["opencc", "-c", config], input=text.encode("utf-8"),
                              capture_output=True, check=True).stdout.decode("utf-8")
    lines = text.split("\n")[:len(chars)]
    if len(lines) != len(chars):
        sys.exit(f"opencc {configs} changed the number of lines")
    return dict(zip(chars, lines))


def two_byte_code(encoder, char):
    out = encoder.convert(char.encode("utf-8"))
    if out is None or len(out) != 2 or out[0] < 0x81:
        return None
    return (out[0] << 8) | out[1]


def build_target_table(name, code_page, routes, chars):
    encoder = Iconv(code_page, "UTF-8")
    placeholder = two_byte_code(encoder, PLACEHOLDER)
    if placeholder is None:
        sys.exit(f"{code_page} has no full-width question mark")
    defined = sorted({c for c in chars if c is not None})
    route_maps = [(label, opencc_route(configs, defined)) for label, configs in routes]
    counts = {"direct": 0, "placeholder (no GBK character)": 0, "placeholder (no target character)": 0}
    for label, _ in route_maps:
        counts["via opencc " + label] = 0
    table = []
    for char in chars:
        if char is None:
            table.append(placeholder)
            counts["placeholder (no GBK character)"] += 1
            continue
        code = two_byte_code(encoder, char)
        if code is not None:
            table.append(code)
            counts["direct"] += 1
            continue
        for label, mapping in route_maps:
            other = mapping.get(char, "")
            code = two_byte_code(encoder, other) if len(other) == 1 else None
            if code is not None:
                table.append(code)
                counts["via opencc " + label] += 1
                break
        else:
            table.append(placeholder)
            counts["placeholder (no target character)"] += 1
    summary = [f"{name} ({code_page}, placeholder 0x{placeholder:04X} for U+FF1F):"]
    summary += [f"  {key}: {value}" for key, value in counts.items()]
    return table, summary


def write_table(path, comment, array_name, values):
    lines = [f"// Generated by tools/gen_text_tables/gen_text_tables.py; do not edit.",
             f"// {comment}",
             '#include "text/conversion_tables.h"',
             "",
             "namespace text {",
             "",
             f"const uint16_t {array_name}[kGbkTableSize] = {{"]
    for start in range(0, len(values), 12):
        row = values[start:start + 12]
        lines.append("    " + ", ".join(f"0x{v:04X}" for v in row) + ",")
    lines += ["};", "", "}  // namespace text", ""]
    with open(path, "w", encoding="ascii") as out:
        out.write("\n".join(lines))


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    chars = decode_gbk()
    unicode_table = [ord(c) if c is not None else 0 for c in chars]
    big5, big5_summary = build_target_table(
        "GBK to BIG5", "CP950", [("s2tw", ["s2tw.json"]), ("s2t", ["s2t.json"])], chars)
    sjis, sjis_summary = build_target_table(
        "GBK to Shift-JIS", "CP932",
        [("s2t+t2jp", ["s2t.json", "t2jp.json"]), ("s2t", ["s2t.json"])], chars)

    text_dir = os.path.join(root, "src", "text")
    write_table(os.path.join(text_dir, "gbk_to_big5_table.cpp"),
                "GBK two-byte codes to code page 950 (BIG5); unmapped codes give the full-width '?'.",
                "kGbkToBig5", big5)
    write_table(os.path.join(text_dir, "gbk_to_shiftjis_table.cpp"),
                "GBK two-byte codes to code page 932 (Shift-JIS); unmapped codes give the full-width '?'.",
                "kGbkToShiftJis", sjis)
    write_table(os.path.join(text_dir, "gbk_unicode_table.cpp"),
                "GBK two-byte codes to Unicode code points; 0 where GBK defines no character.",
                "kGbkToUnicode", unicode_table)

    defined = sum(1 for c in chars if c is not None)
    summary = [f"GBK two-byte codes: {len(chars)} slots, {defined} defined characters"]
    summary += big5_summary + sjis_summary
    with open(os.path.join(root, "tools", "gen_text_tables", "summary.txt"), "w", encoding="ascii") as out:
        out.write("\n".join(summary) + "\n")
    print("\n".join(summary))


if __name__ == "__main__":
    main()
