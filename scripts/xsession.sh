# SPDX-License-Identifier: GPL-3.0-or-later
# A virtual desktop: Xvfb, the openbox window manager and, unless asked not
# to, the trayer tray host. Sourced by run-linux, bench-linux, test-windows
# and, through e2e-lib.sh, the end-to-end tests.
# shellcheck shell=bash

XSESSION_PIDS=()

# Packages the virtual desktop and the program need at run time.
xsession_packages() {
    need_packages xvfb openbox trayer x11-utils xdotool imagemagick fonts-dejavu-core fonts-liberation2 procps
}

# xsession_wait TENTHS COMMAND [ARG...]: waits up to TENTHS tenths of a
# second for the command to succeed.
xsession_wait() {
    local tries="$1"
    shift
    while [ "$tries" -gt 0 ]; do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}

# xsession_start [--no-tray]: starts the desktop and exports DISPLAY. A start
# that fails halfway is undone and tried again, up to three times.
xsession_start() {
    local try
    for try in 1 2 3; do
        xsession_start_once "$@" && return 0
        echo "virtual desktop: start $try failed, trying again" >&2
        xsession_stop
    done
    return 1
}

xsession_start_once() {
    local tray=1
    [ "${1:-}" = --no-tray ] && tray=0
    # Xvfb picks a free display number itself and tells it on a descriptor,
    # so two desktops started at once never race for the same number.
    # -noreset: by default the server resets when its last client leaves
    # (xdpyinfo below), and a window manager connecting just then is refused.
    local numfile
    numfile="$(mktemp)"
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset 5>"$numfile" >/dev/null 2>&1 &
    XSESSION_PIDS+=("$!")
    xsession_wait 100 test -s "$numfile" || { rm -f "$numfile"; echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(head -n1 "$numfile")"
    rm -f "$numfile"
    xsession_wait 100 xdpyinfo || { echo "Xvfb did not answer on $DISPLAY" >&2; return 1; }
    openbox --sm-disable >"${XSESSION_LOG:-/dev/null}" 2>&1 &
    XSESSION_PIDS+=("$!")
    xsession_wait 100 xsession_wm_up ||
        { echo "openbox did not start" >&2; return 1; }
    if [ "$tray" = 1 ]; then
        xsession_start_tray || return 1
    fi
}

# Starts the trayer tray host; XSESSION_TRAY_PID is its process.
xsession_start_tray() {
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        --transparent false --tint 0x808080 >/dev/null 2>&1 &
    XSESSION_TRAY_PID=$!
    XSESSION_PIDS+=("$XSESSION_TRAY_PID")
    xsession_wait 100 xsession_tray_up ||
        { echo "trayer did not start" >&2; return 1; }
}

xsession_gone() { ! kill -0 "$1" 2>/dev/null; }
xsession_wm_up() { [[ "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" == *"window id"* ]]; }
xsession_tray_up() { [[ "$(xwininfo -root -tree 2>/dev/null)" == *\"panel\"* ]]; }

# Stops what xsession_start started, newest first.
xsession_stop() {
    local i pid
    for ((i = ${#XSESSION_PIDS[@]} - 1; i >= 0; i--)); do
        pid="${XSESSION_PIDS[$i]}"
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${XSESSION_PIDS[@]}"; do
        xsession_wait 30 xsession_gone "$pid" || true
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    XSESSION_PIDS=()
}

# A display is usable when a client can talk to it.
xsession_usable() {
    [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# The desktop is whole when all it started still runs and answers.
xsession_whole() {
    local pid
    [ ${#XSESSION_PIDS[@]} -gt 0 ] || return 1
    for pid in "${XSESSION_PIDS[@]}"; do kill -0 "$pid" 2>/dev/null || return 1; done
    xsession_usable
}
