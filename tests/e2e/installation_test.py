#!/usr/bin/python3
"""What a user installs, checked from the build tree: harrowdesk-cli links no window
system, the manual pages name every command and option that --help lists, `cmake
--install` lays every file where it belongs (and the installed CLI finds its data there),
and every place that names the version names the project's.

Run by CTest (cmake/Harrowdesk_Install_Tests.cmake) with $HARROWDESK_BUILD_DIR and
$HARROWDESK_PROJECT_VERSION set; tests/e2e/install_checks.py holds the helpers.
"""
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from install_checks import (BUILD_DIR, PROGRAMS_DIR, PROJECT_VERSION, SOURCE_DIR, clean_environment,  # noqa: E402
                            commands_in_usage, expected_install_files, files_below, missing_from_page, options_in,
                            roff_text, run)

CLI = os.path.join(PROGRAMS_DIR, "harrowdesk-cli")
GUI = os.path.join(PROGRAMS_DIR, "harrowdesk")
TEST_FILE = "/usr/lib/python3/dist-packages/pydicom/data/test_files/CT_small.dcm"
# Libraries of the window system, fonts and sound that a command-line program must not load.
WINDOW_LIBRARIES = ("libSDL2", "libX11", "libfreetype", "libfontconfig", "libfribidi", "libpulse", "libwayland")
# Options the manual page describes ahead of the --help text that will list them.
MAN_ONLY_OPTIONS = {"--result", "--retry"}


def linked_libraries(program):
    code, out, _ = run(["ldd", program])
    if code != 0:
        raise AssertionError("ldd %s failed" % program)
    return [line.split()[0] for line in out.splitlines() if line.strip()]


def window_libraries_in(libraries):
    return sorted(name for name in libraries if name.startswith(WINDOW_LIBRARIES))


def read_page(name):
    with open(os.path.join(SOURCE_DIR, "man", name), encoding="utf-8") as page:
        return roff_text(page.read())


class Option_Finder(unittest.TestCase):
    """The helpers the drift checks stand on, on texts whose options are known."""

    def test_options_are_found_in_help_lines_and_synopses_but_not_in_words_or_ranges(self):
        cases = [
            ("  --timeout-connect S  seconds", {"--timeout-connect"}),
            ("[--study UID]... [--to=DIR]", {"--study", "--to"}),
            ("  -q, --quiet          errors", {"-q", "--quiet"}),
            ("level 1; -vv: level 2, 1-4, study-id, A-Z", set()),
            ("'harrowdesk-cli --version' (-V) names", {"--version", "-V"}),
        ]
        for text, options in cases:
            self.assertEqual(options_in(text), options, text)

    def test_roff_escapes_and_fonts_are_read_as_plain_text(self):
        page = '.\\" --hidden in a comment\n.BI \\-\\-fail\\-dir " DIR"\n[\\fB\\-x\\fR \\fIX WIDTH\\fR]\n'
        self.assertEqual(options_in(roff_text(page)), {"--fail-dir", "-x"})

    def test_an_option_missing_from_the_page_is_reported_and_a_present_one_is_not(self):
        page = roff_text(".TP\n.BI \\-\\-peer \" HOST\"\n")
        self.assertEqual(missing_from_page({"--peer", "--port"}, page), ["--port"])

    def test_commands_are_read_from_the_usage_block(self):
        usage = "usage: x\n\ncommands:\n  check      hold\n  scan       catalogue\n\n'x COMMAND --help'\n"
        self.assertEqual(commands_in_usage(usage), ["check", "scan"])


@unittest.skipUnless(os.access(CLI, os.X_OK), "harrowdesk-cli is not built")
class Cli_Links(unittest.TestCase):
    def test_cli_links_no_window_system_fonts_or_sound(self):
        self.assertEqual(window_libraries_in(linked_libraries(CLI)), [])

    @unittest.skipUnless(os.access(GUI, os.X_OK), "harrowdesk is not built")
    def test_the_check_sees_the_window_system_in_the_desktop_program(self):
        found = window_libraries_in(linked_libraries(GUI))
        self.assertIn("libSDL2-2.0.so.0", found)
        self.assertTrue(any(name.startswith("libfreetype") for name in found), found)


