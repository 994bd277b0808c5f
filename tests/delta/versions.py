#!/usr/bin/env python3
"""Makes the file versions the delta tests and the delta benchmark update between, streamed so
that 1 GiB files need no more memory than one block.

  versions.py random PATH MIB SEED              MIB mebibytes of seeded random bytes
  versions.py derive SRC DST SEED [--insert FRACTION:BYTES] [--edits N]
      DST is SRC with BYTES random bytes inserted at FRACTION of its size, then N random 4 KiB
      overwrites spread over it (one in each Nth of the file, at a random place in it). The
      offsets of the overwrites in DST are printed, one a line.
  versions.py flip PATH OFFSET...               inverts the byte at each offset, in place
  versions.py reseal-flip INDEX                 inverts one byte of the first chunk's hash in a
      .chunks file and writes the trailing checksum again, so that the index is well formed and
      only a digest kept elsewhere tells it from the genuine one
"""
import hashlib
import random
import shutil
import sys

BLOCK = 16 << 20
EDIT = 4096


def random_file(path, mib, seed):
    rng = random.Random(seed)
    left = mib << 20
    with open(path, 'wb') as out:
        while left:
            n = min(BLOCK, left)
            out.write(rng.randbytes(n))
            left -= n


def copy_with_insertion(src, dst, at, inserted):
    with open(src, 'rb') as i, open(dst, 'wb') as o:
        if at is None:
            shutil.copyfileobj(i, o, BLOCK)
            return
        left = at
        while left:
            block = i.read(min(BLOCK, left))
            if not block:
                break
            o.write(block)
            left -= len(block)
        o.write(inserted)
        shutil.copyfileobj(i, o, BLOCK)


def derive(args):
    src, dst, seed = args[0], args[1], int(args[2])
    rng = random.Random(seed)
    insert_at = inserted = None
    edits = 0
    rest = args[3:]
    while rest:
        option, value = rest[0], rest[1]
        rest = rest[2:]
        if option == '--insert':
            fraction, size = value.split(':')
            with open(src, 'rb') as f:
                f.seek(0, 2)
                insert_at = int(f.tell() * float(fraction))
            inserted = rng.randbytes(int(size))
        elif option == '--edits':
            edits = int(value)
        else:
            sys.exit('unknown option ' + option)
    copy_with_insertion(src, dst, insert_at, inserted)
    with open(dst, 'r+b') as f:
        f.seek(0, 2)
        size = f.tell()
        span = size // max(edits, 1)
        for k in range(edits):
            at = k * span + rng.randrange(0, span - EDIT)
            f.seek(at)
            f.write(rng.randbytes(EDIT))
            print(at)


def flip(path, offsets):
    with open(path, 'r+b') as f:
        for at in offsets:
            f.seek(at)
            byte = f.read(1)
            f.seek(at)
            f.write(bytes([byte[0] ^ 0xFF]))


def reseal_flip(path):
    data = bytearray(open(path, 'rb').read())
    header, entry, trailer = 68, 20, 32
    assert data[:8] == b'VKCHUNKS' and len(data) >= header + entry + trailer, 'not a chunk index'
    data[header + 4] ^= 0x01  # the first byte of chunk 0's hash, after its 4-byte length
    body = bytes(data[:-trailer])
    open(path, 'wb').write(body + hashlib.sha256(body).digest())


def main():
    command, args = sys.argv[1], sys.argv[2:]
    if command == 'random':
        random_file(args[0], int(args[1]), int(args[2]))
    elif command == 'derive':
        derive(args)
    elif command == 'flip':
        flip(args[0], [int(a) for a in args[1:]])
    elif command == 'reseal-flip':
        reseal_flip(args[0])
    else:
        sys.exit(__doc__)


if __name__ == '__main__':
    main()
