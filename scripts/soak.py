#!/usr/bin/env python3
"""Soak run: the real program against the module simulator's random traffic.

zelvan-modsim plays eight modules through a hub on a pseudo-terminal, sends
random guard-state events at an accelerated rate and logs every one; a timed
scenario injects faults during the run (line noise, overlong lines, a damaged
dump with a module restart, a module silent long enough for the link to be
declared lost, plain restarts). zelvan --home DIR runs offscreen on the line.
Afterwards every logged event must be in the day files exactly once, in order.
Memory (VmRSS) of the program is taken once the modules are on line and at the
end.
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


def fault_scenario(run_seconds, start_s):
    """Timed simulator commands spread over the run; returns (text, list of faults)."""
    lines, faults = [], []

    def at(sec, cmd, what=None):
        lines.append("%d %s" % (int(sec * 1000), cmd))
        if what:
            faults.append((sec, what))

    t = start_s + 5
    cycle = 0
    while t < start_s + run_seconds - 40:
        m = cycle % 8 + 1
        at(t, "garbage 4000", "garbage burst (4000 characters)")
        at(t + 3, "overlong %d 6000" % m, "overlong line (6000 characters) from module %d" % m)
        kind = cycle % 3
        if kind == 0:
            victim = (m + 2) % 8 + 1
            at(t + 6, "damage-dump %d" % victim)
            at(t + 6.1, "restart %d" % victim, "module %d restarted with a damaged dump" % victim)
        elif kind == 1:
            victim = (m + 4) % 8 + 1
            at(t + 6, "silence %d" % victim, "module %d silent for 35 s" % victim)
            at(t + 41, "answer %d" % victim)
        else:
            victim = (m + 6) % 8 + 1
            at(t + 6, "restart %d" % victim, "module %d restarted" % victim)
        t += 50
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
    events = []
    with open(path, "rb") as f:
        for line in f:
            if line.startswith(b"#"):
                continue
            parts = line.split()
            if len(parts) < 6:
                continue
            events.append((int(parts[0]), int(parts[4]), parts[5].decode()))
    return events


def compare(events, records):
    """events: (seq, k, letter); records: (k, letter). Returns a report dict."""
    sent = [(k, r) for _, k, r in events]
    n = min(len(sent), len(records))
    first = next((i for i in range(n) if sent[i] != records[i]), None)
    from collections import Counter
    cs, cr = Counter(sent), Counter(records)
    lost = sum((cs - cr).values())
    extra = sum((cr - cs).values())
    return {"sent": len(sent), "archived": len(records), "lost": lost, "extra": extra,
            "in_order": first is None and len(sent) == len(records), "first_mismatch": first}


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
    ap.add_argument("--traffic", choices=["modsim", "own"], default=None,
                    help="who plays the modules: the simulator program, or the Python hub of "
                         "scripts/hubwriter.py (default: the simulator when it is built)")
    args = ap.parse_args()
    if args.traffic == "own" or (args.traffic is None and not os.access(args.modsim, os.X_OK)):
        sys.exit(own_traffic(args))

    home = os.path.abspath(args.home)
    os.makedirs(home, exist_ok=True)
    link = os.path.join(home, "line1")
    log = os.path.join(home, "events.log")
    start_s = 15.0  # the start-up exchange of eight modules comes first
    run_s = args.events / args.rate
    scenario, faults = fault_scenario(run_s, start_s)
    with open(os.path.join(home, "faults.txt"), "w") as f:
        f.write(scenario)

    sim = subprocess.Popen([args.modsim, "--link", link, "--quiet", "--random-rate", str(args.rate),
                            "--random-count", str(args.events), "--random-start", str(start_s),
                            "--random-seed", str(args.seed), "--event-log", log,
                            "--scenario", os.path.join(home, "faults.txt")],
                           stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        line = sim.stdout.readline()
        if not line or b"ready" in line:
            break
    write_ini(home, link)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    panel = subprocess.Popen([args.zelvan, "--home", home], env=env,
                             stdout=subprocess.DEVNULL, stderr=open(os.path.join(home, "zelvan.err"), "wb"))
    t0 = time.monotonic()
    time.sleep(start_s)
    rss_start = rss_kb(panel.pid)
    data = os.path.join(home, "Data")

    # Until the simulator has sent everything and the archive has stopped growing.
    last_size, still = -1, 0
    while True:
        time.sleep(5)
        if panel.poll() is not None:
            print("FAIL: the panel ended during the run (exit %s)" % panel.returncode)
            break
        size = sum(os.path.getsize(os.path.join(data, n)) for n in os.listdir(data)
                   if n.endswith(".dat") and n[2:3] == "-")
        sent = sum(1 for _ in open(log, "rb")) - 1 if os.path.exists(log) else 0
        print("  %6.0f s: %d events sent, day files %d bytes, panel %d kB"
              % (time.monotonic() - t0, sent, size, rss_kb(panel.pid)), flush=True)
        still = still + 1 if size == last_size else 0
        last_size = size
        if sent >= args.events and still >= 2:
            break
        if time.monotonic() - t0 > run_s * 3 + 120:
            print("FAIL: the run took too long")
            break
    rss_end = rss_kb(panel.pid)
    elapsed = time.monotonic() - t0
    for p in (panel, sim):
        if p.poll() is None:
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()

    events = read_log(log)
    lines = killloop.read_archive(data)
    problems = []
    killloop.check_format(lines, problems)
    records = killloop.object_records(lines)
    r = compare(events, records)
    print("soak: %d events sent in %.0f s, %d archived, %d lost, %d not sent (duplicated or "
          "extra), in order: %s%s"
          % (r["sent"], elapsed, r["archived"], r["lost"], r["extra"],
             "yes" if r["in_order"] else "no",
             "" if r["first_mismatch"] is None else " (first difference at event %d)"
             % r["first_mismatch"]))
    print("faults injected and survived (%d): %s" % (len(faults), "; ".join(
        "%s at %.0f s" % (w, s) for s, w in faults)))
    drift = rss_end / rss_start if rss_start > 0 else 0
    print("memory: %.1f MB once on line, %.1f MB at the end, drift %.2fx (limit 1.3x): %s"
          % (rss_start / 1024, rss_end / 1024, drift, "met" if 0 < drift <= 1.3 else "NOT met"))
    for p in problems[:20]:
        print("FAIL:", p)
    ok = (r["lost"] == 0 and r["extra"] == 0 and r["in_order"] and not problems
          and r["sent"] >= args.events and 0 < drift <= 1.3)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
