"""The four Debian packages, made by CPack from the build tree as scripts/package makes them,
read with dpkg-deb and judged by lintian: names, fields, dependencies found by dpkg-shlibdeps,
files with their modes and owners, stripped binaries, compressed manual pages, the copyright
and changelog files, the ldconfig trigger; and quillon-send unpacked from its package runs.

Usage: test_debian_packages.py BUILD_DIR [unittest options]
"""
import gzip
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD = None
VERSION = "1.1-1"
CPACK = os.environ.get("CPACK", "cpack")
# lintian's warnings that these packages keep, each with its reason. Any other warning, and any
# error, fails the test.
DOCS = ("ports.conf.example", "tags.md", "display.md", "window.md", "serial.md",
        "quillon-send.md", "bridge.md", "window.png", "window-wine.png", "demo.png",
        "display-text.png", "display-graphic.png")
ACCEPTED_WARNINGS = {
    # The packages are built by the project for its users, not uploaded to Debian's archive,
    # so there is no "intent to package" bug for the first changelog entry to close.
    "initial-upload-closes-no-bugs",
}


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, check=False,
                          stdin=subprocess.DEVNULL, **kwargs)


def contents(deb):
    """{path: (mode string, owner, link target or None)} from dpkg-deb --contents."""
    listing = {}
    for line in run(["dpkg-deb", "--contents", deb]).stdout.splitlines():
        fields = line.split(None, 5)
        mode, owner, name = fields[0], fields[1], fields[5]
        target = None
        if " -> " in name:
            name, target = name.split(" -> ")
        if not name.endswith("/"):
            listing[name.removeprefix(".")] = (mode, owner, target)
    return listing


