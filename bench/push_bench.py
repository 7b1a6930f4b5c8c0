#!/usr/bin/python3
"""Push benchmark: our push (one association per file) against DCMTK's storescu run once
per file and storescu sending every file over one association, in the same run, into the
same storescp, on the same files of the generated corpus.

  harrowdesk        harrowdesk-cli push CORPUS --part10 ... (scan, then one association
                    per file inside one process)
  storescu / file   one storescu process per file
  storescu / one    one storescu process, one association for all files

storescp runs on a free loopback port, accepts every transfer syntax (+xa) and discards
what it receives (--ignore), so that the three differ only in the sending side. Every
program, storescp included, has TCP_NODELAY=1 in its environment (DCMTK leaves Nagle's
algorithm on without it, and each message then waits some 40 ms for a delayed
acknowledgement; our program sets it itself). storescu proposes the contexts of
/etc/dcmtk/storescu.cfg's Default profile, so compressed series are sent as they are.

Prints, for each, the wall time and the files per second, and the ratios of our files per
second to the two storescu forms. Goal: at least 300 files/s, and within 1.1 times the
time of storescu's one association.

Usage: push_bench.py [--build DIR] [--corpus DIR] [--files N] [--repeat N] [--cli PATH]
The corpus is generated with make_corpus.py when the folder does not exist yet.
"""
import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def listening(port):
    """True when some socket listens on TCP `port` (from /proc/net/tcp*)."""
    wanted = ":%04X" % port
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        with open(table) as lines:
            for line in lines.readlines()[1:]:
                fields = line.split()
                if fields[3] == "0A" and fields[1].endswith(wanted):
                    return True
    return False


def dicom_files(folder):
    """The Part 10 files of `folder` (not DICOMDIR), sorted by path."""
    found = []
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as stream:
                stream.seek(128)
                if stream.read(4) == b"DICM" and name != "DICOMDIR":
                    found.append(path)
    return sorted(found)


def timed(commands, env):
    """Runs each command in turn (output discarded); returns the seconds taken, or exits
    when one fails."""
    start = time.monotonic()
    for command in commands:
        code = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env).returncode
        if code != 0:
            sys.exit("benchmark: %s failed with exit code %d" % (" ".join(command[:2]), code))
    return time.monotonic() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--corpus", default=None, help="corpus folder (default: BUILD/bench-corpus-push-N)")
    parser.add_argument("--files", type=int, default=500, help="images in a generated corpus (default 500)")
    parser.add_argument("--repeat", type=int, default=3,
                        help="timed runs of ours and of storescu over one association (the best counts)")
    parser.add_argument("--cli", default=None, help="the harrowdesk-cli to measure (default: BUILD/src/app/...)")
    options = parser.parse_args()

    cli = options.cli or os.path.join(options.build, "src", "app", "harrowdesk-cli")
    if not os.access(cli, os.X_OK):
        sys.exit("benchmark: %s is missing (build the target harrowdesk-cli)" % cli)
    for tool in ("storescp", "storescu"):
        if not shutil.which(tool):
            sys.exit("benchmark: %s is missing (Debian package dcmtk)" % tool)
    corpus = options.corpus or os.path.join(options.build, "bench-corpus-push-%d" % options.files)
    if not os.path.isdir(corpus):
        subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_corpus.py"), corpus,
                        "--files", str(options.files)], check=True)
    files = dicom_files(corpus)

    scratch = tempfile.mkdtemp(prefix="push-bench-", dir=options.build)
    env = dict(os.environ, TMPDIR=scratch, HARROWDESK_APPDATA=scratch, TCP_NODELAY="1")
    port = free_port()
    server = subprocess.Popen(["storescp", "+xa", "--ignore", "-aet", "BENCH", str(port)],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=scratch, env=env)
    try:
        for _ in range(200):
            if listening(port) or server.poll() is not None:
                break
            time.sleep(0.05)
        if not listening(port):
            sys.exit("benchmark: storescp did not start")
        address = ["127.0.0.1", str(port)]
        ours = [[cli, "push", corpus, "--part10", "--peer", "127.0.0.1", "--port", str(port),
                 "--called", "BENCH", "--calling", "HARROWDESK"]]
        storescu = ["storescu", "-xf", "/etc/dcmtk/storescu.cfg", "Default", "-aec", "BENCH", "-aet", "STORESCU"]
        per_file = [storescu + address + [path] for path in files]
        one = [storescu + address + files]
        programs = [("harrowdesk", ours), ("storescu / file", per_file), ("storescu / one", one)]

        timed(one, env)  # warms the cache and checks that the server takes every file
        results = {}
        for name, commands in programs:
            # storescu once per file takes minutes and varies little: it runs once.
            repeat = 1 if name == "storescu / file" else options.repeat
            results[name] = min(timed(commands, env) for _ in range(repeat))
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(scratch, ignore_errors=True)

    count = len(files)
    print("corpus: %s (%d DICOM files, %.0f MB)" % (corpus, count, sum(os.path.getsize(f) for f in files) / 1e6))
    print("%-16s %9s %9s" % ("program", "seconds", "files/s"))
    for name, _ in programs:
        print("%-16s %9.3f %9.0f" % (name, results[name], count / results[name]))
    ours_time = results["harrowdesk"]
    print("ours vs storescu once per file: %.1f times the files/s" % (results["storescu / file"] / ours_time))
    print("ours vs storescu over one association: %.2f times its time (goal: at most 1.10)"
          % (ours_time / results["storescu / one"]))
    print("goal of at least 300 files/s: %s" % ("met" if count / ours_time >= 300 else "missed"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
