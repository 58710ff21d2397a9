# Sourced by the GNOME end-to-end scripts: a headless GNOME desktop of its own
# (mutter, PipeWire, the desktop portal) in a private D-Bus session, run as an
# unprivileged user, and taken down again by its process group.
#
#   start_gnome LOGDIR [INSIDE]  ready, or status 1; INSIDE: the session's
#                           inside (lib/gnome-inside.sh; lib/kde-inside.sh for
#                           KDE Plasma's, with gnome_desktop=KDE)
#   stop_gnome              safe to call at any time
#   (as_gnome_user CMD...)  runs CMD as that user in that session; in a subshell,
#                           since it execs
#
# Every program that talks to the session runs as its user: its bus takes no
# other. DISPLAY is unset, so nothing here reaches an X server by mistake.

gnome_uid=65534
gnome_gid=65534
gnome_pid=
gnome_runtime=
gnome_bus=
gnome_nice=-19
gnome_desktop=GNOME  # XDG_CURRENT_DESKTOP
# Programs KWin takes screenshots and input from: a .desktop file each in the user's data,
# as a package installs one (KWin finds it by the executable's path).
gnome_screenshot_programs=()

start_gnome() {
  local logdir=$1 inside=${2:-gnome-inside.sh} i
  gnome_runtime=$(mktemp -d "${TMPDIR:-/tmp}/scrivdraw-gnome.XXXXXX")
  mkdir -p "$gnome_runtime/home/.local/share/applications"
  local program
  for program in "${gnome_screenshot_programs[@]}"; do
    printf '[Desktop Entry]\nType=Application\nName=%s\nExec=%s\nNoDisplay=true\nX-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n' \
      "$(basename "$program")" "$(readlink -f "$program")" \
      >"$gnome_runtime/home/.local/share/applications/$(basename "$program").desktop"
  done
  chown -R "$gnome_uid:$gnome_gid" "$gnome_runtime"
  chmod 700 "$gnome_runtime"
  unset DISPLAY WAYLAND_DISPLAY
  # Ahead of the machine's other work, as the sway cases' compositor is.
  setsid nice -n "$gnome_nice" setpriv --reuid="$gnome_uid" --regid="$gnome_gid" --clear-groups \
    env -i PATH="$PATH" dbus-run-session -- "$(dirname "${BASH_SOURCE[0]}")/$inside" "$gnome_runtime" \
    >"$logdir/session.log" 2>&1 &
  gnome_pid=$!
  for i in $(seq 1 300); do
    if [ -s "$gnome_runtime/ready" ]; then
      gnome_bus=$(cat "$gnome_runtime/ready")
      return 0
    fi
    kill -0 "$gnome_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "the GNOME session did not start (see $logdir/session.log)" >&2
  cp "$gnome_runtime"/*.log "$logdir/" 2>/dev/null || true
  stop_gnome
  return 1
}

stop_gnome() {
  if [ -n "$gnome_pid" ]; then
    kill -TERM -- "-$gnome_pid" 2>/dev/null || true
    local i
    for i in $(seq 1 50); do
      kill -0 -- "-$gnome_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL -- "-$gnome_pid" 2>/dev/null || true
    wait "$gnome_pid" 2>/dev/null || true
    gnome_pid=
  fi
  if [ -n "$gnome_runtime" ]; then
    rm -rf "$gnome_runtime"
    gnome_runtime=
  fi
}

# Keeps the daemons' logs beside the case's own.
keep_gnome_logs() {
  [ -n "$gnome_runtime" ] && cp "$gnome_runtime"/*.log "$1/" 2>/dev/null || true
}

as_gnome_user() {
  exec setpriv --reuid="$gnome_uid" --regid="$gnome_gid" --clear-groups \
    env HOME="$gnome_runtime/home" XDG_RUNTIME_DIR="$gnome_runtime" DBUS_SESSION_BUS_ADDRESS="$gnome_bus" \
    WAYLAND_DISPLAY="$gnome_runtime/wayland-0" XDG_CURRENT_DESKTOP="$gnome_desktop" XDG_SESSION_TYPE=wayland "$@"
}

as_gnome_nice() {
  exec nice -n "$gnome_nice" setpriv --reuid="$gnome_uid" --regid="$gnome_gid" --clear-groups \
    env HOME="$gnome_runtime/home" XDG_RUNTIME_DIR="$gnome_runtime" DBUS_SESSION_BUS_ADDRESS="$gnome_bus" \
    WAYLAND_DISPLAY="$gnome_runtime/wayland-0" XDG_CURRENT_DESKTOP="$gnome_desktop" XDG_SESSION_TYPE=wayland "$@"
}
