#!/usr/bin/env bash
# Times quorvel-world against quorvel on the same synthetic terrain, and measures the world's
# peak memory with small tiles.
#
#   bench/world.sh [-r pairs] [-k] [-l] [side]
#
# side: 5001 by default (50 n + 1, from 1001). pairs: 7 by default (QUORVEL_BENCH_REPS). -k
# keeps the generated images. -l gives both programs --sky --shadows, and reports the bytes of
# the world's horizons. The release build goes to build-bench (QUORVEL_BENCH_BUILD), the
# terrain to bench/out (QUORVEL_BENCH_OUT), on the disk being measured.
#
# As bench/run.sh measures: quorvel (t 1 1 2 2 10, one map) and quorvel-world (--tile 1001
# --jobs 2, 25 tiles at the largest side, the same settings) run alternately, one warm-up
# round that is not counted, then the counted rounds, each command preceded by deleting every
# output and a sync and by an untimed write of as many bytes as the map, deleted and synced,
# so that each starts from the same state of memory. The minima are compared (their ratio is
# the target's figure); the medians show the spread. Then quorvel-world --tile 501 --jobs 2
# runs once more, for its peak resident memory. The world's manifest must be the same in
# every run.
set -euo pipefail

script=$(realpath "$0")
usage() { sed -n '3,10s/^# \{0,1\}//p' "$script"; }

cd "$(dirname "$0")/.."
root=$PWD
reps=${QUORVEL_BENCH_REPS:-7}
keep=${QUORVEL_BENCH_KEEP:-0}
build=${QUORVEL_BENCH_BUILD:-build-bench}
out=${QUORVEL_BENCH_OUT:-bench/out}
side=5001
light=()
ratio_target=1.25
memory_target=160
while getopts "r:klh" option; do
  case $option in
    r) reps=$OPTARG ;;
    k) keep=1 ;;
    l) light=(--sky --shadows) ratio_target=1.3 memory_target=300 ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if (($# > 0)); then side=$1; fi
if ! [[ $reps =~ ^[1-9][0-9]*$ ]]; then
  echo "world.sh: pairs must be a whole number of at least 1, not '$reps'" >&2
  exit 2
fi
if ! [[ $side =~ ^[0-9]+$ ]] || ((side < 1001 || side > 5001 || (side - 1) % 50 != 0)); then
  echo "world.sh: the side must be 50 n + 1 pixels, from 1001 to 5001, not '$side'" >&2
  exit 2
fi

. bench/build.sh
bench_build world.sh quorvel quorvel-world quorvel_make_terrain
quorvel=$root/$build/quorvel
world=$root/$build/quorvel-world
make_terrain=$root/$build/bench/quorvel_make_terrain

work=$out/world-$side
mkdir -p "$work"
work=$(cd "$work" && pwd)
cd "$work"
trap 'rm -rf "$work/t.map" "$work"/t.map.tmp* "$work/w" "$work/primer.bin"' EXIT

map_bytes=$((8 + 99375 * ((side - 1) / 50) ** 2))
dd_mib=$(((map_bytes + 1048575) / 1048576))
fresh() {
  rm -rf t.map t.map.tmp* w primer.bin
  prime_memory "$dd_mib"
}
timed() {  # report file, then the command; prints the wall seconds
  local report=$1 start end
  shift
  start=$(date +%s%N)
  /usr/bin/time -v -o "$report" "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  elapsed "$start" "$end"
}

echo "quorvel-world timing, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine  $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)"
echo "load     $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min)"
echo "terrain  $side x $side pixels, map $map_bytes bytes"
"$make_terrain" "$side" t

declare -A times user sys cpu
manifest=""
for ((round = 0; round <= reps; round++)); do
  fresh
  map_seconds=$(timed map.txt "$quorvel" "${light[@]}" t 1 1 2 2 10)
  fresh
  world_seconds=$(timed world.txt "$world" "${light[@]}" --tile 1001 --jobs 2 t w 1 1 2 2 10)
  hash=$(sha256sum w/t.world.json | cut -d' ' -f1)
  if [[ -n $manifest && $hash != "$manifest" ]]; then
    echo "world.sh: the manifest differs between runs" >&2
    exit 1
  fi
  manifest=$hash
  if ((round == 0)); then
    printf '  warm-up: quorvel %7.3f s   world %7.3f s\n' "$map_seconds" "$world_seconds"
    continue
  fi
  printf '  run %d:   quorvel %7.3f s   world %7.3f s\n' "$round" "$map_seconds" "$world_seconds"
  for name in map world; do
    seconds_var=${name}_seconds
    times[$name]+="${!seconds_var} "
    user[$name]+="$(field $name.txt 'User time') "
    sys[$name]+="$(field $name.txt 'System time') "
    cpu[$name]+="$(field $name.txt 'Percent of CPU') "
  done
done
fresh
"$world" "${light[@]}" --tile 501 --jobs 2 t w 1 1 2 2 10 >/dev/null 2>&1  # warm-up
fresh
/usr/bin/time -v -o memory.txt "$world" "${light[@]}" --tile 501 --jobs 2 t w 1 1 2 2 10 \
  >/dev/null 2>&1
peak_kib=$(field memory.txt 'Maximum resident set size')
horizons=$(find w -name '*.horizons' -printf '%s\n' | awk '{ n++; b += $1 } END { print n + 0, b + 0 }')
fresh
rm -f map.txt world.txt memory.txt
((keep)) || rm -f t*.bmp

map_min=$(minimum <<<"${times[map]}")
world_min=$(minimum <<<"${times[world]}")
echo
printf '  quorvel          min %.3f s, median %.3f s; CPU %s %%, user %s s, system %s s (medians)\n' \
  "$map_min" "$(median <<<"${times[map]}")" "$(median <<<"${cpu[map]}")" \
  "$(median <<<"${user[map]}")" "$(median <<<"${sys[map]}")"
printf '  world, 1001      min %.3f s, median %.3f s; CPU %s %%, user %s s, system %s s (medians)\n' \
  "$world_min" "$(median <<<"${times[world]}")" "$(median <<<"${cpu[world]}")" \
  "$(median <<<"${user[world]}")" "$(median <<<"${sys[world]}")"
printf '  ratio of minima  %s (target: at most %s)\n' \
  "$(awk -v w="$world_min" -v m="$map_min" 'BEGIN { printf "%.2f", w / m }')" "$ratio_target"
printf '  world, 501       peak resident %s MiB (target: under %s MiB)\n' \
  "$(awk -v k="$peak_kib" 'BEGIN { printf "%.1f", k / 1024 }')" "$memory_target"
if ((${#light[@]})); then
  read -r count bytes <<<"$horizons"
  printf '  world, 501       horizons %s bytes in %s files, %s bytes a tile\n' "$bytes" "$count" \
    "$((bytes / (count > 0 ? count : 1)))"
fi
printf '  manifest SHA-256 %s\n' "$manifest"
