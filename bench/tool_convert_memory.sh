#!/bin/sh
# Peak memory of `tallowin-sound convert` on a 2-hour 8 kHz mono 16-bit file (and, for reference, on a 1-minute
# one: the two figures should match, memory must not grow with the file). Usage: tool_convert_memory.sh TOOL
set -eu
tool=${1:?usage: tool_convert_memory.sh PATH/TO/tallowin-sound}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
sox -n -r 8000 -c 1 -b 16 "$folder/long.wav" synth 7200 sine 300-3000
sox -n -r 8000 -c 1 -b 16 "$folder/short.wav" synth 60 sine 300-3000
for name in short long; do
    for format in pcm16 ${2:-}; do
        /usr/bin/time -f "$name $format: %M KB peak, %e s" "$tool" convert "$folder/$name.wav" "$folder/out.wav" \
            --format "$format" >/dev/null
    done
done