@unittest.skipUnless(os.access(CLI, os.X_OK), "harrowdesk-cli is not built")
class Manual_Pages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        _, cls.usage, _ = run([CLI, "--help"])
        cls.commands = commands_in_usage(cls.usage)
        cls.page = read_page("harrowdesk-cli.1")

    def test_cli_help_lists_commands(self):
        self.assertGreaterEqual(len(self.commands), 5, self.usage)

    def test_every_command_of_cli_help_is_in_the_manual_page(self):
        for command in self.commands:
            self.assertRegex(self.page, r"(?m)^B %s\b|harrowdesk-cli %s\b" % (command, command), command)

    def test_every_option_of_every_command_help_is_in_the_manual_page(self):
        options = options_in(self.usage)
        for command in self.commands:
            code, out, _ = run([CLI, command, "--help"])
            self.assertEqual(code, 0, command)
            missing = missing_from_page(options_in(out), self.page)
            self.assertEqual(missing, [], "%s --help lists options the manual page lacks" % command)
            options |= options_in(out)
        self.assertEqual(missing_from_page(options, self.page), [])

    def test_manual_page_names_only_options_some_help_lists_or_announced_ones(self):
        listed = options_in(self.usage)
        for command in self.commands:
            listed |= options_in(run([CLI, command, "--help"])[1])
        extra = sorted(options_in(self.page) - listed - MAN_ONLY_OPTIONS)
        self.assertEqual(extra, [], "options in the manual page that no --help lists")

    @unittest.skipUnless(os.access(GUI, os.X_OK), "harrowdesk is not built")
    def test_every_option_of_the_desktop_programs_usage_is_in_its_manual_page(self):
        env = clean_environment(tempfile.mkdtemp(dir=os.environ.get("TMPDIR")))
        code, out, err = run([GUI, "--no-such-option"], env=env)
        self.assertEqual(code, 2, err)
        usage_options = options_in(out.replace("--no-such-option", ""))
        self.assertTrue({"-x", "-y"} <= usage_options, out)
        self.assertEqual(missing_from_page(usage_options | {"-t", "-v"}, read_page("harrowdesk.1")), [])


@unittest.skipUnless(os.access(CLI, os.X_OK), "harrowdesk-cli is not built")
class Install_Tree(unittest.TestCase):
    """`cmake --install` into a staging folder (DESTDIR) under a prefix of our own."""

    PREFIX = "/opt/harrowdesk-test"

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="harrowdesk-install-", dir=os.environ.get("TMPDIR"))
        cls.stage = os.path.join(cls.work, "stage")
        env = dict(os.environ, DESTDIR=cls.stage)
        cls.install = subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", cls.PREFIX],
                                     capture_output=True, text=True, env=env)
        cls.root = cls.stage + cls.PREFIX

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_install_succeeds(self):
        self.assertEqual(self.install.returncode, 0, self.install.stderr)

    def test_every_file_is_installed_where_it_belongs_and_nothing_else(self):
        self.assertEqual(files_below(self.stage), expected_install_files(self.PREFIX))

    def test_manual_pages_and_changelog_are_compressed_roff_and_text(self):
        for name, start in (("share/man/man1/harrowdesk-cli.1.gz", b'.\\"'), ("share/man/man1/harrowdesk.1.gz", b'.\\"'),
                            ("share/doc/harrowdesk/changelog.gz", b"harrowdesk (")):
            with gzip.open(os.path.join(self.root, name)) as page:
                self.assertTrue(page.read().startswith(start), name)

    def test_installed_cli_finds_its_data_under_the_prefix(self):
        env = clean_environment(os.path.join(self.work, "run"))
        cases = [({}, True), ({"HARROWDESK_HOME": "/no/such/folder"}, True),
                 ({"HARROWDESK_HOME": os.path.join(self.work, "run")}, False)]
        for extra, finds_tables in cases:
            code, out, err = run([os.path.join(self.root, "bin/harrowdesk-cli"), "check", TEST_FILE],
                                 env=dict(env, **extra))
            self.assertEqual("no module template" not in out, finds_tables, (extra, out, err))
            self.assertEqual("CT_Image" in out, finds_tables, (extra, out))

    def test_copyright_holds_the_licence_text(self):
        with open(os.path.join(self.root, "share/doc/harrowdesk/copyright"), encoding="utf-8") as f:
            copyright_file = f.read()
        self.assertIn("License: Expat\n MIT License\n .\n Copyright (c) 2026 The Harrowdesk developers", copyright_file)
        self.assertNotIn("\n \n", copyright_file)


