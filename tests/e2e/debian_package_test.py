#!/usr/bin/python3
"""The Debian package end to end: CPack packs the build tree's programs into
harrowdesk_<version>_amd64.deb (in a scratch folder), dpkg -x unpacks it into a
temporary root, and from there harrowdesk-cli names its version and scans a generated
folder, and the desktop program opens its window on a private Xvfb server. Every file
must sit where it belongs, the control file must carry the project's version and the
dependencies dpkg-shlibdeps found, and lintian must report no error (skipped, with a
message, when lintian is missing).

Run by CTest (cmake/Harrowdesk_Install_Tests.cmake) after the build: it packs what is
built and builds nothing itself.
"""
import glob
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from install_checks import (BUILD_DIR, PROJECT_VERSION, SOURCE_DIR, clean_environment,  # noqa: E402
                            expected_install_files, files_below, run)

WINDOW_TITLE = "Harrowdesk %s Rev-" % PROJECT_VERSION  # the main window's title holds the banner
WINDOW_WAIT_SECONDS = 30
CORPUS_FILES = 10
def has_part10_signature(path):
    with open(path, "rb") as f:
        return f.read(132)[128:132] == b"DICM"


HAVE_PACKER = all(shutil.which(tool) for tool in ("cpack", "dpkg-deb", "dpkg-shlibdeps"))


