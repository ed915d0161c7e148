#!/usr/bin/env python3
"""The release in dist/ as a user gets it: the zip, its readme and license,
the stripped DLL and the checksums; the same zip packaged from a source
archive on a machine without git; and the Windows test kit beside it. Run
after scripts/kit (which packages the release too).

usage: package_test.py [DIST]
"""
import hashlib
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile
from xml.etree import ElementTree

root = pathlib.Path(__file__).resolve().parents[2]
dist = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / "dist"
failures = []


def check(ok, message):
    if not ok:
        failures.append(message)


def tool(*args):
    return subprocess.run(args, capture_output=True, text=True, cwd=dist)


def manifests(image):
    """The RT_MANIFEST resources named 1 of a PE image (one a language), read by
    icoutils' wrestool; None for an image it cannot read."""
    with tempfile.NamedTemporaryFile(suffix=".exe") as file:
        file.write(image)
        file.flush()

        def wrestool(*args):
            return subprocess.run(["wrestool", "--type=24", "--name=1", *args, file.name], capture_output=True)

        listed = wrestool("--list")
        if listed.returncode or listed.stderr:
            return None
        languages = re.findall(rb"--language=(\d+)", listed.stdout)
        return [wrestool("--extract", "--raw", f"--language={language.decode()}").stdout for language in languages]


def manifest_faults(name, image):
    """What the manifest of a program of the kit lacks: no UAC virtualisation, Windows 7 to 11,
    an explicit DPI awareness, and the host it stands for (hx_add_manifest in cmake/Windows.cmake)."""
    found = manifests(image)
    if found is None:
        return ["a PE resource directory that cannot be read"]
    if len(found) != 1:
        return [f"{len(found)} manifests (RT_MANIFEST 1) instead of one"]
    try:
        tree = ElementTree.fromstring(found[0])
    except ElementTree.ParseError as error:
        return [f"a manifest that is not XML: {error}"]
    elements = {}
    for element in tree.iter():
        elements.setdefault(element.tag.split("}")[-1], []).append(element)

    def texts(tag, attribute=None):
        return {(e.get(attribute) if attribute else (e.text or "").strip()) for e in elements.get(tag, [])}

    faults = []
    levels = [(e.get("level"), e.get("uiAccess")) for e in elements.get("requestedExecutionLevel", [])]
    if levels != [("asInvoker", "false")]:
        faults.append("no requestedExecutionLevel asInvoker without uiAccess")
    windows_7_to_11 = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                       "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
    if not windows_7_to_11 <= texts("supportedOS", "Id"):
        faults.append("not every supportedOS from Windows 7 to 11")
    modern = name.endswith("_cc6.exe") or name.endswith("/hxhost.exe")
    awareness = (sorted(texts("dpiAware")), sorted(texts("dpiAwareness")))
    expected = (["true/pm"], ["PerMonitorV2"]) if modern else (["true"], [])
    if awareness != expected:
        faults.append(f"dpiAware and dpiAwareness {awareness} instead of {expected}")
    if ("Microsoft.Windows.Common-Controls" in texts("assemblyIdentity", "name")) != modern:
        faults.append("common controls 6 " + ("missing" if modern else "where the classic controls are tested"))
    return faults


zips = sorted(z for z in dist.glob("rgbcolor-*.zip") if not z.name.endswith("-tests.zip"))
if len(zips) != 1:
    sys.exit(f"FAIL: one release zip expected in {dist}, found {[z.name for z in zips]}")
version = re.fullmatch(r"rgbcolor-(\d+\.\d+\.\d+)\.zip", zips[0].name).group(1)
dll = (dist / "rgbcolor.dll").read_bytes()

