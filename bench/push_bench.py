#!/usr/bin/python3
"""Push benchmark: our push (one association per file) against DCMTK's storescu sending
every file over one association, in the same run, on the same files of the generated
corpus, into two receivers: DCMTK's storescp and Orthanc.

  harrowdesk        harrowdesk-cli push CORPUS --part10 ... (scan, then one association
                    per file inside one process)
  storescu / one    one storescu process, one association for all files
  storescu / file   one storescu process per file (only with --per-file: it takes minutes)

storescp runs on a free loopback port, accepts every transfer syntax (+xa) and discards
what it receives (--ignore). Orthanc runs directly (/usr/sbin/Orthanc) with a
configuration of ours: DICOM on a free loopback port, no HTTP server, storage and index
in the scratch folder, every store accepted and an instance sent again replacing the
stored one, so that every run stores every file. Both are stopped by their PID. Every
program has TCP_NODELAY=1 in its environment (DCMTK leaves Nagle's algorithm on without
it, and each message then waits some 40 ms for a delayed acknowledgement; our program
sets it itself). storescu proposes the contexts of /etc/dcmtk/storescu.cfg's Default
profile, so compressed series are sent as they are.

For each receiver the senders run in rounds, one after the other (ours, storescu, ours,
...), at least 5 rounds on both cores and as many with the sender pinned to one core
(taskset -c 0; the receiver is not pinned); the file system is synced before each run.
Prints the load average before and after, and for each sender the median wall and
processor time (user + system) of the sender, the receiver's processor time during the
run (from /proc), the files per second and the medians of the round-by-round ratios of
ours to it, then the goal lines.

Usage: push_bench.py [--build DIR] [--corpus DIR] [--files N] [--repeat N] [--cli PATH]
                     [--work DIR] [--per-file]
The corpus is generated with make_corpus.py when the folder does not exist yet.
"""
import argparse
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import bench_run  # noqa: E402

GOAL_RATIO = 1.3
START_TRIES = 300  # of 50 ms: 15 seconds for a receiver to listen
STOP_SECONDS = 5


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


