"""Inputs the Verilog pipeline's tests run beside the batch runner."""
import random

# What the reader must take as the C library's "%d" does, and what stops it.
FORMATS = {
    "signs and leading zeros": b"+5 -3 007 -0008 +0 -0 0000000000000000000012 3",
    "a lone sign fails once": b"5 - 7 1 + 2 4 -+3 6 9 10",
    "a sign before a letter ends the data": b"5 2 -x 7 1",
    "letters end the data": b"5 2 7 1 abc 4 4",
    "a letter right after digits": b"5 2 7a 1 4 4",
    "x, z, ? and _ are not digits": b"1 2 3 x 4 5",
    "z": b"1 2 3 z 4",
    "?": b"1 2 ? 4",
    "an underscore within a number": b"1_000 2",
    "hexadecimal is three reads": b"0x10 5 6 7",
    "a NUL byte": b"5 2 7\x001 4 4",
    "CR LF, tabs, form feeds": b"5\r\n2\r\n7\t1\v4\f4\r\n10 3\r\n",
    "past 32 bits": b"4294967301 1 -4294967301 2 99999999999999999999 3 2147483648 -2147483649",
    "the end marker, first and second": b"1 2 3 -999 -999 4 5 6 7 8",
    "an odd count": b"1 2 3 4 5",
    "empty": b"",
    "blanks only": b" \r\n\t ",
    "a sign at the end": b"1 2 3 -",
}


def generated(pairs, seed):
    """Pairs of every kind a long input holds: wrapping sums, end markers, numbers
    past 32 bits, and an odd count at the end."""
    generator = random.Random(seed)
    numbers = []
    for _ in range(pairs):
        kind = generator.random()
        if kind < 0.6:
            numbers += [generator.randint(-2**31, 2**31 - 1) for _ in range(2)]
        elif kind < 0.8:
            numbers += [generator.randint(-10**6, 10**6) for _ in range(2)]
        elif kind < 0.9:
            numbers += [generator.choice([-2**40, 2**33 + 5, -(10**15)]), generator.randint(-9, 9)]
        else:
            numbers += [generator.randint(-5, 5), -999]
    numbers.append(generator.randint(-100, 100))
    if seed % 2:
        numbers.insert(2 * (pairs - pairs // 10), -999)  # the end, in the last tenth
    return " ".join(map(str, numbers)).encode()