with zipfile.ZipFile(zips[0]) as z:
    check(z.testzip() is None, "the zip has a damaged entry")
    check(z.namelist() == ["rgbcolor.dll", "readme.txt", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt"],
          f"zip holds {z.namelist()}")
    check(z.read("rgbcolor.dll") == dll, "the zip's DLL differs from dist/rgbcolor.dll")
    built = root / "build-win" / "bin" / "rgbcolor.dll"
    check(built.is_file() and z.read("rgbcolor.dll") == built.read_bytes(),
          f"the zip's DLL is not the build's {built}: packaged from a stale dist/rgbcolor.dll")
    readme = z.read("readme.txt")
    license_txt = z.read("LICENSE.txt") if "LICENSE.txt" in z.namelist() else b""
    notices_txt = z.read("THIRD-PARTY-NOTICES.txt") if "THIRD-PARTY-NOTICES.txt" in z.namelist() else b""

# The shipped DLL: no symbols, no debug sections, unwind tables kept, debug link to the file beside it.
sections = re.findall(r"^\s*\d+\s+(\S+)", tool("i686-w64-mingw32-objdump", "-h", "rgbcolor.dll").stdout, re.M)
check(not [s for s in sections if s.startswith(".debug")], f"debug sections in the DLL: {sections}")
check(".eh_frame" in sections and ".gnu_debuglink" in sections, f"sections: {sections}")
check("no symbols" in tool("i686-w64-mingw32-nm", "rgbcolor.dll").stderr, "the DLL has a symbol table")
check(b"rgbcolor.dll.debug\0" in dll and (dist / "rgbcolor.dll.debug").is_file(), "no debug link to rgbcolor.dll.debug")

# readme.txt: code page 932, CRLF only, lines a plain viewer shows whole (a 932 byte is a column).
try:
    text = readme.decode("cp932")
except UnicodeDecodeError as error:
    text = ""
    check(False, f"readme.txt is not code page 932: {error}")
check(readme.endswith(b"\r\n") and b"\r" not in readme.replace(b"\r\n", b"") and b"\n" not in readme.replace(b"\r\n", b""),
      "readme.txt has line ends other than CRLF")
wide = [line for line in readme.split(b"\r\n") if len(line) > 70]
check(not wide, f"readme.txt lines wider than 70 columns: {[w.decode('cp932', 'replace') for w in wide]}")

# The license as in the repository, with CRLF line ends; the readme states its terms.
check(license_txt == (root / "LICENSE").read_bytes().replace(b"\n", b"\r\n"), "LICENSE.txt is not LICENSE with CRLF")
check("LICENSE.txt" in text and "転載・再配布" in text, "the readme does not state the license terms")
check(b"Copyright (c) 2026 RGB Color authors\r\n" in license_txt and text.count("Copyright (C) 2026 RGB Color authors") == 2,
      "the license and the readme (header and terms) do not name the authors")
check(notices_txt == (root / "THIRD-PARTY-NOTICES").read_bytes().replace(b"\n", b"\r\n"),
      "THIRD-PARTY-NOTICES.txt is not THIRD-PARTY-NOTICES with CRLF")

# The runtime parts the link put into the DLL (its link map) are those the
# notices cover: crt start-up code (public domain), the formatted output and
# strnlen/wcsnlen (ZPL 2.1), the number conversion (Lucent). Anything new
# needs its licence read before it ships.
covered = {"CRT_fp10", "cinitexe", "gccmain", "mingw_helpers", "natstart", "pesect", "pseudo-reloc",
           "pseudo-reloc-list", "tlsmcrt", "tlsmthread", "tlssup", "tlsthrd", "dllentry",
           "mingw_vsnprintf", "mingw_vsprintf", "strnlen", "wcsnlen",
           "mingw_pformat", "gdtoa", "dmisc", "gmisc", "misc"}
link_map = root / "build-win" / "bin" / "rgbcolor.dll.map"
linked = set(re.findall(r"libmingw(?:32|ex)\.a\(lib32_libmingw(?:32|ex)_a-([\w-]+)\.o\)",
                        link_map.read_text() if link_map.is_file() else ""))
check(linked, f"no mingw-w64 runtime parts found in {link_map}")
check(linked <= covered, f"runtime parts in the DLL that the notices do not cover: {sorted(linked - covered)}")

# One version everywhere: the zip's name, the readme's header, the information text and the version resource.
check(f"Ver.{version}" in "".join(text.splitlines()[:3]), f"readme header does not say Ver.{version}")
check(f"Ver.{version} (C) 2026".encode() in dll, f"information text does not say Ver.{version}")
check(f"{version}.0".encode("utf-16-le") in dll, f"version resource does not say {version}.0")

sums = tool("sha256sum", "-c", "--strict", "SHA256SUMS")
check(sums.returncode == 0, f"SHA256SUMS does not verify: {sums.stdout}{sums.stderr}")
listed = [line.split()[1] for line in (dist / "SHA256SUMS").read_text().splitlines()]
check(listed == [zips[0].name, "rgbcolor.dll"], f"SHA256SUMS lists {listed}")

# A source archive (no .git) and no git on the PATH: the packaging still runs
# and gives the release's entries, dated 1980-01-01.
with tempfile.TemporaryDirectory() as tmp:
    tree = pathlib.Path(tmp)
    shutil.copytree(root, tree, dirs_exist_ok=True, ignore=lambda folder, names: [
        n for n in names if folder == str(root) and n.startswith((".git", "build", ".wine", "dist", "out"))])
    for folder, source in (("build-win", root / "build-win" / "CMakeCache.txt"), ("dist", dist / "rgbcolor.dll")):
        (tree / folder).mkdir()
        shutil.copy(source, tree / folder)
    env = {k: v for k, v in os.environ.items() if k != "SOURCE_DATE_EPOCH"} | {"PATH": tmp}
    run = subprocess.run([sys.executable, tree / "scripts" / "package"], env=env, capture_output=True, text=True)
    check(run.returncode == 0, f"packaging without git failed: {run.stderr[-400:]}")
    if run.returncode == 0:
        with zipfile.ZipFile(zips[0]) as z, zipfile.ZipFile(tree / "dist" / zips[0].name) as e:
            check([(i.filename, z.read(i)) for i in z.infolist()] == [(i.filename, e.read(i)) for i in e.infolist()]
                  and {i.date_time for i in e.infolist()} == {(1980, 1, 1, 0, 0, 0)},
                  "the zip packaged without git is not the release's entries dated 1980-01-01")


# The checkout's root alone is often part of other text (each test program
# holds "googletest/src/", a problem for a checkout at /src): a path into the
# checkout is the root, a separator and a whole name from its top.
def checkout_path(encoding):
    def alternatives(texts):
        return b"(?:" + b"|".join(re.escape(t.encode(encoding)) for t in texts) + b")"
    name_char = b"[\\w.-]" + (b"\\x00" if encoding == "utf-16-le" else b"")
    return re.compile(re.escape(str(root).encode(encoding)) + alternatives("/\\") +
                      alternatives(sorted(os.listdir(root))) + b"(?!" + name_char + b")")


checkout_paths = {encoding: checkout_path(encoding) for encoding in ("ascii", "utf-16-le")}


# The test kit: the release's DLL, every program its list names, what they
# load, and no path of the build machine in any program (a test that found
# the plug-in through one would fail on Windows).
kit = dist / f"rgbcolor-{version}-tests.zip"
check(kit.is_file(), f"no test kit {kit.name} (scripts/kit)")
if kit.is_file():
    with zipfile.ZipFile(kit) as z:
        top = f"rgbcolor-{version}-tests/"
        names = z.namelist()
        listed_programs = [line.split()[1] for line in z.read(top + "bin/tests.txt").decode("ascii").splitlines()
                           if line and not line.startswith("#")]
        expected = [top + n for n in ["run-tests.cmd", "readme.txt", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt",
                                      "bin/tests.txt", "bin/rgbcolor.dll", "bin/run-tests.exe", "bin/hxhost.exe",
                                      "bin/execute_bench.exe", "bin/intruder.exe", "bin/rgbcolor_noalloc.dll", "bin/rgbcolor_throw.dll",
                                      "bin/rgbcolor_noavx2.dll", "bin/rgbcolor_twofilters.dll", "bin/rgbcolor_tone.dll",
                                      "bin/cxx_baseline.dll"]]
        expected += [top + f"bin/lacks_{name}.dll"
                     for name in ("HX_GetPluginInfo", "HXF_FilterCount", "HXF_GetName", "HXF_Setup", "HXF_Execute")]
        expected += [top + f"bin/{p}.exe" for p in listed_programs]
        # And any other module the build records, such as one declared from a filter's folder.
        recorded = root / "build-win" / "modules.txt"
        if recorded.is_file():
            expected += [top + f"bin/{m}" for m in recorded.read_text().split() if top + f"bin/{m}" not in expected]
        check(sorted(names) == sorted(expected), f"the kit holds {sorted(set(names) ^ set(expected))} unlike expected")
        check(len(listed_programs) >= 15, f"the kit lists {len(listed_programs)} programs")
        release_sum = (dist / "SHA256SUMS").read_text().split("  rgbcolor.dll")[0].split()[-1]
        check(hashlib.sha256(z.read(top + "bin/rgbcolor.dll")).hexdigest() == release_sum,
              "the kit's rgbcolor.dll is not the release's (SHA256SUMS)")
        check(z.read(top + "run-tests.cmd").count(b"\n") == z.read(top + "run-tests.cmd").count(b"\r\n"),
              "run-tests.cmd has line ends other than CRLF")
        for name in (n for n in names if n.endswith((".exe", ".dll"))):
            data = z.read(name)
            for fault in manifest_faults(name, data) if name.endswith(".exe") else ():
                check(False, f"{name}: {fault}")
            for path in ("build-win", "/tmp/"):
                check(path.encode() not in data and path.encode("utf-16-le") not in data,
                      f"{name} carries the build machine's path {path!r}")
            # Z:\ and a folder: the three bytes alone turn up in code and relocations.
            check(not re.search(rb"Z:\\[\w.-]+\\|Z\0:\0\\\0(?:[\w.-]\0)+\\\0", data),
                  f"{name} carries a path of the build machine's drive Z:")
            for encoding, pattern in checkout_paths.items():
                found = pattern.search(data)
                check(not found, f"{name} carries the build machine's path {found and found[0].decode(encoding)!r}")

for message in failures:
    print(f"FAIL: {message}")
print(f"package {zips[0].name}: {len(failures)} failures")
sys.exit(1 if failures else 0)
