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
# A failure shows DETAIL, or what the command left in E2E_DETAIL. E2E_PASSED
# is then 1 or 0, for a later check that builds on this one.
check() {
    local detail=""
    if [ "$1" = -d ]; then
        detail="$2"
        shift 2
    fi
    local name="$1"
    shift
    E2E_DETAIL=""
    if "$@"; then
        E2E_PASSED=1
        pass "$name"
    else
        E2E_PASSED=0
        fail "$name" "${E2E_DETAIL:-$detail}"
    fi
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
# $WORK/app.log; sets APP_PID. env execs, so the PID is the program's. Every
# start of the program under test goes through here (see E2E_BROKEN below).
start_app() {
    local vars=() cmd=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        if [ ${#cmd[@]} -eq 0 ] && [[ "$1" =~ ^[A-Za-z_][A-Za-z0-9_]*= ]]; then vars+=("$1"); else cmd+=("$1"); fi
        shift
    done
    [ "${1:-}" = -- ] && shift
    if [ "${E2E_BROKEN:-}" = exit ]; then
        e2e_spawn --log "$WORK/app.log" env "${vars[@]}" true
    else
        e2e_spawn --log "$WORK/app.log" env "${vars[@]}" "${cmd[@]}" "$APP" "$@"
    fi
    APP_PID=$E2E_PID
    [ "${E2E_BROKEN:-}" = stop ] && e2e_stop_when_up "$APP_PID"
    return 0
}

# --- a broken program in place of the real one ---------------------------------
# E2E_BROKEN=exit|stop runs a script against a broken program, to see that its
# checks fail when the program does (not for CI: such a run must fail):
#   exit  a program that exits at once, with status 0, in place of the real
#         one (Linux or, under Wine, Windows): start_app runs `true` instead
#   stop  the real program, stopped (SIGSTOP) a second after its first window
#         shows, or 5 s after its start where none shows or none can be seen
#         (/AUTO, a Wayland shell): it shows itself and then answers nothing.
#         start_app returns once it is stopped, so every later step meets a
#         stopped program.
# start_app does it for the programs it starts; e2e_broken_exe and
# e2e_broken_watch for copies that Windows programs start (the login's Run
# value). Checks that still pass are those that test something else than
# the program, or its start alone.
case "${E2E_BROKEN:-}" in
    "" | exit | stop) ;;
    *) echo "E2E_BROKEN must be exit or stop, not \"$E2E_BROKEN\"" >&2; exit 2 ;;
esac

# e2e_app_up PID: a window of the process shows: on X11 one mapped with its
# _NET_WM_PID, on sway one in the tree with its pid. (GNOME's window list
# answers the shell's own callers only.)
e2e_app_up() {
    if [ -n "${SWAYSOCK:-}" ]; then
        swaymsg -t get_tree 2>/dev/null | grep -q "\"pid\": $1,"
    else
        [ -n "${DISPLAY:-}" ] && [ -n "$(xdotool search --onlyvisible --pid "$1" 2>/dev/null)" ]
    fi
}

# e2e_stop_when_up PID: stops it a second after its window shows, or 5 s
# after now.
e2e_stop_when_up() {
    local end
    end=$(($(e2e_now_us) + 5000000))
    while alive "$1" && [ "$(e2e_now_us)" -lt "$end" ]; do
        if e2e_app_up "$1"; then
            sleep 1
            break
        fi
        sleep 0.1
    done
    kill -STOP "$1" 2>/dev/null
}

# e2e_broken_exe FILE: with E2E_BROKEN=exit, puts a Windows program that exits
# at once in place of the Windows program FILE (needs MinGW-w64's gcc).
e2e_broken_exe() {
    [ "${E2E_BROKEN:-}" = exit ] || return 0
    local exe="$E2E_WORK/exit-at-once.exe"
    [ -f "$exe" ] || echo 'int main(void) { return 0; }' |
        x86_64-w64-mingw32-gcc -x c -O2 -mwindows -o "$exe" - || return 1
    cp "$exe" "$1"
}

# e2e_broken_watch NAME: with E2E_BROKEN=stop, stops each process of this
# Wine prefix whose command line holds NAME (an extended regular expression)
# as start_app would, for as long as the section runs.
e2e_broken_watch() {
    [ "${E2E_BROKEN:-}" = stop ] || return 0
    e2e_spawn e2e_broken_watcher "$1"
}
# e2e_broken_stopped NAME: with E2E_BROKEN=stop, waits (10 s at most) until
# such a process is stopped, so that later steps meet it stopped.
e2e_broken_stopped() {
    [ "${E2E_BROKEN:-}" = stop ] || return 0
    stopped_one() {
        local pid
        for pid in $(pgrep -f -- "$1"); do
            [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" = T ] && return 0
        done
        return 1
    }
    e2e_wait 10 stopped_one "$1"
}
e2e_broken_watcher() {
    local seen=" " pid
    while :; do
        for pid in $(pgrep -f -- "$1"); do
            [[ "$seen" == *" $pid "* ]] && continue
            grep -qsxzF "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" || continue
            seen+="$pid "
            e2e_stop_when_up "$pid" &
        done
        sleep 0.1
    done
}

# running PID: it runs and is not stopped (SIGSTOP, E2E_BROKEN=stop).
running() { alive "$1" && [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != T ]; }

# ends_on PID SECONDS STATUS COMMAND...: it runs, the command (the step that
# should end it) is done, and it ends within SECONDS with that status. One
# that had ended before the step fails.
ends_on() {
    local pid="$1" seconds="$2" status="$3" up=1
    shift 3
    running "$pid" || up=0
    "$@" >/dev/null 2>&1
    [ "$up" = 1 ] || { E2E_DETAIL="it was not running before"; return 1; }
    exits_with "$pid" "$seconds" "$status"
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
# xwin_field WINDOW NAME: the value of one line of xwininfo. (Given no
# window, xwininfo and xprop wait for a click on one: never asked so here.)
xwin_field() {
    [ -n "$1" ] || return 1
    xwininfo -id "$1" 2>/dev/null | awk -F: -v k="$2" '$1 ~ "^ *" k "$" {gsub(/^ +| +$/, "", $2); print $2; exit}'
}
viewable() { [ "$(xwin_field "$1" "Map State")" = IsViewable ]; }
iconic() { [ -n "$1" ] && [[ "$(xprop -id "$1" WM_STATE 2>/dev/null)" == *Iconic* ]]; }
override_redirect() { [ -n "$1" ] && [[ "$(xwininfo -id "$1" -all 2>/dev/null)" == *"Override Redirect State: yes"* ]]; }
wm_props() { [ -n "$1" ] && xprop -id "$1" WM_CLASS _NET_WM_WINDOW_TYPE 2>/dev/null; }  # class and window type
top_windows() { xwininfo -root -children 2>/dev/null | awk '/^ +0x/ {print $1}'; }
visible_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l; }  # how many
about_count_is() { [ "$(visible_named '^About Taluvex$')" -eq "$1" ]; }  # About boxes shown
visible_class() { xdotool search --onlyvisible --class "$1" 2>/dev/null | wc -l; }  # how many

# menus_of CLASS: the open pop-up menus of a program (by its X class): mapped
# windows the window manager leaves alone that are no tool tips. (Qt marks
# its tray menu as a normal window, not as a pop-up menu.)
menus_of() {
    local w props
    for w in $(top_windows); do
        viewable "$w" || continue
        override_redirect "$w" || continue
        props="$(wm_props "$w")"
        [[ "$props" == *"\"$1\""* && "$props" != *TOOLTIP* ]] && echo "$w"
    done
}

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
    [ -n "$1" ] || return 1
    xdotool windowactivate --sync "$1" >/dev/null 2>&1
    [ -z "${2:-}" ] || sleep "$2"
}
# has_focus WINDOW: it has the keyboard focus, so a key typed now goes to it.
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

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
# main_window_state: shown, minimised, or hidden (not on screen, or none).
main_window_state() {
    local w
    w="$(main_window)" || { echo hidden; return; }
    if viewable "$w"; then echo shown; elif iconic "$w"; then echo minimised; else echo hidden; fi
}
main_key() { activate "$(main_window)"; xdotool key --clearmodifiers "$1"; }  # main_key KEYS
# menu_key_entry N: chooses the Nth entry of an open menu of Hide/Show, a
# separator, and Exit, with the arrow keys.
menu_key_entry() { if [ "$1" = 1 ]; then xdotool key Down Return; else xdotool key Down Down Return; fi; }

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

# --- the tray scenario ------------------------------------------------------------
# The same tray steps on every desktop, run through its script's driver:
#   desk_start [SWITCH...]  starts the program through start_app (APP_PID)
#   desk_window             prints the main window's state: shown, minimised, or
#                           hidden (the program runs with no window on screen)
#   desk_icon               the program's icon is in the tray, ready for clicks
#   desk_click N            clicks the icon N times with the left button
#   desk_menu, desk_menu_up opens the icon's menu (right-click); it is open
#   desk_choose N           chooses the open menu's Nth entry (1 Hide/Show, 2 Exit)
#   desk_key KEYS           types KEYS (xdotool's names: ctrl+t) to the main window
#   desk_raise              brings a minimised window back as a person does
# tray_x11_driver gives an X11 desktop's start, window, key, raise and choose.
# Where the desktop can, also (a step whose function is missing is left out):
#   desk_entries            prints the menu's entries: "Hide,,Exit"
#   desk_menu_close         closes the open menu without choosing
#   desk_activations        how many activations the program was sent so far
#   desk_window_dblclick    double-clicks the main window's client area
#   desk_tray_stop, desk_tray_start  stops the tray host (returns once it is
#                           gone); starts it (succeeds once it takes icons)
#   desk_quiet              nothing shows that should not (a box, an icon)
#   desk_hook STEP          the desktop's own checks at a step: icon, menu-hide,
#                           menu-show, window-hidden, auto, no-tray, single
#                           (after the single click), none-auto (/AUTO with
#                           no tray, the window fallen back)
# TRAY_FALLBACK: what hiding does with no tray: minimised, or shown where the
# shell has no minimised state. TRAY_SINGLE: activations a
# single click sends. TRAY_WAIT: seconds a click may take.
: "${TRAY_FALLBACK:=minimised}" "${TRAY_SINGLE:=1}" "${TRAY_WAIT:=5}"

tray_x11_driver() {
    desk_start() { start_app -- "$@"; }
    desk_window() { main_window_state; }
    desk_key() { main_key "$1"; }
    desk_raise() { activate "$(main_window)"; }
    desk_choose() { menu_key_entry "$1"; }
}

scn_is() { [ "$(desk_window 2>/dev/null)" = "$1" ]; }
scn_shown() { scn_is shown; }
scn_hidden() { running "$APP_PID" && scn_is hidden; }
scn_fallen_back() { running "$APP_PID" && scn_is "$TRAY_FALLBACK"; }
scn_has() { [ "$(type -t "$1")" = function ]; }
scn_step() { scn_has desk_hook && desk_hook "$1"; return 0; }
scn_nothing_else() { ! scn_has desk_quiet || desk_quiet; }
scn_entries_are() { local got; got="$(desk_entries 2>/dev/null)"; E2E_DETAIL="entries \"$got\""; [ "$got" = "$1" ]; }
# scn_taken: Ctrl+T was taken with no tray; where the window stays shown,
# only the menu's entry, now Show, tells.
scn_taken() { [ "$TRAY_FALLBACK" != shown ] || ! scn_has desk_entries || e2e_wait 20 scn_entries_are "Show,,Exit"; }
# scn_single_ok: a single click sent TRAY_SINGLE activations since BEFORE.
scn_single_ok() {
    ! scn_has desk_activations ||
        { E2E_DETAIL="activations $BEFORE -> $(desk_activations)"; [ "$(desk_activations)" -eq $((BEFORE + TRAY_SINGLE)) ]; }
}
# scn_menu_open: the menu opens on a right-click.
scn_menu_open() { desk_menu && e2e_wait 5 desk_menu_up; }
# scn_icon_ready: waits for the icon; ICON_SEEN is then 1 or 0.
scn_icon_ready() { ICON_SEEN=0; e2e_wait 15 desk_icon && ICON_SEEN=1; [ "$ICON_SEEN" = 1 ]; }
# scn_icon_gone: the icon was there (scn_icon_ready) and is gone.
scn_icon_gone() { [ "$ICON_SEEN" = 1 ] && e2e_wait 5 not desk_icon; }

# tray_scenario NAME: the tray steps, a section each, their checks named
# "NAME: ...".
tray_scenario() {
    N="$1"
    e2e_section "$1: the icon's clicks and menu" scn_clicks
    e2e_section "$1: /AUTO and Ctrl+T" scn_auto
    ! scn_has desk_tray_start || e2e_section "$1: a tray that comes late and goes" scn_late
}

scn_clicks() {
    desk_start
    check "$N: the window shows" e2e_wait 20 scn_shown
    check "$N: the icon is in the tray, the program running" all_of scn_icon_ready -- running "$APP_PID"
    scn_step icon
    desk_click 2
    check "$N: a double-click on the icon hides the window to the tray" e2e_wait "$TRAY_WAIT" scn_hidden
    local hid=$E2E_PASSED
    click_gap  # a new double-click, not more of the last one
    desk_click 2
    check "$N: another shows it again" all_of is "$hid" 1 -- e2e_wait "$TRAY_WAIT" scn_shown
    click_gap
    scn_has desk_activations && BEFORE="$(desk_activations)"
    desk_click 1
    check "$N: a single click changes nothing" all_of is "$hid" 1 -- stays 1 all_of scn_shown -- running "$APP_PID" -- e2e_wait 10 scn_single_ok
    scn_step single
    click_gap
    check "$N: a right-click opens the icon's menu, the program running" all_of scn_menu_open -- running "$APP_PID"
    local opened=$E2E_PASSED
    scn_has desk_entries && check "$N: ... reading Hide and Exit" scn_entries_are "Hide,,Exit"
    scn_step menu-hide
    if scn_has desk_menu_close; then
        desk_menu_close
        check "$N: Escape closes the menu" all_of is "$opened" 1 -- e2e_wait 3 not desk_menu_up
        check "$N: ... leaving the window shown" all_of is "$opened" 1 -- stays 0.5 all_of scn_shown -- running "$APP_PID"
        scn_menu_open
    fi
    desk_choose 1
    check "$N: its Hide hides the window to the tray" all_of is "$opened" 1 -- e2e_wait "$TRAY_WAIT" scn_hidden -- e2e_wait 3 not desk_menu_up
    hid=$E2E_PASSED
    click_gap  # Qt's own menu lost a right-click 0.1 s after it closed
    scn_menu_open
    scn_has desk_entries && check "$N: the menu then reads Show and Exit" scn_entries_are "Show,,Exit"
    scn_step menu-show
    desk_choose 1
    check "$N: its Show shows the window" all_of is "$hid" 1 -- e2e_wait "$TRAY_WAIT" scn_shown -- e2e_wait 3 not desk_menu_up
    if scn_has desk_window_dblclick; then
        desk_window_dblclick
        check "$N: a double-click on the window hides it to the tray" e2e_wait "$TRAY_WAIT" scn_hidden
        hid=$E2E_PASSED
        scn_step window-hidden
        scn_menu_open
        scn_has desk_entries && check "$N: ... after which the menu reads Show" scn_entries_are "Show,,Exit"
        desk_choose 1
        check "$N: ... and its Show shows the window" all_of is "$hid" 1 -- e2e_wait "$TRAY_WAIT" scn_shown
    fi
    click_gap
    scn_menu_open
    check "$N: its Exit ends the program with status 0" ends_on "$APP_PID" 5 0 desk_choose 2
    check "$N: ... and its icon is gone" scn_icon_gone
}

scn_auto() {
    desk_start /AUTO
    check "$N: /AUTO puts the icon in the tray, the program running" all_of scn_icon_ready -- running "$APP_PID"
    check "$N: ... showing no window" all_of is "$ICON_SEEN" 1 -- stays 1 scn_hidden
    scn_step auto
    check "$N: ... and keeps running" running "$APP_PID"
    desk_click 2
    check "$N: a double-click on the icon shows the window" e2e_wait "$TRAY_WAIT" scn_shown
    desk_key ctrl+t
    check "$N: Ctrl+T hides it to the tray" all_of is "$E2E_PASSED" 1 -- e2e_wait "$TRAY_WAIT" scn_hidden
    local hid=$E2E_PASSED
    click_gap  # not a third click of the double-click that showed it
    desk_click 2
    check "$N: ... from where a double-click brings it back" all_of is "$hid" 1 -- e2e_wait "$TRAY_WAIT" scn_shown
    check "$N: Ctrl+X ends the program with status 0" ends_on "$APP_PID" 5 0 desk_key ctrl+x
    check "$N: ... and its icon is gone" scn_icon_gone
}

# A tray host that starts after the program, goes while the window is in
# the tray, and comes again.
scn_late() {
    desk_tray_stop
    desk_start
    check "$N: with no tray the window shows, the program running" \
        all_of e2e_wait 20 scn_shown -- not desk_icon -- running "$APP_PID"
    desk_tray_start
    check "$N: a tray started after the program gets its icon" scn_icon_ready
    desk_click 2
    check "$N: ... which hides the window on a double-click" e2e_wait "$TRAY_WAIT" scn_hidden
    local hid=$E2E_PASSED
    desk_tray_stop
    check "$N: the tray gone while the window is in it, the window comes back ($TRAY_FALLBACK)" \
        all_of is "$hid" 1 -- e2e_wait 10 scn_fallen_back
    desk_tray_start
    check "$N: a restarted tray gets the icon again" scn_icon_ready
    # Back on screen: from the tray by a double-click, else as a person does.
    if scn_hidden; then desk_click 2; elif scn_is minimised; then desk_raise; fi
    check "$N: ... and the window comes back" all_of is "$ICON_SEEN" 1 -- e2e_wait "$TRAY_WAIT" scn_shown
    desk_tray_stop
    check "$N: the tray gone again, the program runs on with its window" \
        all_of is "$ICON_SEEN" 1 -- stays 1 all_of running "$APP_PID" -- scn_shown
    desk_key ctrl+t
    check "$N: with the tray gone, Ctrl+T leaves the window $TRAY_FALLBACK" \
        all_of running "$APP_PID" -- e2e_wait "$TRAY_WAIT" scn_fallen_back -- stays 0.5 scn_fallen_back -- scn_taken
    check "$N: SIGTERM ends the program with status 0" ends_on "$APP_PID" 5 0 kill -TERM "$APP_PID"
}

# tray_scenario_no_tray NAME [auto]: the steps on a desktop with no tray at
# all (or only the /AUTO one).
tray_scenario_no_tray() {
    N="$1"
    [ "${2:-}" = auto ] || e2e_section "$N: Ctrl+T with no tray" scn_none
    e2e_section "$N: /AUTO with no tray" scn_none_auto
}

scn_none() {
    desk_start
    check "$N: the window shows" e2e_wait 20 scn_shown
    scn_step no-tray
    desk_key ctrl+t
    check "$N: Ctrl+T leaves the window $TRAY_FALLBACK instead of hiding it" \
        all_of e2e_wait 5 scn_fallen_back -- scn_taken
    local fell=$E2E_PASSED
    check "$N: ... the program runs on, with nothing else shown" \
        all_of is "$fell" 1 -- stays 1 all_of running "$APP_PID" -- scn_nothing_else
    desk_raise
    check "$N: ... and the window comes back" all_of is "$fell" 1 -- e2e_wait 5 scn_shown
    check "$N: Ctrl+X ends the program with status 0" ends_on "$APP_PID" 5 0 desk_key ctrl+x
}

scn_none_auto() {
    desk_start /AUTO
    check "$N: /AUTO leaves the window $TRAY_FALLBACK" e2e_wait 15 scn_fallen_back
    check "$N: ... the program running, with nothing else shown" \
        stays 1 all_of running "$APP_PID" -- scn_fallen_back -- scn_nothing_else
    scn_step none-auto
    check "$N: SIGTERM ends the program with status 0" ends_on "$APP_PID" 5 0 kill -TERM "$APP_PID"
}
