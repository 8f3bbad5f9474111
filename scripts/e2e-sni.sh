# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the end-to-end scripts of the StatusNotifier desktops: the
# program's end, and what the watcher and the item say on the part's session
# bus.
# shellcheck shell=bash

# ends_ok PID COMMAND...: it runs, and the command ends it within 5 s with status 0.
ends_ok() { local pid="$1"; shift; ends_on "$pid" 5 0 "$@"; }

# --- the StatusNotifier watcher on this part's session bus ----------------------
watcher_get() {  # watcher_get PROPERTY
    gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1" 2>/dev/null
}
host_up() { [[ "$(watcher_get IsStatusNotifierHostRegistered)" == *true* ]]; }

# The bus name of the program's item, as the watcher lists it ("" if none).
sni_item_of() {  # sni_item_of PID
    local item service pid
    for item in $(watcher_get RegisteredStatusNotifierItems | grep -o "'[^']*'" | tr -d "'"); do
        service="${item%%[/@]*}"   # "name/path", "name@/path" or "name"
        pid="$(gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
            -m org.freedesktop.DBus.GetConnectionUnixProcessID "$service" 2>/dev/null | grep -o '[0-9]\+' | tail -1)"
        [ "$pid" = "$1" ] && { echo "$service"; return 0; }
    done
    return 1
}

# Labels of the item's exported menu, as a host reads them: "_Hide,,_Exit".
menu_labels() {  # menu_labels SERVICE
    local path
    path="$(gdbus call --session -d "$1" -o /StatusNotifierItem -m org.freedesktop.DBus.Properties.Get \
        org.kde.StatusNotifierItem Menu 2>/dev/null | grep -o "'/[^']*'" | tr -d "'")"
    [ -n "$path" ] || return 1
    gdbus call --session -d "$1" -o "$path" -m com.canonical.dbusmenu.GetLayout -- 0 -1 '@as []' 2>/dev/null |
        grep -o "'label': <'[^']*'>\|'type': <'separator'>" | sed "s/'label': <'\(.*\)'>/\1/; s/.*separator.*//" |
        paste -sd, -
}
# labels_are SERVICE LABELS: the exported menu reads so (the labels seen are
# the failure's detail).
labels_are() {
    local got
    got="$(menu_labels "$1")"
    E2E_DETAIL="labels $got"
    [ "$got" = "$2" ]
}

# --- another program's StatusNotifier host -----------------------------------
sni_name_owned() {  # sni_name_owned NAME
    [[ "$(gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
        -m org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null)" == *true* ]]
}
# A host of another program's (a second panel, an application with a tray of
# its own) comes, offers itself to the watcher, which may refuse it, and goes.
passing_host() {
    local name="org.kde.StatusNotifierHost-$$" pid
    e2e_spawn dbus-test-tool black-hole --session --name="$name"
    pid=$E2E_PID
    e2e_wait 5 sni_name_owned "$name" || { E2E_DETAIL="$name never owned"; return 1; }
    gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.kde.StatusNotifierWatcher.RegisterStatusNotifierHost "$name" >/dev/null 2>&1 || true
    e2e_stop "$pid"
    e2e_wait 5 not sni_name_owned "$name"
}
