# A virtual desktop for the Linux program: Xvfb, the openbox window manager
# and, unless asked not to, the trayer tray host. Sourced by run-linux,
# e2e-linux and bench-linux.
# shellcheck shell=bash

XSESSION_PIDS=()

# Packages the virtual desktop and the program need at run time.
xsession_packages() {
    need_packages xvfb openbox trayer x11-utils xdotool imagemagick fonts-dejavu-core procps
}

# A display number nobody uses.
xsession_free_display() {
    local n
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            echo "$n"
            return 0
        fi
    done
    return 1
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

# xsession_start [--no-tray]: starts the desktop and exports DISPLAY.
xsession_start() {
    local tray=1
    [ "${1:-}" = --no-tray ] && tray=0
    local n
    n="$(xsession_free_display)" || { echo "no free display number" >&2; return 1; }
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XSESSION_PIDS+=("$!")
    export DISPLAY=":$n"
    xsession_wait "xdpyinfo" 100 || { echo "Xvfb did not start on :$n" >&2; return 1; }
    openbox --sm-disable >/dev/null 2>&1 &
    XSESSION_PIDS+=("$!")
    xsession_wait "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" 100 ||
        { echo "openbox did not start" >&2; return 1; }
    if [ "$tray" = 1 ]; then
        trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
            --transparent false --tint 0x808080 >/dev/null 2>&1 &
        XSESSION_PIDS+=("$!")
        xsession_wait "xdpyinfo >/dev/null && xwininfo -root -tree | grep -q '\"panel\"'" 100 ||
            { echo "trayer did not start" >&2; return 1; }
    fi
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
