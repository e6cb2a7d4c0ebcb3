#!/usr/bin/env python3
"""The automatic mode's scorecard: every programme of programmes.py made once
with ffmpeg (cached by a hash of its command), then decided by
`xvf-aspect -m auto` and by ffmpeg's cropdetect (default and tuned) turned
into modes by the same rules, and scored frame by frame.

Rules shared by the three contestants:
  - a stream declared 16:9 is anamorphic from its first frame;
  - otherwise a frame whose picture is at most 7/8 of the height plus a
    72nd (504 + 8 of 576 lines) asks for fit-width, any other the fallback,
    panorama; a new choice takes effect after one second of frames asking
    for it (for cropdetect, frames with an empty crop neither count nor
    interrupt); the first frame is in the fallback.
Scoring: in the first 1.5 s after the right mode changes (and after the
start), the mode before and the mode after are both right; a black frame
takes either neighbour's mode. A change to a mode that is not right at that
frame is spurious; latency is the time from a change of the right mode to
the contestant's first frame in the new mode.

usage: autoeval.py XVF_ASPECT BUILD_DIR [--markdown FILE] [--jobs N]
"""
import argparse
import concurrent.futures
import hashlib
import json
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import programmes as P  # noqa: E402

GRACE_SECONDS = 1.5
CROPDETECT = {"cropdetect": "cropdetect", "tuned": "cropdetect=limit=24:round=2:reset=1"}
CONTESTANTS = ["auto", "cropdetect", "tuned"]


def make(prog, folder):
    graph = prog.graph()
    codec = "|" + " ".join(prog.codec) if prog.codec else ""
    digest = hashlib.sha1((graph + codec + "|ffv1").encode()).hexdigest()[:16]
    path = os.path.join(folder, digest + ".mkv")
    if not os.path.exists(path):
        tmp = path + ".part.mkv"
        if prog.codec:  # encoded as transmitted, decoded back to 4:2:2
            sent = path + ".sent.ts"
            subprocess.run(["ffmpeg", "-v", "error", "-y", "-filter_complex", graph] + prog.codec + [sent], check=True)
            subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", sent, "-pix_fmt", "yuv422p", "-c:v", "ffv1", tmp],
                           check=True)
            os.remove(sent)
        else:
            subprocess.run(["ffmpeg", "-v", "error", "-y", "-filter_complex", graph, "-c:v", "ffv1", tmp], check=True)
        os.replace(tmp, path)
    return path


def y4m(path):
    return subprocess.Popen(["ffmpeg", "-v", "error", "-i", path, "-f", "yuv4mpegpipe", "-strict", "-1", "-"],
                            stdout=subprocess.PIPE)


def auto_modes(xvf, path, geometry, options):
    source = y4m(path)
    run = subprocess.run([xvf, "-w", "1024x576", "-m", "auto", "-o", "/dev/null", "--geometry=" + geometry] + options,
                         stdin=source.stdout, capture_output=True, text=True)
    source.stdout.close()
    source.wait()
    if run.returncode != 0:
        raise RuntimeError(f"xvf-aspect failed on {path}: {run.stderr}")
    with open(geometry) as lines:
        modes = [json.loads(line)["mode"] for line in lines]
    os.remove(geometry)
    return modes, run.stderr


CROP = re.compile(r"w:(-?\d+) h:(-?\d+) .*? t:([\d.]+)")


def crop_modes(prog, path, options, frames):
    """cropdetect's modes, kept beside the programme: they change only with it."""
    cache = path + "." + hashlib.sha1(options.encode()).hexdigest()[:8] + ".json"
    if os.path.exists(cache):
        with open(cache) as f:
            return held_modes(prog, json.load(f))
    rows = crop_rows(prog, path, options, frames)
    with open(cache, "w") as f:
        json.dump(rows, f)
    return held_modes(prog, rows)


def crop_rows(prog, path, options, frames):
    run = subprocess.run(["ffmpeg", "-hide_banner", "-v", "info", "-i", path, "-vf", options, "-f", "null", "-"],
                         capture_output=True, text=True)
    rows = [None] * frames
    for m in CROP.finditer(run.stderr):
        w, h, t = int(m.group(1)), int(m.group(2)), float(m.group(3))
        k = round(t * prog.fps)
        if 0 <= k < frames and w > 0 and h > 0:
            rows[k] = h
    return rows


def held_modes(prog, rows):
    """Per-frame picture rows (None: no say) to modes with the one-second hold."""
    h = prog.std["h"]
    if prog.declared_wide:
        return [P.ANAMORPHIC] * len(rows)
    hold = round(prog.fps)
    mode, candidate, held, out = P.PANORAMA, None, 0, []
    for r in rows:
        if r is not None:
            wanted = P.FIT_WIDTH if r <= h * 7 // 8 + h // 72 else P.PANORAMA
            if wanted == mode:
                candidate, held = None, 0
            else:
                held = held + 1 if wanted == candidate else 1
                candidate = wanted
                if held >= hold:
                    mode, candidate, held = wanted, None, 0
        out.append(mode)
    return out


