"""The measuring half of scripts/bench (which builds the programs and starts the X server
and the Wine session first). Runs the floor program and the saver on each bench document
in turn, several rounds, and prints the figures with their ratios to the floor."""
import argparse
import os
import re
import statistics
import subprocess
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CLK_TCK = os.sysconf("SC_CLK_TCK")
# What the ten pictures of ten2048 take decoded (2048 x 2048, four bytes a pixel).
TEN2048_DECODED = 10 * 2048 * 2048 * 4
# Seconds from the first slide until every slide of a document has shown once (its slides
# are 6 s each): the saver reads a slide's pictures only before the slide shows, so its
# memory is only comparable with the decoded pictures once all have shown.
SHOW_CYCLE = {"ten2048": 10 * 6 + 2}
# Resident size is sampled this often over the whole run.
RESIDENT_PERIOD = 0.25


def proc_text(pid, name):
    try:
        with open(f"/proc/{pid}/{name}", "rb") as f:
            return f.read()
    except OSError:
        return b""


def session_pids(prefix, xvfb):
    """The X server and every Wine process of our prefix (wineserver, its services, the
    program itself): everything a frame costs."""
    key = b"WINEPREFIX=" + prefix.encode()
    pids = [xvfb] if xvfb else []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        pid = int(entry)
        if key not in proc_text(pid, "environ").split(b"\0"):
            continue
        cmd = proc_text(pid, "cmdline").split(b"\0")[0].lower()
        if cmd.endswith((b".exe", b".scr")) or os.path.basename(cmd).startswith(b"wine"):
            pids.append(pid)
    return pids


def cpu_ticks(pids):
    ticks = {}
    for pid in pids:
        stat = proc_text(pid, "stat").decode(errors="replace")
        if not stat:
            continue
        fields = stat[stat.rfind(")") + 2:].split()
        ticks[pid] = int(fields[11]) + int(fields[12])
    return ticks


def program_pid(name):
    """The Linux process of the Windows program whose file is `name`."""
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            cmd = proc_text(int(entry), "cmdline").split(b"\0")[0]
            if cmd.lower().endswith(name.lower().encode()) and b"wine" not in os.path.basename(cmd):
                return int(entry)
    return None


def status_bytes(pid, field):
    m = re.search(field.encode() + rb":\s+(\d+) kB", proc_text(pid, "status"))
    return int(m.group(1)) * 1024 if m else None


def screen_class(path):
    script = f'. "{ROOT}/scripts/lib/screens.sh"; ds_screen_capture "{path}" && ds_screen_class "{path}"'
    out = subprocess.run(["bash", "-c", script], capture_output=True, text=True).stdout.strip()
    return out or "none"


