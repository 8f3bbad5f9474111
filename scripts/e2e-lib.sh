# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the end-to-end scripts: checks and their tally, waiting, the
# processes a section starts, sections that cannot spoil one another, window
# look-ups, screenshots and pixels, and (through xsession.sh) the virtual
# desktop. Commands are passed as arguments ("$@"), never as strings to eval.
# shellcheck shell=bash

E2E_LIB_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=scripts/xsession.sh
. "$E2E_LIB_DIR/xsession.sh"

# --- the run's folder and its end ----------------------------------------------
# e2e_init [FOLDER]: the run's working folder (made and, at the end, removed
# unless KEEP_WORK is set, when none is given). Results are kept in a file
# there, so that checks made in a section's subshell count too.
e2e_init() {
    if [ -n "${1:-}" ]; then
        E2E_WORK="$1"
        E2E_OWN_WORK=0
    else
        E2E_WORK="$(mktemp -d /tmp/taluvex-e2e.XXXXXX)"
        E2E_OWN_WORK=1
    fi
    E2E_RESULTS="$E2E_WORK/results.txt"
    : >"$E2E_RESULTS"
    E2E_PIDS=()
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
}

# Runs at exit: stops what was started, the script's own e2e_on_exit hook,
# the desktop, and removes the working folder.
e2e_cleanup() {
    e2e_stop_all
    [ "$(type -t e2e_on_exit)" = function ] && e2e_on_exit
    xsession_stop
    if [ "${E2E_OWN_WORK:-0}" = 1 ]; then
        if [ -n "${KEEP_WORK:-}" ]; then echo "kept $E2E_WORK"; else rm -rf "$E2E_WORK"; fi
    fi
    return 0
}

# --- checks ---------------------------------------------------------------------
pass() { echo PASS >>"$E2E_RESULTS"; echo "PASS: $1"; }
fail() { echo FAIL >>"$E2E_RESULTS"; echo "FAIL: $1${2:+ ($2)}"; }

# check [-d DETAIL] NAME COMMAND [ARG...]: passes when the command succeeds.
# A failure shows DETAIL, or what the command left in E2E_DETAIL.
check() {
    local detail=""
    if [ "$1" = -d ]; then
        detail="$2"
        shift 2
    fi
    local name="$1"
    shift
    E2E_DETAIL=""
    if "$@"; then pass "$name"; else fail "$name" "${E2E_DETAIL:-$detail}"; fi
}

e2e_passed() { grep -c '^PASS$' "$E2E_RESULTS" 2>/dev/null || true; }
e2e_failed() { grep -c '^FAIL$' "$E2E_RESULTS" 2>/dev/null || true; }

# The closing line, "N passed, M failed"; fails when a check failed.
e2e_summary() {
    local p f
    p="$(e2e_passed)" f="$(e2e_failed)"
    echo "$p passed, $f failed"
    [ "$f" -eq 0 ]
}

