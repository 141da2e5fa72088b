#!/bin/bash
# cmake --install into a temporary prefix: every file lands where
# XScreenSaver, the desktop and man look for it, the installed program
# answers --help, the XScreenSaver description is well-formed XML whose
# options the program takes, and the manual page covers every option the
# program lists.
. "$(dirname "$0")/common.bash"

BUILD_DIR=$(dirname "$GYRELLE")
PREFIX="$WORK/prefix with space"
cmake --install "$BUILD_DIR" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 \
    || { fail "cmake --install: $(tail -n3 "$WORK/install.log")"; finish; }

HACK="$PREFIX/libexec/xscreensaver/gyrelle"
for file in libexec/xscreensaver/gyrelle bin/gyrelle share/xscreensaver/config/gyrelle.xml \
    share/applications/gyrelle.desktop share/man/man6/gyrelle.6 \
    share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/gyrelle.png; do
    [ -f "$PREFIX/$file" ] && echo "ok: $file" || fail "$file not installed"
done
[ -x "$HACK" ] && echo "ok: the program is executable" || fail "$HACK is not executable"
check "bin/gyrelle is the program" "$(readlink -f "$HACK")" "$(readlink -f "$PREFIX/bin/gyrelle")"
for size in 16 32 48 256; do
    check "${size}px icon" "PNG ${size}x${size}" \
        "$(identify -format '%m %wx%h' "$PREFIX/share/icons/hicolor/${size}x${size}/apps/gyrelle.png" 2>&1)"
done

# The installed program, through the link in bin, from another folder.
HELP=$(cd / && "$PREFIX/bin/gyrelle" --help)
check "--help exits 0" 0 "$?"
case "$HELP" in Usage:*) echo "ok: --help prints the usage" ;; *) fail "--help printed: $HELP" ;; esac
VERSION=$(sed -n 's/^project(Gyrelle VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
check "--version" "Gyrelle Screen Saver $VERSION" "$("$PREFIX/bin/gyrelle" --version)"
ERROR=$("$PREFIX/bin/gyrelle" --no-such-option 2>&1 >/dev/null)
check "unknown option exits 2" 2 "$?"
check "unknown option says so on one line" 1 "$(printf '%s\n' "$ERROR" | wc -l)"

# The desktop entry starts the installed program's settings dialog.
check "desktop entry Exec" "Exec=$HACK -c" "$(grep '^Exec=' "$PREFIX/share/applications/gyrelle.desktop")"

# The XScreenSaver description: well-formed, named after its file as
# XScreenSaver requires, and every argument it would pass is one the
# program takes (it starts the saver rather than being refused).
ARGS=$(python3 - "$PREFIX/share/xscreensaver/config/gyrelle.xml" <<'PYTHON'
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
if root.tag != "screensaver" or root.get("name") != "gyrelle" or not root.get("_label"):
    sys.exit("root is not <screensaver name=\"gyrelle\" _label=...>")
if not (root.findtext("_description") or "").strip():
    sys.exit("no _description")
for element in root.iter():
    for attribute in ("arg", "arg-set", "arg-unset"):
        if attribute in element.attrib:
            print(element.attrib[attribute].replace("%", element.get("default", "1")))
PYTHON
)
check "the XML parses and describes gyrelle" 0 "$?"
[ -n "$ARGS" ] || fail "the XML passes no arguments"
start_xvfb
while read -r arguments; do
    [ -n "$arguments" ] || continue
    # shellcheck disable=SC2086
    GYRELLE="$HACK" start_saver $arguments
    if wait_for_window "Screen Saver" >/dev/null; then
        echo "ok: XScreenSaver's '$arguments' runs the saver"
    else
        fail "'$arguments' from the XML did not run the saver: $(cat "$WORK/saver.err")"
    fi
    kill "$SAVER_PID" 2>/dev/null
    wait_status "$SAVER_PID" 5
done <<<"$ARGS"

# The manual page renders cleanly and names every option --help lists.
MAN_PAGE="$PREFIX/share/man/man6/gyrelle.6"
WARNINGS=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$MAN_PAGE" 2>&1)
check "manual page renders without warnings" "" "$WARNINGS"
RENDERED=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$MAN_PAGE" 2>/dev/null | col -b)
for option in $(printf '%s\n' "$HELP" | grep -oE '(^|[[:space:]])(--?[a-z][a-z-]*|/[a-z])' | sort -u); do
    printf '%s\n' "$RENDERED" | grep -qF -- "$option" && echo "ok: manual names $option" \
        || fail "manual page lacks $option"
done
for section in "EXIT STATUS" FILES SETTINGS XSCREENSAVER RECORDER ENVIRONMENT registry.reg XSCREENSAVER_WINDOW; do
    printf '%s\n' "$RENDERED" | grep -qF "$section" && echo "ok: manual has $section" || fail "manual lacks $section"
done
finish
