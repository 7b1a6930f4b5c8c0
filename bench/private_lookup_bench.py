#!/usr/bin/python3
"""What the private dictionaries cost the header pass: `harrowdesk-cli scan --order study`
on the same corpus with the installation data that holds "DICOM Tables" (every private
element of a known creator looked up and named) and with the same data without it (no
creator file found: each creator is looked for once, then remembered as unknown).
GDCM's gdcmscanner runs on the same corpus in the same run for scale.

Runs alternate (with, without, with, ...) so that a change of load hits both alike; the
processor time (user + system) of the best run of each counts, with the wall time beside
it. Prints the load average first, and the extra processor time of the lookups in percent.

Usage: private_lookup_bench.py [--build DIR] [--corpus DIR] [--files N] [--repeat N]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from scan_bench import TAGS, run  # noqa: E402  (one way to time a process)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--corpus", default=None, help="corpus folder (default: BUILD/bench-corpus-N)")
    parser.add_argument("--files", type=int, default=20000, help="images in a generated corpus")
    parser.add_argument("--repeat", type=int, default=5, help="timed runs of each setting")
    options = parser.parse_args()

    cli = os.path.join(options.build, "src", "app", "harrowdesk-cli")
    tables = os.path.join(options.build, "src", "app", "DICOM Tables")
    if not os.access(cli, os.X_OK) or not os.path.isdir(tables):
        sys.exit("benchmark: %s or %s is missing (build the project first)" % (cli, tables))
    corpus = options.corpus or os.path.join(options.build, "bench-corpus-%d" % options.files)
    if not os.path.isdir(corpus):
        subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_corpus.py"), corpus,
                        "--files", str(options.files)], check=True)

    scratch = tempfile.mkdtemp(prefix="private-bench-", dir=options.build)
    homes = {}
    for name, with_tables in (("with private names", True), ("without", False)):
        home = os.path.join(scratch, "home-" + ("with" if with_tables else "without"))
        os.makedirs(home)
        for entry in ("CSV_Template_Study.txt", "CSV_Template_Series.txt", "CSV_Template_Image.txt"):
            shutil.copy(os.path.join(options.build, "src", "app", entry), home)
        if with_tables:
            os.symlink(os.path.abspath(tables), os.path.join(home, "DICOM Tables"))
        homes[name] = dict(os.environ, TMPDIR=scratch, HARROWDESK_APPDATA=scratch, HARROWDESK_HOME=home + "/")
    command = [cli, "scan", corpus, "--order", "study", "--report", scratch]
    gdcm = ["gdcmscanner", "-r", "-d", corpus] + [arg for tag in TAGS for arg in ("-t", tag)]

    run(command, homes["with private names"])  # warms the cache
    load = os.getloadavg()
    best = {}
    for _ in range(options.repeat):
        for name, env in homes.items():
            measured = run(command, env)
            if name not in best or measured[1] < best[name][1]:
                best[name] = measured
    gdcm_best = min((run(gdcm, homes["without"]) for _ in range(options.repeat)), key=lambda m: m[1])

    print("load average before the runs: %.2f %.2f %.2f" % load)
    print("corpus: %s; best of %d runs each" % (corpus, options.repeat))
    print("%-20s %9s %9s %13s" % ("run", "wall s", "cpu s", "cpu / without"))
    base = best["without"][1]
    for name, (wall, cpu, _) in list(best.items()) + [("gdcmscanner", gdcm_best)]:
        print("%-20s %9.3f %9.3f %13.3f" % (name, wall, cpu, cpu / base))
    print("private lookups cost %+.1f%% processor time" % (100.0 * (best["with private names"][1] / base - 1)))
    shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
