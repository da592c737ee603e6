#!/usr/bin/env bash
# Times quorvel on synthetic terrains against the floor of writing as many bytes with dd.
#
#   bench/run.sh [-r repetitions] [-k] [side ...]
#
# side: 501, 1001, 2501 and 5001 by default (any 50 n + 1 from 51 to 5001); also taken from
# QUORVEL_BENCH_SIZES="501 1001". repetitions: 3 by default, or QUORVEL_BENCH_REPS. -k keeps
# the generated images (QUORVEL_BENCH_KEEP=1). The release build goes to build-bench
# (QUORVEL_BENCH_BUILD), the terrains to bench/out (QUORVEL_BENCH_OUT), which must be on the
# disk being measured.
#
# For each side the tool (light 1 1 2, z scale 2, sea level 10) and dd run alternately, each
# the given number of times, with the page cache flushed to disk before every run so that no
# run pays for the previous one's writeback. Prints per side the median wall times, their
# ratio, the time per blocFile, the tool's peak resident memory and the map's SHA-256 (which
# must be the same for every run, and never change with an optimisation).
set -euo pipefail

script=$(realpath "$0")
usage() { sed -n '3,10s/^# \{0,1\}//p' "$script"; }

cd "$(dirname "$0")/.."
root=$PWD
reps=${QUORVEL_BENCH_REPS:-3}
keep=${QUORVEL_BENCH_KEEP:-0}
build=${QUORVEL_BENCH_BUILD:-build-bench}
out=${QUORVEL_BENCH_OUT:-bench/out}
read -r -a sides <<<"${QUORVEL_BENCH_SIZES:-501 1001 2501 5001}"