class DebianPackages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="quillon-deb-test-")
        result = run([CPACK, "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-G", "DEB",
                      "-B", cls.scratch])
        if result.returncode != 0:
            raise AssertionError(f"cpack failed:\n{result.stdout}{result.stderr}")
        cls.arch = run(["dpkg", "--print-architecture"]).stdout.strip()
        cls.debs = {name: os.path.join(cls.scratch, f"{name}_{VERSION}_{cls.arch}.deb")
                    for name in ("quillon", "quillon-bridge", "libquillon1", "libquillon-dev")}

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch)

    def field(self, package, name):
        return run(["dpkg-deb", "--field", self.debs[package], name]).stdout.strip()

    def test_cpack_makes_exactly_the_four_packages_with_debian_names(self):
        made = sorted(f for f in os.listdir(self.scratch) if f.endswith(".deb"))
        self.assertEqual(made, sorted(os.path.basename(d) for d in self.debs.values()))

    def test_fields(self):
        for package, section in (("quillon", "electronics"), ("quillon-bridge", "net"),
                                 ("libquillon1", "libs"),
                                 ("libquillon-dev", "libdevel")):
            self.assertEqual(self.field(package, "Package"), package)
            self.assertEqual(self.field(package, "Version"), VERSION)
            self.assertEqual(self.field(package, "Section"), section)
            self.assertEqual(self.field(package, "Priority"), "optional")
            self.assertEqual(self.field(package, "Maintainer"),
                             "Quillon authors <packages@quillon.example.org>")
            self.assertEqual(self.field(package, "Homepage"), "https://quillon.example.org/")

    def test_dependencies(self):
        # dpkg-shlibdeps found Qt for the window and the C++ runtime for everything; the
        # programs hold the serial code themselves, so quillon needs no libquillon1.
        quillon = [d.split()[0] for d in self.field("quillon", "Depends").split(", ")]
        for needed in ("libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6"):
            self.assertIn(needed, quillon)
        self.assertNotIn("libquillon1", quillon)
        self.assertEqual(self.field("quillon", "Recommends"), "fonts-wine")
        library = [d.split()[0] for d in self.field("libquillon1", "Depends").split(", ")]
        self.assertIn("libc6", library)
        self.assertEqual(self.field("libquillon-dev", "Depends"), f"libquillon1 (= {VERSION})")
        # The bridge needs the MQTT client library, and no Qt.
        bridge = [d.split()[0] for d in self.field("quillon-bridge", "Depends").split(", ")]
        for needed in ("libmosquitto1", "libyaml-cpp0.7", "libc6", "libstdc++6"):
            self.assertIn(needed, bridge)
        self.assertNotIn("libqt6core6", bridge)
        for package in self.debs:
            names = [d.split()[0] for d in self.field(package, "Depends").split(", ")]
            self.assertEqual(len(names), len(set(names)), f"{package}: {names}")

    def test_files_modes_and_owners(self):
        lib = f"/usr/lib/{run(['dpkg-architecture', '-qDEB_HOST_MULTIARCH']).stdout.strip()}"
        expected = {
            "quillon": {
                "/usr/bin/quillon": "-rwxr-xr-x",
                "/usr/bin/quillon-send": "-rwxr-xr-x",
                "/usr/share/applications/org.example.quillon.desktop": "-rw-r--r--",
                "/usr/share/icons/hicolor/scalable/apps/org.example.quillon.svg": "-rw-r--r--",
                "/usr/share/metainfo/org.example.quillon.metainfo.xml": "-rw-r--r--",
                "/usr/share/man/man1/quillon.1.gz": "-rw-r--r--",
                "/usr/share/man/man1/quillon-send.1.gz": "-rw-r--r--",
                "/usr/share/doc/quillon/README.md": "-rw-r--r--",
                "/usr/lib/udev/rules.d/70-quillon.rules": "-rw-r--r--",
                "/usr/share/doc/quillon/copyright": "-rw-r--r--",
                "/usr/share/doc/quillon/changelog.Debian.gz": "-rw-r--r--",
            },
            "quillon-bridge": {
                "/usr/bin/quillon-bridge": "-rwxr-xr-x",
                "/usr/share/man/man1/quillon-bridge.1.gz": "-rw-r--r--",
                "/usr/lib/systemd/system/quillon-bridge.service": "-rw-r--r--",
                "/usr/lib/systemd/user/quillon-bridge.service": "-rw-r--r--",
                "/usr/share/doc/quillon-bridge/bridge.conf.example": "-rw-r--r--",
                "/usr/share/doc/quillon-bridge/bridge.md": "-rw-r--r--",
                "/usr/share/doc/quillon-bridge/screens.example.yaml": "-rw-r--r--",
                "/etc/quillon/bridge.conf": "-rw-r--r--",
                "/usr/share/doc/quillon-bridge/copyright": "-rw-r--r--",
                "/usr/share/doc/quillon-bridge/changelog.Debian.gz": "-rw-r--r--",
            },
            "libquillon1": {
                f"{lib}/libquillon.so.1.1": "-rw-r--r--",
                f"{lib}/libquillon.so.1": "lrwxrwxrwx",
                "/usr/share/doc/libquillon1/copyright": "-rw-r--r--",
                "/usr/share/doc/libquillon1/changelog.Debian.gz": "-rw-r--r--",
            },
            "libquillon-dev": {
                f"{lib}/libquillon.so": "lrwxrwxrwx",
                "/usr/include/quillon/quillon.h": "-rw-r--r--",
                f"{lib}/pkgconfig/quillon.pc": "-rw-r--r--",
                f"{lib}/cmake/Quillon/QuillonConfig.cmake": "-rw-r--r--",
                f"{lib}/cmake/Quillon/QuillonConfigVersion.cmake": "-rw-r--r--",
                f"{lib}/cmake/Quillon/QuillonTargets.cmake": "-rw-r--r--",
                f"{lib}/cmake/Quillon/QuillonTargets-relwithdebinfo.cmake": "-rw-r--r--",
                "/usr/share/doc/libquillon-dev/copyright": "-rw-r--r--",
                "/usr/share/doc/libquillon-dev/changelog.Debian.gz": "-rw-r--r--",
            },
        }
        expected["quillon"].update(
            {f"/usr/share/doc/quillon/docs/{name}": "-rw-r--r--" for name in DOCS})
        if os.path.exists(os.path.join(BUILD, "bin", "quillon-display")):
            expected["quillon"]["/usr/bin/quillon-display"] = "-rwxr-xr-x"
            expected["quillon"]["/usr/share/man/man1/quillon-display.1.gz"] = "-rw-r--r--"
        for package, files in expected.items():
            listing = contents(self.debs[package])
            self.assertEqual({name: mode for name, (mode, _, _) in listing.items()}, files,
                             package)
            self.assertEqual({owner for _, owner, _ in listing.values()}, {"root/root"})
        links = contents(self.debs["libquillon1"])
        self.assertEqual(links[f"{lib}/libquillon.so.1"][2], "libquillon.so.1.1")
        self.assertEqual(contents(self.debs["libquillon-dev"])[f"{lib}/libquillon.so"][2],
                         "libquillon.so.1")

    def unpack(self, package):
        folder = os.path.join(self.scratch, "unpacked", package)
        if not os.path.isdir(folder):
            os.makedirs(folder)
            subprocess.run(["dpkg-deb", "--extract", self.debs[package], folder], check=True)
        return folder

    def test_binaries_are_stripped(self):
        lib = os.path.join(self.unpack("libquillon1"), "usr", "lib")
        libraries = [os.path.join(d, f) for d, _, fs in os.walk(lib) for f in fs
                     if f.endswith(".so.1.1")]
        self.assertEqual(len(libraries), 1)
        for binary in [os.path.join(self.unpack("quillon"), "usr/bin/quillon"),
                       os.path.join(self.unpack("quillon"), "usr/bin/quillon-send"),
                       os.path.join(self.unpack("quillon-bridge"), "usr/bin/quillon-bridge"),
                       *libraries]:
            sections = run(["readelf", "--section-headers", "--wide", binary]).stdout
            self.assertNotIn(".debug_info", sections, binary)
            self.assertNotIn(".symtab", sections, binary)

    def test_manual_pages_are_compressed_and_complete(self):
        pages = [os.path.join(self.unpack(package), "usr/share/man/man1", page)
                 for package in ("quillon", "quillon-bridge")
                 for page in os.listdir(os.path.join(self.unpack(package), "usr/share/man/man1"))]
        for path in sorted(pages):
            page = os.path.basename(path)
            with gzip.open(path, "rt") as f:
                source = f.read()
            self.assertTrue(source.startswith(".TH "), page)
            self.assertIn(".SH NAME\n" + page.removesuffix(".1.gz").replace("-", "\\-") + " \\-",
                          source)

    def test_copyright_and_changelog(self):
        for package in self.debs:
            doc = os.path.join(self.unpack(package), "usr/share/doc", package)
            with open(os.path.join(doc, "copyright"), encoding="utf-8") as f:
                copyright_file = f.read()
            self.assertTrue(copyright_file.startswith(
                "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"))
            self.assertIn("\nCopyright: 2026 the Quillon authors\nLicense: Expat\n",
                          copyright_file)
            self.assertIn("\n Permission is hereby granted, free of charge,", copyright_file)
            self.assertIn("\n .\n THE SOFTWARE IS PROVIDED \"AS IS\"", copyright_file)
            with gzip.open(os.path.join(doc, "changelog.Debian.gz"), "rt") as f:
                first_line = f.readline()
            self.assertEqual(first_line, f"quillon ({VERSION}) unstable; urgency=medium\n")

    def test_the_library_activates_the_ldconfig_trigger_and_names_its_soname(self):
        control = os.path.join(self.scratch, "control-libquillon1")
        subprocess.run(["dpkg-deb", "--control", self.debs["libquillon1"], control], check=True)
        self.assertEqual(sorted(os.listdir(control)),
                         ["control", "md5sums", "shlibs", "symbols", "triggers"])
        with open(os.path.join(control, "triggers"), encoding="utf-8") as f:
            self.assertIn("\nactivate-noawait ldconfig\n", f.read())
        with open(os.path.join(control, "shlibs"), encoding="utf-8") as f:
            self.assertEqual(f.read().strip(), f"libquillon 1 libquillon1 (>= {VERSION})")

    def test_quillon_send_from_the_package_runs(self):
        program = os.path.join(self.unpack("quillon"), "usr/bin/quillon-send")
        result = subprocess.run([program, "--dry-run", "<65,66><CR>"], capture_output=True,
                                check=False)
        self.assertEqual((result.returncode, result.stdout), (0, b"AB\r"), result.stderr)
        version = run([program, "--version"])
        self.assertEqual(version.stdout, "quillon-send 1.1\n")

    def test_the_bridge_from_the_package_runs_and_its_system_unit_is_hardened(self):
        folder = self.unpack("quillon-bridge")
        version = run([os.path.join(folder, "usr/bin/quillon-bridge"), "--version"])
        self.assertEqual(version.stdout, "quillon-bridge 1.1\n")
        with open(os.path.join(folder, "usr/lib/systemd/system/quillon-bridge.service"),
                  encoding="utf-8") as f:
            unit = f.read()
        for line in ("ExecStart=/usr/bin/quillon-bridge --config /etc/quillon/bridge.conf",
                     "DynamicUser=yes", "SupplementaryGroups=dialout", "NoNewPrivileges=yes",
                     "ProtectSystem=strict", "ProtectHome=yes", "PrivateTmp=yes",
                     "RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX"):
            self.assertIn("\n" + line + "\n", unit)

    def test_the_bridge_service_is_stopped_and_disabled_when_the_package_goes(self):
        control = os.path.join(self.scratch, "control-quillon-bridge")
        subprocess.run(["dpkg-deb", "--control", self.debs["quillon-bridge"], control], check=True)
        with open(os.path.join(control, "conffiles"), encoding="utf-8") as f:
            self.assertEqual(f.read(), "/etc/quillon/bridge.conf\n")
        # systemd does not run here, so the scripts' calls are recorded by stand-ins for the two
        # helpers on PATH; what only a running systemd would see (stop, restart) is left out.
        stand_ins = os.path.join(self.scratch, "stand-ins")
        os.makedirs(stand_ins, exist_ok=True)
        calls = os.path.join(self.scratch, "calls")
        for helper in ("deb-systemd-helper", "deb-systemd-invoke"):
            with open(os.path.join(stand_ins, helper), "w", encoding="utf-8") as f:
                f.write(f'#!/bin/sh\necho "{helper} $*" >> "{calls}"\n')
            os.chmod(os.path.join(stand_ins, helper), 0o755)
        env = dict(os.environ, PATH=stand_ins + os.pathsep + os.environ["PATH"])
        unit = "quillon-bridge.service"
        for script, args, expected in (
                ("postinst", ["configure"], [f"deb-systemd-helper update-state {unit}"]),
                ("postrm", ["remove"], [f"deb-systemd-helper disable {unit}"]),
                ("postrm", ["purge"], [f"deb-systemd-helper disable {unit}",
                                       f"deb-systemd-helper purge {unit}",
                                       f"deb-systemd-helper unmask {unit}"])):
            if os.path.exists(calls):
                os.remove(calls)
            result = run(["sh", os.path.join(control, script), *args], env=env)
            self.assertEqual(result.returncode, 0, result.stderr)
            recorded = open(calls, encoding="utf-8").read().split("\n")[:-1] \
                if os.path.exists(calls) else []
            self.assertEqual(recorded, expected, f"{script} {args}")

    def test_lintian_finds_no_error_and_only_the_accepted_warnings(self):
        result = run(["lintian", "--display-info", "--pedantic", *self.debs.values()])
        print(result.stdout, end="")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        judged = [line for line in result.stdout.splitlines() if line[:3] in ("E: ", "W: ")]
        unaccepted = [line for line in judged if line.startswith("E: ")
                      or line.split()[2] not in ACCEPTED_WARNINGS]
        self.assertEqual(unaccepted, [])
        # Debian's hardening and a symbols file: not even an informational tag about them.
        for tag in ("hardening-no-bindnow", "hardening-no-fortify-functions",
                    "hardening-no-relro", "no-symbols-control-file"):
            self.assertNotIn(" " + tag, result.stdout)


if __name__ == "__main__":
    BUILD = sys.argv[1]
    unittest.main(argv=[sys.argv[:1][0], *sys.argv[2:]])
