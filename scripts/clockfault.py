#!/usr/bin/env python3
"""Clock faults against the real program: zelvan --home DIR runs under faketime
(libfaketime, the wall clock only: its timers keep the real monotonic clock,
as they do when an operator or a time service steps the system clock) against
zelvan-modsim's random traffic, and its clock is stepped during the traffic:

  start        2026-03-10 12:00:00
  +35 s        back an hour           (11:00:35, same day)
  +40 s        module 2 restarted     (its S record)
  +60 s        forward a day          (2026-03-11 11:01:00)
  +65 s        module 4 silent 30 s   (the supervision tick must find it lost)

Then: the records before the forward step are in 26-03-10.dat and the rest in
26-03-11.dat (the split lies where the step was made: within two seconds of
traffic of the events the simulator had logged by then), no other day file exists, and the two files hold every event
(and the state-dump records of the start-ups) exactly once, in order; the step
back shows as a record earlier in the day than the one before it; module 2's
restart gave an S record in the first file; module 4 was recorded lost (V) and
started again (S) in the second file, so the supervision tick and the start-up
exchange kept working.
"""
import argparse
import datetime
import glob
import os
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import killloop  # noqa: E402
import soak  # noqa: E402

START = datetime.datetime(2026, 3, 10, 12, 0, 0)
DAY1, DAY2 = "26-03-10.dat", "26-03-11.dat"


def libfaketime():
    found = glob.glob("/usr/lib/*/faketime/libfaketime.so.1") + glob.glob("/usr/lib/faketime/libfaketime.so.1")
    return found[0] if found else None


