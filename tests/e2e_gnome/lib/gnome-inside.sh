#!/usr/bin/env bash
# gnome-inside.sh RUNTIME: the inside of the GNOME test session, run as its
# unprivileged user within dbus-run-session (so the bus and everything started
# here ends with it). Starts headless mutter and the daemons the portals need, each
# with the session's environment (D-Bus activation would start them without it),
# writes RUNTIME/ready with the bus address once all are up, and waits.
set -u
runtime=$1
cd "$runtime"
export HOME="$runtime/home" XDG_RUNTIME_DIR="$runtime"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
export XDG_STATE_HOME="$HOME/.local/state"
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland XDG_SESSION_DESKTOP=gnome
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"
unset DISPLAY WAYLAND_DISPLAY

# Whether a name is owned on the session bus.
owned() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}

pids=()
finish() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  wait 2>/dev/null
  exit 0
}
trap finish TERM INT HUP

dbus-update-activation-environment HOME XDG_RUNTIME_DIR XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME \
  XDG_STATE_HOME XDG_CURRENT_DESKTOP XDG_SESSION_TYPE XDG_SESSION_DESKTOP

pipewire >pipewire.log 2>&1 &
pids+=($!)
for i in $(seq 1 100); do [ -S "$runtime/pipewire-0" ] && break; sleep 0.05; done
wireplumber >wireplumber.log 2>&1 &
pids+=($!)
mutter --headless --wayland --no-x11 --virtual-monitor 1280x1024 >mutter.log 2>&1 &
pids+=($!)
for i in $(seq 1 200); do [ -S "$runtime/wayland-0" ] && break; sleep 0.05; done
[ -S "$runtime/wayland-0" ] || { echo "mutter did not start" >&2; finish; }
export WAYLAND_DISPLAY=wayland-0
dbus-update-activation-environment WAYLAND_DISPLAY
/usr/libexec/xdg-permission-store >permission-store.log 2>&1 &
pids+=($!)
/usr/libexec/xdg-desktop-portal-gnome >portal-gnome.log 2>&1 &
pids+=($!)
for i in $(seq 1 200); do
  owned org.freedesktop.impl.portal.desktop.gnome && break
  sleep 0.05
done
/usr/libexec/xdg-desktop-portal >portal.log 2>&1 &
pids+=($!)
for i in $(seq 1 200); do
  owned org.freedesktop.portal.Desktop && break
  sleep 0.05
done
echo "$DBUS_SESSION_BUS_ADDRESS" >"$runtime/ready.tmp" && mv "$runtime/ready.tmp" "$runtime/ready"
while :; do sleep 3600 & wait $!; done
