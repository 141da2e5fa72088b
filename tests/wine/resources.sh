#!/bin/bash
# What Windows and Explorer read from Gyrelle.scr without running it, as the
# MinGW binutils decompile it: the manifest (per-monitor DPI awareness,
# common controls 6, no elevation), the version resource, icon 100 as the
# file's icon, the saver's name in string 1, and an import table of system
# DLLs only, so that the .scr runs when copied alone onto a clean Windows.
. "$(dirname "$0")/../e2e/common.bash"
SCR=$GYRELLE
RC=$(x86_64-w64-mingw32-windres -i "$SCR" -O rc) || { fail "windres cannot read $SCR"; finish; }
# The manifest's text, unquoted from the resource script.
MANIFEST=$(printf '%s\n' "$RC" | sed -n '/^1 24 /,/^END/s/^  "\(.*\)"$/\1/p' | sed 's/\\n$//; s/""/"/g')

expect() {  # DESCRIPTION PATTERN TEXT (a grep -E pattern)
    printf '%s\n' "$3" | grep -qE -- "$2" && echo "ok: $1" || fail "$1"
}

expect "64-bit program" "file format pei-x86-64" "$(x86_64-w64-mingw32-objdump -f "$SCR")"
# Explorer shows the group icon with the lowest id; it must be 100, and
# carry the sizes a high-DPI list view asks for (a width byte of 0 is 256).
expect "icon 100 is the lowest icon" "^100$" "$(printf '%s\n' "$RC" | sed -n 's/^\([0-9]*\) 14 .*RT_GROUP_ICON.*/\1/p' | sort -n | head -n1)"
expect "icon 100 has 16, 32, 48 and 256 pixels" "^16 32 48 256 $" "$(printf '%s\n' "$RC" | sed -n '/^100 14 /,/^END/s/^ *"\\\([0-7]*\).*/\1/p' |
    while read -r width; do echo $((8#$width == 0 ? 256 : 8#$width)); done | sort -n | tr '\n' ' ')"
expect "string 1 is the saver's name" '^  1, "Gyrelle"$' "$RC"
for pair in ProductName:"Gyrelle Screen Saver" FileDescription:Gyrelle FileVersion:"$VERSION" \
    ProductVersion:"$VERSION" OriginalFilename:Gyrelle.scr; do
    expect "version resource ${pair%%:*} is '${pair#*:}'" "VALUE \"${pair%%:*}\", \"${pair#*:}\"$" "$RC"
done
expect "fixed file version" "^ FILEVERSION ${VERSION//./, }, 0, 0$" "$RC"
expect "PerMonitorV2 first, then system-aware" "<dpiAwareness[^>]*> *PerMonitorV2, *System *</dpiAwareness>" "$MANIFEST"
expect "dpiAware true for older Windows" "<dpiAware[^>]*> *true *</dpiAware>" "$MANIFEST"
expect "common controls 6" 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$MANIFEST"
expect "runs asInvoker" 'requestedExecutionLevel level="asInvoker"' "$MANIFEST"

# Only system DLLs and OpenGL, never the MinGW runtime.
DLLS=$(x86_64-w64-mingw32-objdump -p "$SCR" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "imports: $(echo $DLLS)"
expect "imports only system DLLs and OpenGL" "^$" "$(printf '%s\n' "$DLLS" | grep -vxE \
    '(kernel32|user32|gdi32|advapi32|comctl32|msvcrt|opengl32|glu32|shell32|ole32|imm32|ntdll)\.dll')"
finish
