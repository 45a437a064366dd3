#!/usr/bin/env bash
# Instructions per pixel of every path and setting, counted by callgrind on a
# 512 x 256 frame (COUNT_WIDTH and COUNT_HEIGHT for another size) rendered
# once through the module (COUNT_SETTINGS for other settings). The figure is the whole
# render call (table construction, suite calls, the host's iterate and the
# pixel functions) divided by the pixels, so it is deterministic and a little
# above the pure per-pixel cost.
#
#   bench/count_instructions.sh BUILD_DIR [MODULE]
set -euo pipefail

build=${1:?usage: $0 BUILD_DIR [MODULE]}
module=${2:-}
driver="$build/bench/velmora_count_frame"
width=${COUNT_WIDTH:-512}
height=${COUNT_HEIGHT:-256}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

paths=(ae8-t1 aes8-t1 ae16-t1 aes16-t1 aesf-t1 pr8-t1 prf-t1)
settings=(${COUNT_SETTINGS:-contrast gamma2.2 blend-clamps contrast-hdr-off gamma2.2-hdr-off blend-clamps-hdr-off})

printf "%-10s" path
for setting in "${settings[@]}"; do printf '%22s' "$setting"; done
printf '\n'
for path in "${paths[@]}"; do
  printf '%-10s' "$path"
  for setting in "${settings[@]}"; do
    args=("$path" "$setting" "$width" "$height")
    if [[ -n $module ]]; then args+=("$module"); fi
    pixels=$(valgrind --tool=callgrind --collect-atstart=no \
      --callgrind-out-file="$out/cg.out" "$driver" "${args[@]}" 2>/dev/null)
    total=$(awk '/^(summary|totals):/ {print $2; exit}' "$out/cg.out")
    printf '%22s' "$(awk -v t="$total" -v p="$pixels" 'BEGIN {printf "%.1f", t / p}')"
  done
  printf '\n'
done
