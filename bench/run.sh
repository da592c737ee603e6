#!/usr/bin/env bash
# Times quorvel on synthetic terrains against the floor of writing as many bytes with dd.
#
#   bench/run.sh [-r pairs] [-k] [-n] [side ...]
#
# side: 501, 1001, 2501 and 5001 by default (any 50 n + 1 from 51 to 5001); also taken from
# QUORVEL_BENCH_SIZES="501 1001". pairs: 7 by default (QUORVEL_BENCH_REPS), the counted runs
# of each command after one warm-up. -k keeps the generated images (QUORVEL_BENCH_KEEP=1).
# -n leaves out the untimed write before each command (QUORVEL_BENCH_PRIMER=0).
# Sides in QUORVEL_BENCH_ALT16 (default 5001) also time a 16-bit TIFF altitude. The release
# build goes to build-bench (QUORVEL_BENCH_BUILD), the terrains to bench/out
# (QUORVEL_BENCH_OUT), which must be on the disk being measured.
#
# Per side the tool (quorvel t 1 1 2 2 10) and dd writing as many bytes run alternately: one
# warm-up round that is not counted, then the given number of rounds, each command preceded by
# deleting every output and a sync, so that no run pays for another's writeback, and by an
# untimed write of as many bytes, so that each starts from the same state of memory. Noise on a
# shared machine only ever adds time, so the minima are the figures to compare (their ratio
# is what the targets use); the medians show the spread. With the 16-bit row the same terrain
# is also compiled from talt16.tif (256 x each altitude byte) with z scale 2/256 and sea level
# 10 x 256, which must give the same SHA-256 as the 8-bit map.
set -euo pipefail

script=$(realpath "$0")
usage() { sed -n '3,12s/^# \{0,1\}//p' "$script"; }

cd "$(dirname "$0")/.."
root=$PWD
reps=${QUORVEL_BENCH_REPS:-7}
keep=${QUORVEL_BENCH_KEEP:-0}
primer=${QUORVEL_BENCH_PRIMER:-1}
build=${QUORVEL_BENCH_BUILD:-build-bench}
out=${QUORVEL_BENCH_OUT:-bench/out}
read -r -a sides <<<"${QUORVEL_BENCH_SIZES:-501 1001 2501 5001}"
read -r -a alt16_sides <<<"${QUORVEL_BENCH_ALT16-5001}"

