#!/usr/bin/env python3
"""Tables and plot data from a full benchmark run (scripts/bench).

    bench/report.py RESULTS_DIR

Reads native.json (Google Benchmark, with min/median/max aggregates),
wine.txt (execute_bench.exe), preview.txt (preview_bench.exe) and
machine.txt; writes table.md and throughput.dat there and prints the tables.
"""
import json
import re
import sys

GIB = float(1 << 30)

# Fixed columns, so that the plot finds them whatever ran: a series that did
# not run (no AVX2 on the machine) is NaN.
NATIVE = [("memcpy", "memcpy"), ("ours_avx2", "ours, AVX2"), ("ours_avx2_in_place", "ours, AVX2, in place"),
          ("ours_avx2_stream", "ours, AVX2 streaming"), ("ours_sse2", "ours, SSE2"), ("ours_scalar", "ours, plain"),
          ("opencv_multiply", "OpenCV cv::multiply"), ("libvips_linear", "libvips linear")]
WINE_PLOT = [("memcpy src->dst", "Wine: memcpy (msvcrt)"), ("HXF_Execute src->dst", "Wine: HXF_Execute"),
             ("HXF_Execute in place", "Wine: HXF_Execute in place"),
             ("HXF_Execute src->dst {other}", "Wine: HXF_Execute without AVX2 (SSE2)"),
             ("AVX2 loop src->dst", "Wine: the AVX2 loop alone")]
WINE_ROWS = [("HXF_Execute src->dst", "HXF_Execute, separate buffers"),
             ("HXF_Execute in place", "HXF_Execute, in place"),
             ("HXF_Execute src->dst, callback", "HXF_Execute, separate, progress callback"),
             ("HXF_Execute in place, callback", "HXF_Execute, in place, progress callback"),
             ("HXF_Execute src->dst {other}", "HXF_Execute without AVX2 (SSE2 loop), separate"),
             ("HXF_Execute in place {other}", "HXF_Execute without AVX2 (SSE2 loop), in place"),
             ("AVX2 loop src->dst", "the AVX2 loop alone"),
             ("AVX2 streaming loop src->dst", "the streaming AVX2 loop alone"),
             ("SSE2 loop src->dst", "the SSE2 loop alone"), ("scalar loop src->dst", "the plain loop alone")]


def machine_facts(out):
    facts = {}
    for line in open(out + "/machine.txt"):
        key, _, value = line.partition(": ")
        facts[key] = value.strip()
    return facts


def native_results(out):
    """(name, side) -> {min, median, max} in GiB/s."""
    native = {}
    for b in json.load(open(out + "/native.json"))["benchmarks"]:
        agg = b.get("aggregate_name")
        if agg in ("min", "median", "max"):
            name, side = b["run_name"].rsplit("/", 1)
            native.setdefault((name, int(side)), {})[agg] = b["bytes_per_second"] / GIB
    return native


def wine_results(out):
    """(case, side) -> {ms, ratio: [min, median, max], work: [...]}, the loop lines, the second DLL's tag."""
    wine, loops = {}, []
    for line in open(out + "/wine.txt"):
        if line.startswith("loop: "):
            loops.append(line.split(": ", 1)[1].strip())
        m = re.match(r"^(\d+)\s+(.+?)\s+([\d.]+)((?:\s+[\d.]+)*)\s*$", line)
        if m:
            rest = [float(v) for v in m.group(4).split()]
            wine[(m.group(2), int(m.group(1)))] = {"ms": float(m.group(3)), "ratio": rest[0:3], "work": rest[3:6]}
    other = next((n[len("HXF_Execute src->dst "):] for n, _ in wine if n.startswith("HXF_Execute src->dst [")), "")
    return wine, loops, other


def spread(v, digits=2):
    f = "%%.%df" % digits
    return (f + " (" + f + "–" + f + ")") % (v[1], v[0], v[2])


