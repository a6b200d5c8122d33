#!/usr/bin/env bash
# Builds the Debian package once and checks what it declares and holds: its version, the
# dependencies dpkg-shlibdeps found for the programs and components, and exactly the installed files.
#   check-package.sh BUILD_DIR VERSION WITH_GUI(0|1)
set -euo pipefail
build=$1 version=$2 with_gui=$3
source "$(dirname "$0")/common.sh"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >/dev/null
debs=("$tmp"/tempowright_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "no package built in $tmp"
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = tempowright ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
required=(libc6 libstdc++6 libmpg123-0 libavcodec libavformat libswresample libtag1v5)
[ "$with_gui" = 1 ] && required+=(libqt6widgets6 libqt6printsupport6 libqt6svg6 qt6-qpa-plugins)
for dep in "${required[@]}"; do
    grep -q "\b$dep" <<< "$depends" || fail "Depends lacks $dep: $depends"
done

# Exactly the installed files: nothing missing, no test or build leftovers.
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $NF); print $NF }' | sort)
expected=$(expected_files "$with_gui" | sort)
[ "$files" = "$expected" ] || fail "package files differ from the installation:
$(diff <(echo "$expected") <(echo "$files"))"
echo "package $(basename "$deb"): all checks passed"
