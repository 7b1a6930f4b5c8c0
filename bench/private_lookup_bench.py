#!/usr/bin/python3
"""What the private dictionaries cost the header pass: `harrowdesk-cli scan --order study`
on the same corpus with the installation data that holds "DICOM Tables" (every private
element of a known creator looked up and named) and with the same data without it (no
creator file found: each creator is looked for once, then remembered as unknown).
GDCM's gdcmscanner runs on the same corpus in the same run for scale.

The three run in rounds (with, without, gdcmscanner, with, ...), at least 5, so that a
change of load hits them alike (bench_run.py). Prints the load average before and after,
the median wall and processor time (user + system) of each, and the extra processor time
of the lookups: the median of the round-by-round ratios of "with" to "without", in
percent.

Usage: private_lookup_bench.py [--build DIR] [--corpus DIR] [--files N] [--repeat N] [--work DIR]
"""
import argparse
import os
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import bench_run  # noqa: E402
from scan_bench import SCAN_CODES, TAGS  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--corpus", default=None, help="corpus folder (default: BUILD/bench-corpus-N)")
    parser.add_argument("--files", type=int, default=20000, help="images in a generated corpus")
    parser.add_argument("--repeat", type=int, default=bench_run.MINIMUM_RUNS,
                        help="rounds (at least %d)" % bench_run.MINIMUM_RUNS)
    parser.add_argument("--work", default=None, help="folder for scratch files (default: the build folder)")
    options = parser.parse_args()

    cli = os.path.join(options.build, "src", "app", "harrowdesk-cli")
    tables = os.path.join(options.build, "src", "app", "DICOM Tables")
    if not os.access(cli, os.X_OK) or not os.path.isdir(tables):
        sys.exit("benchmark: %s or %s is missing (build the project first)" % (cli, tables))
    corpus = bench_run.corpus_ready(options.corpus or os.path.join(options.build, "bench-corpus-%d" % options.files),
                                    options.files)

    scratch = tempfile.mkdtemp(prefix="private-bench-", dir=options.work or options.build)
    bench_run.prepare(scratch)
    runs = bench_run.runs_wanted(options.repeat)
    homes = {}
    for name, with_tables in (("with private names", True), ("without", False)):
        home = os.path.join(scratch, "home-" + ("with" if with_tables else "without"))
        os.makedirs(home)
        for entry in ("CSV_Template_Study.txt", "CSV_Template_Series.txt", "CSV_Template_Image.txt"):
            shutil.copy(os.path.join(options.build, "src", "app", entry), home)
        if with_tables:
            os.symlink(os.path.abspath(tables), os.path.join(home, "DICOM Tables"))
        homes[name] = bench_run.program_env(scratch, HARROWDESK_HOME=home + "/")
    command = [cli, "scan", corpus, "--order", "study", "--report", scratch]
    gdcm = ["gdcmscanner", "-r", "-d", corpus] + [arg for tag in TAGS for arg in ("-t", tag)]

    programs = [(name, command, SCAN_CODES, env) for name, env in homes.items()]
    programs.append(("gdcmscanner", gdcm, (0,), homes["without"]))
    bench_run.measure(command, homes["with private names"], None, SCAN_CODES)  # warms the cache
    print("corpus: %s; %d rounds" % (corpus, runs))
    print("load average before: %s" % bench_run.load_average())
    samples = bench_run.rounds(programs, runs)
    print("load average after:  %s" % bench_run.load_average())
    print("%-20s %9s %9s %14s" % ("run", "wall s", "cpu s", "cpu / without"))
    for name, runs_of in samples.items():
        print("%-20s %9.3f %9.3f %14.3f" % (name, bench_run.median(runs_of, "wall"), bench_run.median(runs_of, "cpu"),
                                           bench_run.ratio(runs_of, samples["without"], "cpu")))
    print("private lookups cost %+.1f%% processor time"
          % (100.0 * (bench_run.ratio(samples["with private names"], samples["without"], "cpu") - 1)))
    shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
