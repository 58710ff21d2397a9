#!/usr/bin/env bash
# gnome-inside.sh RUNTIME: the inside of the GNOME test session (see
# session-inside.sh): headless mutter, PipeWire and the portal's GNOME backend.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/session-inside.sh"
session_environment "$1" GNOME gnome
start_pipewire
mutter --headless --wayland --no-x11 --virtual-monitor 1280x1024 >mutter.log 2>&1 &
pids+=($!)
compositor_ready mutter 200
start_portals /usr/libexec/xdg-desktop-portal-gnome org.freedesktop.impl.portal.desktop.gnome
