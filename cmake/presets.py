#!/usr/bin/env python3
"""Writes CMakePresets.json from the table below, where each preset is
written once: its configure, build, test and workflow presets all follow
from its row. CMake's presets have no way to share the steps of a workflow,
so the file is made, and CI checks that it is up to date.

    python3 cmake/presets.py          write CMakePresets.json
    python3 cmake/presets.py --check  fail unless it is what the table gives
"""
import json
import pathlib
import sys

# name, what it is, the preset it builds on, and what it adds: cache
# variables, a toolchain, the environment of its tests. `test: False` for
# a preset that builds no tests (and so has no test preset or workflow).
PRESETS = [
    dict(name="default", about="Release build of the tool and its manual pages", test=False,
         cache={"CMAKE_BUILD_TYPE": "Release", "BUILD_TESTING": "OFF", "CMAKE_EXPORT_COMPILE_COMMANDS": "ON"}),
    dict(name="test", about="Release build of the tool and every test, warnings as errors", base="default",
         cache={"CMAKE_COMPILE_WARNING_AS_ERROR": "ON", "BUILD_TESTING": "ON"}),
    dict(name="clang", about="clang build with warnings as errors", base="test",
         cache={"CMAKE_CXX_COMPILER": "clang++"}),
    dict(name="portable", about="The portable word-at-a-time fast paths instead of SSE2", base="test",
         cache={"PRIMEPACK_PORTABLE": "ON"}),
    dict(name="asan", about="AddressSanitizer and UndefinedBehaviorSanitizer, no recovery", base="test",
         cache={"CMAKE_BUILD_TYPE": "RelWithDebInfo",
                "CMAKE_CXX_FLAGS": "-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"},
         env={"ASAN_OPTIONS": "abort_on_error=1:detect_leaks=1",
              "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1"}),
    dict(name="crlf", about="Windows's text rules (CR LF, Ctrl-Z) on this system, under the sanitizers", base="asan",
         cache={"PRIMEPACK_WINDOWS_TEXT": "ON"}),
    dict(name="windows", about="Windows cross build with mingw-w64, tested under Wine", base="test",
         toolchain="mingw-w64-x86_64.cmake",
         env={"WINEPREFIX": "${sourceDir}/build/windows/wine", "WINEDEBUG": "-all",
              "WINEDLLOVERRIDES": "mscoree,mshtml="}),
    dict(name="aarch64", about="64-bit ARM Linux cross build, tested under qemu-user", base="test",
         toolchain="linux-cross.cmake", cache={"PRIMEPACK_CROSS_PROCESSOR": "aarch64"}),
    dict(name="s390x", about="Big-endian s390x Linux cross build, tested under qemu-user", base="test",
         toolchain="linux-cross.cmake", cache={"PRIMEPACK_CROSS_PROCESSOR": "s390x"}),
    # Each emulated x86-64 processor with the kernel that it must get.
    dict(name="qemu-sse2",
         about="x86-64 build tested under qemu-user as a processor without SSE4.1 or AVX (Conroe): the sse2 kernel",
         base="test", toolchain="linux-cross.cmake",
         cache={"PRIMEPACK_CROSS_PROCESSOR": "x86_64", "PRIMEPACK_QEMU_CPU": "Conroe",
                "PRIMEPACK_EXPECT_KERNEL": "sse2"}),
    dict(name="qemu-avx2",
         about="x86-64 build tested under qemu-user as a processor with AVX2 but no AVX-512: the avx2 kernel",
         base="test", toolchain="linux-cross.cmake",
         cache={"PRIMEPACK_CROSS_PROCESSOR": "x86_64", "PRIMEPACK_QEMU_CPU": "max,-avx512f",
                "PRIMEPACK_EXPECT_KERNEL": "avx2"}),
]

# Two compilers at a time: the cores of the CI machine.
JOBS = 2


def presets():
    by_name = {row["name"]: row for row in PRESETS}
    configure, build, test, workflow = [], [], [], []
    for row in PRESETS:
        name = row["name"]
        preset = {"name": name, "displayName": row["about"]}
        if "base" in row:
            preset["inherits"] = row["base"]
        preset["binaryDir"] = "${sourceDir}/build" + ("" if name == "default" else "/" + name)
        if "toolchain" in row:
            preset["toolchainFile"] = "${sourceDir}/cmake/" + row["toolchain"]
        if "cache" in row:
            preset["cacheVariables"] = row["cache"]
        configure.append(preset)
        build.append({"name": name, "configurePreset": name, "jobs": JOBS})
        if not row.get("test", True):
            continue
        tests = {"name": name}
        base = row.get("base")
        if name == "test":
            tests.update(output={"outputOnFailure": True}, execution={"noTestsAction": "error", "timeout": 300})
        else:
            # The test preset of the nearest preset above that has one.
            while not by_name[base].get("test", True):
                base = by_name[base].get("base")
            tests["inherits"] = base
        tests["configurePreset"] = name
        if "env" in row:
            tests["environment"] = row["env"]
        test.append(tests)
        workflow.append({"name": name, "steps": [{"type": kind, "name": name}
                                                 for kind in ("configure", "build", "test")]})
    return {"version": 6, "cmakeMinimumRequired": {"major": 3, "minor": 25, "patch": 0},
            "configurePresets": configure, "buildPresets": build, "testPresets": test,
            "workflowPresets": workflow}


def main():
    file = pathlib.Path(__file__).resolve().parent.parent / "CMakePresets.json"
    made = json.dumps(presets(), indent=2) + "\n"
    if sys.argv[1:] == ["--check"]:
        if file.read_text() != made:
            sys.exit("CMakePresets.json is not what cmake/presets.py gives: run python3 cmake/presets.py")
        return
    file.write_text(made)


if __name__ == "__main__":
    main()
