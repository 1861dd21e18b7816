"""A hub of eight modules played from Python on a pseudo-terminal, for soak
runs without the module simulator: random guard-state events at a steady rate
(each a plausible next state of its object), an event log, and faults on the
line: garbage bursts, overlong lines, a module falling silent, and the
pseudo-terminal closed and reopened under the panel.
"""
import fcntl
import os
import random
import select
import struct
import termios
import time
import tty

GARBAGE_CHARS = b"abcdefghijklmnqrstuvwxyzQRSTUVWXYZ-+=/:;,_ "


class Line:
    """The master side of a pseudo-terminal, reached by the panel through a symbolic link."""

    def __init__(self, link):
        self.link = link
        self.open()

    def open(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.master)
        tty.setraw(self.slave)
        os.set_blocking(self.master, False)
        tmp = self.link + ".new"
        if os.path.lexists(tmp):
            os.remove(tmp)
        os.symlink(os.ttyname(self.slave), tmp)
        os.replace(tmp, self.link)
        self.heard = 0  # bytes the panel wrote since this pair was opened

    def close(self):
        os.close(self.master)
        os.close(self.slave)

    def wait_read(self, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            waiting = struct.unpack("i", fcntl.ioctl(self.slave, termios.FIONREAD, b"\0\0\0\0"))[0]
            if waiting == 0:
                return
            self.drain()
            time.sleep(0.02)

    def drain(self):
        while select.select([self.master], [], [], 0)[0]:
            try:
                chunk = os.read(self.master, 65536)
            except OSError:
                return
            if not chunk:
                return
            self.heard += len(chunk)

    def write(self, data):
        while data:
            _, w, _ = select.select([], [self.master], [], 0.05)
            self.drain()
            if not w:
                continue
            try:
                n = os.write(self.master, data)
                data = data[n:]
            except BlockingIOError:
                pass


class Hub:
    def __init__(self, link, log_path, seed):
        self.line = Line(link)
        self.rng = random.Random(seed)
        self.state = {}  # k -> 'N', 'A', 'O', 'P'
        self.silent = set()
        self.seq = 0
        self.log = open(log_path, "wb")
        self.log.write(b"# sequence time-ms module object global-index record message\n")
        self.t0 = time.monotonic()
        self.faults = []

    def event(self):
        m = self.rng.choice([x for x in range(1, 9) if x not in self.silent])
        n = self.rng.randint(1, 128)
        k = (m - 1) * 128 + n
        s = self.state.get(k, "N")
        if s == "A":
            letter = self.rng.choice("OP")
        elif s == "P":
            letter = self.rng.choice("AO")
        else:
            letter = self.rng.choice("AP")
        self.state[k] = letter
        if letter == "A":
            text = b"#A%d" % n
        elif letter == "P":
            text = b"#P%d" % n
        else:
            text = self.rng.choice([b"O%d", b"#O%d"]) % n
        self.seq += 1
        ms = int((time.monotonic() - self.t0) * 1000)
        self.log.write(b"%d %d %d %d %d %s %s\n" % (self.seq, ms, m, n, k, letter.encode(), text))
        return b"{%d" % m + text + b"\r"

    def fault(self, kind):
        when = time.monotonic() - self.t0
        if kind == "garbage":
            lines = []
            for _ in range(200):
                length = self.rng.randint(1, 60)
                if length == 49:
                    length = 50
                lines.append(bytes(self.rng.choice(GARBAGE_CHARS) for _ in range(length)))
            self.line.write(b"{%d" % self.rng.randint(1, 8) + b"\r".join(lines) + b"\r")
            self.faults.append((when, "garbage burst (200 lines)"))
        elif kind == "overlong":
            self.line.write(b"{%d" % self.rng.randint(1, 8) + b"x" * 6000 + b"\r")
            self.faults.append((when, "overlong line (6000 characters)"))
        elif kind == "noise":
            # Bytes of every value but the framing characters, then a CR.
            noise = bytes(b for b in (self.rng.randrange(256) for _ in range(2000))
                          if b not in b"{}\r#.>*!")
            self.line.write(b"{%d" % self.rng.randint(1, 8) + b"x" + noise + b"\r")
            self.faults.append((when, "binary noise (%d bytes)" % len(noise)))
        elif kind == "silence":
            m = self.rng.randint(1, 8)
            self.silent = {m}
            self.faults.append((when, "module %d silent" % m))
        elif kind == "answer":
            self.silent = set()
        elif kind == "reopen":
            # Characters still waiting in the terminal die with it, as on a line
            # that fails: the hub waits until the panel has read what it was sent.
            self.line.wait_read()
            self.line.close()
            time.sleep(0.5)
            self.line.open()
            # The panel reopens its port at a supervision tick and writes on it.
            deadline = time.monotonic() + 60
            while self.line.heard == 0 and time.monotonic() < deadline:
                time.sleep(0.1)
                self.line.drain()
            self.faults.append((when, "pseudo-terminal closed and reopened (panel back after "
                                "%.1f s)" % (time.monotonic() - self.t0 - when)))

    def run(self, events, rate, fault_every):
        kinds = ["garbage", "overlong", "silence", "noise", "answer", "reopen"]
        next_fault = fault_every
        fault_index = 0
        sent = 0
        start = time.monotonic()
        while sent < events:
            # At most a tenth of a second of events at a time, so that the
            # faults fall between them even when the panel falls behind.
            due = min(events, int((time.monotonic() - start) * rate) + 1,
                      sent + max(1, int(rate / 10)))
            if due > sent:
                batch = b"".join(self.event() for _ in range(due - sent))
                self.line.write(batch)
                sent = due
            if sent >= next_fault:
                kind = kinds[fault_index % len(kinds)]
                fault_index += 1
                next_fault += fault_every
                self.fault(kind)
                if kind == "reopen":
                    start = time.monotonic() - sent / rate  # no catching up afterwards
            else:
                time.sleep(0.005)
                self.line.drain()
        self.log.close()
        return sent
