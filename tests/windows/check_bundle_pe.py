#!/usr/bin/python3
"""Reads the Windows image-effect binary with a PE parser and checks what a host relies on.

usage: check_bundle_pe.py <Velmora.ofx.bundle/Contents/Win64/Velmora.ofx>

It must sit in its bundle's Win64 folder and be a 64-bit x86 DLL, without a time
stamp, exporting by name exactly the interface's two entry points, and importing
only system libraries (the C and C++ runtimes linked in).
"""
import os
import sys

import pefile

EXPECTED_IMPORTS = {"KERNEL32.dll", "msvcrt.dll"}
EXPECTED_EXPORTS = [b"OfxGetNumberOfPlugins", b"OfxGetPlugin"]


def main(binary_path):
    failures = []
    parts = os.path.normpath(binary_path).split(os.sep)
    if parts[-4:] != ["Velmora.ofx.bundle", "Contents", "Win64", "Velmora.ofx"]:
        failures.append(f"not at Velmora.ofx.bundle/Contents/Win64/Velmora.ofx: {binary_path}")

    pe = pefile.PE(binary_path)
    if pe.FILE_HEADER.Machine != pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]:
        failures.append(f"machine is {pe.FILE_HEADER.Machine:#x}, not x86-64")
    if not pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_DLL"]:
        failures.append("not a DLL")
    if pe.FILE_HEADER.TimeDateStamp != 0:
        failures.append(f"time stamp {pe.FILE_HEADER.TimeDateStamp}: rebuilds would differ")
    exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    names = sorted(symbol.name for symbol in exports.symbols) if exports is not None else []
    if names != EXPECTED_EXPORTS:
        failures.append(f"exports {names}")
    imports = {entry.dll.decode() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}
    if imports != EXPECTED_IMPORTS:
        failures.append(f"imports {sorted(imports)}")
    if getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []):
        failures.append("delay-loaded imports")

    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