while getopts "r:kh" option; do
  case $option in
    r) reps=$OPTARG ;;
    k) keep=1 ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if (($# > 0)); then sides=("$@"); fi

if ! [[ $reps =~ ^[1-9][0-9]*$ ]]; then
  echo "run.sh: repetitions must be a whole number of at least 1, not '$reps'" >&2
  exit 2
fi
for side in "${sides[@]}"; do
  if ! [[ $side =~ ^[0-9]+$ ]] || ((side < 51 || side > 5001 || (side - 1) % 50 != 0)); then
    echo "run.sh: a side must be 50 n + 1 pixels, from 51 to 5001, not '$side'" >&2
    exit 2
  fi
done

# --- What the build and the measurement need -----------------------------------------------
missing=()
for package in cmake ninja-build g++ libbenchmark-dev time coreutils; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if ((${#missing[@]})); then
  if (($(id -u) != 0)); then
    echo "run.sh: please install ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing ${missing[*]}"
  apt-get update >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi

# Always configured as Release, whatever an earlier configure of this directory said; the
# build's output is shown only when it fails.
mkdir -p "$build"
log=$build/bench-build.log
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF \
         -DQUORVEL_BENCH=ON &&
       cmake --build "$build" -j "${QUORVEL_BENCH_JOBS:-2}" --target quorvel quorvel_make_terrain
     } >"$log" 2>&1; then
  cat "$log" >&2
  echo "run.sh: the build failed (quorvel_make_terrain needs Google Benchmark to be found)" >&2
  exit 1
fi
quorvel=$root/$build/quorvel
make_terrain=$root/$build/bench/quorvel_make_terrain

mkdir -p "$out"
out=$(cd "$out" && pwd)

# --- Helpers --------------------------------------------------------------------------------
median() { sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Prints the wall seconds of a command run under /usr/bin/time -v; the report goes to the
# first argument, the command's standard output to the second.
timed() {
  local report=$1 output=$2
  shift 2
  local start end
  start=$(date +%s%N)
  /usr/bin/time -v -o "$report" "$@" >"$output"
  end=$(date +%s%N)
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", (e - s) / 1e9 }'
}
peak_kib() { awk -F': ' '/Maximum resident set size/ { print $2 }' "$1"; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

work=""
cleanup() {
  if [[ -n $work ]]; then rm -f "$work/t.map" "$work/floor.bin" "$work"/t.map.tmp*; fi
}
trap cleanup EXIT

echo "quorvel timing, $(date -u '+%Y-%m-%d %H:%M UTC')"
if commit=$(git rev-parse --short HEAD 2>/dev/null); then
  git diff --quiet HEAD -- src || commit="$commit, src modified"
  echo "commit   $commit"
fi
echo "machine  $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
echo "disk     $(df -h --output=source,fstype "$out" | tail -1 | tr -s ' ') for $out"
echo "load     $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min)"
echo "runs     $reps of each, alternately; quorvel t 1 1 2 2 10 against dd bs=1M"

failed=0
summary=()
per_block_1001=""
per_block_5001=""

for side in "${sides[@]}"; do
  blocks_across=$(((side - 1) / 50))
  blocks=$((blocks_across * blocks_across))
  map_bytes=$((8 + 99375 * blocks))
  dd_mib=$(((map_bytes + 1048575) / 1048576))
  # What the tool must hold at least: the five images' pixels (1 + 4 x 3 bytes a pixel).
  pixel_bytes=$((side * side * 13))
  rss_limit_kib=$(((pixel_bytes + 64 * 1048576) / 1024))

  work=$out/$side
  mkdir -p "$work"
  cd "$work"
  echo
  echo "== $side x $side: $blocks_across x $blocks_across blocFiles, map $map_bytes bytes, dd $dd_mib MiB"
  "$make_terrain" "$side" t

  tool_times=()
  dd_times=()
  peak_max=0
  hash=""
  for ((run = 1; run <= reps; run++)); do
    rm -f t.map floor.bin
    sync -f .
    if ! tool_time=$(timed time-tool.txt tool-output.txt "$quorvel" t 1 1 2 2 10); then
      echo "quorvel failed:" >&2
      cat tool-output.txt time-tool.txt >&2
      exit 1
    fi
    peak=$(peak_kib time-tool.txt)
    ((peak > peak_max)) && peak_max=$peak
    size=$(stat -c %s t.map)
    run_hash=$(sha256sum t.map | cut -d' ' -f1)
    note=""
    if ((size != map_bytes)); then
      note=" SIZE $size, expected $map_bytes"
      failed=1
    fi
    if [[ -n $hash && $run_hash != "$hash" ]]; then
      note="$note SHA-256 DIFFERS: $run_hash"
      failed=1
    fi
    [[ -z $hash ]] && hash=$run_hash

    rm -f t.map floor.bin
    sync -f .
    dd_time=$(timed time-dd.txt /dev/null dd if=/dev/zero of=floor.bin bs=1M count="$dd_mib" status=none)
    tool_times+=("$tool_time")
    dd_times+=("$dd_time")
    printf '  run %d: quorvel %8.3f s  peak %7s MiB   dd %8.3f s%s\n' \
      "$run" "$tool_time" "$(mib "$peak")" "$dd_time" "$note"
  done
  rm -f t.map floor.bin time-tool.txt time-dd.txt tool-output.txt
  ((keep)) || rm -f t*.bmp
  cd "$root"

  tool_median=$(printf '%s\n' "${tool_times[@]}" | median)
  dd_median=$(printf '%s\n' "${dd_times[@]}" | median)
  ratio=$(awk -v t="$tool_median" -v d="$dd_median" 'BEGIN { printf "%.2f", t / d }')
  per_block=$(awk -v t="$tool_median" -v b="$blocks" 'BEGIN { printf "%.3f", 1000 * t / b }')
  rss_note="within"
  ((peak_max > rss_limit_kib)) && rss_note="over"
  printf '  quorvel median   %.3f s\n' "$tool_median"
  printf '  dd median        %.3f s\n' "$dd_median"
  printf '  ratio            %s (quorvel / dd)\n' "$ratio"
  printf '  per blocFile     %s ms\n' "$per_block"
  printf '  peak resident    %s MiB, %s pixels + 64 MiB = %s MiB\n' \
    "$(mib "$peak_max")" "$rss_note" "$(mib "$rss_limit_kib")"
  printf '  SHA-256          %s\n' "$hash"
  summary+=("$(printf '%5d %6d %11d %9.3f %8.3f %6s %12s %10s %10s  %s' "$side" "$blocks" \
    "$map_bytes" "$tool_median" "$dd_median" "$ratio" "$per_block" "$(mib "$peak_max")" \
    "$(mib "$rss_limit_kib")" "$hash")")
  [[ $side == 1001 ]] && per_block_1001=$per_block
  [[ $side == 5001 ]] && per_block_5001=$per_block
done
work=""

echo
echo "== Summary (medians of $reps run(s) of each)"
printf '%5s %6s %11s %9s %8s %6s %12s %10s %10s  %s\n' side blocks "map bytes" "quorvel s" \
  "dd s" ratio "ms/blocFile" "peak MiB" "limit MiB" SHA-256
printf '%s\n' "${summary[@]}"
if [[ -n $per_block_1001 && -n $per_block_5001 ]]; then
  awk -v a="$per_block_5001" -v b="$per_block_1001" \
    'BEGIN { printf "time per blocFile, 5001 / 1001: %.2f\n", a / b }'
fi
if ((failed)); then
  echo "run.sh: a map had the wrong size or differed between runs" >&2
  exit 1
fi
