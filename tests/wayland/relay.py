#!/usr/bin/env python3
# Starts COMMAND on a Wayland connection of our own, as a locker starts its
# background (swaylock-plugin's --command): one end of a connected socket in
# WAYLAND_SOCKET, no WAYLAND_DISPLAY and no DISPLAY. The locker serves that
# connection itself; here the other end relays whole messages, descriptors
# included, to the compositor at WAYLAND_DISPLAY, so that this side can do what
# a compositor does to its client:
#   SIGTERM  closes the connection (the locker's unlock); we exit with
#            COMMAND's status (128 + signal if a signal ended it)
#   SIGUSR1  announces the last wl_output COMMAND was told of as removed
#            (headless sway 1.7 can neither disable nor unplug an output)
#   SIGUSR2  tells COMMAND that every output it watches the power of is off
#            (zwlr_output_power_v1.mode off; sway 1.7 headless cannot do it)
# With --locker the globals the locker does not offer (wl_seat, xdg_wm_base)
# are hidden; with --output NAME, SWAYLOCK_PLUGIN_OUTPUT_NAME is NAME.
# Usage: relay.py [--locker] [--output NAME] -- COMMAND...
import os, signal, socket, struct, sys, select, array

split = sys.argv.index("--")
options, command = sys.argv[1:split], sys.argv[split + 1:]
hidden = {b"wl_seat", b"xdg_wm_base"} if "--locker" in options else set()

compositor = socket.socket(socket.AF_UNIX)
compositor.connect(os.path.join(os.environ.get("XDG_RUNTIME_DIR", "/"), os.environ["WAYLAND_DISPLAY"]))
ours, theirs = socket.socketpair()
env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY", "DISPLAY")}
env["WAYLAND_SOCKET"] = str(theirs.fileno())
if "--output" in options:
    env["SWAYLOCK_PLUGIN_OUTPUT_NAME"] = options[options.index("--output") + 1]
theirs.set_inheritable(True)
child = os.fork()
if child == 0:
    os.execvpe(command[0], command, env)
theirs.close()

wake_r, wake_w = os.pipe()
os.set_blocking(wake_w, False)
signal.set_wakeup_fd(wake_w)
signal.signal(signal.SIGTERM, lambda *_: None)
signal.signal(signal.SIGUSR1, lambda *_: None)
signal.signal(signal.SIGUSR2, lambda *_: None)

pending = {ours: b"", compositor: b""}
fds = {ours: [], compositor: []}
other = {ours: compositor, compositor: ours}
registries, outputs = set(), []  # outputs: (registry, name) in the order announced
power_managers, powers = set(), []  # the client's zwlr_output_power_manager_v1 and _v1 ids


def forward(source):
    data, keep = pending[source], b""
    while len(data) >= 8 and len(data) >= struct.unpack_from("=I", data, 4)[0] >> 16:
        target, word = struct.unpack_from("=II", data)
        message, data = data[:word >> 16], data[word >> 16:]
        if source is ours and target == 1 and word & 0xffff == 1:  # wl_display.get_registry
            registries.add(struct.unpack_from("=I", message, 8)[0])
        if source is ours and target in registries and word & 0xffff == 0:  # wl_registry.bind(name, interface, version, id)
            length = struct.unpack_from("=I", message, 12)[0]
            if message[16:16 + length - 1] == b"zwlr_output_power_manager_v1":
                power_managers.add(struct.unpack_from("=I", message, 16 + (length + 3) // 4 * 4 + 4)[0])
        if source is ours and target in power_managers and word & 0xffff == 0:  # get_output_power(id, output)
            powers.append(struct.unpack_from("=I", message, 8)[0])
        if source is compositor and target in registries and word & 0xffff == 0:  # wl_registry.global
            name, length = struct.unpack_from("=II", message, 8)
            interface = message[16:16 + length - 1]
            if interface in hidden:
                continue
            if interface == b"wl_output":
                outputs.append((target, name))
        keep += message
    pending[source] = data
    if keep:
        ancillary = [(socket.SOL_SOCKET, socket.SCM_RIGHTS, array.array("i", fds[source]))] if fds[source] else []
        other[source].sendmsg([keep], ancillary)
        for fd in fds[source]:
            os.close(fd)
        fds[source] = []


running = True
while running:
    for ready in select.select([ours, compositor, wake_r], [], [])[0]:
        if ready == wake_r:
            for number in os.read(wake_r, 64):
                if number == signal.SIGTERM:
                    running = False
                elif number == signal.SIGUSR2:  # zwlr_output_power_v1.mode(off)
                    for power in powers:
                        ours.sendall(struct.pack("=III", power, 12 << 16 | 0, 0))
                elif outputs:  # wl_registry.global_remove(name) to every registry told of it (EGL has its own)
                    gone = outputs[-1][1]
                    for registry, name in [o for o in outputs if o[1] == gone]:
                        outputs.remove((registry, name))
                        ours.sendall(struct.pack("=III", registry, 12 << 16 | 1, name))
            continue
        try:
            data, ancillary, _, _ = ready.recvmsg(65536, socket.CMSG_SPACE(28 * 4))
        except ConnectionResetError:  # closed with our bytes unread
            data, ancillary = b"", []
        for _, _, payload in ancillary:
            fds[ready] += array.array("i", payload[:len(payload) - len(payload) % 4])
        if not data:
            running = False
            break
        pending[ready] += data
        forward(ready)

ours.close()
compositor.close()
_, status = os.waitpid(child, 0)
code = os.waitstatus_to_exitcode(status)
print(f"relay: {' '.join(command)} exited with {code}", file=sys.stderr)
sys.exit(code if code >= 0 else 128 - code)
