"""One way for every benchmark script to run, time and measure a program.

Each run goes through a small C program (compiled on first use into the scratch folder)
that forks, executes the command with its output discarded and reads the command's
wall time, processor time (user + system) and peak resident size from wait4. The peak
is that of the program itself: Linux keeps the larger of the old and the new image's
peak across exec, so a child forked by this Python interpreter would report the
interpreter's own peak whenever that is larger (a 14 MB program read as 218 MB after the
interpreter had held 200 MB); the helper is a 1 MB process.

Programs are compared in rounds: every round runs each program once, in the same order
(A B A B ...), so that a change of load hits them alike; each figure is the median of
its runs and each ratio the median of the ratios taken round by round. A one-core figure
runs the command under `taskset -c 0`.
"""
import collections
import os
import statistics
import subprocess
import sys

MINIMUM_RUNS = 5
ONE_CORE = "0"

MEASURE_SOURCE = r"""
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv)
{
  struct timespec start, end;
  struct rusage usage;
  int status, discard = open("/dev/null", O_WRONLY);
  if (argc < 2 || discard < 0) return 2;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t child = fork();
  if (child == 0) {
    dup2(discard, 1);
    dup2(discard, 2);
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return 2;
  clock_gettime(CLOCK_MONOTONIC, &end);
  printf("%.6f %.6f %ld %d\n", (end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9,
         usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6,
         usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  return 0;
}
"""

Sample = collections.namedtuple("Sample", "wall cpu peak_kib")

_measure_program = None


COPY_CORPUS_OPTIONS = ("--rows", "256", "--columns", "320")  # the copy and DICOMDIR benchmarks' images


def corpus_ready(corpus, files, *options):
    """Generates `corpus` with make_corpus.py (`files` images, `options` passed on) when the
    folder does not exist yet; returns `corpus`."""
    if not os.path.isdir(corpus):
        subprocess.run(["/usr/bin/python3", os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_corpus.py"),
                        corpus, "--files", str(files)] + list(options), check=True)
    return corpus


def program_env(scratch, **extra):
    """The environment of our program in a benchmark: its temp folder, settings and logs
    (the audit trail among them) in `scratch`, never in the operator's own, plus `extra`."""
    return dict(os.environ, TMPDIR=scratch, HARROWDESK_APPDATA=os.path.join(scratch, "appdata"),
                XDG_STATE_HOME=os.path.join(scratch, "state"), **extra)


def prepare(scratch):
    """Compiles the measuring program into `scratch` (once per process)."""
    global _measure_program
    if _measure_program:
        return
    source = os.path.join(scratch, "bench-measure.c")
    with open(source, "w") as out:
        out.write(MEASURE_SOURCE)
    program = os.path.join(scratch, "bench-measure")
    subprocess.run(["cc", "-O2", "-o", program, source], check=True)
    _measure_program = program


def runs_wanted(repeat):
    """The number of rounds for --repeat `repeat`: at least MINIMUM_RUNS."""
    if repeat < MINIMUM_RUNS:
        print("runs: %d (--repeat %d raised to the minimum)" % (MINIMUM_RUNS, repeat))
    return max(repeat, MINIMUM_RUNS)


def measure(command, env=None, cores=None, codes=(0,)):
    """Runs `command` once (pinned to CPU `cores` with taskset when given); returns a
    Sample, or exits when its exit code is not in `codes`."""
    if not _measure_program:
        sys.exit("benchmark: bench_run.prepare() was not called")
    pinned = ["taskset", "-c", cores] if cores else []
    result = subprocess.run([_measure_program] + pinned + list(command), stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, env=env, check=True)
    wall, cpu, peak, code = result.stdout.split()
    if int(code) not in codes:
        sys.exit("benchmark: %s failed with exit code %s" % (" ".join(command), code))
    return Sample(float(wall), float(cpu), int(peak))


def rounds(programs, runs, env=None, cores=None, before=None, after=None):
    """Runs `programs` ([(name, command, accepted exit codes[, environment of its own])])
    `runs` times in turn (A B A B ...) in `env` unless a program has its own; `before(name)`
    and `after(name)` (when given) run untimed around each run. Returns
    {name: [Sample of each round]}."""
    samples = {program[0]: [] for program in programs}
    for _ in range(runs):
        for name, command, codes, *own_env in programs:
            if before:
                before(name)
            samples[name].append(measure(command, own_env[0] if own_env else env, cores, codes))
            if after:
                after(name)
    return samples


def median(samples, field):
    """The median of `field` ("wall", "cpu" or "peak_kib") over `samples`."""
    return statistics.median(getattr(sample, field) for sample in samples)


def ratio(ours, theirs, field):
    """The median, over the rounds, of our `field` over theirs in the same round."""
    return statistics.median(getattr(a, field) / max(getattr(b, field), 1e-9) for a, b in zip(ours, theirs))


def load_average():
    """The load average as printed with every figure: "1-min 5-min 15-min"."""
    return "%.2f %.2f %.2f" % os.getloadavg()


def print_table(title, samples, ours, files=None):
    """Prints, for each program of `samples`, the median wall and processor time, the
    median peak resident size and the round-by-round ratios of `ours` to it."""
    print(title)
    header = "  %-22s %9s %9s %10s %12s %12s" % ("program", "wall s", "cpu s", "peak MiB", "ours/it wall",
                                                  "ours/it cpu")
    if files:
        header += " %9s" % "files/s"
    print(header)
    for name, runs in samples.items():
        line = "  %-22s %9.3f %9.3f %10.1f %12.2f %12.2f" % (
            name, median(runs, "wall"), median(runs, "cpu"), median(runs, "peak_kib") / 1024.0,
            ratio(samples[ours], runs, "wall"), ratio(samples[ours], runs, "cpu"))
        if files:
            line += " %9.0f" % (files / median(runs, "wall"))
        print(line)


class Goals:
    """The goal lines a script prints at its end: "goal: TEXT: FIGURE (load ...) met" or
    "NOT met"."""

    def __init__(self):
        self.lines = []

    def add(self, text, figure, met, load):
        self.lines.append("goal: %s: %s (load %s) %s" % (text, figure, load, "met" if met else "NOT met"))

    def print(self):
        print()
        for line in self.lines:
            print(line)