@unittest.skipUnless(HAVE_PACKER, "cpack, dpkg-deb or dpkg-shlibdeps is missing")
class Debian_Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="harrowdesk-deb-", dir=os.environ.get("TMPDIR"))
        cls.pack = subprocess.run(["cpack", "-G", "DEB", "-B", os.path.join(cls.work, "pack"),
                                   "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake")],
                                  capture_output=True, text=True, cwd=BUILD_DIR, timeout=240)
        found = glob.glob(os.path.join(cls.work, "pack", "*.deb"))
        cls.deb = found[0] if len(found) == 1 else None
        cls.root = os.path.join(cls.work, "root")
        if cls.deb:
            subprocess.run(["dpkg", "-x", cls.deb, cls.root], check=True)
        cls.bin = os.path.join(cls.root, "usr", "bin")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        self.assertIsNotNone(self.deb, "cpack made no package:\n" + self.pack.stdout + self.pack.stderr)

    def control(self, field):
        code, out, err = run(["dpkg-deb", "-f", self.deb, field])
        self.assertEqual(code, 0, err)
        return out.strip()

    def environment(self, name):
        return clean_environment(os.path.join(self.work, name))

    # ---- the package itself --------------------------------------------------------------

    def test_package_is_named_by_the_project_version(self):
        self.assertEqual(os.path.basename(self.deb), "harrowdesk_%s_amd64.deb" % PROJECT_VERSION)

    def test_control_file_carries_version_section_and_no_homepage(self):
        self.assertEqual(self.control("Package"), "harrowdesk")
        self.assertEqual(self.control("Version"), PROJECT_VERSION)
        self.assertEqual(self.control("Section"), "science")
        self.assertEqual(self.control("Homepage"), "")
        self.assertNotEqual(self.control("Maintainer"), "")

    def test_dependencies_come_from_the_programs_links(self):
        depends = self.control("Depends")
        for package in ("libc6", "libstdc++6", "libdcmtk17", "libsdl2-2.0-0", "libfreetype6", "libfontconfig1",
                        "libfribidi0", "zlib1g"):
            self.assertRegex(depends, r"(^|, )%s( |,|$)" % re.escape(package), depends)

    def test_every_file_is_where_it_belongs_and_nothing_else(self):
        self.assertEqual(files_below(self.root), expected_install_files("/usr"))

    def test_programs_are_executable_and_data_is_not(self):
        for name in ("harrowdesk", "harrowdesk-cli"):
            self.assertTrue(os.access(os.path.join(self.bin, name), os.X_OK), name)
        desktop = os.stat(os.path.join(self.root, "usr/share/applications/harrowdesk.desktop")).st_mode
        self.assertEqual(desktop & 0o777, 0o644)

    # ---- the programs, run from the unpacked root ---------------------------------------

    def test_cli_version_names_the_version_of_the_control_file(self):
        code, out, err = run([os.path.join(self.bin, "harrowdesk-cli"), "--version"], env=self.environment("version"))
        self.assertEqual(code, 0, err)
        self.assertTrue(out.startswith("harrowdesk-cli %s " % self.control("Version")), out)

    def test_cli_scans_a_generated_folder_with_the_installed_data(self):
        corpus = os.path.join(self.work, "corpus")
        subprocess.run([sys.executable, os.path.join(SOURCE_DIR, "bench/make_corpus.py"), corpus,
                        "--files", str(CORPUS_FILES), "--rows", "16", "--columns", "16"],
                       check=True, capture_output=True, timeout=120)
        env = self.environment("scan")
        code, out, err = run([os.path.join(self.bin, "harrowdesk-cli"), "scan", corpus, "--order", "study", "--json",
                              "-q"], env=env, timeout=120)
        self.assertEqual(code, 0, err)
        catalogue = json.loads(out)
        self.assertEqual(sum(study["nb_file"] for study in catalogue["studies"]), CORPUS_FILES, out)
        images = [image for study in catalogue["studies"] for series in study["series"] for image in series["images"]]
        self.assertEqual(len(images), CORPUS_FILES)
        dicom_files = [path for path in glob.glob(os.path.join(corpus, "**", "*"), recursive=True)
                       if os.path.isfile(path) and os.path.basename(path) != "DICOMDIR" and has_part10_signature(path)]
        code, out, err = run([os.path.join(self.bin, "harrowdesk-cli"), "check", dicom_files[0]], env=env)
        self.assertNotIn("no module template", out, "the module templates of share/harrowdesk were not found")

    @unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xdotool"), "Xvfb or xdotool is missing")
    def test_desktop_program_opens_its_window_under_xvfb(self):
        env = self.environment("gui")
        started = subprocess.run([os.path.join(SOURCE_DIR, "scripts/xvfb-start.sh"), "900x700"],
                                 capture_output=True, text=True, env=env, timeout=60)
        self.assertEqual(started.returncode, 0, started.stderr)
        number, xvfb_pid = (int(word) for word in started.stdout.split())
        env["DISPLAY"] = ":%d" % number
        program = subprocess.Popen([os.path.join(self.bin, "harrowdesk")], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE)
        try:
            window = ""
            deadline = time.monotonic() + WINDOW_WAIT_SECONDS
            while not window and time.monotonic() < deadline and program.poll() is None:
                _, window, _ = run(["xdotool", "search", "--onlyvisible", "--name", WINDOW_TITLE], env=env)
                window = window.strip()
                if not window:
                    time.sleep(0.2)
            if program.poll() is not None:
                self.fail("the program ended: %s" % program.stderr.read().decode(errors="replace"))
            self.assertNotEqual(window, "", "no window titled %r appeared" % WINDOW_TITLE)
        finally:
            if program.poll() is None:
                program.send_signal(signal.SIGTERM)
                try:
                    program.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    program.kill()
                    program.wait()
            program.stderr.close()
            os.kill(xvfb_pid, signal.SIGTERM)

    # ---- the checkers of Debian and the desktops ------------------------------------------

    def test_lintian_reports_no_errors(self):
        if not shutil.which("lintian"):
            self.skipTest("lintian is missing: scripts/install-deps.sh installs it")
        code, out, err = run(["lintian", "--fail-on", "error", self.deb], timeout=240)
        errors = [line for line in out.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [])
        self.assertEqual(code, 0, out + err)

    def test_installed_desktop_entry_and_metainfo_validate(self):
        checks = [("desktop-file-validate", [], "usr/share/applications/harrowdesk.desktop"),
                  ("appstreamcli", ["validate", "--no-net"], "usr/share/metainfo/org.ardentvale.Harrowdesk.metainfo.xml")]
        ran = 0
        for tool, arguments, path in checks:
            if not shutil.which(tool):
                continue
            code, out, err = run([tool] + arguments + [os.path.join(self.root, path)])
            self.assertEqual(code, 0, out + err)
            ran += 1
        if not ran:
            self.skipTest("neither desktop-file-validate nor appstreamcli is installed")


if __name__ == "__main__":
    unittest.main(verbosity=2)