while getopts "r:knh" option; do
  case $option in
    r) reps=$OPTARG ;;
    k) keep=1 ;;
    n) primer=0 ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if (($# > 0)); then sides=("$@"); fi

if ! [[ $reps =~ ^[1-9][0-9]*$ ]]; then
  echo "run.sh: pairs must be a whole number of at least 1, not '$reps'" >&2
  exit 2
fi
for side in "${sides[@]}"; do
  if ! [[ $side =~ ^[0-9]+$ ]] || ((side < 51 || side > 5001 || (side - 1) % 50 != 0)); then
    echo "run.sh: a side must be 50 n + 1 pixels, from 51 to 5001, not '$side'" >&2
    exit 2
  fi
done
((reps >= 7)) || echo "run.sh: fewer than 7 counted pairs: the minima are not yet to be trusted" >&2

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

. bench/build.sh
bench_build run.sh quorvel quorvel_make_terrain
quorvel=$root/$build/quorvel
make_terrain=$root/$build/bench/quorvel_make_terrain
# The 16-bit row needs the tool to read a non-BMP altitude (--alt, through GDAL).
alt16_ok=0
if "$quorvel" --help 2>&1 | grep -q -- '--alt'; then alt16_ok=1; fi

mkdir -p "$out"
out=$(cd "$out" && pwd)

# --- Helpers --------------------------------------------------------------------------------
# Runs a command under /usr/bin/time -v with its standard output to the second argument and
# the report to the first; prints the wall seconds.
timed() {
  local report=$1 output=$2
  shift 2
  local start end
  start=$(date +%s%N)
  /usr/bin/time -v -o "$report" "$@" >"$output"
  end=$(date +%s%N)
  elapsed "$start" "$end"
}
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
# Every timed command starts from the same state: no output on disk or in the page cache,
# and memory as a write of the map's size leaves it. On these virtual machines what ran
# before shows in the next command's time: after the tool and the hashing of its map, dd
# took 1.3-1.6 s where after another dd it took 0.15 s. A primer that writes and deletes as
# many bytes as the map, untimed, gives each command the state of the fastest floor.
fresh() {
  rm -f t.map t.map.tmp* floor.bin primer.bin
  sync -f .
  ((primer)) || return 0
  prime_memory "$dd_mib"
}

work=""
cleanup() {
  if [[ -n $work ]]; then rm -f "$work/t.map" "$work/floor.bin" "$work/primer.bin" "$work"/t.map.tmp*; fi
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
echo "runs     1 warm-up + $reps counted rounds, alternately; before each command the outputs are"
if ((primer)); then
  echo "         deleted and synced, then as many bytes written, deleted and synced again, untimed"
else
  echo "         deleted and synced (no untimed write: -n)"
fi

failed=0
summary=()

# One named command: its times, CPU, memory and map hash, kept per side.
declare -A times cpu user sys peak hash
record() {
  local name=$1 seconds=$2 report=$3
  times[$name]+="$seconds "
  cpu[$name]+="$(field "$report" 'Percent of CPU') "
  user[$name]+="$(field "$report" 'User time') "
  sys[$name]+="$(field "$report" 'System time') "
  local kib
  kib=$(field "$report" 'Maximum resident set size')
  ((kib > ${peak[$name]:-0})) && peak[$name]=$kib
  return 0
}
stat_of() { tr ' ' '\n' <<<"$1" | grep . | "$2"; }

# Each sets last to the wall seconds; they run in this shell, so that record keeps its figures.
run_tool() {  # name, counted (0/1), then the tool's arguments
  local name=$1 counted=$2
  shift 2
  fresh
  local seconds
  if ! seconds=$(timed time.txt tool-output.txt "$quorvel" "$@"); then
    echo "quorvel failed:" >&2
    cat tool-output.txt time.txt >&2
    exit 1
  fi
  local size run_hash
  size=$(stat -c %s t.map)
  run_hash=$(sha256sum t.map | cut -d' ' -f1)
  if ((size != map_bytes)); then
    echo "  $name: SIZE $size, expected $map_bytes" >&2
    failed=1
  fi
  # Every run, whatever its altitude, must give the 8-bit map's bytes.
  if [[ -n ${side_hash:-} && $run_hash != "$side_hash" ]]; then
    echo "  $name: SHA-256 DIFFERS: $run_hash" >&2
    failed=1
  fi
  [[ -z ${side_hash:-} ]] && side_hash=$run_hash
  ((counted)) && record "$name" "$seconds" time.txt
  last=$seconds
}

run_dd() {  # counted (0/1)
  fresh
  local seconds
  seconds=$(timed time.txt /dev/null dd if=/dev/zero of=floor.bin bs=1M count="$dd_mib" status=none)
  (($1)) && record dd "$seconds" time.txt
  last=$seconds
}

for side in "${sides[@]}"; do
  blocks_across=$(((side - 1) / 50))
  blocks=$((blocks_across * blocks_across))
  map_bytes=$((8 + 99375 * blocks))
  dd_mib=$(((map_bytes + 1048575) / 1048576))
  # What the tool must hold at least: the five images' pixels (1 + 4 x 3 bytes a pixel; the
  # 16-bit altitude 2).
  rss_limit_kib=$(((side * side * 13 + 64 * 1048576) / 1024))
  rss16_limit_kib=$(((side * side * 14 + 64 * 1048576) / 1024))
  with16=0
  for s in "${alt16_sides[@]}"; do [[ $s == "$side" ]] && with16=1; done
  if ((with16 && !alt16_ok)); then
    echo
    echo "== $side x $side: the 16-bit row is left out: this quorvel has no --alt option"
    with16=0
  fi

  work=$out/$side
  mkdir -p "$work"
  cd "$work"
  echo
  echo "== $side x $side: $blocks_across x $blocks_across blocFiles, map $map_bytes bytes, dd $dd_mib MiB"
  if ((with16)); then "$make_terrain" "$side" t talt16.tif; else "$make_terrain" "$side" t; fi

  times=() cpu=() user=() sys=() peak=()
  side_hash=""
  for ((round = 0; round <= reps; round++)); do
    counted=$((round > 0))
    run_tool quorvel "$counted" t 1 1 2 2 10
    line=$(printf 'quorvel %7.3f s' "$last")
    if ((with16)); then
      run_tool quorvel16 "$counted" --alt talt16.tif t 1 1 2 0.0078125 2560
      line+=$(printf '   16-bit %7.3f s' "$last")
    fi
    run_dd "$counted"
    line+=$(printf '   dd %7.3f s' "$last")
    if ((counted)); then echo "  run $round: $line"; else echo "  warm-up: $line"; fi
  done
  rm -f t.map floor.bin time.txt tool-output.txt
  ((keep)) || rm -f t*.bmp talt16.tif
  cd "$root"

  tool_min=$(stat_of "${times[quorvel]}" minimum)
  tool_median=$(stat_of "${times[quorvel]}" median)
  dd_min=$(stat_of "${times[dd]}" minimum)
  dd_median=$(stat_of "${times[dd]}" median)
  ratio=$(awk -v t="$tool_min" -v d="$dd_min" 'BEGIN { printf "%.2f", t / d }')
  per_block=$(awk -v t="$tool_min" -v b="$blocks" 'BEGIN { printf "%.3f", 1000 * t / b }')
  tool_cpu=$(stat_of "${cpu[quorvel]}" median)
  tool_user=$(stat_of "${user[quorvel]}" median)
  tool_sys=$(stat_of "${sys[quorvel]}" median)
  rss_note="within"
  ((peak[quorvel] > rss_limit_kib)) && rss_note="OVER"
  printf '  quorvel          min %.3f s, median %.3f s; CPU %s %%, user %s s, system %s s (medians)\n' \
    "$tool_min" "$tool_median" "$tool_cpu" "$tool_user" "$tool_sys"
  printf '  dd               min %.3f s, median %.3f s\n' "$dd_min" "$dd_median"
  printf '  ratio of minima  %s (quorvel / dd); %s ms per blocFile\n' "$ratio" "$per_block"
  printf '  peak resident    %s MiB, %s pixels + 64 MiB = %s MiB\n' \
    "$(mib "${peak[quorvel]}")" "$rss_note" "$(mib "$rss_limit_kib")"
  if ((with16)); then
    t16_min=$(stat_of "${times[quorvel16]}" minimum)
    t16_median=$(stat_of "${times[quorvel16]}" median)
    ratio16=$(awk -v a="$t16_min" -v b="$tool_min" 'BEGIN { printf "%.2f", a / b }')
    rss16_note="within"
    ((peak[quorvel16] > rss16_limit_kib)) && rss16_note="OVER"
    printf '  16-bit altitude  min %.3f s, median %.3f s; %s x the 8-bit minimum; CPU %s %%\n' \
      "$t16_min" "$t16_median" "$ratio16" "$(stat_of "${cpu[quorvel16]}" median)"
    printf '  peak resident    %s MiB, %s pixels + 64 MiB = %s MiB\n' \
      "$(mib "${peak[quorvel16]}")" "$rss16_note" "$(mib "$rss16_limit_kib")"
  fi
  printf '  SHA-256          %s\n' "$side_hash"
  summary+=("$(printf '%5d %6d %11d %8.3f %8.3f %7.3f %7.3f %6s %5s %6s %6s %8s  %s' "$side" \
    "$blocks" "$map_bytes" "$tool_min" "$tool_median" "$dd_min" "$dd_median" "$ratio" \
    "$tool_cpu" "$tool_user" "$tool_sys" "$(mib "${peak[quorvel]}")" "$side_hash")")
  if ((with16)); then
    summary+=("$(printf '%5s %6s %11s %8.3f %8.3f %7s %7s %6s %5s %6s %6s %8s  (16-bit alt: %s x 8-bit)' \
      "" "" "" "$t16_min" "$t16_median" "" "" "" "$(stat_of "${cpu[quorvel16]}" median)" \
      "$(stat_of "${user[quorvel16]}" median)" "$(stat_of "${sys[quorvel16]}" median)" \
      "$(mib "${peak[quorvel16]}")" "$ratio16")")
  fi
done
work=""

echo
echo "== Summary: minima and medians of $reps counted runs each; ratio of minima; CPU, user and system medians"
printf '%5s %6s %11s %8s %8s %7s %7s %6s %5s %6s %6s %8s  %s\n' side blocks "map bytes" "tool min" \
  median "dd min" median ratio "CPU%" "user" "sys" "peak MiB" SHA-256
printf '%s\n' "${summary[@]}"
if ((failed)); then
  echo "run.sh: a map had the wrong size or differed between runs" >&2
  exit 1
fi
