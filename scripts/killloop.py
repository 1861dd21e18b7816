#!/usr/bin/env python3
"""Kill loop: the real program on a pseudo-terminal, killed with SIGKILL at
random moments while the hub sends it guard-state messages.

Each cycle starts build/zelvan --home DIR (offscreen), waits for its probe on
the line, sends violations and releases for a random time and kills it. Then
the day files are checked against what was archived before:

  * every record that was in the archive before the cycle is still there,
    byte for byte and in its place;
  * the new records are, in order, the cycle's messages from the first one on,
    exactly as many as were read from the line: the bytes still unread on the
    pseudo-terminal at the kill are measured (TIOCINQ on the slave side, then
    read out), and every message whose CR came before them must be archived;
    when the kill caught the station handling a read (it was not waiting in
    its event loop, as /proc/PID/syscall shows once it is stopped), the
    messages of that read may be missing, never more; every other cycle waits
    for the station to be waiting before the kill, so that some cycles are
    checked exactly (at least one must be);
  * more than zero records were archived over all the cycles;
  * only the last line of a file may be torn (no CR LF), never one in the middle;
  * zelvan.ini is byte for byte the file written at the start;
  * the journal of the operator's actions: the station's "start" is journaled
    before it asks the modules for their version, so each cycle whose version
    request came adds exactly one whole "start" line, and from the second
    cycle on an "unclean_end" line before it (the run before was killed);
    the lines of earlier cycles stay byte for byte, every whole line has its
    eight fields, only the last line of a file may be torn, and the chain of
    the surviving lines verifies (build/zelvan --journal-verify exits 0).

Prints one line per failure and a summary; exit status 1 when any check failed.
"""
import argparse
import fcntl
import os
import random
import select
import signal
import struct
import subprocess
import sys
import termios
import time
import tty

RECORD_LEN = 12           # kkkk cc ffffff
MODULE_RECORD_LEN = 13    # 0000 cc ffffff m
JOURNAL_FIELDS = 8        # time operator action k m detail sequence chain


def write_ini(home, slave):
    data = os.path.join(home, "Data")
    lines = ["[DirData]", data, "", "[Visible 0]", "N", "", "[System]", "0", "",
             "[Hub]", "Y", "", "[CommPort]", slave, "4800,n,8,1", "0", "4800,n,8,1", "",
             "[Moduls]", "YYYYYYYY", "", "[Options]", "1", "1", "0", "1", "0", "0", "",
             "[FontPrinter]", "MS Sans Serif", "11", "0", "0"]
    content = ("\r\n".join(lines) + "\r\n").encode("cp1251")
    with open(os.path.join(home, "zelvan.ini"), "wb") as f:
        f.write(content)
    return content, data


def message(i):
    """The i-th message of the traffic and the record it must leave: (bytes, k, letter)."""
    module = i % 8 + 1
    obj = i // 8 % 128 + 1
    k = (module - 1) * 128 + obj
    if i // 1024 % 2 == 0:
        return b"{%d#A%d\r" % (module, obj), k, "A"
    return b"{%dO%d\r" % (module, obj), k, "O"


def read_day_files(data, suffix, line_end):
    """Lines of every "yy-mm-dd" + suffix file in name order: (file, line bytes, whole?)."""
    out = []
    if not os.path.isdir(data):
        return out
    for name in sorted(os.listdir(data)):
        if len(name) != 8 + len(suffix) or not name.endswith(suffix) or name[2] != "-" \
                or name[5] != "-":
            continue
        with open(os.path.join(data, name), "rb") as f:
            raw = f.read()
        parts = raw.split(line_end)
        for p in parts[:-1]:
            out.append((name, p, True))
        if parts[-1]:
            out.append((name, parts[-1], False))
    return out


def read_archive(data):
    """The day files' records (CR LF lines)."""
    return read_day_files(data, ".dat", b"\r\n")


def read_journal(data):
    """The journal's lines (LF lines)."""
    return read_day_files(data, ".jrn", b"\n")


