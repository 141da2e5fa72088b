#!/bin/bash
# What Windows and Explorer read from Gyrelle.scr without running it: the
# manifest (per-monitor DPI awareness, common controls 6, no elevation),
# the version resource, icon 100 as the file's icon, the saver's name in
# string 1, and an import table of system DLLs only, so that the .scr runs
# when copied alone onto a clean Windows.
set -u
SCR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
VERSION=$(sed -n 's/^project(Gyrelle VERSION \([0-9.]*\).*/\1/p' "$HERE/../../CMakeLists.txt")

python3 - "$HERE/../tools/pe_resources.py" "$SCR" "$VERSION" <<'PYTHON' || exit 1
import importlib.util
import sys
import xml.etree.ElementTree as ET

module_location = importlib.util.spec_from_file_location("pe_resources", sys.argv[1])
pe = importlib.util.module_from_spec(module_location)
module_location.loader.exec_module(pe)
info = pe.summary(sys.argv[2])
version = sys.argv[3]
failures = []

def check(what, ok, detail=""):
    print(("ok: " if ok else "FAIL: ") + what + ("" if ok else " " + str(detail)))
    if not ok:
        failures.append(what)

check("64-bit program", info["machine"] == "0x8664", info["machine"])

# Explorer shows the group icon with the lowest id; it must be 100, and
# carry the sizes a high-DPI list view asks for.
icons = sorted(int(name) for name in info["group_icons"] if name.isdigit())
check("icon 100 is the lowest icon", icons[:1] == [100], icons)
check("icon 100 has 16, 32, 48 and 256 pixels",
      {16, 32, 48, 256} <= set(info["group_icons"].get("100", [])), info["group_icons"])
check("string 1 is the saver's name", info["strings"].get("1") == "Gyrelle", info["strings"])

strings = info["version"]
for key, expected in (("ProductName", "Gyrelle Screen Saver"), ("FileDescription", "Gyrelle"),
                      ("FileVersion", version), ("ProductVersion", version),
                      ("OriginalFilename", "Gyrelle.scr")):
    check("version resource %s is %r" % (key, expected), strings.get(key) == expected, strings.get(key))
numbers = [int(part) for part in version.split(".")] + [0, 0]
check("fixed file version", info["file_version"] == numbers[:4], info["file_version"])

# The process manifest is resource 1 of type RT_MANIFEST.
manifest_text = info["manifests"].get("1")
check("process manifest present", manifest_text is not None, sorted(info["manifests"]))
if manifest_text:
    root = ET.fromstring(manifest_text)
    def texts(local_name):
        return [e.text.strip() for e in root.iter() if e.tag.split("}")[-1] == local_name and e.text]
    def elements(local_name):
        return [e for e in root.iter() if e.tag.split("}")[-1] == local_name]
    awareness = [v.strip().lower() for t in texts("dpiAwareness") for v in t.split(",")]
    check("PerMonitorV2 first, then system-aware", awareness == ["permonitorv2", "system"], awareness)
    check("dpiAware true for older Windows", texts("dpiAware") == ["true"], texts("dpiAware"))
    controls = [e.attrib for e in elements("assemblyIdentity")
                if e.attrib.get("name") == "Microsoft.Windows.Common-Controls"]
    check("common controls 6", [c.get("version") for c in controls] == ["6.0.0.0"], controls)
    levels = [e.attrib.get("level") for e in elements("requestedExecutionLevel")]
    check("runs asInvoker", levels == ["asInvoker"], levels)

system_dlls = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll", "msvcrt.dll",
               "opengl32.dll", "glu32.dll", "shell32.dll", "ole32.dll", "imm32.dll", "ntdll.dll"}
imports = [name.lower() for name in info["imports"]]
check("imports only system DLLs and OpenGL", set(imports) <= system_dlls,
      sorted(set(imports) - system_dlls))
sys.exit(1 if failures else 0)
PYTHON

# The same import table as the MinGW binutils read it, so that the reader
# above is not the only witness.
OBJDUMP=$(command -v x86_64-w64-mingw32-objdump) || { echo "FAIL: no x86_64-w64-mingw32-objdump"; exit 1; }
DLLS=$("$OBJDUMP" -p "$SCR" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "imports: $(echo $DLLS)"
for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    if echo "$DLLS" | grep -qx "$runtime"; then
        echo "FAIL: needs the MinGW runtime $runtime"
        exit 1
    fi
done
echo "ok: no MinGW runtime DLLs"
