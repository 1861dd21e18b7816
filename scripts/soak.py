#!/usr/bin/env python3
"""Soak run: the real program against the module simulator's random traffic.

zelvan-modsim plays eight modules through a hub on a pseudo-terminal, sends
random guard-state events at an accelerated rate and logs every one; a timed
scenario injects every fault during the run, once per round of 105 s (line
noise, an overlong line, a damaged dump with a module restart, a plain restart,
a module silent long enough for the link to be declared lost, the
pseudo-terminal closed and reopened 25 s later). zelvan --home DIR runs offscreen on the line.
Afterwards every logged event must be in the day files exactly once, in order,
together with the taken and violated records that each state dump read at a
module's start-up gives; every restart must be followed by the module's S
record, every silent module and dead line by V records and a new start (S).
Memory (VmRSS) of the program is taken once the modules are on line, once the
lists have filled (5 % of the events) and at the end.
"""
import argparse
import os
import select
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import killloop  # noqa: E402  (day-file reading and record format)


def write_ini(home, link):
    lines = ["[DirData]", os.path.join(home, "Data"), "", "[Visible 0]", "N", "", "[System]",
             "0", "", "[Hub]", "Y", "", "[CommPort]", link, "4800,n,8,1", "0", "4800,n,8,1", "",
             "[Moduls]", "YYYYYYYY", "", "[Options]", "1", "1", "0", "1", "0", "0", "",
             "[FontPrinter]", "MS Sans Serif", "11", "0", "0"]
    with open(os.path.join(home, "zelvan.ini"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1251"))


CYCLE_S = 105  # one round of every fault


def fault_scenario(run_seconds, start_s):
    """Timed simulator commands: every fault once per round of CYCLE_S seconds,
    as many rounds as the run holds (at least one). Returns (text, faults)."""
    lines, faults = [], []

    def at(sec, cmd, what=None):
        lines.append("%d %s" % (int(sec * 1000), cmd))
        if what:
            faults.append((sec, what))

    t = start_s + 5
    cycle = 0
    while cycle == 0 or t + CYCLE_S < start_s + run_seconds:
        m = cycle % 8 + 1
        at(t, "garbage 4000", "garbage burst (4000 characters)")
        at(t + 2, "overlong %d 6000" % m, "overlong line (6000 characters) from module %d" % m)
        v1, v2, v3 = (m + 1) % 8 + 1, (m + 3) % 8 + 1, (m + 5) % 8 + 1
        at(t + 4, "damage-dump %d" % v1)
        at(t + 4.1, "restart %d" % v1, "module %d restarted, its next dump damaged" % v1)
        at(t + 9, "restart %d" % v2, "module %d restarted" % v2)
        at(t + 14, "silence %d" % v3, "module %d silent for 26 s" % v3)
        at(t + 40, "answer %d" % v3)
        # Two ticks after the answer the module is back on line.
        at(t + 62, "hangup 25000", "pseudo-terminal closed, reopened 25 s later")
        t += CYCLE_S
        cycle += 1
    return "\n".join(lines) + "\n", faults


def rss_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return -1


def read_log(path):
    """The simulator's event log: [(seq, k, letter)] of the guard-state events."""
    return [(seq, k, letter) for kind, seq, k, letter in read_log_items(path) if kind == "event"]


def read_log_items(path):
    """Events and notes in their order: ("event", seq, k, letter),
    ("states", time, module, letters), ("command", time, text, None)."""
    items = []
    with open(path, "rb") as f:
        for line in f:
            parts = line.split()
            if line.startswith(b"#"):
                if len(parts) >= 4 and parts[2] == b"states":
                    items.append(("states", int(parts[1]), int(parts[3]), parts[4].decode()))
                elif len(parts) >= 4 and parts[2] == b"command":
                    items.append(("command", int(parts[1]), b" ".join(parts[3:]).decode(), None))
                continue
            if len(parts) < 6:
                continue
            items.append(("event", int(parts[0]), int(parts[4]), parts[5].decode()))
    return items


def expected_records(items):
    """The object records the panel must archive, in order, and the commands
    with their place in that stream: (records, [(position, command text)]).
    A state dump the panel reads gives a taken (P) or violated (A) record for
    each object in that state, in object order."""
    records, commands = [], []
    for kind, a, b, c in items:
        if kind == "event":
            records.append((b, c))
        elif kind == "states":
            for j, letter in enumerate(c, 1):
                if letter in "PA":
                    records.append(((b - 1) * 128 + j, letter))
        else:
            commands.append((len(records), b))
    return records, commands


def module_records(lines):
    """[(position, letter, module)] of the S and V records: position is the
    number of object records archived before each."""
    out, objects = [], 0
    for _, line, whole in lines:
        if not whole:
            continue
        if len(line) == killloop.RECORD_LEN and line[:4] != b"0000":
            objects += 1
        elif len(line) == killloop.MODULE_RECORD_LEN and line[:4] == b"0000":
            out.append((objects, chr(int(line[4:6])), int(line[12:13])))
    return out


def check_module_records(commands, mod_records, problems, slack):
    """A restarted module starts again (an S record for it after the restart); a
    module that falls silent or a line that goes dead is recorded lost (a V
    record for each module after it) and started again once back (S).
    Positions count object records. Each expected record must fall between its
    command and the next command, so that the records of a later fault (the
    hang-up's V and S for every module) cannot stand in for those of an earlier
    one. slack is how many events may still have been on their way (in the
    simulator's queue or the terminal) when a command was carried out, so a
    record may lie that far outside its window."""
    silent = set()
    back_since = {}
    checked = 0

    def expect(letter, module, index, why):
        low = commands[index][0] - slack
        high = commands[index + 1][0] + slack if index + 1 < len(commands) else float("inf")
        if not any(low <= p <= high and l == letter and m == module for p, l, m in mod_records):
            near = [p for p, l, m in mod_records if l == letter and m == module]
            problems.append("no %s record for module %d after %s, between stream positions %d "
                            "and %s (its %s records lie at %s)"
                            % (letter, module, why, low, high, letter,
                               ", ".join(map(str, near[:8])) or "none"))

    for index, (position, text) in enumerate(commands):
        words = text.split()
        if words[0] == "restart":
            expect("S", int(words[1]), index, text)
            checked += 1
        elif words[0] == "silence":
            silent.add(int(words[1]))
            expect("V", int(words[1]), index, text)
            checked += 1
        elif words[0] in ("answer", "revive"):
            silent.discard(int(words[1]))
            back_since[int(words[1])] = position
            expect("S", int(words[1]), index, text)
            checked += 1
        elif words[0] == "hangup":
            # Only a module that was back on line (started since it last fell
            # silent) can lose its link again.
            for m in range(1, 9):
                if m in silent or not any(p <= position and l == "S" and mm == m
                                          and p >= back_since.get(m, 0)
                                          for p, l, mm in mod_records):
                    continue
                expect("V", m, index, text)
                expect("S", m, index, text)
            checked += 1
    return checked


def compare(events, records):
    """events: (seq, k, letter) or (k, letter); records: (k, letter). Returns a report dict."""
    sent = [e[-2:] for e in events]
    n = min(len(sent), len(records))
    first = next((i for i in range(n) if sent[i] != records[i]), None)
    if first is None and len(sent) != len(records):
        first = n
    from collections import Counter
    cs, cr = Counter(sent), Counter(records)
    lost = sum((cs - cr).values())
    extra = sum((cr - cs).values())
    return {"sent": len(sent), "archived": len(records), "lost": lost, "extra": extra,
            "in_order": first is None, "first_mismatch": first}


def own_traffic(args):
    """The soak with the Python hub instead of the simulator."""
    import threading
    import hubwriter
    home = os.path.abspath(args.home)
    os.makedirs(home, exist_ok=True)
    link = os.path.join(home, "line1")
    log = os.path.join(home, "events.log")
    hub = hubwriter.Hub(link, log, args.seed)
    write_ini(home, link)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    panel = subprocess.Popen([args.zelvan, "--home", home], env=env, stdout=subprocess.DEVNULL,
                             stderr=open(os.path.join(home, "zelvan.err"), "wb"))
    time.sleep(3)
    rss_boot = rss_kb(panel.pid)
    t0 = time.monotonic()
    result = {}
    writer = threading.Thread(target=lambda: result.update(
        sent=hub.run(args.events, args.rate, max(1, args.events // 13))))
    writer.start()
    data = os.path.join(home, "Data")
    rss_start = -1
    peak = 0
    while writer.is_alive():
        writer.join(5)
        rss = rss_kb(panel.pid)
        peak = max(peak, rss)
        if rss_start < 0 and hub.seq >= args.events // 50:
            rss_start = rss
        print("  %6.0f s: %d events sent, panel %d kB" % (time.monotonic() - t0, hub.seq, rss),
              flush=True)
        if panel.poll() is not None:
            print("FAIL: the panel ended during the run (exit %s)" % panel.returncode)
            break
    # Until the archive stops growing.
    last, still = -1, 0
    while still < 2 and panel.poll() is None:
        time.sleep(2)
        size = sum(os.path.getsize(os.path.join(data, n)) for n in os.listdir(data)
                   if n.endswith(".dat") and n[2:3] == "-")
        still = still + 1 if size == last else 0
        last = size
    rss_end = rss_kb(panel.pid)
    elapsed = time.monotonic() - t0
    if panel.poll() is None:
        panel.send_signal(signal.SIGTERM)
        try:
            panel.wait(10)
        except subprocess.TimeoutExpired:
            panel.kill()
            panel.wait()
    hub.line.close()
    events = read_log(log)
    lines = killloop.read_archive(data)
    problems = []
    killloop.check_format(lines, problems)
    r = compare(events, killloop.object_records(lines))
    print("soak (Python hub): %d events sent in %.0f s, %d archived, %d lost, %d not sent "
          "(duplicated or extra), in order: %s%s"
          % (r["sent"], elapsed, r["archived"], r["lost"], r["extra"],
             "yes" if r["in_order"] else "no",
             "" if r["first_mismatch"] is None else " (first difference at event %d)"
             % r["first_mismatch"]))
    print("faults injected and survived (%d): %s" % (len(hub.faults), "; ".join(
        "%s at %.0f s" % (w, s) for s, w in hub.faults)))
    drift = rss_end / rss_start if rss_start > 0 else 0
    print("memory: %.1f MB after start-up, %.1f MB after 2 %% of the events, %.1f MB at the end "
          "(peak %.1f MB), drift %.2fx (limit 1.3x): %s"
          % (rss_boot / 1024, rss_start / 1024, rss_end / 1024, peak / 1024, drift,
             "met" if 0 < drift <= 1.3 else "NOT met"))
    for p in problems[:20]:
        print("FAIL:", p)
    ok = (r["lost"] == 0 and r["extra"] == 0 and r["in_order"] and not problems
          and 0 < drift <= 1.3)
    return 0 if ok else 1


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--zelvan", default="build/zelvan")
    ap.add_argument("--modsim", default="build/zelvan-modsim")
    ap.add_argument("--home", required=True)
    ap.add_argument("--events", type=int, default=1000000)
    ap.add_argument("--rate", type=float, default=4000, help="events per second")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--traffic", choices=["modsim", "own"], default="modsim",
                    help="who plays the modules: the simulator program (default), or the "
                         "Python hub of scripts/hubwriter.py, which injects no restarts, "
                         "silences or hang-ups")
    args = ap.parse_args()
    if args.traffic == "own":
        sys.exit(own_traffic(args))
    if not os.access(args.modsim, os.X_OK):
        print("FAIL: the simulator %s is not built (scripts/build.sh builds it; --traffic own "
              "runs the Python hub instead, without the fault checks)" % args.modsim)
        sys.exit(1)

    sys.exit(modsim_traffic(args))


class LogFollower:
    """Counts the guard-state events of the growing event log."""

    def __init__(self, path):
        self.path, self.offset, self.events, self.rest = path, 0, 0, b""

    def poll(self):
        if not os.path.exists(self.path):
            return self.events
        with open(self.path, "rb") as f:
            f.seek(self.offset)
            chunk = f.read()
        self.offset += len(chunk)
        lines = (self.rest + chunk).split(b"\n")
        self.rest = lines.pop()
        self.events += sum(1 for l in lines if l and not l.startswith(b"#"))
        return self.events


def day_files_size(data):
    if not os.path.isdir(data):
        return 0
    return sum(os.path.getsize(os.path.join(data, n)) for n in os.listdir(data)
               if n.endswith(".dat") and n[2:3] == "-")


def stop(procs):
    for p in procs:
        if p.poll() is None:
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()


def modsim_traffic(args):
    home = os.path.abspath(args.home)
    os.makedirs(home, exist_ok=True)
    link = os.path.join(home, "line1")
    log = os.path.join(home, "events.log")
    start_s = 15.0  # the start-up exchange of eight modules comes first
    run_s = args.events / args.rate
    scenario, faults = fault_scenario(run_s, start_s)
    last_fault_s = max(int(l.split()[0]) for l in scenario.split("\n") if l) / 1000.0
    with open(os.path.join(home, "faults.txt"), "w") as f:
        f.write(scenario)

    sim_out_path = os.path.join(home, "modsim.out")
    sim_out = open(sim_out_path, "wb")
    sim = subprocess.Popen([args.modsim, "--link", link, "--quiet", "--random-rate", str(args.rate),
                            "--random-count", str(args.events), "--random-start", str(start_s),
                            "--random-seed", str(args.seed), "--event-log", log,
                            "--scenario", os.path.join(home, "faults.txt")],
                           stdin=subprocess.PIPE, stdout=sim_out, stderr=subprocess.STDOUT)
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline and sim.poll() is None:
        with open(sim_out_path, "rb") as f:
            if b"ready" in f.read():
                break
        time.sleep(0.1)
    write_ini(home, link)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    panel = subprocess.Popen([args.zelvan, "--home", home], env=env,
                             stdout=subprocess.DEVNULL, stderr=open(os.path.join(home, "zelvan.err"), "wb"))
    t0 = time.monotonic()
    data = os.path.join(home, "Data")
    follower = LogFollower(log)
    rss_boot = rss_start = -1
    peak = 0
    failed_early = None

    # Until the simulator has sent everything, its last fault is over, and the
    # archive has stopped growing. The limit is wide: a slow machine only makes
    # the run longer, it does not fail it.
    last_size, still = -1, 0
    while True:
        time.sleep(5)
        now = time.monotonic() - t0
        if panel.poll() is not None:
            failed_early = "the panel ended during the run (exit %s)" % panel.returncode
            break
        if sim.poll() is not None:
            failed_early = "the simulator ended during the run (exit %s)" % sim.returncode
            break
        rss = rss_kb(panel.pid)
        peak = max(peak, rss)
        sent = follower.poll()
        if rss_boot < 0 and now >= start_s:
            rss_boot = rss
        if rss_start < 0 and sent >= args.events // 20:
            rss_start = rss  # the lists have filled
        size = day_files_size(data)
        print("  %6.0f s: %d events sent, day files %d bytes, panel %d kB" % (now, sent, size, rss),
              flush=True)
        still = still + 1 if size == last_size else 0
        last_size = size
        if sent >= args.events and still >= 2 and now > last_fault_s + 40:
            break
        if now > max(run_s * 6, run_s + 1800):
            failed_early = "the run did not end (%d of %d events sent)" % (sent, args.events)
            break
    rss_end = rss_kb(panel.pid)
    elapsed = time.monotonic() - t0
    stop([panel, sim])
    sim_out.close()

    items = read_log_items(log)
    expected, commands = expected_records(items)
    lines = killloop.read_archive(data)
    problems = [failed_early] if failed_early else []
    killloop.check_format(lines, problems)
    records = killloop.object_records(lines)
    r = compare(expected, records)
    mods = module_records(lines)
    checked = check_module_records(commands, mods, problems, int(args.rate * 2))
    with open(sim_out_path, "rb") as f:
        for line in f.read().decode(errors="replace").splitlines():
            if "dropped" in line or "lost" in line or "error" in line or "failed" in line:
                problems.append("simulator: " + line)
    events_sent = sum(1 for i in items if i[0] == "event")
    dumps = sum(1 for i in items if i[0] == "states")
    print("soak: %d events sent in %.0f s (%d records expected with the %d state dumps read at "
          "start-ups), %d archived, %d lost, %d not sent (duplicated or extra), in order: %s%s"
          % (events_sent, elapsed, r["sent"], dumps, r["archived"], r["lost"], r["extra"],
             "yes" if r["in_order"] else "no",
             "" if r["first_mismatch"] is None else " (first difference at record %d)"
             % r["first_mismatch"]))
    print("module records: %d S (started), %d V (link lost); %d restarts, silences and hang-ups "
          "checked for their S and V records"
          % (sum(1 for m in mods if m[1] == "S"), sum(1 for m in mods if m[1] == "V"), checked))
    print("faults injected and survived (%d): %s" % (len(faults), "; ".join(
        "%s at %.0f s" % (w, s) for s, w in faults)))
    drift = rss_end / rss_start if rss_start > 0 else 0
    print("memory: %.1f MB once on line, %.1f MB after 5 %% of the events, %.1f MB at the end "
          "(peak %.1f MB), drift %.2fx (limit 1.3x): %s"
          % (rss_boot / 1024, rss_start / 1024, rss_end / 1024, peak / 1024, drift,
             "met" if 0 < drift <= 1.3 else "NOT met"))
    for p in problems[:30]:
        print("FAIL:", p)
    ok = (r["lost"] == 0 and r["extra"] == 0 and r["in_order"] and not problems
          and events_sent >= args.events and 0 < drift <= 1.3)
    print("soak: %s" % ("passed" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    main()