# Small conditions for check and e2e_wait.
not() { ! "$@"; }
nonempty() { [ -n "$("$@" 2>/dev/null)" ]; }      # nonempty COMMAND...: it prints something
empty() { [ -z "$("$@" 2>/dev/null)" ]; }         # empty COMMAND...: it prints nothing
count_is() {  # count_is N COMMAND...: it prints the number N
    local want="$1" got
    shift
    got="$("$@" 2>/dev/null)"
    [ "$got" = "$want" ]
}
is() { [ "$1" = "$2" ]; }                         # is A B: the same text
# all_of COMMAND... [-- COMMAND...]...: every command succeeds, tried in turn.
all_of() {
    local cmd=()
    while [ $# -gt 0 ]; do
        if [ "$1" = -- ]; then
            "${cmd[@]}" || return 1
            cmd=()
        else
            cmd+=("$1")
        fi
        shift
    done
    [ ${#cmd[@]} -eq 0 ] || "${cmd[@]}"
}

# --- waiting --------------------------------------------------------------------
# e2e_wait SECONDS COMMAND [ARG...]: polls the command every 0.1 s until it
# succeeds; fails when SECONDS have passed. Its output is dropped.
e2e_wait() {
    local deadline=$((SECONDS + $1))
    shift
    while [ "$SECONDS" -le "$deadline" ]; do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# The clock in microseconds (bash's EPOCHREALTIME without its point).
e2e_now_us() { echo "${EPOCHREALTIME//[!0-9]/}"; }
e2e_us() { awk -v s="$1" 'BEGIN { printf "%d", s * 1000000 }'; }   # e2e_us SECONDS

# stays SECONDS COMMAND [ARG...]: the command keeps succeeding for the whole
# window, watched every 0.1 s. For checks that nothing happens: the window
# cannot end early when all is well, as a late change is what they look for,
# but a change fails at once. Its output is dropped.
stays() {
    local end
    end=$(($(e2e_now_us) + $(e2e_us "$1")))
    shift
    while :; do
        "$@" >/dev/null 2>&1 || return 1
        [ "$(e2e_now_us)" -lt "$end" ] || return 0
        sleep 0.1
    done
}

# settle SECONDS: a fixed pause, only where there is nothing to poll: the
# quiet window before a check that nothing happened, or drawing that must
# finish before a screenshot with nothing to say it has.
settle() { sleep "$1"; }

# click_gap: the pause between two clicks that must not make a double-click
# (the hosts' double-click interval is 400-500 ms); only time tells.
click_gap() { settle 0.6; }

# --- processes ------------------------------------------------------------------
alive() { kill -0 "$1" 2>/dev/null; }

# e2e_spawn [--log FILE] COMMAND [ARG...]: starts it in the background, kept
# in E2E_PIDS to be stopped at the end of the section; E2E_PID is its process.
e2e_spawn() {
    local log=/dev/null
    if [ "$1" = --log ]; then
        log="$2"
        shift 2
    fi
    "$@" >>"$log" 2>&1 &
    E2E_PID=$!
    E2E_PIDS+=("$E2E_PID")
}

# start_app [VAR=VALUE...] [command...] -- [switch]: starts the program $APP
# with those variables, through that command (prlimit, wine), its output to
# $WORK/app.log; sets APP_PID. env execs, so the PID is the program's.
start_app() {
    local prefix=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do prefix+=("$1"); shift; done
    [ "${1:-}" = -- ] && shift
    e2e_spawn --log "$WORK/app.log" env "${prefix[@]}" "$APP" "$@"
    APP_PID=$E2E_PID
}

e2e_track() { E2E_PIDS+=("$1"); }   # e2e_track PID: stop it with the section too

e2e_forget() {
    local kept=() p
    for p in "${E2E_PIDS[@]}"; do [ "$p" != "$1" ] && kept+=("$p"); done
    E2E_PIDS=("${kept[@]}")
}

# e2e_stop PID: ends a process started here: TERM, then KILL after 3 s.
e2e_stop() {
    kill "$1" 2>/dev/null || true
    e2e_wait 3 not alive "$1" || true
    kill -9 "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
    e2e_forget "$1"
}

e2e_stop_all() {
    local i
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do e2e_stop "${E2E_PIDS[$i]}"; done
    E2E_PIDS=()
}

# e2e_wait_exit PID SECONDS: waits for it to end; EXIT_STATUS is its status.
# Fails if it still runs.
e2e_wait_exit() {
    e2e_wait "$2" not alive "$1" || return 1
    wait "$1" 2>/dev/null
    EXIT_STATUS=$?
    e2e_forget "$1"
}

# exits_with PID SECONDS STATUS: it ends within SECONDS with that status.
exits_with() {
    EXIT_STATUS=""
    e2e_wait_exit "$1" "$2" || { E2E_DETAIL="still running ${2} s later"; return 1; }
    [ "$EXIT_STATUS" = "$3" ] || { E2E_DETAIL="status $EXIT_STATUS"; return 1; }
}

# --- sections -------------------------------------------------------------------
# e2e_section TITLE FUNCTION [ARG...]: runs one part of a script in a subshell
# of its own: what it sets stays there, and what it started is stopped when it
# ends, however it ends. A section that dies halfway counts as a failure.
e2e_section() {
    local title="$1"
    shift
    echo "== $title"
    (
        E2E_PIDS=()
        trap e2e_section_cleanup EXIT
        "$@"
        exit 0
    )
    local status=$?
    [ "$status" -eq 0 ] || fail "$title: the section ended early" "status $status"
    return 0
}

# What a section leaves is stopped: first by the script's own
# e2e_on_section_end hook, if it has one, then by stopping what it started.
e2e_section_cleanup() {
    [ "$(type -t e2e_on_section_end)" = function ] && e2e_on_section_end
    e2e_stop_all
}

# e2e_desktop tray|no-tray: makes sure a whole virtual desktop of that kind
# runs, starting it anew when it is of the other kind or lost a part.
e2e_desktop() {
    local want="$1"
    if [ "${E2E_DESKTOP:-}" = "$want" ] && xsession_whole; then return 0; fi
    xsession_stop
    E2E_DESKTOP=""
    if [ "$want" = tray ]; then xsession_start; else xsession_start --no-tray; fi || return 1
    E2E_DESKTOP="$want"
    echo "   virtual desktop on $DISPLAY"
}

# --- X11 windows ----------------------------------------------------------------
# xwin_field WINDOW NAME: the value of one line of xwininfo.
xwin_field() {
    xwininfo -id "$1" 2>/dev/null | awk -F: -v k="$2" '$1 ~ "^ *" k "$" {gsub(/^ +| +$/, "", $2); print $2; exit}'
}
viewable() { [ "$(xwin_field "$1" "Map State")" = IsViewable ]; }
iconic() { [[ "$(xprop -id "$1" WM_STATE 2>/dev/null)" == *Iconic* ]]; }
override_redirect() { [[ "$(xwininfo -id "$1" -all 2>/dev/null)" == *"Override Redirect State: yes"* ]]; }
wm_props() { xprop -id "$1" WM_CLASS _NET_WM_WINDOW_TYPE 2>/dev/null; }  # class and window type
top_windows() { xwininfo -root -children 2>/dev/null | awk '/^ +0x/ {print $1}'; }
visible_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l; }  # how many
about_count_is() { [ "$(visible_named '^About Taluvex$')" -eq "$1" ]; }  # About boxes shown
visible_class() { xdotool search --onlyvisible --class "$1" 2>/dev/null | wc -l; }  # how many

# find_window TITLE SECONDS: the id of a mapped window of exactly that title.
find_window() {
    first_visible "$1" && return 0
    e2e_wait "$2" first_visible "$1" && first_visible "$1"
}
first_visible() {
    local id
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)"
    [ -n "$id" ] && echo "$id"
}
# gone TITLE SECONDS: no mapped window of that title is left.
gone() { e2e_wait "$2" not first_visible "$1"; }

# activate WINDOW [PAUSE]: gives it the focus, then waits PAUSE seconds.
activate() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1
    [ -z "${2:-}" ] || sleep "$2"
}

# The Linux program's main window: the big top-level named Taluvex (its tray
# icon and Qt's group leader carry the name too).
main_window() {
    local w width
    for w in $(xdotool search --name '^Taluvex$' 2>/dev/null); do
        width="$(xwin_field "$w" Width)"
        [ -n "$width" ] && [ "$width" -ge 200 ] && { echo "$w"; return 0; }
    done
    return 1
}
main_shown() { local w; w="$(main_window)" && viewable "$w"; }

# docked_icon PANEL: the program's icon window docked in the X window named
# PANEL (XEmbed), if any.
docked_icon() {
    xwininfo -root -tree 2>/dev/null | awk -v panel="\"$1\"" '
        index($0, panel) { match($0, /^ */); depth = RLENGTH; inpanel = 1; next }
        inpanel { match($0, /^ */); if (RLENGTH <= depth) inpanel = 0;
                  else if ($0 ~ /\("taluvex"/) { print $1; exit } }'
}

# --- screenshots and pixels -----------------------------------------------------
shot() { import -window root "$1" 2>/dev/null; }
crop() { convert "$1" -crop "$2" +repage "$3" 2>/dev/null; }   # crop IMAGE GEOMETRY OUT
same_image() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1)" = 0 ]; }

# count_colour IMAGE X Y WIDTH HEIGHT HEX...: pixels of the box that have one
# of the colours (given as RRGGBB; several may be joined by "|").
count_colour() {
    local file="$1" x="$2" y="$3" w="$4" h="$5"
    shift 5
    local pattern
    pattern="$(IFS='|'; echo "$*")"
    convert "$file" -crop "${w}x${h}+${x}+${y}" +repage -depth 8 txt:- 2>/dev/null |
        grep -Eic "#($pattern)( |$)" || true
}

meminfo() { awk -v k="$1:" '$1 == k {print $2}' /proc/meminfo; }   # meminfo FIELD: kB
