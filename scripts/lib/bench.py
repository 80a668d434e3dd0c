"""The measuring half of scripts/bench (which builds the programs and starts the X server
and the bench's own Wine session first). Runs the floor program and the saver on each
bench document in turn, several rounds, and prints the figures with their ratios to the
floor, the machine's load average beside every round.

The default scene is measured over its whole show, every slide once, slide by slide:
the slides' times come from the list scene_builder writes beside the document, and the
CPU time of the session is read at each slide's start and end. A separate run under
Wine's +d3d9 trace counts, per slide, what a frame asks of the device (buffer locks that
can wait, buffers and other resources created, render-target switches, clears); the
trace slows the saver, so that run enters no timing."""
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
# The bench documents' slide times (fade-in, shown, fade-out seconds), as
# bench/BenchDocumentsMain.cpp writes them.
BENCH_SLIDES = {"ten2048": [(1, 4, 1)] * 10, "fifty1024": [(1, 4, 1)] * 50,
                "still": [(1, 10, 1)], "drift": [(1, 10, 1)]}
# Seconds a program may take to show its first slide before the run is given up.
FIRST_SLIDE_LIMIT = 400
# Resident size is sampled this often over the whole run.
RESIDENT_PERIOD = 0.25
# The first slide is recognised on a screenshot, which takes a moment: the first
# slide's window starts this late, so that it holds no frame of the loading.
FIRST_MARGIN = 0.5
# Lock flags that let a buffer lock go on while the device still reads the buffer.
D3DLOCK_NOOVERWRITE = 0x1000
D3DLOCK_DISCARD = 0x2000
# A count per frame at most this (one in twenty frames) is a one-off, not a per-frame cost.
PER_FRAME_NONE = 0.05


def proc_text(pid, name):
    try:
        with open(f"/proc/{pid}/{name}", "rb") as f:
            return f.read()
    except OSError:
        return b""


def in_prefix(pid, prefix):
    return b"WINEPREFIX=" + prefix.encode() in proc_text(pid, "environ").split(b"\0")


def session_pids(prefix, xvfb):
    """The X server and every Wine process of our prefix (wineserver, its services, the
    program itself): everything a frame costs."""
    pids = [xvfb] if xvfb else []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or not in_prefix(int(entry), prefix):
            continue
        cmd = proc_text(int(entry), "cmdline").split(b"\0")[0].lower()
        if cmd.endswith((b".exe", b".scr")) or os.path.basename(cmd).startswith(b"wine"):
            pids.append(int(entry))
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


