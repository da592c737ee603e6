#!/usr/bin/env bash
# Times quorvel-inspect --gltf on the 5001 x 5001 synthetic terrain (100 x 100 blocFiles)
# with the default triangle budget, against the limits of 60 s and 4 GiB.
#
#   bench/gltf.sh [-r repetitions] [side]
#
# side: 5001 by default (any 50 n + 1 from 51 to 5001). repetitions: 3 by default. The release
# build goes to build-bench (QUORVEL_BENCH_BUILD), the terrain to bench/out
# (QUORVEL_BENCH_OUT). Prints the wall time and peak resident memory of each run, the triangles
# kept and the size of the .glb; exits 1 when a run is over either limit.
set -euo pipefail

script=$(realpath "$0")
usage() { sed -n '5,9s/^# \{0,1\}//p' "$script"; }

cd "$(dirname "$0")/.."
root=$PWD
reps=3
build=${QUORVEL_BENCH_BUILD:-build-bench}
out=${QUORVEL_BENCH_OUT:-bench/out}
while getopts "r:h" option; do
  case $option in
    r) reps=$OPTARG ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
side=${1:-5001}
if ! [[ $reps =~ ^[1-9][0-9]*$ ]] || ! [[ $side =~ ^[0-9]+$ ]] ||
   ((side < 51 || side > 5001 || (side - 1) % 50 != 0)); then
  usage >&2
  exit 2
fi

limit_seconds=60
limit_kib=$((4 * 1024 * 1024))

. bench/build.sh
bench_build gltf.sh quorvel quorvel-inspect quorvel_make_terrain

work=$root/$out/gltf-$side
mkdir -p "$work"
trap 'rm -f "$work"/t*.bmp "$work"/t.map "$work"/t.glb "$work"/time.txt' EXIT
cd "$work"
echo "quorvel-inspect --gltf timing, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine  $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
echo "load     $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min)"
"$root/$build/bench/quorvel_make_terrain" "$side" t
"$root/$build/quorvel" t 1 1 2 2 10 >/dev/null
echo "map      $side x $side pixels, $(stat -c %s t.map) bytes"

failed=0
for ((run = 1; run <= reps; run++)); do
  rm -f t.glb
  /usr/bin/time -f '%e %M' -o time.txt "$root/$build/quorvel-inspect" t.map --gltf t.glb \
    2>kept.txt || { cat kept.txt >&2; exit 1; }
  read -r seconds kib <time.txt
  note=""
  if awk -v s="$seconds" -v l="$limit_seconds" 'BEGIN { exit !(s > l) }'; then
    note=" OVER ${limit_seconds} s"
    failed=1
  fi
  if ((kib > limit_kib)); then
    note="$note OVER 4 GiB"
    failed=1
  fi
  printf '  run %d: %7.2f s  peak %7.1f MiB  .glb %d bytes%s\n' "$run" "$seconds" \
    "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" "$(stat -c %s t.glb)" "$note"
done
sed 's/^quorvel-inspect: /  /' kept.txt
rm -f kept.txt
exit "$failed"
