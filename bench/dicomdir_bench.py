#!/usr/bin/python3
"""DICOMDIR benchmark: our DICOMDIR writer against DCMTK's dcmmkdir, in the same run, on
the same folder of DICOMDIR-named copies, with a warm cache.

  ours       harrowdesk_media_directory_bench FOLDER (what a DICOMDIR-compatible copy
             does when it merges: read each copy's header, build the records, write
             the DICOMDIR under a hidden name and rename it into place; only one that
             replaces an older DICOMDIR is synced first)
  dcmmkdir   dcmmkdir -q -Nxc -Nec +I +r +id FOLDER +D FOLDER/DICOMDIR (every file
             entered whatever its transfer syntax, missing type 1 keys invented, as ours)

The programs run in rounds (ours, dcmmkdir, ours, ...), at least 5 on both cores and as
many pinned to one core (taskset -c 0); the DICOMDIR is removed before every run
(untimed). Prints the load average before and after, the median wall and processor time
and peak resident size of each program with the round-by-round ratios, checks that both
DICOMDIRs name every file, then the goal line.

The folder is made once per run: the first N files of the generated corpus
(make_corpus.py) copied by harrowdesk-cli copy --dicomdir --no-dicomdir-file.

Usage: dicomdir_bench.py [--build DIR] [--corpus DIR] [--files N] [--repeat N] [--work DIR]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

import bench_run

HERE = os.path.dirname(os.path.abspath(__file__))


def records_named(dicomdir):
    """The number of records of `dicomdir` that name a file (dcmdump's count)."""
    dump = subprocess.run(["dcmdump", "-q", "+P", "0004,1500", dicomdir], stdout=subprocess.PIPE, text=True,
                          check=True).stdout
    return sum(1 for line in dump.splitlines() if "ReferencedFileID" in line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--corpus", default=None, help="corpus folder (default: BUILD/bench-corpus-copy)")
    parser.add_argument("--files", type=int, default=2000, help="files of the corpus to copy (default 2000)")
    parser.add_argument("--repeat", type=int, default=bench_run.MINIMUM_RUNS,
                        help="rounds on each core count (at least %d)" % bench_run.MINIMUM_RUNS)
    parser.add_argument("--work", default=None, help="folder for the copies (default: the build folder)")
    options = parser.parse_args()

    cli = os.path.join(options.build, "src", "app", "harrowdesk-cli")
    ours = os.path.join(options.build, "bench", "harrowdesk_media_directory_bench")
    for program in (cli, ours):
        if not os.access(program, os.X_OK):
            sys.exit("benchmark: %s is missing (build it)" % program)
    corpus = bench_run.corpus_ready(options.corpus or os.path.join(options.build, "bench-corpus-copy"), options.files,
                                    *bench_run.COPY_CORPUS_OPTIONS)

    scratch = tempfile.mkdtemp(prefix="dicomdir-bench-", dir=options.work or options.build)
    try:
        bench_run.prepare(scratch)
        runs = bench_run.runs_wanted(options.repeat)
        env = bench_run.program_env(scratch)
        media = os.path.join(scratch, "media")
        os.makedirs(media)
        subprocess.run([cli, "copy", corpus, "--to", media, "--dicomdir", "--no-dicomdir-file", "--part10", "-q"],
                       env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        files = sum(len(names) for _, _, names in os.walk(media))
        dicomdir = os.path.join(media, "DICOMDIR")
        programs = [("ours", [ours, media], (0,)),
                    ("dcmmkdir", ["dcmmkdir", "-q", "-Nxc", "-Nec", "+I", "+r", "+id", media, "+D", dicomdir], (0,))]

        def no_dicomdir(_):
            if os.path.exists(dicomdir):
                os.unlink(dicomdir)

        named = {}
        for name, command, codes in programs:  # warm the cache; check that each names every file
            no_dicomdir(None)
            bench_run.measure(command, env, None, codes)
            named[name] = records_named(dicomdir)
        print("folder: %d DICOMDIR-named copies (from %s); records naming a file: %s" % (
            files, corpus, ", ".join("%s %d" % item for item in named.items())))
        load_before = bench_run.load_average()
        print("load average before: %s" % load_before)
        two = bench_run.rounds(programs, runs, env, None, no_dicomdir)
        one = bench_run.rounds(programs, runs, env, bench_run.ONE_CORE, no_dicomdir)
        print("load average after:  %s" % bench_run.load_average())
        bench_run.print_table("two cores, %d rounds (medians; ratios round by round):" % runs, two, "ours", files)
        bench_run.print_table("one core (taskset -c %s), %d rounds:" % (bench_run.ONE_CORE, runs), one, "ours", files)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    goals = bench_run.Goals()
    figure = bench_run.ratio(two["ours"], two["dcmmkdir"], "wall")
    one_core = bench_run.ratio(one["ours"], one["dcmmkdir"], "wall")
    every_file = named["ours"] == files
    goals.add("DICOMDIR of %d files written in less time than dcmmkdir takes, naming every file" % files,
              "%.2fx dcmmkdir's wall time (one core: %.2fx), %d of %d files named" % (
                  figure, one_core, named["ours"], files), figure < 1.0 and every_file, load_before)
    goals.print()
    return 0


if __name__ == "__main__":
    sys.exit(main())