def process_cpu(pid):
    """Processor seconds (user + system, every thread) used so far by process `pid`."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Receiver:
    """A storage server process on a free loopback port, stopped by its PID."""

    def __init__(self, name, argv, port, called, folder, env):
        self.name, self.port, self.called = name, port, called
        log_path = os.path.join(folder, name + ".log")
        with open(log_path, "w") as log:
            self.process = subprocess.Popen(argv, stdout=log, stderr=subprocess.STDOUT, cwd=folder, env=env)
        for _ in range(START_TRIES):
            if listening(port) or self.process.poll() is not None:
                break
            time.sleep(0.05)
        if not listening(port):
            self.stop()
            with open(log_path, errors="replace") as log:
                sys.exit("benchmark: %s did not start; its log ends:\n%s" % (name, "".join(log.readlines()[-10:])))

    def cpu(self):
        return process_cpu(self.process.pid)

    def stop(self):
        if self.process.poll() is None:
            os.kill(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(STOP_SECONDS)
            except subprocess.TimeoutExpired:
                os.kill(self.process.pid, signal.SIGKILL)
                self.process.wait()


def start_storescp(folder, env):
    port = free_port()
    return Receiver("storescp", ["storescp", "+xa", "--ignore", "-aet", "BENCH", str(port)], port, "BENCH", folder,
                    env)


def start_orthanc(folder, env):
    port = free_port()
    home = os.path.join(folder, "orthanc")
    os.makedirs(home)
    configuration = os.path.join(home, "orthanc.json")
    with open(configuration, "w") as out:
        out.write("""{
  "Name": "HarrowdeskBench",
  "StorageDirectory": "%s/storage",
  "IndexDirectory": "%s/index",
  "DicomAet": "ORTHANC",
  "DicomPort": %d,
  "HttpServerEnabled": false,
  "RemoteAccessAllowed": false,
  "AuthenticationEnabled": false,
  "DicomCheckCalledAet": false,
  "DicomAlwaysAllowStore": true,
  "OverwriteInstances": true,
  "Plugins": []
}
""" % (home, home, port))
    return Receiver("Orthanc", ["/usr/sbin/Orthanc", configuration], port, "ORTHANC", folder, env)


def bench_receiver(receiver, options, cli, corpus, files, env, runs, goals):
    """Measures every sender into `receiver`; prints its tables and adds its goal lines."""
    address = ["127.0.0.1", str(receiver.port)]
    ours = [cli, "push", corpus, "--part10", "--peer", "127.0.0.1", "--port", str(receiver.port),
            "--called", receiver.called, "--calling", "HARROWDESK"]
    storescu = ["storescu", "-xf", "/etc/dcmtk/storescu.cfg", "Default", "-aec", receiver.called, "-aet", "STORESCU"]
    programs = [("harrowdesk", ours, (0,)), ("storescu / one", storescu + address + files, (0,))]
    if options.per_file:
        loop = 'for f in "$@"; do %s "$f" || exit 1; done' % " ".join(storescu + address)
        programs.append(("storescu / file", ["/bin/sh", "-c", loop, "sh"] + files, (0,)))

    for _, command, codes in programs:  # warm the cache and check that the receiver takes every file
        bench_run.measure(command, env, None, codes)

    server_cpu = {name: [] for name, _, _ in programs}
    started = {}

    def before(name):
        os.sync()
        started[name] = receiver.cpu()

    def after(name):
        server_cpu[name].append(receiver.cpu() - started[name])

    print()
    print("receiver: %s on 127.0.0.1:%d" % (receiver.name, receiver.port))
    load_before = bench_run.load_average()
    print("load average before: %s" % load_before)
    two = bench_run.rounds(programs, runs, env, None, before, after)
    two_server = {name: list(values) for name, values in server_cpu.items()}
    for values in server_cpu.values():
        values.clear()
    one = bench_run.rounds(programs, runs, env, bench_run.ONE_CORE, before, after)
    print("load average after:  %s" % bench_run.load_average())
    count = len(files)
    for title, samples, servers in (("two cores", two, two_server),
                                    ("sender on one core (taskset -c %s)" % bench_run.ONE_CORE, one, server_cpu)):
        print("%s, %d rounds (medians):" % (title, runs))
        print("  %-18s %9s %9s %12s %9s %12s %12s" % ("sender", "wall s", "cpu s", "receiver cpu", "files/s",
                                                     "ours/it wall", "ours/it cpu"))
        for name, _, _ in programs:
            wall = bench_run.median(samples[name], "wall")
            print("  %-18s %9.3f %9.3f %12.3f %9.0f %12.2f %12.2f" % (
                name, wall, bench_run.median(samples[name], "cpu"), statistics.median(servers[name]),
                count / wall, bench_run.ratio(samples["harrowdesk"], samples[name], "wall"),
                bench_run.ratio(samples["harrowdesk"], samples[name], "cpu")))

    figure = bench_run.ratio(two["harrowdesk"], two["storescu / one"], "wall")
    one_core = bench_run.ratio(one["harrowdesk"], one["storescu / one"], "wall")
    cpu = bench_run.ratio(two["harrowdesk"], two["storescu / one"], "cpu")
    goals.add("push of %d files into %s, one association per file, within %.1fx storescu's single association"
              % (count, receiver.name, GOAL_RATIO),
              "%.2fx its wall time (one core: %.2fx; processor time %.2fx)" % (figure, one_core, cpu),
              figure <= GOAL_RATIO, load_before)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--corpus", default=None, help="corpus folder (default: BUILD/bench-corpus-push-N)")
    parser.add_argument("--files", type=int, default=500, help="images in a generated corpus (default 500)")
    parser.add_argument("--repeat", type=int, default=bench_run.MINIMUM_RUNS,
                        help="rounds into each receiver and on each core count (at least %d)"
                        % bench_run.MINIMUM_RUNS)
    parser.add_argument("--cli", default=None, help="the harrowdesk-cli to measure (default: BUILD/src/app/...)")
    parser.add_argument("--work", default=None, help="folder for scratch files (default: the build folder)")
    parser.add_argument("--per-file", action="store_true", help="also run storescu once per file (slow)")
    options = parser.parse_args()

    cli = options.cli or os.path.join(options.build, "src", "app", "harrowdesk-cli")
    if not os.access(cli, os.X_OK):
        sys.exit("benchmark: %s is missing (build the target harrowdesk-cli)" % cli)
    for tool in ("storescp", "storescu", "/usr/sbin/Orthanc"):
        if not shutil.which(tool):
            sys.exit("benchmark: %s is missing (Debian packages dcmtk and orthanc)" % tool)
    corpus = bench_run.corpus_ready(options.corpus or os.path.join(options.build, "bench-corpus-push-%d" % options.files),
                                    options.files)
    files = dicom_files(corpus)

    scratch = os.path.abspath(tempfile.mkdtemp(prefix="push-bench-", dir=options.work or options.build))
    env = bench_run.program_env(scratch, TCP_NODELAY="1")
    goals = bench_run.Goals()
    try:
        bench_run.prepare(scratch)
        runs = bench_run.runs_wanted(options.repeat)
        print("corpus: %s (%d DICOM files, %.0f MB)" % (corpus, len(files),
                                                        sum(os.path.getsize(f) for f in files) / 1e6))
        for start in (start_storescp, start_orthanc):
            receiver = start(scratch, env)
            try:
                bench_receiver(receiver, options, cli, corpus, files, env, runs, goals)
            finally:
                receiver.stop()
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    goals.print()
    return 0


if __name__ == "__main__":
    sys.exit(main())
