#!/usr/bin/python3
"""Copy benchmark: our copy job against `cp -r`, in the same run, on the same files, with
a warm cache, each into a fresh target folder on the same file system. Dirty pages of
earlier runs are written out (sync) before each timed run, so that no run pays for
another's write-back.

  cp -r          cp -r SOURCE TARGET (the floor: the data alone)
  kernel         harrowdesk-cli copy SOURCE --to TARGET --dicomdir (scan, one header read
                 per file, DICOMDIR names, the kernel's copy_file_range)
  blocks 10240   the same, streaming through a 10,240-byte buffer (--block-size 10240)
  blocks 1 MiB   the same through a 1 MiB buffer

The source is the first N image files of the generated corpus (make_corpus.py), linked
into one folder tree of their own so that every program copies exactly those files.
Prints for each the wall time, MB/s and the ratio of its time to cp's.

With --tmpfs (root only) the targets go to a tmpfs that the benchmark mounts: that
takes the disk, and the write-back of other programs on a shared machine, out of the
comparison and leaves the cost of each program's own work.

Usage: copy_bench.py [--build DIR] [--corpus DIR] [--files N] [--repeat N] [--tmpfs]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def run(command, env):
    """Runs `command` with its output discarded; returns the wall time in seconds."""
    start = time.monotonic()
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    seconds = time.monotonic() - start
    if result.returncode != 0:
        sys.exit("benchmark: %s failed with exit code %d" % (" ".join(command), result.returncode))
    return seconds


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
    parser.add_argument("--repeat", type=int, default=3, help="timed runs of each program (the best counts)")
    parser.add_argument("--tmpfs", action="store_true", help="copy into a tmpfs mounted for the run (root)")
    options = parser.parse_args()

    cli = os.path.join(options.build, "src", "app", "harrowdesk-cli")
    if not os.access(cli, os.X_OK):
        sys.exit("benchmark: %s is missing (build the target harrowdesk-cli)" % cli)
    corpus = options.corpus or os.path.join(options.build, "bench-corpus-copy")
    if not os.path.isdir(corpus):
        subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_corpus.py"), corpus, "--files",
                        str(options.files), "--rows", "256", "--columns", "320"], check=True)

    scratch = tempfile.mkdtemp(prefix="copy-bench-", dir=options.build)
    try:
        source = os.path.join(scratch, "source")
        files, size = pick_files(corpus, source, options.files)
        env = dict(os.environ, TMPDIR=scratch, HARROWDESK_APPDATA=os.path.join(scratch, "appdata"))
        targets = os.path.join(scratch, "targets")
        os.makedirs(targets)
        if options.tmpfs:
            subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % (2 * size + (64 << 20)), "tmpfs", targets],
                           check=True)
        ours = [cli, "copy", source, "--dicomdir"]
        programs = [("cp -r", lambda target: ["cp", "-r", source, target]),
                    ("kernel", lambda target: ours + ["--to", target]),
                    ("blocks 10240", lambda target: ours + ["--to", target, "--block-size", "10240"]),
                    ("blocks 1 MiB", lambda target: ours + ["--to", target, "--block-size", "1048576"])]
        for _, command in programs:  # warm the cache and check that each one works
            target = os.path.join(targets, "warm")
            os.makedirs(target)
            run(command(target), env)
            shutil.rmtree(target)

        best = {}
        for _ in range(options.repeat):
            for name, command in programs:
                target = os.path.join(targets, "target")
                os.makedirs(target)
                os.sync()
                seconds = run(command(target), env)
                shutil.rmtree(target)
                best[name] = min(seconds, best.get(name, seconds))

        print("source: %d files, %.1f MB (from %s), targets on %s" % (files, size / 1e6, corpus,
                                                                      "a tmpfs" if options.tmpfs else "disk"))
        print("%-14s %9s %9s %10s" % ("program", "seconds", "MB/s", "time / cp"))
        for name, _ in programs:
            print("%-14s %9.3f %9.0f %10.2f" % (name, best[name], size / 1e6 / best[name], best[name] / best["cp -r"]))
        fastest = min((name for name, _ in programs[1:]), key=lambda name: best[name])
        print("ours (%s) vs cp -r: %.2f times cp's time" % (fastest, best[fastest] / best["cp -r"]))
    finally:
        if options.tmpfs:
            subprocess.run(["umount", os.path.join(scratch, "targets")], check=False)
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
