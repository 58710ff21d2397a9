#!/usr/bin/env bash
# kde-inside.sh RUNTIME: as gnome-inside.sh, for KDE Plasma's compositor: headless
# KWin (its virtual output) with PipeWire and the desktop portal's KDE backend.
# KWin's binary carries a file capability a container cannot grant, so a copy
# without it is run.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/session-inside.sh"
session_environment "$1" KDE KDE KDE_FULL_SESSION=true
start_pipewire
cp /usr/bin/kwin_wayland "$runtime/kwin_wayland"
"$runtime/kwin_wayland" --virtual --width 1280 --height 1024 >kwin.log 2>&1 &
pids+=($!)
compositor_ready kwin 300 QT_QPA_PLATFORM=wayland
start_portals /usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde org.freedesktop.impl.portal.desktop.kde
