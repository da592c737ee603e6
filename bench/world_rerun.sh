#!/usr/bin/env bash
# Times a quorvel-world rerun that has nothing to do against the build it follows.
#
#   bench/world_rerun.sh [-r rounds] [-k] [side]
#
# side: 10001 by default (50 n + 1, from 1001), in tiles of 1001 with --jobs 2. rounds: 3 by
# default (QUORVEL_BENCH_REPS). -k keeps the generated images. The release build goes to
# build-bench (QUORVEL_BENCH_BUILD), the terrain to bench/out (QUORVEL_BENCH_OUT).
#
# Each round builds the world from nothing, then reruns it with nothing changed; the first
# round is a warm-up and is not counted. The minima are compared: the rerun's share of the
# build is the figure (target: under 5 %). The reruns' --json must count no tile hashed and
# no input read. A last rerun with --verify, which reads everything again, is timed once.
set -euo pipefail

script=$(realpath "$0")
usage() { sed -n '3,9s/^# \{0,1\}//p' "$script"; }

cd "$(dirname "$0")/.."
root=$PWD
reps=${QUORVEL_BENCH_REPS:-3}
keep=${QUORVEL_BENCH_KEEP:-0}
build=${QUORVEL_BENCH_BUILD:-build-bench}
out=${QUORVEL_BENCH_OUT:-bench/out}
side=10001
while getopts "r:kh" option; do
  case $option in
    r) reps=$OPTARG ;;
    k) keep=1 ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if (($# > 0)); then side=$1; fi
if ! [[ $reps =~ ^[1-9][0-9]*$ ]]; then
  echo "world_rerun.sh: rounds must be a whole number of at least 1, not '$reps'" >&2
  exit 2
fi
if ! [[ $side =~ ^[0-9]+$ ]] || ((side < 1001 || (side - 1) % 50 != 0)); then
  echo "world_rerun.sh: the side must be 50 n + 1 pixels, from 1001, not '$side'" >&2
  exit 2
fi

. bench/build.sh
bench_build world_rerun.sh quorvel-world quorvel_make_terrain
world=$root/$build/quorvel-world
make_terrain=$root/$build/bench/quorvel_make_terrain

work=$out/world-rerun-$side
mkdir -p "$work"
work=$(cd "$work" && pwd)
cd "$work"
trap 'rm -rf "$work/w"' EXIT

seconds() {  # the command's wall seconds; its standard output goes to last.json
  local start end
  start=$(date +%s%N)
  "$@" >last.json 2>/dev/null
  end=$(date +%s%N)
  elapsed "$start" "$end"
}
count() { python3 -c "import json, sys; print(json.load(open('last.json'))['$1'])"; }

echo "quorvel-world rerun timing, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine  $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)"
echo "load     $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min)"
echo "terrain  $side x $side pixels in tiles of 1001"
[[ -f talt.bmp ]] || "$make_terrain" "$side" t
arguments=(--json --tile 1001 --jobs 2 t w 1 1 2 2 10)

builds=""
reruns=""
for ((round = 0; round <= reps; round++)); do
  rm -rf w
  sync -f .
  build_seconds=$(seconds "$world" "${arguments[@]}")
  rerun_seconds=$(seconds "$world" "${arguments[@]}")
  if [[ $(count hashed) != 0 || $(count inputs_read) != 0 || $(count built) != 0 ]]; then
    echo "world_rerun.sh: the rerun read or built tiles: $(cat last.json | head -c 300)" >&2
    exit 1
  fi
  label=$( ((round == 0)) && echo "warm-up" || echo "round $round")
  printf '  %-8s build %8.3f s   rerun %7.3f s\n' "$label" "$build_seconds" "$rerun_seconds"
  if ((round > 0)); then
    builds+="$build_seconds "
    reruns+="$rerun_seconds "
  fi
done
verify_seconds=$(seconds "$world" --verify "${arguments[@]}")
rm -f last.json
((keep)) || rm -f t*.bmp

build_min=$(minimum <<<"$builds")
rerun_min=$(minimum <<<"$reruns")
echo
printf '  build            min %.3f s, median %.3f s\n' "$build_min" "$(median <<<"$builds")"
printf '  no-change rerun  min %.3f s, median %.3f s\n' "$rerun_min" "$(median <<<"$reruns")"
printf '  rerun / build    %s %% of minima (target: under 5 %%)\n' \
  "$(awk -v r="$rerun_min" -v b="$build_min" 'BEGIN { printf "%.2f", 100 * r / b }')"
printf '  rerun --verify   %.3f s (once)\n' "$verify_seconds"
