#!/usr/bin/python3
"""Copy benchmark: our copy job against `cp -r`, in the same run, on the same files, with
a warm cache, into a target folder on the same file system.

  cp -r            cp -r SOURCE TARGET (the floor: the data alone)
  ordinary names   harrowdesk-cli copy SOURCE --to TARGET (scan, one header read per
                   file, names from the settings' defaults, the kernel's copy)
  dicomdir names   the same with --dicomdir (DICOMDIR-compatible names)
  blocks N         the same with --dicomdir --block-size N, for each --block-size given

The programs run in rounds, one after the other (cp, ordinary, dicomdir, cp, ...), at
least 5 rounds on both cores and as many pinned to one core (taskset -c 0). Before every
run the previous target is removed and the file system synced (untimed), so that no run
pays for another's write-back and every program writes into the same empty folder.
Prints the load average before and after, and for each program the median wall and
processor time (user + system), its peak resident size and the medians of the
round-by-round ratios of ours to it, then the goal lines.

The source is the first N image files of the generated corpus (make_corpus.py), linked
into one folder tree of their own so that every program copies exactly those files.
With --tmpfs (root only) the targets go to a tmpfs that the benchmark mounts: that takes
the disk out of the comparison and leaves the cost of each program's own work.

Usage: copy_bench.py [--build DIR] [--corpus DIR] [--files N] [--repeat N] [--tmpfs]
                     [--work DIR] [--block-size N]...
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import bench_run  # noqa: E402

GOAL_RATIO = 1.3


def pick_files(corpus, source, count):
    """Hard-links the first `count` DICOM files of the corpus (walk order, sorted) into
    `source`, keeping their folders. Returns (files, bytes)."""
    files = total = 0
    for folder, folders, names in os.walk(corpus):
        folders.sort()
        for name in sorted(names):
            if files >= count:
                return files, total
            path = os.path.join(folder, name)
            with open(path, "rb") as stream:
                stream.seek(128)
                if stream.read(4) != b"DICM":
                    continue
            copy = os.path.join(source, os.path.relpath(path, corpus))
            os.makedirs(os.path.dirname(copy), exist_ok=True)
            os.link(path, copy)
            files += 1
            total += os.path.getsize(path)
    return files, total


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--corpus", default=None, help="corpus folder (default: BUILD/bench-corpus-copy)")
    parser.add_argument("--files", type=int, default=2000, help="files to copy (default 2000)")
    parser.add_argument("--repeat", type=int, default=bench_run.MINIMUM_RUNS,
                        help="rounds on each core count (at least %d)" % bench_run.MINIMUM_RUNS)
    parser.add_argument("--tmpfs", action="store_true", help="copy into a tmpfs mounted for the run (root)")
    parser.add_argument("--work", default=None,
                        help="folder for the source links and the targets (default: the build folder)")
    parser.add_argument("--block-size", type=int, action="append", default=[],
                        help="also measure our copy through a buffer of this many bytes (repeatable)")
    options = parser.parse_args()

    cli = os.path.join(options.build, "src", "app", "harrowdesk-cli")
    if not os.access(cli, os.X_OK):
        sys.exit("benchmark: %s is missing (build the target harrowdesk-cli)" % cli)
    corpus = bench_run.corpus_ready(options.corpus or os.path.join(options.build, "bench-corpus-copy"), options.files,
                                    *bench_run.COPY_CORPUS_OPTIONS)

    scratch = tempfile.mkdtemp(prefix="copy-bench-", dir=options.work or options.build)
    targets = os.path.join(scratch, "targets")
    mounted = False
    try:
        bench_run.prepare(scratch)
        runs = bench_run.runs_wanted(options.repeat)
        source = os.path.join(scratch, "source")
        files, size = pick_files(corpus, source, options.files)
        env = bench_run.program_env(scratch)
        os.makedirs(targets)
        if options.tmpfs:
            subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % (2 * size + (64 << 20)), "tmpfs", targets],
                           check=True)
            mounted = True
        target = os.path.join(targets, "target")
        ours = [cli, "copy", source, "--to", target]
        programs = [("cp -r", ["cp", "-r", source, target], (0,)),
                    ("ordinary names", ours, (0,)),
                    ("dicomdir names", ours + ["--dicomdir"], (0,))]
        programs += [("blocks %d" % block, ours + ["--dicomdir", "--block-size", str(block)], (0,))
                     for block in options.block_size]

        def fresh_target(_):
            """Removes the previous run's copy, writes everything out, makes the empty target."""
            shutil.rmtree(target, ignore_errors=True)
            os.sync()
            os.makedirs(target)

        for _, command, codes in programs:  # warm the cache and check that each one works
            fresh_target(None)
            bench_run.measure(command, env, None, codes)

        print("source: %d files, %.1f MB (from %s), targets on %s" % (files, size / 1e6, corpus,
                                                                      "a tmpfs" if options.tmpfs else "disk"))
        load_before = bench_run.load_average()
        print("load average before: %s" % load_before)
        two = bench_run.rounds(programs, runs, env, None, fresh_target)
        one = bench_run.rounds(programs, runs, env, bench_run.ONE_CORE, fresh_target)
        print("load average after:  %s" % bench_run.load_average())
        for title, samples in (("two cores", two), ("one core (taskset -c %s)" % bench_run.ONE_CORE, one)):
            print("%s, %d rounds (medians; ratios against cp -r in its row):" % (title, runs))
            print("  %-22s %9s %9s %10s %9s %11s %11s" % ("program", "wall s", "cpu s", "peak MiB", "MB/s",
                                                        "wall / cp", "cpu / cp"))
            for name, _, _ in programs:
                runs_of = samples[name]
                wall = bench_run.median(runs_of, "wall")
                print("  %-22s %9.3f %9.3f %10.1f %9.0f %11.2f %11.2f" % (
                    name, wall, bench_run.median(runs_of, "cpu"), bench_run.median(runs_of, "peak_kib") / 1024.0,
                    size / 1e6 / wall, bench_run.ratio(runs_of, samples["cp -r"], "wall"),
                    bench_run.ratio(runs_of, samples["cp -r"], "cpu")))
    finally:
        if mounted:
            subprocess.run(["umount", targets], check=False)
        shutil.rmtree(scratch, ignore_errors=True)

    goals = bench_run.Goals()
    for name in ("ordinary names", "dicomdir names"):
        figure = bench_run.ratio(two[name], two["cp -r"], "wall")
        one_core = bench_run.ratio(one[name], one["cp -r"], "wall")
        goals.add("copy of %d files with %s within %.1fx cp -r's wall time" % (files, name, GOAL_RATIO),
                  "%.2fx (one core: %.2fx)" % (figure, one_core), figure <= GOAL_RATIO, load_before)
    goals.print()
    return 0


if __name__ == "__main__":
    sys.exit(main())
