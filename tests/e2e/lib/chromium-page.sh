# Sourced by the end-to-end scripts and the demo. Shows the drawing page (page/) in
# Chromium on the display DISPLAY names, and takes it down again. Only the process
# group this file starts is ever stopped, by its id.
#
#   start_chromium_page BOARDX BOARDY LOGDIR READBACK [QUERY]
#                        page ready, or status 1; QUERY goes on the page's
#                        address, e.g. drop=0.03&seed=11
#   stop_chromium_page                                   safe to call at any time
#
# page_scale (1 unless set) is the device scale the page is shown at, as on a
# scaled display; the page is ready once its edge shows where that puts it.
# page_left (0 unless set) is the screen column of the page's window.

page_scale=1
page_left=0
scriv_page_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../../page" && pwd)"
chromium_pid=
chromium_profile=

# The flags that make the page land on the screen pixel for pixel: no warning
# bar (--test-type), the window at the origin with one screen pixel per page
# pixel and colours untouched, a fresh profile with nothing to set up or fetch.
# There is no window manager, so the window has no frame.
chromium_flags=(
  --no-sandbox --test-type --disable-gpu --disable-quic --no-first-run
  --no-default-browser-check --disable-background-networking --disable-component-update
  --disable-sync --disable-translate --password-store=basic
  --window-position=0,0 --window-size=1000,800
  --force-device-scale-factor=1 --force-color-profile=srgb
)

start_chromium_page() {
  local x=$1 y=$2 logdir=$3 readback=$4 query=${5:+&$5}
  chromium_profile=$(mktemp -d "${TMPDIR:-/tmp}/scrivlet-chromium.XXXXXX")
  # A process group of its own, so the browser and every helper process it
  # starts can be stopped together. The last scale factor given is the one taken.
  setsid chromium "${chromium_flags[@]}" --force-device-scale-factor="$page_scale" \
    --window-position="$page_left,0" --user-data-dir="$chromium_profile" \
    --app="file://$scriv_page_dir/index.html?x=$x&y=$y$query" >"$logdir/chromium.log" 2>&1 &
  chromium_pid=$!
  local edge
  read -r -a edge < <(awk -v s="$page_scale" -v x="$x" -v y="$y" -v l="$page_left" \
    'BEGIN { printf "%d %d 30000 %d\n", l + int(x * s + 0.5), int((y - 2) * s + 0.5) + 2, int(300 * s + 0.5) }')
  if ! "$readback" wait-edge "${edge[@]}" >"$logdir/page-ready.log" 2>&1; then
    echo "Chromium did not show the drawing page within 30 s (see $logdir/chromium.log)" >&2
    stop_chromium_page
    return 1
  fi
}

stop_chromium_page() {
  if [ -n "$chromium_pid" ]; then
    kill -TERM -- "-$chromium_pid" 2>/dev/null || kill -TERM "$chromium_pid" 2>/dev/null || true
    local i
    for i in $(seq 1 50); do
      kill -0 -- "-$chromium_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL -- "-$chromium_pid" 2>/dev/null || true
    wait "$chromium_pid" 2>/dev/null || true
    chromium_pid=
  fi
  if [ -n "$chromium_profile" ]; then
    rm -rf "$chromium_profile"
    chromium_profile=
  fi
}