def main(out):
    facts = machine_facts(out)
    native = native_results(out)
    wine, loops, other = wine_results(out)
    sides = sorted({s for _, s in native})
    wine_sides = sorted({s for _, s in wine})
    wine_plot = [(k.format(other=other), t) for k, t in WINE_PLOT]
    wine_rows = [(k.format(other=other), t) for k, t in WINE_ROWS]
    wine_rows = [(k, t) for k, t in wine_rows if any((k, s) in wine for s in wine_sides)]

    with open(out + "/throughput.dat", "w") as f:
        # Image side, MiB, then the median GiB/s of each series; the first line names the columns.
        f.write("side MiB " + " ".join('"%s"' % t for _, t in NATIVE + wine_plot) + "\n")
        for s in sides:
            row = [str(s), "%.3f" % (s * s * 4 / float(1 << 20))]
            row += ["%.3f" % native[(n, s)]["median"] if (n, s) in native else "NaN" for n, _ in NATIVE]
            for n, _ in wine_plot:
                ms = wine.get((n, s), {}).get("ms")
                row.append("%.3f" % (s * s * 4 / (ms / 1e3) / GIB) if ms else "NaN")
            f.write(" ".join(row) + "\n")

    ran = [(n, t) for n, t in NATIVE if any((n, s) in native for s in sides)]
    lines = ["Native (x86-64), one thread; GiB/s, median (min–max) over 11 repetitions, and the median's ratio "
             "to memcpy's:", "",
             "| image | " + " | ".join(t for _, t in ran) + " |", "|---" * (len(ran) + 1) + "|"]
    for s in sides:
        copy = native[("memcpy", s)]["median"]
        cells = []
        for n, _ in ran:
            v = native.get((n, s))
            cells.append("%.1f (%.1f–%.1f) ×%.2f" % (v["median"], v["min"], v["max"], v["median"] / copy)
                         if v else "–")
        lines.append("| %d² | %s |" % (s, " | ".join(cells)))

    head = "| | " + " | ".join("%d²" % s for s in wine_sides) + " |"
    rule = "|---" * (len(wine_sides) + 1) + "|"
    lines += ["", "Under Wine (i686 build; the program and the Wine server on one CPU): " + "; ".join(loops) + ".",
              "Ratio to memcpy (memcpy's time over the case's in the same repetition; memcpy and the loops alone "
              "timed warm, a run on its second pass), median (min–max):", "",
              head, rule,
              "| memcpy, median ms | " + " | ".join("%.3f" % wine[("memcpy src->dst", s)]["ms"] for s in wine_sides)
              + " |"]
    for key, title in wine_rows:
        lines.append("| %s | %s |" % (title, " | ".join(spread(wine[(key, s)]["ratio"]) if (key, s) in wine else "–"
                                                       for s in wine_sides)))
    work_sides = [s for s in wine_sides if any(wine.get((k, s), {}).get("work") for k, _ in wine_rows)]
    lines += ["", "Pixel work of a run against memcpy (the run's time less that of a 1 × 1 run timed right after "
              "it), median (min–max):", "",
              "| | " + " | ".join("%d²" % s for s in work_sides) + " |", "|---" * (len(work_sides) + 1) + "|"]
    for key, title in wine_rows:
        if key.startswith("HXF_Execute"):
            lines.append("| %s | %s |" % (title, " | ".join(spread(wine[(key, s)]["work"])
                                                           if wine.get((key, s), {}).get("work") else "–"
                                                           for s in work_sides)))
    fixed = ["%.3f" % wine[("HXF_Execute 1x1 (fixed cost)", s)]["ms"] for s in wine_sides
             if ("HXF_Execute 1x1 (fixed cost)", s) in wine]
    if fixed:
        lines += ["", "Fixed cost of a run (a 1 × 1 run after a separate-buffer run: settings file and progress "
                  "bracket), median at each size: "
                  + ", ".join(fixed) + " ms."]

    preview = [l.rstrip() for l in open(out + "/preview.txt")]
    number = r"([\d.]+)"
    rows = [re.match(r"^\s*(\d+)x(\d+)\s+(\d+)x(\d+)\s+" + r"\s+".join([number] * 9) + r"\s+\((.+)\)", l)
            for l in preview]
    rows = [m for m in rows if m]
    if rows:
        loop = next((l.split(": ", 1)[1] for l in preview if l.startswith("loop: ")), "")
        lines += ["", "Preview repaint under Wine (%s): ms, and the ratio on/off of each pair of repaints, "
                  "median (min–max):" % loop, "",
                  "| image | pane | preview on | preview off | on / off |", "|---|---|---|---|---|"]
        for m in rows:
            g = [float(m.group(i)) for i in range(5, 14)]
            lines.append("| %s×%s (%s) | %s×%s | %s | %s | %s |" % (
                m.group(1), m.group(2), m.group(14), m.group(3), m.group(4), spread(g[0:3], 3), spread(g[3:6], 3),
                spread(g[6:9])))
    lines += ["", "Machine: %s (family/model %s), %s CPUs, caches %s, hypervisor %s. Load average (1, 5, 15 min) "
              "before the run %s, after it %s." % (
                  facts.get("cpu", "?"), facts.get("family/model", "?"), facts.get("cpus", "?"),
                  facts.get("caches", "?"), facts.get("hypervisor", "?"), facts.get("load before", "?"),
                  facts.get("load after", "?"))]
    open(out + "/table.md", "w").write("\n".join(lines) + "\n")
    print("\n".join(lines))


if __name__ == "__main__":
    main(sys.argv[1])
