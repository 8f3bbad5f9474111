# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the scripts: install Debian packages that are missing. Another
# install may hold the package lock (parallel builds): wait for it.
# shellcheck shell=bash

# The project's own lock around apt-get: one install at a time.
APT_LOCK="${TMPDIR:-/tmp}/taluvex-apt.lock"

need_packages() {
    local missing=() p lock
    _need_missing() {
        missing=()
        for p in "$@"; do
            dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
        done
    }
    _need_missing "$@"
    [ ${#missing[@]} -eq 0 ] && return 0
    # One of the project's installs at a time (scripts/test builds for Windows
    # in the background): apt's own lock waits for dpkg, not for apt-get update.
    exec {lock}>"$APT_LOCK"
    flock "$lock"
    _need_missing "$@"
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}" >&2
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        if [ -z "${TALUVEX_APT_UPDATED:-}" ]; then
            $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq >&2
            export TALUVEX_APT_UPDATED=1
        fi
        DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}" >&2 ||
            { exec {lock}>&-; return 1; }
    fi
    exec {lock}>&-
}

# mingw_tool OUT SOURCE [OPTION...]: a small Windows test tool, linked static,
# built unless it is newer than its source.
mingw_tool() {
    local out="$1" src="$2"
    shift 2
    [ "$out" -nt "$src" ] && return 0
    rm -f "$out"
    x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static -o "$out" "$src" "$@"
}

build_jobs() { nproc 2>/dev/null || echo 2; }

# test_signing_cert DIR: a throw-away self-signed code-signing certificate and
# its key, DIR/cert.pem and DIR/key.pem, for checking signed builds; a
# verifier trusts it with -CAfile DIR/cert.pem.
test_signing_cert() {
    need_packages openssl osslsigncode
    mkdir -p "$1"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Taluvex test signing" \
        -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning \
        -keyout "$1/key.pem" -out "$1/cert.pem" 2>/dev/null
}

# Whether the project folder (the current one) is a git checkout, as a
# clone is and an unpacked source tarball is not.
in_git_checkout() {
    [ -e .git ] && [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]
}

# The status of a check that could not run here and says why (as automake's).
SKIPPED=77

# wine_fresh_prefix: makes $WINEPREFIX a fresh Wine prefix, a copy of one that
# wineboot made once in build/wine-fresh (wineboot takes many seconds, a copy
# one or two). The copy is made anew when Wine was updated since. Wants the
# display the tests use, as wineboot had one before.
wine_fresh_prefix() {
    local fresh="$PWD/build/wine-fresh"
    mkdir -p build
    (
        # Scripts run side by side make it once.
        flock 9
        if [ ! -f "$fresh/system.reg" ] || [ /usr/share/wine/wine.inf -nt "$fresh/system.reg" ]; then
            echo "== a fresh Wine prefix, made once"
            rm -rf "$fresh"
            export WINEPREFIX="$fresh" WINEARCH=win64 WINEDEBUG=-all
            # No Mono or Gecko prompt; no menu entries in the real desktop.
            export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
            wineboot -i >/dev/null 2>&1
            wineserver -w >/dev/null 2>&1
        fi
    ) 9>build/wine-fresh.lock
    [ -f "$fresh/system.reg" ] || { echo "wineboot made no prefix" >&2; return 1; }
    rm -rf "$WINEPREFIX"
    cp -a "$fresh" "$WINEPREFIX"
}