class Versions(unittest.TestCase):
    def test_project_version_is_known(self):
        self.assertRegex(PROJECT_VERSION, r"^\d+\.\d+")

    @unittest.skipUnless(os.access(CLI, os.X_OK), "harrowdesk-cli is not built")
    def test_cli_version_names_the_project_version_and_the_banner_agrees(self):
        code, out, _ = run([CLI, "--version"])
        self.assertEqual(code, 0)
        first = out.splitlines()[0]
        match = re.match(r"harrowdesk-cli (\S+) \(Harrowdesk (\S+) Rev-\d+\)$", first)
        self.assertIsNotNone(match, first)
        self.assertEqual(match.group(1), PROJECT_VERSION)
        self.assertEqual(match.group(2), PROJECT_VERSION)

    def test_metainfo_manual_pages_and_changelog_name_the_project_version(self):
        with open(os.path.join(SOURCE_DIR, "data/org.ardentvale.Harrowdesk.metainfo.xml"), encoding="utf-8") as f:
            self.assertIn('<release version="%s"' % PROJECT_VERSION, f.read())
        for page in ("harrowdesk.1", "harrowdesk-cli.1"):
            with open(os.path.join(SOURCE_DIR, "man", page), encoding="utf-8") as f:
                self.assertIn('"Harrowdesk %s"' % PROJECT_VERSION, f.read(), page)
        with open(os.path.join(SOURCE_DIR, "cmake/debian/changelog.in"), encoding="utf-8") as f:
            self.assertTrue(f.read().startswith("harrowdesk (@PROJECT_VERSION@)"))


class Desktop_Files(unittest.TestCase):
    @unittest.skipUnless(shutil.which("desktop-file-validate"), "desktop-file-validate (desktop-file-utils) is missing")
    def test_desktop_entry_validates(self):
        code, out, err = run(["desktop-file-validate", os.path.join(SOURCE_DIR, "data/harrowdesk.desktop")])
        self.assertEqual(code, 0, out + err)
        self.assertNotIn("error:", out + err)

    def test_desktop_entry_names_program_icon_and_categories(self):
        with open(os.path.join(SOURCE_DIR, "data/harrowdesk.desktop"), encoding="utf-8") as f:
            entry = dict(line.split("=", 1) for line in f.read().splitlines() if "=" in line)
        self.assertEqual(entry["Exec"], "harrowdesk")
        self.assertEqual(entry["Icon"], "harrowdesk")
        self.assertEqual(entry["Categories"], "Graphics;MedicalSoftware;Science;")

    @unittest.skipUnless(shutil.which("appstreamcli"), "appstreamcli (appstream) is missing")
    def test_metainfo_validates(self):
        code, out, err = run(["appstreamcli", "validate", "--no-net",
                              os.path.join(SOURCE_DIR, "data/org.ardentvale.Harrowdesk.metainfo.xml")])
        self.assertEqual(code, 0, out + err)

    def test_application_icons_are_pngs_of_their_folders_size(self):
        for size in (48, 64, 128, 256):
            with open(os.path.join(SOURCE_DIR, "data/hicolor/%dx%d/apps/harrowdesk.png" % (size, size)), "rb") as f:
                head = f.read(24)
            self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n")
            self.assertEqual((int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")), (size, size))


if __name__ == "__main__":
    unittest.main(verbosity=2)
