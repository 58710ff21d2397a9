# session-inside.sh: sourced by gnome-inside.sh and kde-inside.sh, the insides of
# a test desktop session run as its unprivileged user within dbus-run-session (so
# the bus and everything started here ends with it). What both desktops start the
# same way: the session's environment pushed to the bus (D-Bus activation would
# start the daemons without it), PipeWire, the portals once the compositor is up,
# and RUNTIME/ready with the bus address once all are.

# session_environment RUNTIME DESKTOP SESSION-DESKTOP [NAME=VALUE...]
session_environment() {
  runtime=$1
  cd "$runtime" || exit 1
  export HOME="$runtime/home" XDG_RUNTIME_DIR="$runtime"
  export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
  export XDG_STATE_HOME="$HOME/.local/state"
  export XDG_CURRENT_DESKTOP="$2" XDG_SESSION_TYPE=wayland XDG_SESSION_DESKTOP="$3"
  local extra=("${@:4}") names=() pair
  for pair in "${extra[@]}"; do
    export "${pair?}"
    names+=("${pair%%=*}")
  done
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"
  unset DISPLAY WAYLAND_DISPLAY
  trap finish TERM INT HUP
  dbus-update-activation-environment HOME XDG_RUNTIME_DIR XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME \
    XDG_STATE_HOME XDG_CURRENT_DESKTOP XDG_SESSION_TYPE XDG_SESSION_DESKTOP "${names[@]}"
}

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

start_pipewire() {
  local i
  pipewire >pipewire.log 2>&1 &
  pids+=($!)
  for i in $(seq 1 100); do [ -S "$runtime/pipewire-0" ] && break; sleep 0.05; done
  wireplumber >wireplumber.log 2>&1 &
  pids+=($!)
}

# compositor_ready NAME TRIES [NAME=VALUE...]: waits for the compositor's socket
# (tries of 50 ms), then gives the session its display and the extra variables.
compositor_ready() {
  local name=$1 tries=$2 i pair names=(WAYLAND_DISPLAY)
  for i in $(seq 1 "$tries"); do [ -S "$runtime/wayland-0" ] && break; sleep 0.05; done
  [ -S "$runtime/wayland-0" ] || { echo "$name did not start" >&2; finish; }
  export WAYLAND_DISPLAY=wayland-0
  for pair in "${@:3}"; do
    export "${pair?}"
    names+=("${pair%%=*}")
  done
  dbus-update-activation-environment "${names[@]}"
}

# start_portals BACKEND-PROGRAM BACKEND-BUS-NAME: the permission store, the
# desktop's portal backend and the portal itself; then ready, and waits.
start_portals() {
  local i
  /usr/libexec/xdg-permission-store >permission-store.log 2>&1 &
  pids+=($!)
  "$1" >portal-backend.log 2>&1 &
  pids+=($!)
  for i in $(seq 1 200); do
    owned "$2" && break
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
}
