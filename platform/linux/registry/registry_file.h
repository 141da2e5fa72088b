// Where the registry file lives, and its atomic rewrite. Internal to the
// layer (and its tests); the program reaches the registry only through the
// Reg* functions of winapi.h.
//
// The whole registry is one text file (registry_text.h gives its format):
//   ${XDG_CONFIG_HOME:-$HOME/.config}/gyrelle/registry.reg
// The path is worked out again at every open, so a change of the
// environment takes effect at once.
//
// Key handles: opening for reading takes a snapshot of the key's values.
// RegCreateKeyExA (or an open with KEY_SET_VALUE) first makes sure the file
// can be replaced, so that a key that could never be saved is refused up
// front; RegSetValueExA changes only the handle; RegCloseKey writes the
// file, re-read at that moment with the handle's values laid over it, and
// reports a failed write as its result.
//
// A registry file that cannot be read as one (unreadable, a folder, a pipe,
// a device, over 16 MiB) reads as an error, never as an empty registry, and
// keys cannot be opened for writing while it is so: it is never replaced.
//
// A registry file that holds bytes but no registry (no header and no key:
// another encoding, a binary file) reads as empty; before a rewrite
// replaces it, it is kept beside as registry.reg.unread (then -2, -3 ...),
// as standard error says.
//
// A registry file that is a symbolic link is read through the link, and a
// rewrite replaces the link with a regular file (the rename cannot write
// through it); the file it pointed to is left as it was.
//
// Why not GLib's g_file_set_contents: the arm64 and fuzz builds link no
// GTK, and its rules are not these. It writes through a planted link at the
// temporary name, gives the new file its own permissions rather than the
// user's, and cannot keep an unreadable file aside by a hard link first.
#pragma once

#include <string>

// The registry file's path; empty when neither XDG_CONFIG_HOME (absolute) nor
// a home folder is known.
std::string registryFilePath();
// The temporary file that a rewrite of `target` goes through: beside it,
// named after this process, so two processes never share one.
std::string registryTempPath(const std::string& target);

// Replaces `target` with `text`: a new file created beside it (never through
// a link or an existing file at the temporary name), synced, then renamed
// over the target. False leaves the target byte for byte as it was.
bool replaceFileAtomically(const std::string& target, const std::string& text);
