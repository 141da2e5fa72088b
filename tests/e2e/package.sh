#!/bin/bash
# The Debian package (cpack -G DEB) holds exactly what cmake --install puts,
# lintian finds no error in it, and, unpacked: every file lies where
# XScreenSaver, MATE, the desktop and man look for it, the program answers
# --help, the XScreenSaver description is well-formed XML whose options the
# program takes, and the manual page covers every option the program lists.
. "$(dirname "$0")/common.bash"

# A space in the staging path catches paths the install code leaves unquoted.
DESTDIR="$WORK/stage with space" install_gyrelle /usr
BUILD=$(dirname "$GYRELLE")
{ flock 8 && cd "$BUILD" && cpack -G DEB -B "$WORK/deb"; } 8>"$BUILD/install.lock" >"$WORK/cpack.log" 2>&1 ||
    { fail "cpack: $(tail -n3 "$WORK/cpack.log")"; finish; }
DEB="$WORK/deb/gyrelle_${VERSION}_amd64.deb"
[ -f "$DEB" ] && echo "ok: $(basename "$DEB")" || { fail "no $DEB: $(ls "$WORK/deb")"; finish; }
check "lintian errors" "" "$(lintian "$DEB" 2>/dev/null | grep '^E:')"
dpkg-deb --field "$DEB" Depends | grep -q libgtk-3-0 && echo "ok: dependencies from the binary" || fail "Depends lacks the libraries"
check "the package's files are the install's" "$(sort "$WORK/manifest")" \
    "$(dpkg-deb --fsys-tarfile "$DEB" | tar -t | grep -v '/$' | sed 's|^\./|/|' | sort)"
PREFIX="$WORK/root/usr"
dpkg-deb -x "$DEB" "$WORK/root"

HACK="$PREFIX/libexec/xscreensaver/gyrelle"
for file in share/xscreensaver/config/gyrelle.xml share/applications/gyrelle.desktop share/man/man6/gyrelle.6.gz \
    share/applications/screensavers/gyrelle.desktop share/doc/gyrelle/copyright; do
    [ -f "$PREFIX/$file" ] && echo "ok: $file" || fail "$file not installed"
done
[ -x "$HACK" ] && echo "ok: the program is executable" || fail "$HACK is not executable"
check "bin/gyrelle is the program" "$(readlink -f "$HACK")" "$(readlink -f "$PREFIX/bin/gyrelle")"
for size in 16 32 48 256; do
    check "${size}px icon" "PNG ${size}x${size}" \
        "$(identify -format '%m %wx%h' "$PREFIX/share/icons/hicolor/${size}x${size}/apps/gyrelle.png" 2>&1)"
done
check "desktop entry Exec" "Exec=/usr/libexec/xscreensaver/gyrelle -c" "$(grep '^Exec=' "$PREFIX/share/applications/gyrelle.desktop")"

# The installed program, through the link in bin, from another folder.
HELP=$(cd / && "$PREFIX/bin/gyrelle" --help)
check "--help exits 0" 0 "$?"
case "$HELP" in Usage:*) echo "ok: --help prints the usage" ;; *) fail "--help printed: $HELP" ;; esac
check "--version" "Gyrelle Screen Saver $VERSION" "$("$PREFIX/bin/gyrelle" --version)"

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
    wait_for_window "Screen Saver" >/dev/null && echo "ok: XScreenSaver's '$arguments' runs the saver" \
        || fail "'$arguments' from the XML did not run the saver: $(cat "$WORK/saver.err")"
    kill "$SAVER_PID" 2>/dev/null
    wait_status "$SAVER_PID"
done <<<"$ARGS"

# The manual page renders cleanly and names every option --help lists.
MAN_PAGE="$PREFIX/share/man/man6/gyrelle.6.gz"
check "manual page renders without warnings" "" "$(zcat "$MAN_PAGE" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)"
RENDERED=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$MAN_PAGE" 2>/dev/null | col -b)
for word in $(printf '%s\n' "$HELP" | grep -oE '(^|[[:space:]])(--?[a-z][a-z-]*|/[a-z])' | sort -u) \
    "EXIT STATUS" FILES SETTINGS XSCREENSAVER RECORDER ENVIRONMENT registry.reg XSCREENSAVER_WINDOW; do
    printf '%s\n' "$RENDERED" | grep -qF -- "$word" && echo "ok: manual names $word" || fail "manual lacks $word"
done
finish