def program_pid(name, prefix):
    """The Linux process of the Windows program whose file is `name`, in our prefix only:
    on a shared machine other sessions run programs of the same name."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        cmd = proc_text(int(entry), "cmdline").split(b"\0")[0]
        if (cmd.lower().endswith(name.lower().encode()) and b"wine" not in os.path.basename(cmd)
                and in_prefix(int(entry), prefix)):
            return int(entry)
    return None


def status_bytes(pid, field):
    m = re.search(field.encode() + rb":\s+(\d+) kB", proc_text(pid, "status"))
    return int(m.group(1)) * 1024 if m else None


def screen_class(path):
    script = f'. "{ROOT}/scripts/lib/screens.sh"; ds_screen_capture "{path}" && ds_screen_class "{path}"'
    out = subprocess.run(["bash", "-c", script], capture_output=True, text=True).stdout.strip()
    return out or "none"


def load_average():
    return os.getloadavg()


def slide_windows(slides, length=None):
    """(name, start, end) of each slide in seconds from the first slide's first frame:
    the first slide starts at the end of its fade-in, each shows fade-in, shown and
    fade-out seconds. With `length` one window of that many seconds instead."""
    if length is not None:
        return [("", FIRST_MARGIN, FIRST_MARGIN + length)]
    windows, at = [], 0.0
    for i, (fade_in, show, fade_out, *name) in enumerate(slides):
        span = (show + fade_out) if i == 0 else (fade_in + show + fade_out)
        windows.append((name[0] if name else str(i), max(at, FIRST_MARGIN), at + span))
        at += span
    return windows


def read_slide_list(path):
    """The slides scene_builder lists: fade-in, shown, fade-out seconds and name."""
    slides = []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) >= 4:
                slides.append((int(parts[0]), int(parts[1]), int(parts[2]), parts[3]))
    return slides


class TraceCounts:
    """Per-frame device calls from Wine's +d3d9 trace, read as the lines arrive."""
    PATTERNS = [
        ("frame", re.compile(rb"d3d9_(?:device|swapchain)_Present ")),
        ("lock", re.compile(rb"d3d9_(?:vertex|index)buffer_Lock .*flags (0x[0-9a-fA-F]+|0)")),
        ("buffer", re.compile(rb"d3d9_device_Create(?:Vertex|Index)Buffer ")),
        ("resource", re.compile(rb"d3d9_device_Create(?:Texture|CubeTexture|VolumeTexture|RenderTarget|"
                                rb"DepthStencilSurface|OffscreenPlainSurface) ")),
        ("target", re.compile(rb"d3d9_device_SetRenderTarget iface \w+, idx (\d+), surface (\w+)")),
        ("clear", re.compile(rb"d3d9_device_Clear ")),
        # The slide show lets the device drop its managed copies at every slide switch:
        # the trace's own mark of where one slide ends and the next begins.
        ("switch", re.compile(rb"d3d9_device_EvictManagedResources ")),
    ]

    def __init__(self):
        self.events = []  # (arrival, kind)
        self.targets = {}

    def feed(self, line):
        if b"trace:d3d9:" not in line:
            return
        for kind, pattern in self.PATTERNS:
            m = pattern.search(line)
            if not m:
                continue
            if kind == "lock":
                if int(m.group(1), 16) & (D3DLOCK_DISCARD | D3DLOCK_NOOVERWRITE):
                    return
            elif kind == "target":
                # A switch is a new surface for a target index, not a call that sets the same.
                idx, surface = m.group(1), m.group(2)
                if self.targets.get(idx) == surface:
                    return
                self.targets[idx] = surface
            self.events.append((time.monotonic(), kind))
            return

    def per_window(self, t0, t1):
        counts = {kind: 0 for kind, _ in self.PATTERNS}
        for arrival, kind in list(self.events):
            if t0 <= arrival < t1:
                counts[kind] += 1
        return counts

    def slide_spans(self, start, end, count):
        """(t0, t1) of each of `count` slides, cut at the slide switches the trace shows: the
        first slide from `start` (its first frame) to the first switch, the last one to the
        next switch or else to `end`; None when the trace shows fewer switches than that.
        On a loaded machine a frame comes seconds after its slide's time, and windows by
        the clock would count one slide's frames for the next one's. A first slide seen
        only after its switch (a slow screenshot) keeps no frame."""
        switches = [arrival for arrival, kind in list(self.events) if kind == "switch"]
        if len(switches) < count - 1:
            return None
        edges = [start] + switches[:count - 1] + [switches[count - 1] if len(switches) >= count else end]
        return list(zip(edges[:-1], edges[1:]))


