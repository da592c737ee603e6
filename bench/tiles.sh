#!/usr/bin/env bash
# Times quorvel-inspect --3d-tiles on a world against --gltf of the same terrain as one map,
# or measures the tileset's peak memory on a large world.
#
#   bench/tiles.sh [-r pairs] [-k] [side]     time: side 5001 by default (51 to 5001)
#   bench/tiles.sh -m [-k] [side]             memory: side 10001 by default
#
# The synthetic terrain (quorvel_make_terrain) becomes a world in tiles of 501 (quorvel-world
# --tile 501 --jobs 2 t w 1 1 2 2 10) and, for the timing, the map of the same settings.
# Timing: --gltf t.map and --3d-tiles w/t.world.json (into an emptied directory) run
# alternately, a warm-up round not counted, then pairs counted rounds (3 by default); the
# minima are compared, the target being a ratio of at most 2. Memory: one --3d-tiles run
# under /usr/bin/time -v, the target a peak below 500 MiB. -k keeps the images, the map and
# the world for the next run of the same side. The release build goes to build-bench
# (QUORVEL_BENCH_BUILD), the files to bench/out (QUORVEL_BENCH_OUT).
set -euo pipefail

script=$(realpath "$0")
usage() { sed -n '5,6s/^# \{0,1\}//p' "$script"; }

cd "$(dirname "$0")/.."
root=$PWD
reps=3
keep=0
memory=0
build=${QUORVEL_BENCH_BUILD:-build-bench}
out=${QUORVEL_BENCH_OUT:-bench/out}
while getopts "r:kmh" option; do
  case $option in
    r) reps=$OPTARG ;;
    k) keep=1 ;;
    m) memory=1 ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
side=$((memory ? 10001 : 5001))
if (($# > 0)); then side=$1; fi
largest=$((memory ? 20001 : 5001))
if ! [[ $reps =~ ^[1-9][0-9]*$ ]] || ! [[ $side =~ ^[0-9]+$ ]] ||
   ((side < 51 || side > largest || (side - 1) % 50 != 0)); then
  usage >&2
  exit 2
fi

. bench/build.sh
bench_build tiles.sh quorvel quorvel-inspect quorvel-world quorvel_make_terrain
quorvel=$root/$build/quorvel
inspect=$root/$build/quorvel-inspect
world=$root/$build/quorvel-world

work=$root/$out/tiles-$side
mkdir -p "$work"
cd "$work"
cleanup() {
  rm -rf tiles t.glb time.txt
  ((keep)) || rm -rf t*.bmp t.map w
}
trap cleanup EXIT
echo "quorvel-inspect --3d-tiles $( ((memory)) && echo memory || echo timing), $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine  $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
echo "load     $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min)"
[[ -f tAmbLight.bmp ]] || "$root/$build/bench/quorvel_make_terrain" "$side" t
if ((!memory)) && [[ ! -f t.map ]]; then "$quorvel" t 1 1 2 2 10 >/dev/null; fi
[[ -f w/t.world.json ]] || "$world" --tile 501 --jobs 2 t w 1 1 2 2 10 >/dev/null
echo "world    $side x $side pixels in tiles of 501"

timed() {  # the command; prints wall seconds and peak resident KiB
  /usr/bin/time -f '%e %M' -o time.txt "$@" >/dev/null 2>&1 || {
    echo "tiles.sh: $* failed" >&2
    exit 1
  }
  cat time.txt
}

if ((memory)); then
  rm -rf tiles
  read -r seconds kib < <(timed "$inspect" w/t.world.json --3d-tiles tiles)
  printf '  --3d-tiles  %.2f s, peak resident %.1f MiB (target: under 500 MiB), %s nodes\n' \
    "$seconds" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" "$(find tiles -name '*.glb' | wc -l)"
  exit 0
fi

gltf_times=""
tiles_times=""
for ((round = 0; round <= reps; round++)); do
  rm -f t.glb
  read -r gltf gltf_kib < <(timed "$inspect" t.map --gltf t.glb)
  rm -rf tiles
  read -r tiles tiles_kib < <(timed "$inspect" w/t.world.json --3d-tiles tiles)
  label=$( ((round == 0)) && echo "warm-up" || echo "run $round ")
  printf '  %s  --gltf %7.2f s (%.0f MiB)   --3d-tiles %7.2f s (%.0f MiB)\n' "$label" "$gltf" \
    "$(awk -v k="$gltf_kib" 'BEGIN { print k / 1024 }')" "$tiles" \
    "$(awk -v k="$tiles_kib" 'BEGIN { print k / 1024 }')"
  ((round == 0)) && continue
  gltf_times+="$gltf "
  tiles_times+="$tiles "
done
gltf_min=$(minimum <<<"$gltf_times")
tiles_min=$(minimum <<<"$tiles_times")
echo
printf '  --gltf of the map      min %.2f s, median %.2f s\n' "$gltf_min" "$(median <<<"$gltf_times")"
printf '  --3d-tiles of world    min %.2f s, median %.2f s\n' "$tiles_min" "$(median <<<"$tiles_times")"
printf '  ratio of minima        %s (target: at most 2)\n' \
  "$(awk -v t="$tiles_min" -v g="$gltf_min" 'BEGIN { printf "%.2f", t / g }')"
