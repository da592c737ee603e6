#!/usr/bin/env bash
# Times quorvel's baked light on a synthetic terrain: the plain compile, --shadows, --sky and
# both, against each other.
#
#   bench/light.sh [-r rounds] [-g] [side]
#
# side: 5001 by default (any 50 n + 1 from 51 to 5001). rounds: 7 by default
# (QUORVEL_BENCH_REPS), counted after one warm-up round. -g also times --shadows under lower
# suns and larger z scales, to show how the marches grow. The release build goes to build-bench
# (QUORVEL_BENCH_BUILD), the terrain to bench/out (QUORVEL_BENCH_OUT).
#
# The protocol is bench/run.sh's: every command is timed in turn within a round (quorvel
# t 1 1 2 2 10 with the options), each preceded by deleting every output and a sync, then an
# untimed write of as many bytes as the map, so that each starts from the same state of memory.
# Noise only ever adds time, so the minima are compared (the ratios to the plain compile are
# what the targets use); the medians show the spread. Peak memory is checked against the five
# images' pixels (13 bytes a pixel) + 8 bytes a pixel + 64 MiB.
set -euo pipefail

script=$(realpath "$0")
usage() { sed -n '3,10s/^# \{0,1\}//p' "$script"; }

cd "$(dirname "$0")/.."
root=$PWD
reps=${QUORVEL_BENCH_REPS:-7}
build=${QUORVEL_BENCH_BUILD:-build-bench}
out=${QUORVEL_BENCH_OUT:-bench/out}
growth=0

while getopts "r:gh" option; do
  case $option in
    r) reps=$OPTARG ;;
    g) growth=1 ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
side=${1:-5001}
if ! [[ $reps =~ ^[1-9][0-9]*$ ]]; then
  echo "light.sh: rounds must be a whole number of at least 1, not '$reps'" >&2
  exit 2
fi
if ! [[ $side =~ ^[0-9]+$ ]] || ((side < 51 || side > 5001 || (side - 1) % 50 != 0)); then
  echo "light.sh: the side must be 50 n + 1 pixels, from 51 to 5001, not '$side'" >&2
  exit 2
fi

. bench/build.sh
bench_build light.sh quorvel quorvel_make_terrain
quorvel=$root/$build/quorvel
work=$root/$out/light-$side
mkdir -p "$work"
cd "$work"
"$root/$build/bench/quorvel_make_terrain" "$side" t
map_bytes=$((8 + 99375 * ((side - 1) / 50) * ((side - 1) / 50)))
dd_mib=$(((map_bytes + 1048575) / 1048576))
limit_kib=$(((side * side * (13 + 8) + 64 * 1048576) / 1024))
trap 'rm -f t.map t.map.tmp* primer.bin time.txt' EXIT

fresh() {
  rm -f t.map t.map.tmp* primer.bin
  prime_memory "$dd_mib"
}

# One timed run of quorvel with the given words; adds to the named series.
declare -A times cpu peak
run() {
  local name=$1 counted=$2
  shift 2
  fresh
  local start end
  start=$(date +%s%N)
  if ! /usr/bin/time -v -o time.txt "$quorvel" "$@" >/dev/null; then
    echo "light.sh: quorvel $* failed" >&2
    exit 1
  fi
  end=$(date +%s%N)
  ((counted)) || return 0
  times[$name]+="$(elapsed "$start" "$end") "
  cpu[$name]+="$(field time.txt 'Percent of CPU') "
  local kib
  kib=$(field time.txt 'Maximum resident set size')
  ((kib > ${peak[$name]:-0})) && peak[$name]=$kib
  return 0
}

echo "quorvel baked light timing, $(date -u '+%Y-%m-%d %H:%M UTC'), $side x $side pixels"
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
echo "commit   $commit; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

names=(plain shadows sky both)
declare -A words=([plain]="" [shadows]="--shadows" [sky]="--sky" [both]="--sky --shadows")
if ((growth)); then
  # Lower suns (elevations 55, 35, 19 and 10 degrees) and larger z scales, shadows only.
  names+=(sun35 sun19 sun10 z4 z8)
  words+=([sun35]="--shadows @1 1 1" [sun19]="--shadows @1 1 0.5" [sun10]="--shadows @1 1 0.25"
          [z4]="--shadows @1 1 2 4" [z8]="--shadows @1 1 2 8")
fi
for ((round = 0; round <= reps; round++)); do
  for name in "${names[@]}"; do
    # Words after @ replace the settings 1 1 2 2 and keep the sea level at 10.
    read -r -a options <<<"${words[$name]%%@*}"
    settings=(1 1 2 2)
    [[ ${words[$name]} == *@* ]] && read -r -a settings <<<"${words[$name]#*@}"
    ((${#settings[@]} == 3)) && settings+=(2)
    run "$name" $((round > 0)) "${options[@]}" t "${settings[@]}" 10
  done
  if ((round > 0)); then echo "  round $round of $reps done"; else echo "  warm-up done"; fi
done

plain_min=$(minimum <<<"${times[plain]}")
printf '\n%-8s %9s %9s %8s %6s %10s %s\n' run "min s" "median s" "x plain" "CPU%" "peak MiB" "(limit $((limit_kib / 1024)) MiB)"
for name in "${names[@]}"; do
  low=$(minimum <<<"${times[$name]}")
  printf '%-8s %9.3f %9.3f %8.2f %6s %10.1f %s\n' "$name" "$low" "$(median <<<"${times[$name]}")" \
    "$(awk -v a="$low" -v b="$plain_min" 'BEGIN { print a / b }')" \
    "$(median <<<"${cpu[$name]}")" "$(awk -v k="${peak[$name]}" 'BEGIN { print k / 1024 }')" \
    "$( ((peak[$name] > limit_kib)) && echo OVER || echo within)"
done
