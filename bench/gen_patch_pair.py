#!/usr/bin/env python3
"""Generates an old/new pair of binary files for patch benchmarks.

usage: gen_patch_pair.py KIND SIZE_MB SEED OLD NEW

Kinds:
  scattered  a build-like file; a few places get bytes inserted, deleted or changed
  rebuilt    the same, but the edits are small shifts in code sections and every
             embedded 32-bit address is moved with the bytes it points to, as a
             relinked program would be
  reordered  whole blocks of the file change places, plus a few edits
"""
import bisect
import random
import sys


def build(size, rng):
    """Returns (bytes, pointer positions) of a file made of code-like token
    streams with embedded addresses, incompressible blocks, text and padding."""
    vocab = [rng.randbytes(rng.randint(1, 8)) for _ in range(400)]
    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(2000)]
    out = bytearray()
    ptrs = []
    while len(out) < size:
        kind = rng.random()
        if kind < 0.55:  # code
            n = rng.randint(4096, 65536)
            end = len(out) + n
            while len(out) < end:
                toks = rng.choices(vocab, k=rng.randint(4, 14))
                out += b"".join(toks)
                ptrs.append(len(out))
                out += b"\0\0\0\0"
        elif kind < 0.75:  # compressed or encrypted data
            out += rng.randbytes(rng.randint(16384, 262144))
        elif kind < 0.9:  # strings
            n = rng.randint(2048, 32768)
            out += b" ".join(rng.choices(words, k=n // 6)) + b"\0"
        else:  # padding
            out += bytes(rng.randint(512, 16384))
    targets = [rng.randrange(len(out)) for _ in ptrs]
    for p, t in zip(ptrs, targets):
        out[p:p + 4] = t.to_bytes(4, "little")
    return out, ptrs, targets


def apply_edits(old, edits):
    """edits: sorted (pos, delete, insert). Returns new bytes and a function
    mapping an old offset to the new one."""
    pieces = []
    at = 0
    starts, deltas = [], []
    delta = 0
    for pos, dele, ins in edits:
        pieces.append(old[at:pos])
        pieces.append(ins)
        at = pos + dele
        delta += len(ins) - dele
        starts.append(pos + dele)
        deltas.append(delta)
    pieces.append(old[at:])

    def mapping(x):
        k = bisect.bisect_right(starts, x)
        return x + (deltas[k - 1] if k else 0)

    return bytearray(b"".join(pieces)), mapping


def random_edits(rng, length, count, small):
    edits = []
    for pos in sorted(rng.sample(range(length - 70000), count)):
        if edits and pos < edits[-1][0] + edits[-1][1] + 16:
            continue
        kind = rng.random()
        n = rng.randint(1, 64) if small else rng.choice([rng.randint(1, 32), rng.randint(100, 2000), rng.randint(2000, 16384)])
        if kind < 0.4:
            edits.append((pos, 0, rng.randbytes(n)))
        elif kind < 0.7:
            edits.append((pos, n, b""))
        else:
            edits.append((pos, n, rng.randbytes(n)))
    return edits


def main():
    kind, size_mb, seed, old_name, new_name = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
    rng = random.Random(seed)
    old, ptrs, targets = build(int(size_mb * 1024 * 1024), rng)
    if kind == "scattered":
        new, _ = apply_edits(old, random_edits(rng, len(old), 20, small=False))
    elif kind == "rebuilt":
        edits = random_edits(rng, len(old), 40, small=True)
        new, mapping = apply_edits(old, edits)
        dead = [(p, p + d) for p, d, _ in edits if d]
        for p, t in zip(ptrs, targets):
            # Addresses inside deleted bytes went away with them.
            k = bisect.bisect_right(dead, (p, float("inf"))) - 1
            if k >= 0 and dead[k][0] <= p < dead[k][1] + 4:
                continue
            q = mapping(p)
            if 0 <= q <= len(new) - 4:
                new[q:q + 4] = mapping(t).to_bytes(4, "little")
    elif kind == "reordered":
        block = 1 << 20
        blocks = [old[i:i + block] for i in range(0, len(old), block)]
        order = list(range(len(blocks)))
        for _ in range(max(1, len(blocks) // 4)):
            a, b = rng.randrange(len(order)), rng.randrange(len(order))
            order[a], order[b] = order[b], order[a]
        moved = b"".join(blocks[k] for k in order)
        new, _ = apply_edits(moved, random_edits(rng, len(moved), 8, small=False))
    else:
        sys.exit("unknown kind " + kind)
    open(old_name, "wb").write(old)
    open(new_name, "wb").write(new)


if __name__ == "__main__":
    main()
