#!/usr/bin/env python3
"""The download zips that tools/package.sh writes.

    package_test.py PACKAGES VERSION contents DOCS_DIR
    package_test.py PACKAGES VERSION run SESSION_DIR OUT_DIR

"contents" reads both zips: one folder named after the zip, holding the
program, KALMOR.DLL, a CR LF README.txt and the component reference when
DOCS_DIR has one; PE32 files in the 32-bit zip and PE32+ in the 64-bit one;
the version resource of KALMOR.DLL, and none in the program.

"run" unpacks the 64-bit zip into a folder whose path has spaces and
characters from outside every ANSI code page, starts the program there under
Wine (in the test run's session) from another folder, waits for the listing
to be painted and ends it by Exit: the exit status must be 0."""

import os
import shutil
import struct
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

# Machine and optional-header magic of each architecture's files.
ARCHES = {"win32": (0x14C, 0x10B), "win64": (0x8664, 0x20B)}


def pe_headers(data):
    """(machine, optional-header magic, resource section bytes) of a PE file."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    machine, sections = struct.unpack_from("<HH", data, pe + 4)
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva, resource_size = struct.unpack_from("<II", data, directories + 2 * 8)
    resources = b""
    table = optional + optional_size
    for n in range(sections):
        _, size, rva, _, raw = struct.unpack_from("<8sIIII", data, table + 40 * n)
        if resource_size and rva <= resource_rva < rva + size:
            start = raw + resource_rva - rva
            resources = data[start:start + resource_size]
    return machine, magic, resources


def version_record(resources):
    """The fixed file version and the strings of a VS_VERSIONINFO record."""
    start = resources.find("VS_VERSION_INFO".encode("utf-16-le")) - 6
    assert start >= 0, "no version resource"
    strings = {}

    def block(at):
        """Reads the block at `at` into `strings`; answers its value and end."""
        length, value_length, text = struct.unpack_from("<HHH", resources, at)
        key_end = at + 6
        while resources[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = resources[at + 6:key_end].decode("utf-16-le")
        value_at = start + (key_end + 2 - start + 3) // 4 * 4
        value = resources[value_at:value_at + value_length * (2 if text else 1)]
        if text:
            strings[key] = value.decode("utf-16-le").rstrip("\0")
        child = start + (value_at + len(value) - start + 3) // 4 * 4
        while child < at + length:
            child = start + (block(child)[1] - start + 3) // 4 * 4
        return value, at + length

    fixed, _ = block(start)
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    assert signature == 0xFEEF04BD, "no VS_FIXEDFILEINFO"
    version = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    return version(file_ms, file_ls), version(product_ms, product_ls), strings


def contents(packages, version, docs):
    for arch, (machine, magic) in ARCHES.items():
        folder = "kalmor-example-%s-%s" % (version, arch)
        expected = {"kalmor-example.exe", "KALMOR.DLL", "README.txt"}
        if os.path.exists(os.path.join(docs, "component.md")):
            expected.add("component.md")
        with zipfile.ZipFile(os.path.join(packages, folder + ".zip")) as package:
            names = set(package.namelist())
            assert names == {folder + "/" + name for name in expected}, sorted(names)
            read = lambda name: package.read(folder + "/" + name)
            for name in ("kalmor-example.exe", "KALMOR.DLL"):
                found = pe_headers(read(name))[:2]
                assert found == (machine, magic), (arch, name, found)
            assert pe_headers(read("kalmor-example.exe"))[2] == b"", arch + ": program resources"
            resources = pe_headers(read("KALMOR.DLL"))[2]
            file_version, product_version, strings = version_record(resources)
            assert (file_version, product_version) == (version + ".0",) * 2, (arch, file_version)
            for key, value in (("FileVersion", version), ("ProductVersion", version),
                               ("ProductName", "Kalmor"), ("OriginalFilename", "KALMOR.DLL")):
                assert strings.get(key) == value, (arch, key, strings.get(key))
            assert strings.get("FileDescription"), arch + ": no FileDescription"
            readme = read("README.txt")
            assert 10 < readme.count(b"\n") == readme.count(b"\r\n"), arch + ": README line ends"


def run(packages, version, session, out):
    from e2e import ALL_LINES, TITLE, WINE, View
    from screen import click, wait_for, windows_titled

    os.environ.update(WINEPREFIX=os.path.join(session, "prefix"), WINEDEBUG="-all",
                      WINEDLLOVERRIDES="mscoree,mshtml=")
    with open(os.path.join(session, "display")) as display:
        os.environ["DISPLAY"] = display.read().strip()
    target = os.path.join(out, "Program Files", "Kalmor Übung Ω 例")
    shutil.rmtree(target, ignore_errors=True)
    name = "kalmor-example-%s-win64" % version
    with zipfile.ZipFile(os.path.join(packages, name + ".zip")) as package:
        package.extractall(target)
    program = subprocess.Popen([*WINE, os.path.join(target, name, "kalmor-example.exe")], cwd=out,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = wait_for("the main window", lambda: (windows_titled(TITLE) or [None])[0])

        def painted():
            try:
                view = View(window)
            except Exception:
                return None
            return view if len(view.editor.number_bands()) == len(ALL_LINES) else None

        view = wait_for("the listing's %d line numbers" % len(ALL_LINES), painted)
        click(*view.menu()["exit"])
        status = program.wait(20)
        assert status == 0, "exit status %d" % status
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()


if __name__ == "__main__":
    packages, version, mode, *rest = sys.argv[1:]
    (contents if mode == "contents" else run)(packages, version, *rest)
    print("ok")
