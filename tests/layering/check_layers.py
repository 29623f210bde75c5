#!/usr/bin/env python3
"""The layers build in one direction.

Three checks, each a ctest test:
  includes  no source or header includes a header of a folder above its own,
            and each folder's tests include only that folder and below;
  symbols   no built library uses a symbol that only a library above it
            defines (catches calls made without an include);
  testlinks each folder's test programs link only that layer and below.

A finding is allowed only while allowlist.txt names it, with a reason.
"""
import argparse
import os
import re
import subprocess
import sys

# Each layer and the layers it may use directly; the closure is taken below.
LAYERS = {
    "host": [],
    "platform": [],
    "foundation": ["host", "platform"],
    "pdftools": ["foundation"],
    "kctl_mac": ["pdftools", "foundation", "host", "platform"],
    "kctl": ["kctl_mac"],
    "engine": ["kctl", "pdftools", "foundation", "host"],
    "frame": ["kctl", "kctl_mac", "pdftools", "foundation", "host", "platform"],
    "commands": ["frame", "engine"],
    "plugin": ["commands"],
    "app": ["host", "platform"],
    "docs": ["commands"],
    "bench": ["commands"],
}
# Test support everyone may use.
TEST_SUPPORT = {"fixtures", "support"}
# Libraries that are test support, not layers.
SUPPORT_LIBS = {"kvfixtures", "kvcontent", "GTest::gtest", "GTest::gmock", "GTest::gtest_main",
                "PkgConfig::QPDF", "PkgConfig::PUGIXML", "ZLIB::ZLIB", "Threads::Threads"}


def closure():
    below = {}

    def walk(layer):
        if layer in below:
            return below[layer]
        seen = set()
        for lower in LAYERS[layer]:
            seen.add(lower)
            seen |= walk(lower)
        below[layer] = seen
        return seen

    for layer in LAYERS:
        walk(layer)
    return below


BELOW = closure()


def layer_of(rel):
    """The layer of a path relative to the source tree, or None."""
    parts = rel.split("/")
    if parts[0] == "kctl" and len(parts) > 2 and parts[1] == "mac":
        return "kctl_mac"
    return parts[0] if parts[0] in LAYERS else None


def may_use(user, used):
    return used == user or used in BELOW[user]


def read_allowlist(path):
    entries = set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                entries.add(tuple(line.split()[:4]))
    return entries


INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE_EXT = (".cpp", ".h", ".hpp", ".cc", ".c")


def check_includes(src):
    findings = []
    for top in list(LAYERS) + ["tests"]:
        root = os.path.join(src, top)
        if not os.path.isdir(root):
            continue
        for dirpath, _, files in os.walk(root):
            for name in sorted(files):
                if not name.endswith(SOURCE_EXT):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, src)
                if rel.startswith("tests/"):
                    sub = rel.split("/")
                    if len(sub) < 3 or sub[1] in TEST_SUPPORT or sub[1] in ("fuzz", "e2e", "app"):
                        continue
                    user = sub[1]
                    if user not in LAYERS:
                        continue
                else:
                    user = layer_of(rel)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for inc in INCLUDE.findall(text):
                    used = layer_of(inc)
                    if used is None or may_use(user, used):
                        continue
                    findings.append(("include", rel, inc))
    return findings


def nm_symbols(lib):
    shared = lib.endswith(".so")
    out = subprocess.run(["nm", "-D", lib] if shared else ["nm", "-g", lib],
                         check=True, capture_output=True, text=True).stdout
    defined, undefined = set(), set()
    for line in out.splitlines():
        fields = line.split()
        if len(fields) == 2 and fields[0] in ("U", "w", "v"):
            undefined.add(fields[1])
        elif len(fields) == 3 and fields[1] not in ("U", "w", "v"):
            defined.add(fields[2])
    return defined, undefined - defined


def check_symbols(libs):
    tables = {name: nm_symbols(path) for name, path in libs.items()}
    findings = []
    for user, (_, undefined) in sorted(tables.items()):
        for sym in sorted(undefined):
            definers = {name for name, (defined, _) in tables.items() if sym in defined}
            if not definers or any(may_use(user, d) for d in definers):
                continue
            for d in sorted(definers):
                findings.append(("symbol", user, d, sym))
    return findings


def check_testlinks(path):
    findings = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.split()
            if len(fields) < 2:
                continue
            folder, target, libs = fields[0], fields[1], fields[2:]
            user = folder
            if user not in LAYERS:
                continue
            for lib in libs:
                if lib in SUPPORT_LIBS or lib not in LAYERS:
                    continue
                if not may_use(user, lib):
                    findings.append(("testlink", target, lib))
    return findings


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("check", choices=["includes", "symbols", "testlinks"])
    ap.add_argument("--source", required=True)
    ap.add_argument("--allowlist", required=True)
    ap.add_argument("--tests", help="the test programs' links, one 'folder target libs...' a line")
    ap.add_argument("--lib", action="append", default=[], help="name=path of a built library")
    args = ap.parse_args()

    allowed = read_allowlist(args.allowlist)
    if args.check == "includes":
        findings = check_includes(args.source)
    elif args.check == "symbols":
        findings = check_symbols(dict(arg.split("=", 1) for arg in args.lib))
    else:
        findings = check_testlinks(args.tests)

    failed = False
    for finding in findings:
        key = tuple(finding[:4])
        if key[0] == "symbol":
            key = key[:3]  # a library pair is allowed whole, not symbol by symbol
        if key not in allowed:
            print("upward use: " + " ".join(finding))
            failed = True
    used = {tuple(f[:3]) if f[0] == "symbol" else tuple(f[:4]) for f in findings}
    for entry in sorted(allowed):
        if entry[0] == args.check[:-1] and entry not in used:
            print("allowlist entry no longer needed, remove it: " + " ".join(entry))
            failed = True
    if failed:
        print("Each layer may use only the layers below it (tests/layering/check_layers.py).")
        return 1
    print(f"{args.check}: {len(findings)} allowed finding(s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
