#!/usr/bin/env bash
# Generates the demo music folder: synthesised tracks of known tempo and style as WAVE, MP3 and
# WMA, some with tags and some without. Writes truth.tsv (file name, true tempo) beside them, and
# keeps an untouched copy of the folder in OUT_DIR.untouched, from which each demo run analyses
# the tracks afresh under a preferred BPM range.
#   tools/make-demo.sh BIN_DIR OUT_DIR
set -euo pipefail
bin=$1
out=$2
rm -rf "$out" "$out.untouched"
mkdir -p "$out/House" "$out/Breaks" "$out/Chill"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
: > "$out/truth.tsv"

# name  folder  bpm  style  format  rate  channels  extra-synth-args  title  artist  tagged-bpm
while IFS='|' read -r name folder bpm style format rate channels extra title artist tagbpm; do
    [ -n "$name" ] || continue
    wav="$tmp/$name.wav"
    # shellcheck disable=SC2086
    "$bin/tw-synth" --bpm "$bpm" --seconds 40 --rate "$rate" --channels "$channels" \
        --style "$style" --seed "${#name}" $extra "$wav"
    dest="$out/$folder/$name.$format"
    case "$format" in
        wav) cp "$wav" "$dest" ;;
        mp3)
            lame --quiet -b 192 "$wav" "$dest"
            if [ -n "$title" ]; then
                id3v2 --id3v2-only -t "$title" -a "$artist" "$dest"
                [ -z "$tagbpm" ] || id3v2 --TBPM "$tagbpm" "$dest"
            fi ;;
        wma)
            meta=()
            [ -z "$title" ] || meta=(-metadata "title=$title" -metadata "artist=$artist")
            ffmpeg -nostdin -loglevel error -y -i "$wav" -c:a wmav2 -b:a 128k "${meta[@]}" "$dest" ;;
    esac
    printf '%s\t%s\n' "$name.$format" "$bpm" >> "$out/truth.tsv"
done <<'TRACKS'
Four On The Floor|House|128|four|wav|44100|2||||
Deep Pulse|House|122|four|mp3|44100|2||Deep Pulse|Marsh Collective|
Long Intro|House|124|intro|mp3|44100|2|--intro 15|Long Intro|Quill & Reed|
Uptempo Drive|House|150|four|wma|44100|2||||
Breaks Theory|Breaks|136|breaks|mp3|44100|2||||
Half Step|Breaks|140|half|wma|44100|2||Half Step|Low Tide|
Steady Breaks|Breaks|100|breaks|wav|48000|2||||
Mono Groove|Chill|132|four|mp3|22050|1||||
Slow Ballad|Chill|76|ballad|wav|44100|2||||
Already Tagged|Chill|118|four|mp3|44100|2||Already Tagged|Tag Archive|118
TRACKS
cp -a "$out" "$out.untouched"
echo "demo folder: $out"
