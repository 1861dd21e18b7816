#!/usr/bin/env python3
"""Records what zelvan-modsim sends a panel and cuts it into seeds for the
fuzz_framer target (fuzz/corpus/fuzz_framer/modsim-*).

A small stand-in for the panel opens the simulator's lines and plays the
start-up exchange of every module (version request, monitor mode, both dumps,
monitor off, probes) while the simulator runs random traffic and a scenario of
faults: garbage (harmless and raw), overlong lines, a damaged dump, restarts
and a silent module. Hub topology on one line, then direct topology on two.

Each seed is what fuzz_framer reads: one control byte (bit 0: hub topology;
the other bits: where the bytes are split between port 1 and port 2) and up to
4095 bytes of the recording.
"""
import argparse
import os
import random
import select
import subprocess
import sys
import tempfile
import termios
import time
import tty

SCENARIO = """\
2500 garbage 300
3000 overlong 2 700
3500 garbage 200 raw
4000 damage-dump 3
4100 restart 3
5000 silence 5
7000 answer 5
7500 restart 6 clear
8000 garbage 500
8500 overlong 1 5000
9000 damage-dump 1
9100 restart 1
"""


def open_line(path):
    deadline = time.monotonic() + 20
    while not os.path.exists(path):
        if time.monotonic() > deadline:
            sys.exit("the simulator did not link %s" % path)
        time.sleep(0.05)
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    tty.setraw(fd)
    termios.tcflush(fd, termios.TCIOFLUSH)
    return fd


def pump(fds, recorded, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        ready, _, _ = select.select(fds, [], [], 0.02)
        for fd in ready:
            try:
                recorded[fd] += os.read(fd, 65536)
            except BlockingIOError:
                pass


def play_panel(fds, addressed, modules, recorded):
    """The start-up exchange of each module, then probes while traffic runs."""
    def say(fd, m, text):
        os.write(fd, (("}%d" % m) if addressed else "").encode() + text)

    for m in modules:
        fd = fds[0] if addressed else fds[m - 1]
        say(fd, m, b"Ver\r\r")
        pump(fds, recorded, 0.1)
        say(fd, m, b"\r")
        say(fd, m, b"mon\rRB600,100\r")
        pump(fds, recorded, 0.15)
        say(fd, m, b"R2400,80\r")
        pump(fds, recorded, 0.1)
        say(fd, m, b"NOMON\r")
        say(fd, m, b"P%d\r" % (m * 3))
        say(fd, m, b"U%d\r" % m)
        say(fd, m, b"B%d,150\r" % m)
    for second in range(10):
        for m in modules:
            fd = fds[0] if addressed else fds[m - 1]
            say(fd, m, b"\r")
        if addressed:
            os.write(fds[0], b"}0\r")
        pump(fds, recorded, 1.0)


def record(modsim, topology, workdir):
    links = [os.path.join(workdir, "%s-line1" % topology), os.path.join(workdir, "%s-line2" % topology)]
    scenario = os.path.join(workdir, "scenario.txt")
    with open(scenario, "w") as f:
        f.write(SCENARIO if topology == "hub" else "\n".join(
            l for l in SCENARIO.splitlines() if l.split()[1] not in ("restart", "damage-dump", "silence",
                                                                     "answer", "overlong")
            or l.split()[2] in ("1", "2")) + "\n")
    cmd = [modsim, "--topology", topology, "--link", links[0], "--quiet", "--random-rate", "400",
           "--random-start", "2", "--random-seed", "11", "--scenario", scenario, "--take-delay", "50"]
    if topology == "direct":
        cmd += ["--link2", links[1]]
    sim = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
    try:
        fds = [open_line(links[0])] + ([open_line(links[1])] if topology == "direct" else [])
        recorded = {fd: b"" for fd in fds}
        play_panel(fds, topology == "hub", range(1, 9) if topology == "hub" else (1, 2), recorded)
        return [recorded[fd] for fd in fds]
    finally:
        sim.terminate()
        sim.wait()


def seeds(streams, hub, rng, count):
    out = []
    for i in range(count):
        length = rng.choice([48, 120, 400, 1000, 2500, 4095])
        if hub:
            stream = streams[0]
            # The first seeds walk through the start-up exchanges from the beginning.
            start = i * 4095 if i < 6 else rng.randrange(0, max(1, len(stream) - length))
            length = 4095 if i < 6 else length
            out.append(bytes([rng.randrange(0, 256) | 1]) + stream[start:start + length])
        else:
            half = length // 2
            parts = []
            for stream in streams:
                start = rng.randrange(0, max(1, len(stream) - half))
                parts.append(stream[start:start + half])
            split = len(parts[0]) * 128 // max(1, len(parts[0]) + len(parts[1]))
            out.append(bytes([(max(1, min(127, split)) << 1)]) + parts[0] + parts[1])
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--modsim", default="build/zelvan-modsim")
    ap.add_argument("--out", default="fuzz/corpus/fuzz_framer")
    ap.add_argument("--count", type=int, default=120, help="seeds per topology")
    args = ap.parse_args()
    rng = random.Random(5)
    os.makedirs(args.out, exist_ok=True)
    with tempfile.TemporaryDirectory() as workdir:
        hub = record(args.modsim, "hub", workdir)
        direct = record(args.modsim, "direct", workdir)
    print("recorded %d bytes (hub), %d + %d bytes (direct)" % (len(hub[0]), len(direct[0]), len(direct[1])))
    made = seeds(hub, True, rng, args.count) + seeds(direct, False, rng, args.count // 2)
    for i, seed in enumerate(made):
        with open(os.path.join(args.out, "modsim-%03d" % i), "wb") as f:
            f.write(seed)
    print("%d seeds written to %s" % (len(made), args.out))


if __name__ == "__main__":
    main()
