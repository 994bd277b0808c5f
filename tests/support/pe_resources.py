"""Reads the resource section of a Windows executable: the application manifest and the
version resource. Usage: pe_resources.py EXE prints one line per finding, for the shell
tests to check:
  manifest <the manifest text on one line>
  fixed-version <a.b.c.d from the fixed file information>
  string <key>=<value>   (one per entry of the version's string table)
  caption <version text after the ASCII "LAUNCHER VER:" caption in the image>
"""
import re
import struct
import sys

RT_VERSION = 16
RT_MANIFEST = 24


def sections(data):
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        sys.exit('not a PE image')
    count, opt_size = struct.unpack_from('<H12xH', data, pe + 6)
    table = pe + 24 + opt_size
    for i in range(count):
        name, vsize, vaddr, rsize, raw = struct.unpack_from('<8sIIII', data, table + 40 * i)
        yield name.rstrip(b'\0'), vaddr, max(vsize, rsize), raw


def resource_leaves(data):
    """(type id, data bytes) for every resource of the image."""
    found = [s for s in sections(data) if s[0] == b'.rsrc']
    if not found:
        sys.exit('no .rsrc section')
    _, base_rva, _, raw = found[0]

    def entries(offset):
        named, ids = struct.unpack_from('<12xHH', data, raw + offset)
        for i in range(named + ids):
            ident, target = struct.unpack_from('<II', data, raw + offset + 16 + 8 * i)
            yield ident, target

    def leaves(target):
        if target & 0x80000000:
            for _, sub in entries(target & 0x7FFFFFFF):
                yield from leaves(sub)
        else:
            rva, size = struct.unpack_from('<II', data, raw + target)
            start = raw + rva - base_rva
            yield data[start:start + size]

    for type_id, target in entries(0):
        for leaf in leaves(target):
            yield type_id, leaf


def version_entries(block):
    """Walks a VS_VERSIONINFO tree: yields (key, value bytes, value type) of every node."""
    def walk(offset, end):
        while offset + 6 <= end:
            length, value_length, value_type = struct.unpack_from('<HHH', block, offset)
            if length == 0:
                return
            key_end = offset + 6
            while block[key_end:key_end + 2] != b'\0\0':
                key_end += 2
            key = block[offset + 6:key_end].decode('utf-16-le')
            value_start = (key_end + 2 + 3) & ~3
            value_bytes = value_length * 2 if value_type == 1 else value_length
            value = block[value_start:value_start + value_bytes]
            yield key, value, value_type
            children = (value_start + value_bytes + 3) & ~3
            yield from walk(children, offset + length)
            offset = (offset + length + 3) & ~3
    yield from walk(0, len(block))


def main():
    data = open(sys.argv[1], 'rb').read()
    for type_id, leaf in resource_leaves(data):
        if type_id == RT_MANIFEST:
            print('manifest', ' '.join(leaf.decode('utf-8').split()))
        elif type_id == RT_VERSION:
            for key, value, value_type in version_entries(leaf):
                if key == 'VS_VERSION_INFO' and len(value) >= 52:
                    ms, ls = struct.unpack_from('<II', value, 8)
                    print('fixed-version %d.%d.%d.%d' % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF))
                elif value_type == 1 and value:
                    print('string %s=%s' % (key, value.decode('utf-16-le').rstrip('\0')))
    for match in re.finditer(rb'LAUNCHER VER:([0-9.]+)\0', data):
        print('caption', match.group(1).decode())


main()
