# A virtual desktop for the Linux program: Xvfb, the openbox window manager
# and, unless asked not to, the trayer tray host. Sourced by run-linux,
# e2e-linux and bench-linux.
# shellcheck shell=bash

XSESSION_PIDS=()

# Packages the virtual desktop and the program need at run time.
xsession_packages() {
    need_packages xvfb openbox trayer x11-utils xdotool imagemagick fonts-dejavu-core fonts-liberation2 procps
}

# Waits up to $2 tenths of a second for command $1 to succeed.
xsession_wait() {
    local cmd="$1" tries="${2:-50}"
    while [ "$tries" -gt 0 ]; do
        eval "$cmd" >/dev/null 2>&1 && return 0
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
    local numfile
    numfile="$(mktemp)"
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$numfile" >/dev/null 2>&1 &
    XSESSION_PIDS+=("$!")
    xsession_wait '[ -s "$numfile" ]' 100 || { rm -f "$numfile"; echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(head -n1 "$numfile")"
    rm -f "$numfile"
    xsession_wait "xdpyinfo" 100 || { echo "Xvfb did not answer on $DISPLAY" >&2; return 1; }
    openbox --sm-disable >"${XSESSION_LOG:-/dev/null}" 2>&1 &
    XSESSION_PIDS+=("$!")
    xsession_wait '[[ "$(xprop -root _NET_SUPPORTING_WM_CHECK)" == *"window id"* ]]' 100 ||
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
    xsession_wait '[[ "$(xwininfo -root -tree)" == *\"panel\"* ]]' 100 ||
        { echo "trayer did not start" >&2; return 1; }
}

# Stops what xsession_start started, newest first.
xsession_stop() {
    local i pid
    for ((i = ${#XSESSION_PIDS[@]} - 1; i >= 0; i--)); do
        pid="${XSESSION_PIDS[$i]}"
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${XSESSION_PIDS[@]}"; do
        for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    XSESSION_PIDS=()
}

# A display is usable when a client can talk to it.
xsession_usable() {
    [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}
