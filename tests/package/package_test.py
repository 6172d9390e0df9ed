#!/usr/bin/env python3
# The download zips of tools/package.sh, read without running them. Each holds
# one folder named after it, with the program, KALMOR.DLL, a CR LF README.txt
# and the component reference. Both binaries are in the zip's format, import
# only system DLLs and have no debug sections; the program is a GUI program
# with exactly its five exports, named with their stdcall argument sizes, and
# no wide-character USER32 imports; KALMOR.DLL exports its direct function and
# alone carries the version resource. Every entry is dated as tools/package.sh
# dates it: SOURCE_DATE_EPOCH, else the commit's time, in UTC, to even seconds.
#     package_test.py PACKAGES VERSION SOURCE

import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

# The objdump that reads each zip's files and the format it must report.
ARCHES = {"win32": ("i686", "pei-i386"), "win64": ("x86_64", "pei-x86-64")}
EXPORTS = "GETCURRENTLINE@0 MAINWNDPROC@16 SENDSCINTILLAMSG@16 TOGGLESUB@4 TOGGLESUBSBELOW@4"
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll"}


# The lines of one table in objdump's dump, from its title to the next blank line.
def table(dump, title):
    return dump.split(title, 1)[1].split("\n\n", 1)[0] if title in dump else ""


packages, version, source = sys.argv[1:]
major, minor, patch = map(int, version.split("."))
epoch = os.environ.get("SOURCE_DATE_EPOCH") or subprocess.run(
    ["git", "-C", source, "log", "-1", "--format=%ct"],
    text=True, capture_output=True, timeout=60).stdout.strip() or "315532800"
date = time.gmtime(max(int(epoch), 315532800) & ~1)[:6]  # even seconds, 60 a minute
for arch, (tool, file_format) in ARCHES.items():
    folder = "kalmor-example-%s-%s" % (version, arch)
    names = ["kalmor-example.exe", "KALMOR.DLL", "README.txt", "component.md"]
    with zipfile.ZipFile(os.path.join(packages, folder + ".zip")) as package, \
            tempfile.TemporaryDirectory() as scratch:
        assert sorted(package.namelist()) == sorted(folder + "/" + n for n in names), arch
        dates = {info.date_time for info in package.infolist()}
        assert dates == {date}, (arch, "entry dates", sorted(dates), "not the commit's", date)
        package.extractall(scratch)
        paths = [os.path.join(scratch, folder, name) for name in names[:3]]
        program, component = (subprocess.run([tool + "-w64-mingw32-objdump", "-p", "-h", path],
                                             text=True, capture_output=True, timeout=60).stdout
                               for path in paths[:2])
        exe, dll, readme = (open(path, "rb").read() for path in paths)
    for dump in (program, component):
        assert "file format %s\n" % file_format in dump, (arch, dump[:200])
        assert not re.findall(r" \.debug_\w+ ", dump), arch + ": debug sections"
        dlls = set(re.findall(r"dll name: (\S+)", dump.lower()))
        assert "kernel32.dll" in dlls and dlls <= SYSTEM_DLLS, (arch, dlls)
    assert re.search(r"Subsystem\s+00000002", program), arch + ": not a GUI program"
    exports = [re.findall(r"\] (\S+)", table(dump, "[Ordinal/Name Pointer]"))
               for dump in (program, component)]
    assert exports == [EXPORTS.split(), ["Scintilla_DirectFunction"]], (arch, exports)
    wide = re.findall(r"\s(\w+W)$", table(program, "DLL Name: USER32.dll"), re.M)
    assert not wide, (arch, "wide-character USER32 imports", wide)
    # The fixed version holds the version's words, low word first; then the strings.
    assert "VS_VERSION_INFO".encode("utf-16-le") not in exe, arch + ": a version in the program"
    fixed = dll.find(struct.pack("<I", 0xFEEF04BD))
    assert struct.unpack_from("<8x8H", dll, fixed) == (minor, major, 0, patch) * 2, arch
    strings = dll.decode("utf-16-le", "replace")
    for key, value in (("FileVersion", re.escape(version)), ("ProductVersion", re.escape(version)),
                       ("ProductName", "Kalmor"), ("OriginalFilename", "KALMOR\\.DLL"),
                       ("FileDescription", "[^\0]+")):
        assert re.search(key + "\0+" + value + "\0", strings), (arch, key)
    assert 10 < readme.count(b"\n") == readme.count(b"\r\n"), arch + ": README line ends"
print("ok")