def set_clock(path, when):
    with open(path + ".new", "w") as f:
        f.write(when.strftime("@%Y-%m-%d %H:%M:%S\n"))
    os.replace(path + ".new", path)


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--zelvan", default="build/zelvan")
    ap.add_argument("--modsim", default="build/zelvan-modsim")
    ap.add_argument("--home", required=True)
    ap.add_argument("--rate", type=float, default=300)
    args = ap.parse_args()
    lib = libfaketime()
    if not lib:
        print("clock faults: libfaketime not installed (apt-get install faketime)")
        return 1
    home = os.path.abspath(args.home)
    os.makedirs(home, exist_ok=True)
    link = os.path.join(home, "line1")
    log = os.path.join(home, "events.log")
    clock_file = os.path.join(home, "faketime.rc")
    start_s, traffic_s = 15.0, 95.0
    events = int(args.rate * traffic_s)
    with open(os.path.join(home, "faults.txt"), "w") as f:
        f.write("40000 restart 2\n65000 silence 4\n95000 answer 4\n")
    sim_out = open(os.path.join(home, "modsim.out"), "wb")
    sim = subprocess.Popen([args.modsim, "--link", link, "--quiet", "--random-rate", str(args.rate),
                            "--random-count", str(events), "--random-start", str(start_s),
                            "--event-log", log, "--scenario", os.path.join(home, "faults.txt")],
                           stdin=subprocess.PIPE, stdout=sim_out, stderr=subprocess.STDOUT)
    t0 = time.monotonic()
    while not os.path.islink(link) and time.monotonic() - t0 < 30 and sim.poll() is None:
        time.sleep(0.05)
    soak.write_ini(home, link)
    set_clock(clock_file, START)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LD_PRELOAD=lib,
               FAKETIME_TIMESTAMP_FILE=clock_file, FAKETIME_CACHE_DURATION="1",
               FAKETIME_DONT_FAKE_MONOTONIC="1")
    panel = subprocess.Popen([args.zelvan, "--home", home], env=env, stdout=subprocess.DEVNULL,
                             stderr=open(os.path.join(home, "zelvan.err"), "wb"))
    t_panel = time.monotonic()
    steps = [(35, START + datetime.timedelta(seconds=35) - datetime.timedelta(hours=1),
              "clock stepped back an hour"),
             (60, START + datetime.timedelta(seconds=60) + datetime.timedelta(days=1)
              - datetime.timedelta(hours=1), "clock stepped forward a day")]
    data = os.path.join(home, "Data")
    follower = soak.LogFollower(log)
    step_log_offsets = []  # bytes of the event log written when each step was made
    problems = []
    last, still = -1, 0
    while True:
        time.sleep(1)
        now = time.monotonic() - t_panel
        while steps and now >= steps[0][0]:
            _, when, what = steps.pop(0)
            follower.poll()
            step_log_offsets.append(follower.offset)
            set_clock(clock_file, when)
            print("  %5.0f s: %s to %s" % (now, what, when), flush=True)
        if panel.poll() is not None or sim.poll() is not None:
            problems.append("a program ended during the run (panel %s, simulator %s)"
                            % (panel.poll(), sim.poll()))
            break
        size = soak.day_files_size(data)
        still = still + 1 if size == last else 0
        last = size
        if follower.poll() >= events and now > 135 and still >= 5:
            break
        if now > 1200:
            problems.append("the run did not end")
            break
    soak.stop([panel, sim])
    sim_out.close()

    items = soak.read_log_items(log)
    expected, _ = soak.expected_records(items)
    names = sorted(n for n in os.listdir(data) if n.endswith(".dat") and n[2:3] == "-")
    if names != [DAY1, DAY2]:
        problems.append("day files %s, expected %s and %s" % (names, DAY1, DAY2))
    lines = killloop.read_archive(data)
    killloop.check_format(lines, problems)
    records = killloop.object_records(lines)
    r = soak.compare(expected, records)
    per_file = {n: [l for n2, l, whole in lines if n2 == n and whole] for n in (DAY1, DAY2)}
    # Where the records split between the two files: the object records of the
    # first file are the expected records up to the forward step.
    day1_objects = killloop.object_records([(n, l, w) for n, l, w in lines if n == DAY1])
    if len(step_log_offsets) == 2:
        with open(log, "rb") as f:
            head = f.read(step_log_offsets[1])
        with open(os.path.join(home, "log-at-step.txt"), "wb") as f:
            f.write(head)
        at_step = len(soak.expected_records(soak.read_log_items(
            os.path.join(home, "log-at-step.txt")))[0])
        # The panel reads the clock file at most a second late
        # (FAKETIME_CACHE_DURATION) and events may still be on their way.
        slack = int(args.rate * 2)
        split = len(day1_objects)
        print("clock faults: %d object records in %s; %d records were expected by the forward "
              "step (allowed %d to %d)" % (split, DAY1, at_step, at_step - slack, at_step + slack))
        if not at_step - slack <= split <= at_step + slack:
            problems.append("%s ends at record %d, the forward step came at record %d"
                            % (DAY1, split, at_step))
        if day1_objects != expected[:split]:
            problems.append("%s does not hold the first %d expected records in order"
                            % (DAY1, split))
    else:
        problems.append("the clock was not stepped forward during the run")
    fractions = [int(l[6:12]) for l in per_file[DAY1]]
    back = [i for i in range(1, len(fractions)) if fractions[i] < fractions[i - 1] - 40000]
    if len(back) != 1:
        problems.append("%s: the step back an hour shows %d times, expected once" % (DAY1, len(back)))

    def module_records(name, letter):
        return [int(l[12:13]) for l in per_file[name] if len(l) == 13 and chr(int(l[4:6])) == letter]

    if 2 not in module_records(DAY1, "S")[8:]:
        problems.append("%s: no S record for module 2 after its restart" % DAY1)
    if module_records(DAY2, "V") != [4]:
        problems.append("%s: V records %s, expected module 4 once" % (DAY2, module_records(DAY2, "V")))
    if 4 not in module_records(DAY2, "S"):
        problems.append("%s: module 4 was not started again after it answered" % DAY2)
    for kind, path in (("panel", "zelvan.err"), ("simulator", "modsim.out")):
        with open(os.path.join(home, path), "rb") as f:
            text = f.read().decode(errors="replace")
        for line in text.splitlines():
            if "dropped" in line or "lost" in line or "error" in line.lower():
                problems.append("%s: %s" % (kind, line))
    print("clock faults: %d records expected, %d archived (%d in %s, %d in %s), %d lost, "
          "%d duplicated or extra, in order: %s"
          % (r["sent"], r["archived"], len(per_file[DAY1]), DAY1, len(per_file[DAY2]), DAY2,
             r["lost"], r["extra"], "yes" if r["in_order"] else "no"))
    for p in problems:
        print("FAIL:", p)
    ok = not problems and r["lost"] == 0 and r["extra"] == 0 and r["in_order"]
    print("clock faults: %s" % ("passed" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
