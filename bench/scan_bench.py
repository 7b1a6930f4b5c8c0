#!/usr/bin/python3
"""Scan benchmark: our scan and header pass against GDCM's gdcmscanner, a pydicom script
and a floor program, in the same run, on the same corpus, with a warm cache.

  harrowdesk   harrowdesk-cli scan CORPUS --order study (walk, header pass, catalogue, sort,
               reports)
  gdcmscanner  gdcmscanner -r -d CORPUS with the tags the catalogue files
  pydicom      pydicom_scan.py CORPUS (the same catalogue, headers only)
  floor        harrowdesk_bench_floor CORPUS (open each file, read its first 8 KiB)

Prints, for each, the wall time, files per second and the ratio of its time to ours, the
processor time (user + system, which other load on the machine disturbs less than the
wall time) and its ratio to ours, and our peak memory per catalogued image (peak
resident size over the images catalogued, and the same less the resident size of a scan
of an empty folder). The load average is printed first: figures taken under load are
noisy.

Usage: scan_bench.py [--build DIR] [--corpus DIR] [--files N] [--repeat N]
The corpus is generated with make_corpus.py when the folder does not exist yet.
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TAGS = ["0020,000d", "0020,000e", "0008,0018", "0020,0013", "0020,0010", "0010,0010", "0010,0020",
        "0008,0020", "0008,0023", "0020,0011", "0008,103e", "0008,0060"]


def run(command, env=None):
    """Runs `command` with its output discarded; returns (wall seconds, processor seconds
    (user + system), peak resident KiB)."""
    start = time.monotonic()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.monotonic() - start
    code = os.waitstatus_to_exitcode(status)
    if code not in (0, 1):
        sys.exit("benchmark: %s failed with exit code %d" % (command[0], code))
    return seconds, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def count_files(folder):
    return sum(len(names) for _, _, names in os.walk(folder))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--corpus", default=None, help="corpus folder (default: BUILD/bench-corpus-N)")
    parser.add_argument("--files", type=int, default=20000, help="images in a generated corpus")
    parser.add_argument("--repeat", type=int, default=1, help="timed runs of each program (the best counts)")
    options = parser.parse_args()

    cli = os.path.join(options.build, "src", "app", "harrowdesk-cli")
    floor = os.path.join(options.build, "bench", "harrowdesk_bench_floor")
    for program in (cli, floor):
        if not os.access(program, os.X_OK):
            sys.exit("benchmark: %s is missing (build the targets harrowdesk-cli and harrowdesk_bench_floor)" % program)
    corpus = options.corpus or os.path.join(options.build, "bench-corpus-%d" % options.files)
    if not os.path.isdir(corpus):
        subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_corpus.py"), corpus,
                        "--files", str(options.files)], check=True)
    files = count_files(corpus)

    scratch = tempfile.mkdtemp(prefix="scan-bench-", dir=options.build)
    env = dict(os.environ, TMPDIR=scratch, HARROWDESK_APPDATA=scratch)
    ours = [cli, "scan", corpus, "--order", "study", "--report", scratch]
    gdcm = ["gdcmscanner", "-r", "-d", corpus] + [arg for tag in TAGS for arg in ("-t", tag)]
    pydicom = ["/usr/bin/python3", os.path.join(HERE, "pydicom_scan.py"), corpus]
    programs = [("harrowdesk", ours), ("gdcmscanner", gdcm), ("pydicom", pydicom), ("floor", [floor, corpus])]

    # The catalogue, once, untimed: it warms the cache and gives the image count.
    listing = subprocess.run(ours + ["--json"], capture_output=True, env=env, check=False)
    catalogue = json.loads(listing.stdout)
    images = sum(len(series["images"]) for study in catalogue["studies"] for series in study["series"])
    empty = os.path.join(scratch, "empty")
    os.makedirs(empty, exist_ok=True)
    _, _, baseline = run([cli, "scan", empty, "--order", "study", "--report", scratch], env)

    load = os.getloadavg()
    results = {}
    for name, command in programs:
        best = None
        for _ in range(options.repeat):
            measured = run(command, env)
            best = measured if best is None or measured[0] < best[0] else best
        results[name] = best

    our_time, our_cpu, our_peak = results["harrowdesk"]
    print("load average before the runs: %.2f %.2f %.2f" % load)
    print("corpus: %s (%d files, %d images catalogued, %d studies)" % (corpus, files, images,
                                                                      len(catalogue["studies"])))
    print("%-12s %9s %9s %12s %10s %12s" % ("program", "wall s", "files/s", "wall / ours", "cpu s", "cpu / ours"))
    for name, _ in programs:
        seconds, cpu, _ = results[name]
        print("%-12s %9.3f %9.0f %12.2f %10.3f %12.2f" % (name, seconds, files / seconds, seconds / our_time,
                                                        cpu, cpu / our_cpu))
    print("ours vs gdcmscanner: %.1f times faster (cpu %.1f); vs pydicom: %.1f times faster (cpu %.1f); "
          "vs floor: %.2f times slower" % (results["gdcmscanner"][0] / our_time, results["gdcmscanner"][1] / our_cpu,
                                           results["pydicom"][0] / our_time, results["pydicom"][1] / our_cpu,
                                           our_time / results["floor"][0]))
    if images:
        print("our peak memory: %d KiB, %.0f bytes per catalogued image (%.0f above an empty scan's %d KiB)"
              % (our_peak, our_peak * 1024.0 / images, (our_peak - baseline) * 1024.0 / images, baseline))
    return 0


if __name__ == "__main__":
    sys.exit(main())