def check_journal(cycle, before, after, problems, zelvan, home):
    """The journal after a kill: what was there stays, one more whole start line
    after one unclean_end (from the second cycle on), and the chain verifies."""
    kept = before if not before or before[-1][2] else before[:-1]
    if after[:len(kept)] != kept:
        problems.append("cycle %d: journal lines written before the cycle changed" % cycle)
        return 0
    new = after[len(kept):]
    if before and not before[-1][2] and new and new[0][:2] == before[-1][:2]:
        new = new[1:]  # the torn line, left a line of its own by the next start
    for idx, (name, line, whole) in enumerate(after):
        last_of_file = idx + 1 == len(after) or after[idx + 1][0] != name
        if not whole and not last_of_file:
            problems.append("cycle %d: torn journal line in the middle of %s" % (cycle, name))
    for name, line, whole in new:
        if whole and line.count(b"\t") != JOURNAL_FIELDS - 1:
            problems.append("cycle %d: journal line without its %d fields: %r"
                            % (cycle, JOURNAL_FIELDS, line))
    actions = [l.split(b"\t")[2:3] for _, l, whole in new if whole]
    starts = actions.count([b"start"])
    if starts != 1:
        problems.append("cycle %d: %d start lines journaled, one expected" % (cycle, starts))
    # Every cycle but the first follows a killed run: its start says so first.
    unclean = actions.count([b"unclean_end"])
    if unclean != (1 if cycle > 0 else 0) or (unclean and actions[0] != [b"unclean_end"]):
        problems.append("cycle %d: %d unclean_end lines journaled before the start, %d expected"
                        % (cycle, unclean, 1 if cycle > 0 else 0))
    # The chain of what survived the kill verifies (a torn last line allowed).
    check = subprocess.run([zelvan, "--home", home, "--journal-verify"],
                           env=dict(os.environ, QT_QPA_PLATFORM="offscreen"),
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if check.returncode != 0:
        problems.append("cycle %d: the journal does not verify (exit %d): %s"
                        % (cycle, check.returncode, check.stdout.decode("utf-8", "replace")
                           .strip().replace("\n", "; ")))
    return starts


def object_records(lines):
    """(k, letter) of the whole object records, in order."""
    recs = []
    for _, line, whole in lines:
        if not whole or len(line) != RECORD_LEN or line[:4] == b"0000":
            continue
        recs.append((int(line[:4]), chr(int(line[4:6]))))
    return recs


def check_format(lines, problems):
    for idx, (name, line, whole) in enumerate(lines):
        last_of_file = idx + 1 == len(lines) or lines[idx + 1][0] != name
        if not whole:
            if not last_of_file:
                problems.append("torn line in the middle of %s: %r" % (name, line))
            continue
        ok = line.isdigit() and (
            (len(line) == RECORD_LEN and line[:4] != b"0000")
            or (len(line) == MODULE_RECORD_LEN and line[:4] == b"0000"))
        if not ok:
            problems.append("malformed record in %s: %r" % (name, line))


def drain(fd):
    got = b""
    while select.select([fd], [], [], 0)[0]:
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            break
        if not chunk:
            break
        got += chunk
    return got


# The event loop waits for its descriptors in one of these system calls
# (x86_64 numbers): a station stopped in one of them has handled every byte it
# read from the line.
WAITING_SYSCALLS = {7: "poll", 23: "select", 232: "epoll_wait", 270: "pselect6", 271: "ppoll",
                    281: "epoll_pwait", 441: "epoll_pwait2"}


def waiting_in_event_loop(pid):
    """True when the stopped process's main thread sits in its event loop's wait."""
    try:
        with open("/proc/%d/syscall" % pid) as f:
            word = f.read().split()[0]
    except (OSError, IndexError):
        return False
    return word.lstrip("-").isdigit() and int(word) in WAITING_SYSCALLS


def unread_on_line(slave):
    """The bytes still waiting on the pseudo-terminal's slave side, read out:
    TIOCINQ says how many the line discipline holds; the loop reads them until
    the line stays empty (the pty's flip buffer hands on what it still held)."""
    got = b""
    idle = 0
    while idle < 3:
        n = struct.unpack("i", fcntl.ioctl(slave, termios.TIOCINQ, b"\0\0\0\0"))[0]
        if n == 0:
            idle += 1
            time.sleep(0.02)
            continue
        idle = 0
        got += os.read(slave, n)
    return got


def run(args):
    home = args.home
    os.makedirs(home, exist_ok=True)
    master, slave = os.openpty()
    tty.setraw(master)
    os.set_blocking(master, False)
    slave_path = os.ttyname(slave)
    ini, data = write_ini(home, slave_path)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    rng = random.Random(args.seed)

    problems = []
    cycles = torn = total_sent = total_archived = total_unread = 0
    idle_kills = busy_kills = in_handling = lost = changed = wrong = journaled = 0
    start = time.monotonic()
    for cycle in range(args.cycles):
        if time.monotonic() - start > args.max_seconds:
            break
        before = read_archive(data)
        before_recs = object_records(before)
        journal_before = read_journal(data)
        termios.tcflush(slave, termios.TCIFLUSH)
        proc = subprocess.Popen([args.zelvan, "--home", home], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The station is up when its version request arrives on the line.
        seen = b""
        deadline = time.monotonic() + 20
        while b"Ver\r" not in seen and time.monotonic() < deadline and proc.poll() is None:
            select.select([master], [], [], 0.05)
            seen += drain(master)
        if b"Ver\r" not in seen:
            problems.append("cycle %d: the station did not start (exit %s)" % (cycle, proc.poll()))
            proc.kill()
            proc.wait()
            break
        # Traffic at a random rate for a random time, then the kill.
        run_for = rng.uniform(0.0, args.max_run)
        burst = rng.choice([1, 4, 16, 64])
        sent = []
        written = b""
        pending = b""
        t_end = time.monotonic() + run_for
        i = 0
        while time.monotonic() < t_end:
            if not pending:
                for _ in range(burst):
                    msg, k, letter = message(i)
                    i += 1
                    pending += msg
                    sent.append((k, letter))
            _, w, _ = select.select([master], [master], [], 0.005)
            if w:
                try:
                    n = os.write(master, pending)
                    written += pending[:n]
                    pending = pending[n:]
                except BlockingIOError:
                    pass
            drain(master)
        # Stopped first, so that where it was can be seen: waiting in its
        # event loop, it has handled every byte it read. Every other cycle
        # the kill waits (up to 3 s) for such a moment after the traffic, so
        # those cycles are checked exactly; the others kill it wherever it is.
        quiet = cycle % 2 == 1
        wait_until = time.monotonic() + (3.0 if quiet else 0.0)
        while True:
            os.kill(proc.pid, signal.SIGSTOP)
            time.sleep(0.005)
            idle = waiting_in_event_loop(proc.pid)
            if idle or time.monotonic() >= wait_until:
                break
            os.kill(proc.pid, signal.SIGCONT)
            time.sleep(0.01)
        os.kill(proc.pid, signal.SIGKILL)
        proc.wait()
        tty.setraw(slave, termios.TCSANOW)
        unread = unread_on_line(slave)
        if not written.endswith(unread):
            problems.append("cycle %d: the bytes left on the line are not the end of what was "
                            "written" % cycle)
        read_bytes = written[:len(written) - len(unread)]
        handled = read_bytes.count(b"\r")  # a message counts once its CR was read
        cycles += 1
        total_sent += written.count(b"\r")
        total_unread += written.count(b"\r") - handled

        after = read_archive(data)
        check_format(after, problems)
        # Nothing written before this cycle is gone or changed.
        if after[:len(before)] != before and not (
                before and not before[-1][2] and after[:len(before) - 1] == before[:-1]):
            problems.append("cycle %d: records written before the cycle changed" % cycle)
            changed += 1
        if before and not before[-1][2]:
            torn += 1
        new_recs = object_records(after)[len(before_recs):]
        if new_recs != sent[:len(new_recs)]:
            problems.append("cycle %d: archived records are not the messages in order "
                            "(%d archived, %d read by the station)" % (cycle, len(new_recs), handled))
            wrong += 1
        elif idle and len(new_recs) != handled:
            problems.append("cycle %d: the station was waiting in its event loop, %d messages "
                            "read from the line, %d archived" % (cycle, handled, len(new_recs)))
            lost += abs(handled - len(new_recs))
        elif not idle and len(new_recs) > handled:
            problems.append("cycle %d: %d records archived, only %d messages read"
                            % (cycle, len(new_recs), handled))
        if idle:
            idle_kills += 1
        else:
            busy_kills += 1
            in_handling += handled - len(new_recs)
        total_archived += len(new_recs)
        journaled += check_journal(cycle, journal_before, read_journal(data), problems,
                                   args.zelvan, home)
        with open(os.path.join(home, "zelvan.ini"), "rb") as f:
            if f.read() != ini:
                problems.append("cycle %d: zelvan.ini is not the file it was" % cycle)
        if os.path.exists(os.path.join(home, "zelvan.tmp")):
            pass  # a leftover temporary copy is harmless; zelvan.ini itself is checked
        if args.verbose:
            print("cycle %d: ran %.2f s, sent %d, unread %d bytes, archived %d, %s"
                  % (cycle, run_for, written.count(b"\r"), len(unread), len(new_recs),
                     "idle" if idle else "busy"))
    os.close(master)
    os.close(slave)
    if cycles and total_archived == 0:
        problems.append("no record was archived in any cycle")
    if cycles >= 2 and idle_kills == 0:
        problems.append("the station was never caught waiting in its event loop, so no cycle "
                        "was checked exactly")
    for p in problems[:50]:
        print("FAIL:", p)
    print("kill loop: %d cycles (%d killed waiting in the event loop, checked exactly; %d killed "
          "while handling a read, %d messages of those reads not archived), %d messages sent, "
          "%d archived, %d still unread on the line at the kill; records lost %d, records "
          "changed in %d cycles, out of order in %d, torn last lines %d; journal start lines "
          "%d of %d; problems %d"
          % (cycles, idle_kills, busy_kills, in_handling, total_sent, total_archived,
             total_unread, lost, changed, wrong, torn, journaled, cycles, len(problems)))
    return 0 if not problems and cycles > 0 else 1


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--zelvan", default="build/zelvan")
    ap.add_argument("--home", required=True)
    ap.add_argument("--cycles", type=int, default=100)
    ap.add_argument("--max-run", type=float, default=1.5,
                    help="longest traffic time before a kill, seconds")
    ap.add_argument("--max-seconds", type=float, default=600, help="stop after this long")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--verbose", action="store_true")
    sys.exit(run(ap.parse_args()))


if __name__ == "__main__":
    main()
