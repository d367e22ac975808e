"""Long inputs made without holding them whole: what the end-to-end suite
and bench/run both feed the program."""
import itertools

MIB = 1 << 20


def repeated(piece, count):
    """piece count times over, as an iterable of blocks of about a MiB."""
    per_block = max(1, MIB // len(piece))
    blocks, rest = divmod(count, per_block)
    return itertools.chain(itertools.repeat(piece * per_block, blocks), [piece * rest])
