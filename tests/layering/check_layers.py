#!/usr/bin/env python3
"""Checks the rooms' layering: prints one line per breach and exits 1 when there is any.

Arguments: the manifest CMake wrote (lower targets' sources, forbidden links found, the Qt module folders),
the src folder, and kivtool.
"""
import os
import re
import subprocess
import sys

manifest, src, kivtool = sys.argv[1:4]
breaches = []

sources = {}  # target -> files
modules = {}  # module -> names of its headers
for line in open(manifest, encoding="utf-8"):
    kind, *rest = line.split()
    if kind == "link":
        breaches.append(f"{rest[0]} links {rest[1]}")
    elif kind == "source":
        sources.setdefault(rest[0], []).append(rest[1])
    elif kind == "module":
        modules[rest[0]] = {n for n in os.listdir(rest[1]) if not n.endswith(".h")} | {f"Qt{rest[0]}"}

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)


def includes(path):
    with open(path, encoding="utf-8") as f:
        return INCLUDE.findall(f.read())


# A lower room's files (and each one's header) include no widget, printing or sound-device header.
for target, files in sorted(sources.items()):
    checked = set()
    for f in files:
        for path in (f, os.path.splitext(f)[0] + ".h"):
            if path in checked or not os.path.isfile(path):
                continue
            checked.add(path)
            for inc in includes(path):
                first = inc.split("/")[0]
                for module, names in modules.items():
                    if first in names or first == f"Qt{module}":
                        breaches.append(f"{os.path.relpath(path, src)} ({target}) includes <{inc}> of Qt{module}")
                if inc.startswith("platform/gui/") or inc.startswith("platform/sound/"):
                    breaches.append(f"{os.path.relpath(path, src)} ({target}) includes {inc}")

# System calls and the sound server's library only through the platform layer.
SYSTEM = re.compile(r"^(unistd|fcntl|dirent|poll|pwd|grp|spawn|termios|signal|csignal|sched|pthread|dlfcn|"
                    r"syslog|libgen|fnmatch|glob|sys/.*|pulse/.*|linux/.*|netinet/.*|arpa/.*)(\.h)?$")
for root, _, names in os.walk(src):
    if os.path.relpath(root, src).split(os.sep)[0] == "platform":
        continue
    for n in names:
        if n.endswith((".cpp", ".h")):
            path = os.path.join(root, n)
            for inc in includes(path):
                if SYSTEM.match(inc):
                    breaches.append(f"{os.path.relpath(path, src)} includes <{inc}> outside the platform layer")

# kivtool loads no widget, printing or sound-device library of Qt, and does not link the sound server's
# (espeak-ng's audio output brings that in on its own, so only what kivtool itself needs counts).
ldd = subprocess.run(["ldd", kivtool], capture_output=True, text=True, check=True).stdout
for lib in re.findall(r"^\s*(\S+)", ldd, re.M):
    if re.match(r"libQt6(Widgets|Multimedia|PrintSupport)", lib):
        breaches.append(f"kivtool loads {lib}")
needed = subprocess.run(["readelf", "-d", kivtool], capture_output=True, text=True, check=True).stdout
for lib in re.findall(r"\(NEEDED\).*\[(\S+)\]", needed):
    if lib.startswith("libpulse"):
        breaches.append(f"kivtool links {lib}")

for b in breaches:
    print("FAIL:", b)
print(f"{len(breaches)} breach(es) in {sum(len(f) for f in sources.values())} sources of {len(sources)} rooms")
sys.exit(1 if breaches else 0)