def run_once(program, seconds, prefix, xvfb, scratch, cycle=0.0):
    env = dict(os.environ, WINEDEBUG="-all,+fps")
    start = time.monotonic()
    proc = subprocess.Popen(["wine", program, "/s"], env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    reports = []  # (arrival, frames a second) of each +fps line

    def read_fps():
        for line in proc.stderr:
            m = re.search(rb"approx ([0-9.]+)fps", line)
            if m:
                reports.append((time.monotonic(), float(m.group(1))))
    reader = threading.Thread(target=read_fps, daemon=True)
    reader.start()

    name = os.path.basename(program)
    # (time since start, resident bytes, anonymous bytes): the anonymous part leaves out
    # the mapped files (the program and its document among them), which the kernel may
    # drop and read again.
    samples = []
    stop = threading.Event()

    def sample_resident():
        pid = None
        while not stop.wait(RESIDENT_PERIOD):
            pid = pid or program_pid(name)
            size = status_bytes(pid, "VmRSS") if pid else None
            anon = status_bytes(pid, "RssAnon") if pid else None
            if size:
                samples.append((time.monotonic() - start, size, anon))
    sampler = threading.Thread(target=sample_resident, daemon=True)
    sampler.start()

    first = None
    shot = os.path.join(scratch, "first.txt")
    while time.monotonic() - start < 120 and proc.poll() is None:
        before = time.monotonic()
        if screen_class(shot) not in ("none", "black", "splash"):
            first = (before + time.monotonic()) / 2 - start
            break
    result = {"first": first}
    if first is not None:
        time.sleep(1.0)
        pids = session_pids(prefix, xvfb)
        t0, c0 = time.monotonic(), cpu_ticks(pids)
        time.sleep(seconds)
        t1, c1 = time.monotonic(), cpu_ticks(session_pids(prefix, xvfb))
        used = sum(c1[p] - c0.get(p, 0) for p in c1) / CLK_TCK
        window = t1 - t0
        # Each report covers the frames since the one before it.
        frames, last = 0.0, None
        for arrival, fps in list(reports):
            if last is not None and t0 <= arrival <= t1 + 1.5:
                frames += fps * (min(arrival, t1) - max(last, t0))
            last = arrival
        result["fps"] = frames / window
        result["cpu"] = 100.0 * used / window
        result["msframe"] = 1000.0 * used / frames if frames >= 1 else None
        # The rest of the show's first cycle, for the peak.
        time.sleep(max(0.0, start + first + cycle - time.monotonic()))
    stop.set()
    sampler.join()
    if first is not None:
        # One second after the first slide showed (the sample nearest to it), and the
        # most over the run.
        at = [(size, anon) for when, size, anon in samples if when >= first + 1.0]
        result["resident"] = at[0][0] if at else None
        result["anon"] = at[0][1] if at else None
        result["peak"] = max(size for _, size, _ in samples) if samples else None
        result["peakanon"] = max((anon or 0) for _, _, anon in samples) if samples else None
    subprocess.run(["xdotool", "key", "space"], capture_output=True)
    try:
        proc.wait(timeout=15)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    reader.join(timeout=2)
    time.sleep(1.0)
    return result


ROWS = [("fps", "frames a second", 1), ("msframe", "CPU ms per frame", 1), ("cpu", "CPU % of one core", 1),
        ("first", "first slide, s", 1), ("resident", "resident 1 s after it, MB", 1 / 2**20),
        ("peak", "peak resident of the run, MB", 1 / 2**20), ("anon", "anonymous 1 s after it, MB", 1 / 2**20),
        ("peakanon", "peak anonymous of the run, MB", 1 / 2**20)]


def spread(values, scale=1):
    values = [v * scale for v in values if v is not None]
    if not values:
        return "-"
    return f"{min(values):.2f} / {statistics.median(values):.2f} / {max(values):.2f}"


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def main():
    parser = argparse.ArgumentParser(description="the saver beside the floor")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=8.0, help="measured seconds of each run")
    parser.add_argument("--build", required=True)
    parser.add_argument("--xvfb", type=int, default=0)
    parser.add_argument("--only", default="still,drift,default,ten2048,fifty1024")
    args = parser.parse_args()
    prefix = os.environ["WINEPREFIX"]
    programs = {"floor": os.path.join(args.build, "bench", "bench_floor.exe"),
                "still": os.path.join(args.build, "saver_still.scr"),
                "drift": os.path.join(args.build, "saver_drift.scr"),
                "default": os.path.join(args.build, "saver.scr"),
                "ten2048": os.path.join(args.build, "saver_ten2048.scr"),
                "fifty1024": os.path.join(args.build, "saver_fifty1024.scr")}
    kinds = ["floor"] + [k for k in args.only.split(",") if k in programs and k != "floor"]
    scratch = os.path.join(args.build, "bench_scratch")
    os.makedirs(scratch, exist_ok=True)
    results = {k: [] for k in kinds}
    for r in range(args.rounds):
        for kind in kinds:
            res = run_once(programs[kind], args.seconds, prefix, args.xvfb, scratch, SHOW_CYCLE.get(kind, 0.0))
            results[kind].append(res)
            print(f"bench: round {r + 1} {kind}: " + ", ".join(
                f"{k}={v:.2f}" if isinstance(v, float) else f"{k}={v}" for k, v in res.items()), flush=True)

    floor = results["floor"]
    print()
    print(f"{args.rounds} rounds, {args.seconds:g} s measured a run; min / median / max; ratio = saver / floor of the same round")
    header = f"{'':28}{'saver':>26}{'floor':>26}{'ratio':>24}"
    for kind in kinds[1:]:
        print(f"\n== {kind}\n{header}")
        for key, label, scale in ROWS:
            saver_values = [res.get(key) for res in results[kind]]
            floor_values = [res.get(key) for res in floor]
            ratios = [s / f if s is not None and f else None for s, f in zip(saver_values, floor_values)]
            print(f"{label:28}{spread(saver_values, scale):>26}{spread(floor_values, scale):>26}{spread(ratios):>24}")
        for key in ("resident", "peak", "anon", "peakanon"):
            extra = [s[key] - f[key] if s.get(key) and f.get(key) else None for s, f in zip(results[kind], floor)]
            print(f"{key + ' minus floor, MB':28}{spread(extra, 1 / 2**20):>26}")

    def ratio(kind, key):
        values = [s.get(key) / f.get(key) for s, f in zip(results.get(kind, []), floor)
                  if s.get(key) is not None and f.get(key)]
        return median(values)

    def verdict(value, limit, text):
        if value is None:
            print(f"target  {text}: no figure")
        else:
            print(f"target  {text}: {value:.3f} (at most {limit}) {'holds' if value <= limit else 'DOES NOT HOLD'}")
    print()
    if "still" in results:
        verdict(ratio("still", "cpu"), 0.15, "still slide, CPU % of a core / floor")
    if "default" in results:
        verdict(ratio("default", "msframe"), 1.05, "default scene, CPU ms a frame / floor")
    if "drift" in results:
        # The slide show's own cost of a frame: one picture, moving, no objects.
        verdict(ratio("drift", "msframe"), 1.05, "drifting picture slide, CPU ms a frame / floor")
    if "ten2048" in results:
        # The peak covers the show's first cycle, by whose end every picture was read.
        extra = median([s["peak"] - f["peak"] for s, f in zip(results["ten2048"], floor)
                        if s.get("peak") and f.get("peak")])
        print(f"resident: sampled every {RESIDENT_PERIOD:g} s; 'resident' is the size 1 s after the first slide showed,"
              f" 'peak' the most over the run (ten2048: until every slide has shown once); 'anonymous' leaves out"
              f" the mapped files")
        extra_anon = median([s["peakanon"] - f["peakanon"] for s, f in zip(results["ten2048"], floor)
                             if s.get("peakanon") and f.get("peakanon")])
        if extra_anon is not None:
            print(f"        ten 2048 slides, (peak anonymous - floor's) / the ten pictures decoded:"
                  f" {extra_anon / TEN2048_DECODED:.3f}")
        verdict(None if extra is None else extra / TEN2048_DECODED, 1.1,
                f"ten 2048 slides, (peak resident - floor's) / the ten pictures decoded ({TEN2048_DECODED / 2**20:.0f} MB)")
    if "still" in results and "fifty1024" in results:
        a, b = median([x["first"] for x in results["fifty1024"]]), median([x["first"] for x in results["still"]])
        verdict(None if a is None or not b else a / b, 1.5, "fifty slides, first slide / one-slide document's")


if __name__ == "__main__":
    main()
