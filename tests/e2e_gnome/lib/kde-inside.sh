#!/usr/bin/env bash
# kde-inside.sh RUNTIME: as gnome-inside.sh, for KDE Plasma's compositor: headless
# KWin (its virtual output) with PipeWire and the desktop portal's KDE backend.
# KWin's binary carries a file capability a container cannot grant, so a copy
# without it is run.
set -u
runtime=$1
cd "$runtime"
export HOME="$runtime/home" XDG_RUNTIME_DIR="$runtime"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
export XDG_STATE_HOME="$HOME/.local/state"
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland XDG_SESSION_DESKTOP=KDE KDE_FULL_SESSION=true
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"
unset DISPLAY WAYLAND_DISPLAY

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
  XDG_STATE_HOME XDG_CURRENT_DESKTOP XDG_SESSION_TYPE XDG_SESSION_DESKTOP KDE_FULL_SESSION

pipewire >pipewire.log 2>&1 &
pids+=($!)
for i in $(seq 1 100); do [ -S "$runtime/pipewire-0" ] && break; sleep 0.05; done
wireplumber >wireplumber.log 2>&1 &
pids+=($!)
cp /usr/bin/kwin_wayland "$runtime/kwin_wayland"
"$runtime/kwin_wayland" --virtual --width 1280 --height 1024 >kwin.log 2>&1 &
pids+=($!)
for i in $(seq 1 300); do [ -S "$runtime/wayland-0" ] && break; sleep 0.05; done
[ -S "$runtime/wayland-0" ] || { echo "kwin did not start" >&2; finish; }
export WAYLAND_DISPLAY=wayland-0 QT_QPA_PLATFORM=wayland
dbus-update-activation-environment WAYLAND_DISPLAY QT_QPA_PLATFORM
/usr/libexec/xdg-permission-store >permission-store.log 2>&1 &
pids+=($!)
/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde >portal-kde.log 2>&1 &
pids+=($!)
for i in $(seq 1 200); do
  owned org.freedesktop.impl.portal.desktop.kde && break
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
