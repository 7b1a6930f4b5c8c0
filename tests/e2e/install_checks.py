"""Helpers shared by the installation and package tests: where the build tree is, running
a program, the options a --help text lists, and the text of a roff manual page.

The option finder reads what a person reads: every "--long-option" and every short
"-x" that starts a word in the text, so a --help line or a synopsis cannot hide one.
"""
import os
import re
import subprocess

SOURCE_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")) + "/"
BUILD_DIR = os.environ.get("HARROWDESK_BUILD_DIR", os.path.join(SOURCE_DIR, "build") + "/")
PROJECT_VERSION = os.environ.get("HARROWDESK_PROJECT_VERSION", "")
PROGRAMS_DIR = os.path.join(BUILD_DIR, "src", "app")

# Long options: two dashes, a letter, then letters, digits and inner dashes.
LONG_OPTION = re.compile(r"(?<![\w-])--[a-z][a-z0-9]*(?:-[a-z0-9]+)*")
# Short options: one dash and one letter, alone as a word (not "-vv", not "1-4").
SHORT_OPTION = re.compile(r"(?<![\w-])-[A-Za-z](?![\w-])")


def run(arguments, env=None, timeout=60):
    """Runs a program; returns (exit code, standard output, standard error) as text."""
    done = subprocess.run(arguments, capture_output=True, text=True, env=env, timeout=timeout)
    return done.returncode, done.stdout, done.stderr


def options_in(text):
    """The set of options a text names ("--to", "-q")."""
    return set(LONG_OPTION.findall(text)) | set(SHORT_OPTION.findall(text))


def roff_text(page):
    """A roff page as plain words: escaped dashes become dashes, font changes vanish,
    comment lines are dropped and request names (".TP", ".BR") are taken off."""
    lines = []
    for line in page.splitlines():
        if line.startswith('.\\"'):
            continue
        line = re.sub(r"^\.[A-Za-z]+\s?", "", line)
        line = line.replace("\\-", "-").replace("\\(bu", "").replace("\\e", "\\")
        line = re.sub(r"\\f[BIRP]|\\f\[[A-Z]*\]|\\c", "", line)
        lines.append(line)
    return "\n".join(lines)


def commands_in_usage(usage):
    """The command names of `harrowdesk-cli --help`: the first word of each line of its
    "commands:" block."""
    commands = []
    block = usage.split("commands:\n", 1)[1] if "commands:\n" in usage else ""
    for line in block.splitlines():
        if not line.strip():
            break
        commands.append(line.split()[0])
    return commands


def missing_from_page(options, page_text):
    """The options of `options` that the plain page text never names, sorted."""
    named = options_in(page_text)
    return sorted(option for option in options if option not in named)


def clean_environment(root):
    """An environment whose settings, state and temp folders are inside `root`, with no
    display and no $HARROWDESK_HOME, so that a program finds its data by itself."""
    env = dict(os.environ)
    for name in ("HARROWDESK_HOME", "DISPLAY", "WAYLAND_DISPLAY", "HARROWDESK_OPEN_FOLDER"):
        env.pop(name, None)
    for name, folder in (("HARROWDESK_APPDATA", "appdata"), ("XDG_STATE_HOME", "state"), ("TMPDIR", "tmp"),
                         ("XDG_CONFIG_HOME", "config")):
        path = os.path.join(root, folder)
        os.makedirs(path, exist_ok=True)
        env[name] = path
    return env


def expected_install_files(prefix):
    """Every file an installation under `prefix` holds, as paths relative to the root
    of the installation (prefix without its leading "/"), sorted."""
    prefix = prefix.strip("/")
    files = ["bin/harrowdesk", "bin/harrowdesk-cli",
             "share/applications/harrowdesk.desktop",
             "share/metainfo/org.ardentvale.Harrowdesk.metainfo.xml",
             "share/man/man1/harrowdesk.1.gz", "share/man/man1/harrowdesk-cli.1.gz",
             "share/doc/harrowdesk/copyright", "share/doc/harrowdesk/changelog.gz",
             "share/doc/harrowdesk/THIRD-PARTY.md"]
    files += ["share/icons/hicolor/%dx%d/apps/harrowdesk.png" % (size, size) for size in (48, 64, 128, 256)]
    data = os.path.join(SOURCE_DIR, "data")
    files += ["share/harrowdesk/" + name for name in os.listdir(data) if name.startswith("CSV_Template_")]
    for folder in ("DICOM Tables", "Icons"):
        files += ["share/harrowdesk/%s/%s" % (folder, name) for name in os.listdir(os.path.join(data, folder))]
    return sorted(os.path.join(prefix, name) if prefix else name for name in files)


def files_below(root):
    """Every file below `root` (anything but a folder), relative to it, sorted."""
    found = []
    for folder, _, names in os.walk(root):
        for name in names:
            found.append(os.path.relpath(os.path.join(folder, name), root))
    return sorted(found)