def accepted(truth, fps):
    """The modes right at each frame."""
    n = len(truth)
    sets = []
    for k, t in enumerate(truth):
        if t is not None:
            sets.append({t})
            continue
        before = next((truth[j] for j in range(k, -1, -1) if truth[j] is not None), P.PANORAMA)
        after = next((truth[j] for j in range(k, n) if truth[j] is not None), before)
        sets.append({before, after})
    grace = round(GRACE_SECONDS * fps)
    previous = P.PANORAMA
    changes = []
    for k, t in enumerate(truth):
        if t is None or t == previous:
            continue
        changes.append((k, previous, t))
        for j in range(k, min(n, k + grace)):
            sets[j] = sets[j] | {previous}
        previous = t
    return sets, changes


def score(prog, modes):
    truth = prog.truth()
    sets, changes = accepted(truth, prog.fps)
    n = len(truth)
    modes = (modes + [modes[-1] if modes else P.PANORAMA] * n)[:n]
    right = sum(m in s for m, s in zip(modes, sets))
    spurious = sum(1 for k in range(1, n) if modes[k] != modes[k - 1] and modes[k] not in sets[k])
    latencies, missed = [], 0
    for i, (k, _, new) in enumerate(changes):
        end = changes[i + 1][0] if i + 1 < len(changes) else n
        hit = next((j for j in range(k, end) if modes[j] == new), None)
        if hit is None:
            missed += 1
        else:
            latencies.append((hit - k) / prog.fps)
    return dict(frames=n, right=right, spurious=spurious, latencies=latencies, missed=missed)


def evaluate(prog, xvf, folder, index):
    path = make(prog, folder)
    modes, report = auto_modes(xvf, path, os.path.join(folder, f"geometry-{index}.jsonl"), prog.options)
    n = len(modes)
    result = {"auto": score(prog, modes), "report": report}
    for name, options in CROPDETECT.items():
        result[name] = score(prog, crop_modes(prog, path, options, n))
    return prog, result


def total(results, name):
    t = dict(frames=0, right=0, spurious=0, latencies=[], missed=0)
    for _, r in results:
        for key in ("frames", "right", "spurious", "missed"):
            t[key] += r[name][key]
        t["latencies"] += r[name]["latencies"]
    return t


def cell(s):
    lat = sum(s["latencies"]) / len(s["latencies"]) if s["latencies"] else 0.0
    miss = f", {s['missed']} missed" if s["missed"] else ""
    return f"{100.0 * s['right'] / s['frames']:5.1f} % {s['spurious']:>2} sp {lat:4.2f} s{miss}"


def table(title, results):
    lines = [f"### {title}", "", "| programme | kind | frames | auto | cropdetect | tuned |", "|---|---|---:|---|---|---|"]
    for prog, r in results:
        lines.append(f"| {prog.name} | {prog.kind} | {r['auto']['frames']} | " +
                     " | ".join(cell(r[c]) for c in CONTESTANTS) + " |")
    lines.append(f"| **total** ({len(results)}) | | {total(results, 'auto')['frames']} | " +
                 " | ".join("**" + cell(total(results, c)) + "**" for c in CONTESTANTS) + " |")
    kinds = {}
    for prog, r in results:
        kinds.setdefault(prog.kind, []).append((prog, r))
    lines += ["", "| kind | programmes | auto | cropdetect | tuned |", "|---|---:|---|---|---|"]
    for kind, group in kinds.items():
        lines.append(f"| {kind} | {len(group)} | " + " | ".join(cell(total(group, c)) for c in CONTESTANTS) + " |")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("xvf")
    parser.add_argument("folder")
    parser.add_argument("--markdown")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--only", help="programmes whose name contains this")
    parser.add_argument("--reports", action="store_true", help="print auto's report lines")
    a = parser.parse_args()
    os.makedirs(a.folder, exist_ok=True)
    sets = [("in the set", P.in_set()), ("held out", P.held_out()), ("transmitted", P.transmitted())]
    out = ["Cells: frames right, spurious changes (sp), mean switch latency.", ""]
    with concurrent.futures.ThreadPoolExecutor(a.jobs) as pool:
        for title, progs in sets:
            progs = [p for p in progs if not a.only or a.only in p.name]
            jobs = [pool.submit(evaluate, p, a.xvf, a.folder, f"{title[0]}{i}") for i, p in enumerate(progs)]
            results = [j.result() for j in jobs]
            if not results:
                continue
            if a.reports:
                for prog, r in results:
                    print(f"-- {prog.name}\n{r['report']}", end="")
            text = table(f"{title}", results)
            print(text)
            out.append(text)
    if a.markdown:
        with open(a.markdown, "w") as f:
            f.write("\n".join(out))


if __name__ == "__main__":
    main()