def run_once(program, prefix, xvfb, scratch, windows, trace=False):
    """Runs `program` full screen until the last window has ended and measures each window
    (offsets from the first slide's first frame). With `trace` only the trace counts."""
    env = dict(os.environ, WINEDEBUG="-all,+d3d9" if trace else "-all,+fps")
    start = time.monotonic()
    proc = subprocess.Popen(["wine", program, "/s"], env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    reports = []  # (arrival, frames a second) of each +fps line
    counts = TraceCounts()

    def read_stderr():
        for line in proc.stderr:
            if trace:
                counts.feed(line)
                continue
            m = re.search(rb"approx ([0-9.]+)fps", line)
            if m:
                reports.append((time.monotonic(), float(m.group(1))))
    reader = threading.Thread(target=read_stderr, daemon=True)
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
            pid = pid or program_pid(name, prefix)
            size = status_bytes(pid, "VmRSS") if pid else None
            anon = status_bytes(pid, "RssAnon") if pid else None
            if size:
                samples.append((time.monotonic() - start, size, anon))
    sampler = threading.Thread(target=sample_resident, daemon=True)
    sampler.start()

    first = None
    shot = os.path.join(scratch, "first.txt")
    # A loaded machine takes long to start Wine and read a large document.
    while time.monotonic() - start < FIRST_SLIDE_LIMIT and proc.poll() is None:
        before = time.monotonic()
        if screen_class(shot) not in ("none", "black", "splash"):
            first = (before + time.monotonic()) / 2
            break
    result = {"first": None if first is None else first - start, "windows": [], "load": load_average()}
    if first is None:
        print(f"bench: {name} showed no slide within {time.monotonic() - start:.0f} s"
              f" ({'exit code ' + str(proc.returncode) if proc.poll() is not None else 'still running'})", flush=True)
    if first is not None:
        # The session's CPU time at every window edge, read when it comes.
        edges = sorted({first + t for _, t0, t1 in windows for t in (t0, t1)})
        ticks = {}
        for edge in edges:
            time.sleep(max(0.0, edge - time.monotonic()))
            ticks[edge] = (time.monotonic(), cpu_ticks(session_pids(prefix, xvfb)))
        time.sleep(1.6)  # the +fps report covering the last window's end
        for label, t0, t1 in windows:
            (a, c0), (b, c1) = ticks[first + t0], ticks[first + t1]
            used = sum(c1[p] - c0.get(p, 0) for p in c1) / CLK_TCK
            # Each +fps report covers the frames since the one before it.
            frames, last = 0.0, None
            for arrival, fps in list(reports):
                if last is not None and arrival > a and last < b:
                    frames += fps * (min(arrival, b) - max(last, a))
                last = arrival
            span = b - a
            figures = {"name": label, "seconds": span, "frames": frames, "fps": frames / span,
                       "cpu": 100.0 * used / span, "msframe": 1000.0 * used / frames if frames >= 1 else None}
            result["windows"].append(figures)
        if trace:
            # Counted by the slide switches the trace shows where it shows them all (the
            # last slide ends at the next switch, which comes after the last window).
            time.sleep(2.0)
            spans = counts.slide_spans(ticks[first + windows[0][1]][0], time.monotonic(), len(windows))
            for i, figures in enumerate(result["windows"]):
                a, b = spans[i] if spans else (ticks[first + windows[i][1]][0], ticks[first + windows[i][2]][0])
                figures.update(counts.per_window(a, b))
            result["split"] = "slide switches" if spans else "the clock"
    stop.set()
    sampler.join()
    if first is not None and samples:
        at = [(size, anon) for when, size, anon in samples if when >= result["first"] + 1.0]
        result["resident"] = at[0][0] if at else None
        result["anon"] = at[0][1] if at else None
        result["peak"] = max(size for _, size, _ in samples)
        result["peakanon"] = max((anon or 0) for _, _, anon in samples)
    subprocess.run(["xdotool", "key", "space"], capture_output=True)
    try:
        proc.wait(timeout=15)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    reader.join(timeout=5)
    time.sleep(1.0)
    return result


def whole(result):
    """The figures of a run over all its windows together."""
    windows = result.get("windows") or []
    if not windows:
        return {}
    span = sum(w["seconds"] for w in windows)
    frames = sum(w["frames"] for w in windows)
    used = sum(w["cpu"] * w["seconds"] / 100.0 for w in windows)
    return {"fps": frames / span, "cpu": 100.0 * used / span,
            "msframe": 1000.0 * used / frames if frames >= 1 else None}


def spread(values, scale=1):
    values = [v * scale for v in values if v is not None]
    if not values:
        return "-"
    return f"{min(values):.2f} / {statistics.median(values):.2f} / {max(values):.2f}"


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def load_text(result):
    load = result.get("load")
    return "-" if not load else f"{load[0]:.1f} {load[1]:.1f} {load[2]:.1f}"


def verdict(value, limit, text, at_least=False):
    if value is None:
        print(f"target  {text}: no figure")
        return
    holds = value >= limit if at_least else value <= limit
    print(f"target  {text}: {value:.3f} ({'at least' if at_least else 'at most'} {limit})"
          f" {'holds' if holds else 'DOES NOT HOLD'}")


def main():
    parser = argparse.ArgumentParser(description="the saver beside the floor")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=8.0, help="measured seconds of the floor and the short runs")
    parser.add_argument("--build", required=True)
    parser.add_argument("--xvfb", type=int, default=0)
    parser.add_argument("--only", default="default,ten2048,still,drift,fifty1024")
    parser.add_argument("--no-trace", action="store_true", help="leave out the +d3d9 counting run")
    args = parser.parse_args()
    prefix = os.environ["WINEPREFIX"]
    programs = {"floor": os.path.join(args.build, "bench", "bench_floor.exe"),
                "still": os.path.join(args.build, "saver_still.scr"),
                "drift": os.path.join(args.build, "saver_drift.scr"),
                "default": os.path.join(args.build, "saver.scr"),
                "ten2048": os.path.join(args.build, "saver_ten2048.scr"),
                "fifty1024": os.path.join(args.build, "saver_fifty1024.scr")}
    default_slides = read_slide_list(os.path.join(args.build, "default_scene.dds.slides"))
    # Whole shows: the default scene slide by slide; ten2048 until each of its pictures
    # has shown (the saver reads a slide's pictures only before it shows), as one window.
    # The others as long as asked.
    plans = {"floor": slide_windows(None, args.seconds),
             "default": slide_windows(default_slides),
             "ten2048": [("", FIRST_MARGIN, slide_windows(BENCH_SLIDES["ten2048"])[-1][2])]}
    for kind in ("still", "drift", "fifty1024"):
        plans[kind] = slide_windows(None, args.seconds)
    kinds = ["floor"] + [k for k in args.only.split(",") if k in programs and k != "floor"]
    scratch = os.path.join(args.build, "bench_scratch")
    os.makedirs(scratch, exist_ok=True)
    results = {k: [] for k in kinds}
    for r in range(args.rounds):
        print(f"bench: round {r + 1}, load average {' '.join(f'{x:.1f}' for x in load_average())}", flush=True)
        for kind in kinds:
            res = run_once(programs[kind], prefix, args.xvfb, scratch, plans[kind])
            results[kind].append(res)
            fig = whole(res)
            print(f"bench: round {r + 1} {kind}: load {load_text(res)}, first slide {res.get('first') or 0:.2f} s, "
                  + ", ".join(f"{k} {fig[k]:.2f}" for k in ("fps", "msframe", "cpu") if fig.get(k) is not None)
                  + (f", peak anonymous {res['peakanon'] / 2**20:.1f} MB" if res.get("peakanon") else ""), flush=True)
    trace = None
    if "default" in kinds and not args.no_trace:
        print(f"bench: trace run of the default scene, load average {' '.join(f'{x:.1f}' for x in load_average())}",
              flush=True)
        trace = run_once(programs["default"], prefix, args.xvfb, scratch, plans["default"], trace=True)

    floor = results["floor"]
    print()
    print(f"{args.rounds} rounds; min / median / max; ratio = saver / floor of the same round")
    print("load average (1, 5, 15 min) at the start of each run:")
    for kind in kinds:
        print(f"  {kind:10}" + " | ".join(load_text(res) for res in results[kind]))

    def ratios(kind, key, index=None):
        out = []
        for s, f in zip(results[kind], floor):
            sv = whole(s).get(key) if index is None else (
                s["windows"][index].get(key) if index < len(s.get("windows", [])) else None)
            fv = whole(f).get(key)
            out.append(sv / fv if sv is not None and fv else None)
        return out

    if "default" in kinds:
        print("\n== default scene, slide by slide (median of the rounds; ratio = CPU ms a frame / floor's)")
        print(f"{'slide':16}{'s':>6}{'fps':>8}{'CPU ms/frame':>14}{'ratio':>8}{'waiting locks/f':>17}"
              f"{'buffers made/f':>16}{'others made/f':>15}{'target switches/f':>19}{'clears/f':>10}")
        for i, (name, t0, t1) in enumerate(plans["default"]):
            def med(key):
                return median([res["windows"][i].get(key) for res in results["default"] if i < len(res["windows"])])
            row = f"{name[:15]:16}{t1 - t0:6.1f}"
            fps, ms, ratio = med("fps"), med("msframe"), median(ratios("default", "msframe", i))
            row += f"{fps:8.1f}" if fps is not None else f"{'-':>8}"
            row += f"{ms:14.2f}" if ms is not None else f"{'-':>14}"
            row += f"{ratio:8.2f}" if ratio is not None else f"{'-':>8}"
            if trace and i < len(trace["windows"]):
                w = trace["windows"][i]
                frames = max(1, w["frame"])
                row += (f"{w['lock'] / frames:17.2f}{w['buffer'] / frames:16.2f}{w['resource'] / frames:15.2f}"
                        f"{w['target'] / frames:19.2f}{w['clear'] / frames:10.2f}")
            print(row)
        if trace:
            print(f"(per-frame counts from the +d3d9 run: load {load_text(trace)}, "
                  f"{sum(w['frame'] for w in trace['windows'])} frames presented over the show, "
                  f"split at {trace.get('split', 'the clock')})")

    header = f"{'':30}{'saver':>26}{'floor':>26}{'ratio':>24}"
    rows = [("fps", "frames a second", 1), ("msframe", "CPU ms per frame", 1), ("cpu", "CPU % of one core", 1)]
    for kind in kinds[1:]:
        what = {"default": "whole show", "ten2048": "whole show"}.get(kind, f"{args.seconds:g} s")
        print(f"\n== {kind} ({what})\n{header}")
        for key, label, scale in rows:
            saver_values = [whole(res).get(key) for res in results[kind]]
            floor_values = [whole(res).get(key) for res in floor]
            print(f"{label:30}{spread(saver_values, scale):>26}{spread(floor_values, scale):>26}"
                  f"{spread(ratios(kind, key)):>24}")
        print(f"{'first slide, s':30}{spread([r.get('first') for r in results[kind]]):>26}")
        for key, label in (("resident", "resident 1 s after it, MB"), ("anon", "anonymous 1 s after it, MB"),
                           ("peak", "peak resident of the run, MB"), ("peakanon", "peak anonymous of the run, MB")):
            extra = [s[key] - f[key] if s.get(key) and f.get(key) else None for s, f in zip(results[kind], floor)]
            print(f"{label:30}{spread([r.get(key) for r in results[kind]], 1 / 2**20):>26}"
                  f"{spread([r.get(key) for r in floor], 1 / 2**20):>26}  {spread(extra, 1 / 2**20):>22} (minus floor)")

    print()
    loads = [res["load"][0] for kind in kinds for res in results[kind] if res.get("load")]
    print(f"load average over the runs: {min(loads):.1f} to {max(loads):.1f}"
          + ("" if max(loads) < 4 else " (the CPU targets are set for a load under 4)") if loads else "")
    if "default" in kinds:
        if trace and trace["windows"]:
            worst_lock = max(w["lock"] / max(1, w["frame"]) for w in trace["windows"])
            worst_made = max((w["buffer"] + w["resource"]) / max(1, w["frame"]) for w in trace["windows"])
            verdict(worst_lock, PER_FRAME_NONE, "default scene, buffer locks that can wait a frame, worst slide")
            verdict(worst_made, PER_FRAME_NONE, "default scene, resources created a frame, worst slide")
        verdict(median(ratios("default", "msframe")), 1.5, "default scene, whole show, CPU ms a frame / floor")
        worst = None
        for i in range(len(plans["default"])):
            r = median(ratios("default", "msframe", i))
            worst = r if worst is None or (r is not None and r > worst) else worst
        verdict(worst, 2.5, "default scene, worst slide, CPU ms a frame / floor")
    if "still" in kinds:
        verdict(median(ratios("still", "cpu")), 0.15, "still slide, CPU % of a core / floor")
    if "drift" in kinds:
        # The slide show's own cost of a frame: one picture, moving, no objects.
        verdict(median(ratios("drift", "msframe")), 1.05, "drifting picture slide, CPU ms a frame / floor")
    if "ten2048" in kinds:
        print(f"resident: sampled every {RESIDENT_PERIOD:g} s over the whole run; 'anonymous' leaves out the mapped"
              f" files (the program and its document among them)")
        extra = median([s["peakanon"] - f["peakanon"] for s, f in zip(results["ten2048"], floor)
                        if s.get("peakanon") and f.get("peakanon")])
        verdict(None if extra is None else extra / TEN2048_DECODED, 1.1,
                f"ten 2048 slides, (peak anonymous - floor's) / the ten pictures decoded"
                f" ({TEN2048_DECODED / 2**20:.0f} MB)")
    if "still" in kinds and "fifty1024" in kinds:
        a, b = median([x["first"] for x in results["fifty1024"]]), median([x["first"] for x in results["still"]])
        verdict(None if a is None or not b else a / b, 1.5, "fifty slides, first slide / one-slide document's")


if __name__ == "__main__":
    main()
