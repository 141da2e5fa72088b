#!/bin/bash
# The Debian package (cpack -G DEB) holds exactly what cmake --install puts,
# lintian finds no error in it (a missing copyright is one), and, unpacked:
# the program answers --help through the link in bin, the icons have their
# sizes, the XScreenSaver description is well-formed XML whose command line
# is the one the setup script lists, and the manual page covers every
# option the program lists.
. "$(dirname "$0")/common.bash"

# A space in the staging path catches paths the install code leaves unquoted.
DESTDIR="$WORK/stage with space" install_gyrelle /usr
{ flock 8 && cd "$BUILD" && cpack -G DEB -B "$WORK/deb"; } 8>"$BUILD/install.lock" >"$WORK/cpack.log" 2>&1 ||
    { fail "cpack: $(tail -n3 "$WORK/cpack.log")"; finish; }
DEB="$WORK/deb/gyrelle_${VERSION}_amd64.deb"
[ -f "$DEB" ] && echo "ok: $(basename "$DEB")" || { fail "no $DEB: $(ls "$WORK/deb")"; finish; }
check "lintian errors" "" "$(lintian "$DEB" 2>>"$LOG" | grep '^E:')"
depends=$(dpkg-deb --field "$DEB" Depends)
for library in libgtk-3-0 libwayland-client0 libwayland-egl1; do
    [[ $depends == *$library* ]] || fail "Depends lacks $library: $depends"
done
check "the package's files are the install's" "$(sort "$WORK/manifest")" \
    "$(dpkg-deb --fsys-tarfile "$DEB" | tar -t | grep -v '/$' | sed 's|^\./|/|' | sort)"
PREFIX="$WORK/root/usr"
dpkg-deb -x "$DEB" "$WORK/root"

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
# XScreenSaver requires, and its settings tool, which writes the command
# line from it, writes the one gyrelle-xscreensaver-setup lists (which
# the XScreenSaver test runs).
check "the XML's command line" ' arg="--root"' "$(xmllint --xpath '/screensaver[@name="gyrelle"][@_label][normalize-space(_description)]//@*[starts-with(name(), "arg")]' "$PREFIX/share/xscreensaver/config/gyrelle.xml" 2>>"$LOG")"

# The manual page renders cleanly and names every option --help lists.
MAN_PAGE="$PREFIX/share/man/man6/gyrelle.6.gz"
check "manual page renders without warnings" "" "$(zcat "$MAN_PAGE" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)"
RENDERED=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$MAN_PAGE" 2>>"$LOG" | col -b)
for word in $(printf '%s\n' "$HELP" | grep -oE '(^|[[:space:]])(--?[a-z][a-z-]*|/[a-z])' | sort -u) \
    "EXIT STATUS" FILES XSCREENSAVER MATE xsecurelock HKEY_CURRENT_USER gyrelle-xscreensaver-setup XSCREENSAVER_WINDOW; do
    printf '%s\n' "$RENDERED" | grep -qF -- "$word" && echo "ok: manual names $word" || fail "manual lacks $word"
done
finish
