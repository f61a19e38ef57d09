"""The Linux install, for real: `cmake --install` of the build tree into a temporary prefix, then
the installed quillon-send run from there, and a C program built against the installed library
through pkg-config and through find_package(Quillon), and run.

Usage: test_install.py BUILD_DIR LIBDIR C_COMPILER [unittest options]
  LIBDIR: the build's CMAKE_INSTALL_LIBDIR (lib/x86_64-linux-gnu on Debian's amd64)
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
BUILD = LIBDIR = CC = None
VERSION_PREFIX = "v1.0, 26 May 2000, "
# What the README links to, installed in the same places relative to it.
DOCS = ("ports.conf.example", "tags.md", "display.md", "window.md", "serial.md",
        "quillon-send.md", "bridge.md", "window.png", "window-wine.png", "demo.png",
        "display-text.png", "display-graphic.png")
LINK = re.compile(r"\]\(([^)#\s]+)(?:#[^)]*)?\)")
CMAKE = os.environ.get("CMAKE", "cmake")


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, check=False, stdin=subprocess.DEVNULL,
                          **kwargs)


def installed_files(prefix):
    found = set()
    for folder, _, files in os.walk(prefix):
        for name in files:
            found.add(os.path.relpath(os.path.join(folder, name), prefix))
    return found


def targets_of(prefix, name):
    with open(os.path.join(prefix, name), encoding="utf-8") as f:
        return LINK.findall(f.read())


class Install(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="quillon-install-test-")
        cls.prefix = os.path.join(cls.scratch, "prefix")
        # Stripped as the packages are, so that what remains of the build's paths in the
        # programs is what they would look for at run time, not debugging information.
        result = run([CMAKE, "--install", BUILD, "--prefix", cls.prefix, "--strip"],
                     text=True)
        if result.returncode != 0:
            raise AssertionError(f"cmake --install failed:\n{result.stdout}{result.stderr}")
        cls.files = installed_files(cls.prefix)
        cls.libdir = os.path.join(cls.prefix, LIBDIR)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch)

    def test_installs_exactly_the_files_of_the_four_components(self):
        expected = {
            "bin/quillon-send",
            "share/man/man1/quillon-send.1",
            "share/doc/quillon/README.md",
            *(f"share/doc/quillon/docs/{name}" for name in DOCS),
            "lib/udev/rules.d/70-quillon.rules",
            f"{LIBDIR}/libquillon.so.1.1",
            f"{LIBDIR}/libquillon.so.1",
            f"{LIBDIR}/libquillon.so",
            "include/quillon/quillon.h",
            f"{LIBDIR}/pkgconfig/quillon.pc",
            f"{LIBDIR}/cmake/Quillon/QuillonConfig.cmake",
            f"{LIBDIR}/cmake/Quillon/QuillonConfigVersion.cmake",
            f"{LIBDIR}/cmake/Quillon/QuillonTargets.cmake",
            f"{LIBDIR}/cmake/Quillon/QuillonTargets-relwithdebinfo.cmake",
        }
        # The MQTT bridge with its units (Linux).
        expected |= {
            "bin/quillon-bridge",
            "share/man/man1/quillon-bridge.1",
            "lib/systemd/system/quillon-bridge.service",
            "lib/systemd/user/quillon-bridge.service",
            "share/doc/quillon-bridge/bridge.conf.example",
            "share/doc/quillon-bridge/bridge.md",
            "share/doc/quillon-bridge/screens.example.yaml",
            "etc/quillon/bridge.conf",
        }
        # The window with its desktop files, unless the build leaves it out (QUILLON_BUILD_UI).
        if os.path.exists(os.path.join(BUILD, "bin", "quillon")):
            expected |= {
                "bin/quillon",
                "share/man/man1/quillon.1",
                "share/applications/org.example.quillon.desktop",
                "share/icons/hicolor/scalable/apps/org.example.quillon.svg",
                "share/metainfo/org.example.quillon.metainfo.xml",
            }
        # The virtual display comes with its manual page wherever display/ builds it.
        if os.path.exists(os.path.join(BUILD, "bin", "quillon-display")):
            expected |= {"bin/quillon-display", "share/man/man1/quillon-display.1"}
        self.assertEqual(self.files, expected)

    def test_every_link_and_picture_of_the_installed_documents_is_there(self):
        for name in sorted(n for n in self.files if n.endswith(".md")):
            path = os.path.join(self.prefix, name)
            with open(path, encoding="utf-8") as f:
                targets = [t for t in LINK.findall(f.read()) if "://" not in t]
            for target in targets:
                self.assertTrue(os.path.exists(os.path.join(os.path.dirname(path), target)),
                                f"{name} links {target}")
        self.assertIn("docs/bridge.md", targets_of(self.prefix, "share/doc/quillon/README.md"))

    def test_the_bridge_settings_file_holds_only_comments(self):
        with open(os.path.join(self.prefix, "etc/quillon/bridge.conf"), encoding="utf-8") as f:
            lines = [line.strip() for line in f]
        self.assertEqual([line for line in lines if line and not line.startswith("#")], [])

    def test_the_library_is_found_by_its_soname_through_two_links(self):
        self.assertEqual(os.readlink(os.path.join(self.libdir, "libquillon.so")),
                         "libquillon.so.1")
        self.assertEqual(os.readlink(os.path.join(self.libdir, "libquillon.so.1")),
                         "libquillon.so.1.1")
        dynamic = run(["readelf", "-d", os.path.join(self.libdir, "libquillon.so.1.1")],
                      text=True).stdout
        self.assertIn("Library soname: [libquillon.so.1]", dynamic)

    def test_nothing_installed_refers_to_the_source_or_build_tree(self):
        # Every build folder lies inside the source tree (build/, build-*/).
        tree = os.path.realpath(SOURCE).encode()
        for name in sorted(self.files):
            path = os.path.join(self.prefix, name)
            if os.path.islink(path):
                continue
            with open(path, "rb") as f:
                self.assertNotIn(tree, f.read(), name)
        for program in sorted(n for n in self.files if n.startswith("bin/") or ".so." in n):
            if os.path.islink(os.path.join(self.prefix, program)):
                continue
            dynamic = run(["readelf", "-d", os.path.join(self.prefix, program)], text=True)
            self.assertNotIn("RPATH", dynamic.stdout, program)
            self.assertNotIn("RUNPATH", dynamic.stdout, program)

    def test_programs_and_pages_have_the_modes_of_an_install(self):
        for name in self.files:
            path = os.path.join(self.prefix, name)
            if os.path.islink(path):
                continue
            mode = os.stat(path).st_mode & 0o777
            # Shared libraries too are 0644 on Debian: they are loaded, never run.
            self.assertEqual(mode, 0o755 if name.startswith("bin/") else 0o644,
                             f"{name}: {mode:o}")

    def test_installed_quillon_send_tells_its_version(self):
        result = run([os.path.join(self.prefix, "bin", "quillon-send"), "--version"],
                     cwd=self.scratch)
        self.assertEqual((result.returncode, result.stdout, result.stderr),
                         (0, b"quillon-send 1.1\n", b""))

    def test_installed_quillon_send_dry_run_gives_the_translated_bytes(self):
        # The environment keeps CTest's guard: every COM port mapped to a path that does not
        # exist and a configuration folder in the build tree.
        result = subprocess.run([os.path.join(self.prefix, "bin", "quillon-send"), "--dry-run"],
                                input=b"<LMA_CLS>Hi<CR,LF>", capture_output=True,
                                cwd=self.scratch, check=False)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(list(result.stdout), [254, 1, 254, 128, 72, 105, 13, 10])

    def run_consumer(self, program):
        env = dict(os.environ, LD_LIBRARY_PATH=self.libdir)
        result = run([program], env=env, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertTrue(result.stdout.startswith(VERSION_PREFIX), result.stdout)
        return result

    def test_a_c_program_builds_against_the_install_through_pkg_config(self):
        env = dict(os.environ, PKG_CONFIG_PATH=os.path.join(self.libdir, "pkgconfig"))
        version = run(["pkg-config", "--modversion", "quillon"], env=env, text=True)
        self.assertEqual(version.stdout, "1.1\n", version.stderr)
        flags = run(["pkg-config", "--cflags", "--libs", "quillon"], env=env, text=True)
        self.assertEqual(flags.returncode, 0, flags.stderr)
        self.assertIn(f"-L{self.libdir}", flags.stdout.split())
        program = os.path.join(self.scratch, "pkg-config-consumer")
        compiled = run([CC, "-Wall", "-Werror", os.path.join(HERE, "consumer", "version_text.c"),
                        *flags.stdout.split(), "-o", program], text=True)
        self.assertEqual(compiled.returncode, 0, compiled.stderr)
        self.run_consumer(program)

    def test_a_cmake_project_builds_against_the_install_through_find_package(self):
        build = os.path.join(self.scratch, "cmake-consumer")
        configured = run([CMAKE, "-S", os.path.join(HERE, "consumer"), "-B", build,
                          f"-DCMAKE_PREFIX_PATH={self.prefix}", f"-DCMAKE_C_COMPILER={CC}"],
                         text=True)
        self.assertEqual(configured.returncode, 0, configured.stdout + configured.stderr)
        self.assertIn(f"Quillon 1.1 in {self.libdir}/cmake/Quillon", configured.stdout)
        built = run([CMAKE, "--build", build], text=True)
        self.assertEqual(built.returncode, 0, built.stdout + built.stderr)
        # CMake builds it with a run path to the installed library: no LD_LIBRARY_PATH needed.
        result = run([os.path.join(build, "version_text")], text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertTrue(result.stdout.startswith(VERSION_PREFIX), result.stdout)


if __name__ == "__main__":
    BUILD, LIBDIR, CC = sys.argv[1:4]
    unittest.main(argv=[sys.argv[0], *sys.argv[4:]])
