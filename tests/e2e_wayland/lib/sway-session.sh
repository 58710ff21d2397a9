# Sourced by the Wayland end-to-end scripts: a headless sway of its own, run as an
# unprivileged user (sway refuses root), and taken down again by its PID. The
# programs that must be that user too (the page's browser, scrivdraw, whose key
# bindings signal it from sway) are started through as_sway_user.
#
#   start_sway LOGDIR      sway ready, its variables exported, or status 1
#   stop_sway              safe to call at any time
#   (as_sway_user CMD...)  runs CMD as sway's user, in sway's session; in a
#                          subshell, since it execs
#   (as_sway_nice CMD...)  the same, at sway's higher priority
#
# Exported for the tools run as root beside it (screen reads, key presses):
# WAYLAND_DISPLAY (an absolute path), SWAYSOCK, XDG_RUNTIME_DIR. DISPLAY is
# unset, so nothing here reaches an X server by mistake.

sway_uid=65534
sway_gid=65534
sway_pid=
sway_keyboard_pid=
sway_runtime=
sway_output=HEADLESS-1
# The compositor drops a client that falls about 4 KiB of events behind (some
# 80 ms of pointer input at 1 kHz); on a machine busy with other work the page's
# browser can, so sway and what runs under as_sway_nice come before the rest.
sway_nice=-19
sway_size=1280x1024
# Those events go out in many small writes, and each counts as about a kilobyte
# against the client socket's room (208 KiB by default): beside the rest of the
# test run (browsers, the sanitizer build) the browser was dropped within the
# first seconds of a -fast run in two of five whole test runs, even at sway's
# priority. Sockets made from now on get 8 MiB, where root may say so.
sway_socket_room=8388608

give_sockets_room() {
  local setting now
  for setting in wmem_max wmem_default; do
    now=$(cat "/proc/sys/net/core/$setting" 2>/dev/null) || return 0
    [ "$now" -ge "$sway_socket_room" ] 2>/dev/null ||
      { echo "$sway_socket_room" >"/proc/sys/net/core/$setting"; } 2>/dev/null || return 0
  done
}

start_sway() {
  local logdir=$1 i
  # The session's own folder, the user's runtime folder as sway wants it: owned
  # by that user, readable by nobody else.
  sway_runtime=$(mktemp -d "${TMPDIR:-/tmp}/scrivdraw-sway.XXXXXX")
  chown "$sway_uid:$sway_gid" "$sway_runtime"
  chmod 700 "$sway_runtime"
  cat >"$sway_runtime/sway.conf" <<CONF
xwayland disable
output $sway_output resolution $sway_size position 0 0 bg #ffffff solid_color
default_border none
for_window [app_id=".*"] fullscreen enable
seat * hide_cursor 100
CONF
  chown "$sway_uid:$sway_gid" "$sway_runtime/sway.conf"
  unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
  give_sockets_room
  setsid nice -n "$sway_nice" setpriv --reuid="$sway_uid" --regid="$sway_gid" --clear-groups \
    env -i PATH="$PATH" HOME="$sway_runtime" XDG_RUNTIME_DIR="$sway_runtime" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 \
    sway -c "$sway_runtime/sway.conf" >"$logdir/sway.log" 2>&1 &
  sway_pid=$!
  for i in $(seq 1 100); do
    local socket
    socket=$(find "$sway_runtime" -maxdepth 1 -name 'sway-ipc.*.sock' -print -quit 2>/dev/null)
    if [ -n "$socket" ] && [ -S "$sway_runtime/wayland-1" ]; then
      export XDG_RUNTIME_DIR="$sway_runtime" WAYLAND_DISPLAY="$sway_runtime/wayland-1" SWAYSOCK="$socket"
      # A keyboard for the whole session, as a real desktop has one. Without it
      # the first key typed adds one, the seat's capabilities change, and the
      # browser takes that as a new pointer, losing the input under way.
      wtype -s 86400000 >"$logdir/keyboard.log" 2>&1 &
      sway_keyboard_pid=$!
      return 0
    fi
    kill -0 "$sway_pid" 2>/dev/null || break
    sleep 0.05
  done
  echo "sway did not start (see $logdir/sway.log)" >&2
  stop_sway
  return 1
}

stop_sway() {
  if [ -n "$sway_keyboard_pid" ]; then
    kill "$sway_keyboard_pid" 2>/dev/null || true
    wait "$sway_keyboard_pid" 2>/dev/null || true
    sway_keyboard_pid=
  fi
  if [ -n "$sway_pid" ]; then
    kill -TERM -- "-$sway_pid" 2>/dev/null || kill -TERM "$sway_pid" 2>/dev/null || true
    local i
    for i in $(seq 1 50); do
      kill -0 "$sway_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL -- "-$sway_pid" 2>/dev/null || true
    wait "$sway_pid" 2>/dev/null || true
    sway_pid=
  fi
  if [ -n "$sway_runtime" ]; then
    rm -rf "$sway_runtime"
    sway_runtime=
  fi
  unset WAYLAND_DISPLAY SWAYSOCK XDG_RUNTIME_DIR
}

# As as_sway_user, ahead of the machine's other work (the page's browser).
as_sway_nice() {
  exec nice -n "$sway_nice" setpriv --reuid="$sway_uid" --regid="$sway_gid" --clear-groups \
    env HOME="$sway_runtime" XDG_RUNTIME_DIR="$sway_runtime" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" \
    SWAYSOCK="$SWAYSOCK" "$@"
}

# The command is exec'd from setpriv and env, so in the background $! is its own
# PID, the one to signal.
as_sway_user() {
  exec setpriv --reuid="$sway_uid" --regid="$sway_gid" --clear-groups \
    env HOME="$sway_runtime" XDG_RUNTIME_DIR="$sway_runtime" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" \
    SWAYSOCK="$SWAYSOCK" "$@"
}
