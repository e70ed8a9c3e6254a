#!/usr/bin/env bash
# Enters the load configuration directory in a linked PE32 image, which this
# linker does not do by itself:
#   set-load-config.sh IMAGE MAP
# MAP is the linker map of IMAGE; the directory points at _load_config_used.
set -euo pipefail
image=$1
map=$2

address=$(awk '($2 == "_load_config_used" || $2 == "__load_config_used") && $1 ~ /^0x/ {print $1; exit}' "$map")
base=$(awk '$2 == "__image_base__" && $1 ~ /^0x/ {print $1; exit}' "$map")
if [ -z "$address" ] || [ -z "$base" ]; then
  echo "set-load-config: no _load_config_used or image base in $map" >&2
  exit 1
fi
rva=$((address - base))

# Little-endian 32-bit value at a file offset, read and written with od and dd.
read32() { od -An -tu4 -j "$1" -N4 "$image" | tr -d ' '; }
write32() {
  printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $(($2 & 255)) $(($2 >> 8 & 255)) \
    $(($2 >> 16 & 255)) $(($2 >> 24 & 255)))" |
    dd of="$image" bs=1 seek="$1" conv=notrunc status=none
}

pe=$(read32 60)                   # e_lfanew: where "PE\0\0" starts
magic=$(od -An -tu2 -j $((pe + 24)) -N2 "$image" | tr -d ' ')
[ "$magic" = 267 ] || { echo "set-load-config: $image is not PE32" >&2; exit 1; }
entry=$((pe + 24 + 96 + 10 * 8))  # data directory 10: load configuration
write32 "$entry" "$rva"
write32 $((entry + 4)) 64
