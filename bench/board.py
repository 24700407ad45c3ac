#!/usr/bin/env python3
"""A step over a serial line: preprocessor-batch --board against the simulated
board paced to 115200 baud, beside a host that waits for each reply before it
sends the next pair, and beside the line's own time for a pair (80 bits).
Medians of five runs of 2,000 steps each, on random pairs.

usage: board.py SIMULATED_BOARD PREPROCESSOR_BATCH"""
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time
import tty
from pathlib import Path

board_program, batch = (str(Path(program).resolve()) for program in sys.argv[1:3])
BAUD, STEPS, RUNS = 115_200, 2_000, 5
work = Path(tempfile.mkdtemp())
generator = random.Random(3)
pairs = [(generator.randint(-2**31, 2**31 - 1), generator.randint(-2**31, 2**31 - 1))
         for _ in range(STEPS)]
(work / "input.txt").write_text(" ".join(f"{a} {b}" for a, b in pairs))


def on_board(host):
    board = subprocess.Popen([board_program, "--baud", str(BAUD)], stdout=subprocess.PIPE, text=True)
    try:
        port = board.stdout.readline().strip()
        start = time.perf_counter()
        host(port)
        return (time.perf_counter() - start) / STEPS * 1000
    finally:
        board.terminate()
        board.wait()


def pipelined(port):
    subprocess.run([batch, "--steps", str(STEPS), "--board", port], cwd=work, check=True)


def waiting(port):
    line = os.open(port, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(line)
    for a, b in pairs:
        os.write(line, a.to_bytes(4, "little", signed=True) + b.to_bytes(4, "little", signed=True))
        reply = b""
        while len(reply) < 4:
            reply += os.read(line, 4 - len(reply))
    os.close(line)


line_time = 80 / BAUD * 1000
times = {"preprocessor-batch --board": [], "a reply awaited before each pair": []}
for _ in range(RUNS):  # taking turns, so that noise falls on both
    times["preprocessor-batch --board"].append(on_board(pipelined))
    times["a reply awaited before each pair"].append(on_board(waiting))
print(f"{'host':<36}{'ms a step (median of 5)':>26}{'× the line':>12}")
for host, runs in times.items():
    median = statistics.median(runs)
    print(f"{host:<36}{median:>26.3f}{median / line_time:>12.2f}")
print(f"{'the line: 80 bits at 115200 baud':<36}{line_time:>26.3f}{1:>12.2f}")
