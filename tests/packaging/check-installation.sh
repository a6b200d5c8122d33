#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and uses the installed programs as a user would:
# from another working folder, with no TEMPOWRIGHT_COMPONENT_DIR, on a WAV, an MP3 and a WMA.
# Also validates the installed desktop file, software-centre entry, manual pages and completion.
#   check-installation.sh BUILD_DIR VERSION WITH_GUI(0|1) TW_SYNTH
set -euo pipefail
build=$1 version=$2 with_gui=$3 synth=$4
source "$(dirname "$0")/common.sh"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
unset TEMPOWRIGHT_COMPONENT_DIR

DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr >/dev/null
prefix=$tmp/root/usr

# Every expected file is installed.
while read -r file; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done < <(expected_files "$with_gui")

# The version comes from the project, the same everywhere.
[ "$("$prefix/bin/tempowright-cli" --version)" = "tempowright-cli $version" ] ||
    fail "tempowright-cli --version: $("$prefix/bin/tempowright-cli" --version)"

# Three formats, measured by the installed program and its installed components.
music=$tmp/music
mkdir -p "$music" "$tmp/elsewhere"
"$synth" --bpm 128 --seconds 40 "$music/track.wav"
lame --quiet -b 192 "$music/track.wav" "$music/track.mp3"
ffmpeg -nostdin -loglevel error -i "$music/track.wav" -c:a wmav2 -b:a 128k "$music/track.wma"
cd "$tmp/elsewhere"
status=0
"$prefix/bin/tempowright-cli" --no-write --format tsv "$music" > list.tsv || status=$?
[ "$status" = 0 ] || fail "installed tempowright-cli exited with $status"
for ext in wav mp3 wma; do
    bpm=$(awk -F'\t' -v f="$music/track.$ext" '$1 == f { print $4 }' list.tsv)
    [ -n "$bpm" ] || fail "no BPM for track.$ext: $(cat list.tsv)"
    awk -v b="$bpm" 'BEGIN { exit !(b > 127.5 && b < 128.5) }' || fail "track.$ext measured $bpm BPM"
done

# Each manual page is well-formed, names the version and documents every option that its
# program's --help lists (the desktop program answers --help without a display).
# (Outputs are read whole before they are searched: grep -q stopping early would break the pipe.)
help_options() { env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$1" --help | grep -o -- '--[a-z-]*' | sort -u; }
for program in tempowright-cli $([ "$with_gui" = 1 ] && echo tempowright); do
    gzipped=$prefix/share/man/man1/$program.1.gz
    warnings=$(zcat "$gzipped" | groff -man -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$program.1: $warnings"
    page=$(zcat "$gzipped" | MANWIDTH=200 man -l - 2>/dev/null)
    grep -q "Tempowright $version" <<< "$page" || fail "$program.1 does not name version $version"
    options=$(help_options "$program")
    [ -n "$options" ] || fail "$program --help lists no options"
    for option in $options; do
        grep -q -- "$option" <<< "$page" || fail "$program.1 lacks $option"
    done
done

# Completion offers every option of --help after a dash, and the formats after --format.
completion() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(( $# - 1 ))
             _tempowright_cli; printf "%s\n" "${COMPREPLY[@]}"' \
        _ "$prefix/share/bash-completion/completions/tempowright-cli" tempowright-cli "$@"
}
offered=$(completion -)
for option in $(help_options tempowright-cli); do
    grep -qx -- "$option" <<< "$offered" || fail "completion lacks $option"
done
[ "$(completion --format '' | tr '\n' ' ')" = "table tsv json " ] || fail "completion of --format"

[ "$with_gui" = 1 ] || exit 0

# The desktop program answers --version without a display; its desktop files validate.
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/tempowright" --version)" = "tempowright $version" ] ||
    fail "tempowright --version"
desktop-file-validate "$prefix/share/applications/tempowright.desktop" ||
    fail "desktop file does not validate"
metainfo=$prefix/share/metainfo/com.quillmarsh.tempowright.metainfo.xml
appstreamcli validate --no-net "$metainfo" >/dev/null || {
    appstreamcli validate --no-net "$metainfo" >&2
    fail "metainfo does not validate"
}
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo does not name version $version"
grep -q "<launchable type=\"desktop-id\">tempowright.desktop<" "$metainfo" ||
    fail "metainfo does not launch the installed desktop file"
size=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24)
print(*struct.unpack(">II", d[16:24])) if d[:8] == b"\x89PNG\r\n\x1a\n" else print("not a PNG")' \
    "$prefix/share/icons/hicolor/256x256/apps/tempowright.png")
[ "$size" = "256 256" ] || fail "256 px icon is $size"
echo "installation under $prefix: all checks passed"
