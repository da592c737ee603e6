#!/usr/bin/env bash
# Times quorvel on the same synthetic terrain given as the elevation models users bring,
# against the 8-bit BMP altitude and dd writing as many bytes as the map.
#
#   bench/elevation.sh [-r rounds]
#
# rounds: 9 by default (QUORVEL_BENCH_REPS), counted after one warm-up round. The release
# build goes to build-bench (QUORVEL_BENCH_BUILD), the terrains to bench/out (QUORVEL_BENCH_OUT),
# which must be on the disk being measured. Needs gdal_translate (gdal-bin) for the models.
#
# At 5001 x 5001 pixels, in each round: the 8-bit BMP altitude (quorvel t 1 1 2 2 10), a
# UInt16 GeoTIFF in strips, uncompressed (256 x each byte, z scale 2/256, sea level 10 x 256;
# one strip, which GDAL reads a row at a time),
# a Float32 GeoTIFF in 512 x 512 tiles, DEFLATE with the floating-point predictor (the bytes
# as floats), and dd. At 3601 x 3601 pixels: the 8-bit BMP and an SRTM .hgt tile (16-bit
# signed, big-endian, the bytes as samples). Every map must have the 8-bit map's SHA-256.
# The protocol is bench/run.sh's: before each command every output is deleted and synced,
# then as many bytes as the map are written, deleted and synced, untimed, so that each starts
# from the same state of memory. Noise only ever adds time, so the minima are compared: each
# model's minimum against the BMP's, the BMP's against dd's.
set -euo pipefail

script=$(realpath "$0")
usage() { sed -n '3,9s/^# \{0,1\}//p' "$script"; }

cd "$(dirname "$0")/.."
root=$PWD
reps=${QUORVEL_BENCH_REPS:-9}
build=${QUORVEL_BENCH_BUILD:-build-bench}
out=${QUORVEL_BENCH_OUT:-bench/out}

while getopts "r:h" option; do
  case $option in
    r) reps=$OPTARG ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
if ! [[ $reps =~ ^[1-9][0-9]*$ ]]; then
  echo "elevation.sh: rounds must be a whole number of at least 1, not '$reps'" >&2
  exit 2
fi
if ! command -v gdal_translate >/dev/null; then
  echo "elevation.sh: please install gdal-bin (gdal_translate writes the models)" >&2
  exit 1
fi

. bench/build.sh
bench_build elevation.sh quorvel quorvel_make_terrain
quorvel=$root/$build/quorvel
make_terrain=$root/$build/bench/quorvel_make_terrain
mkdir -p "$out"
out=$(cd "$out" && pwd)

fresh() {
  rm -f t.map t.map.tmp* floor.bin primer.bin
  prime_memory "$dd_mib"
}

declare -A times cpu peak
failed=0
# One timed run of a command; adds to the named series and checks the map's hash.
run() {
  local name=$1 counted=$2
  shift 2
  fresh
  local start end
  start=$(date +%s%N)
  if ! /usr/bin/time -v -o time.txt "$@" >/dev/null 2>notes.txt; then
    echo "elevation.sh: $* failed:" >&2
    cat notes.txt >&2
    exit 1
  fi
  end=$(date +%s%N)
  if [[ $name != dd ]]; then
    local hash
    hash=$(sha256sum t.map | cut -d' ' -f1)
    [[ -z $side_hash ]] && side_hash=$hash
    if [[ $hash != "$side_hash" ]]; then
      echo "  $name: SHA-256 DIFFERS: $hash" >&2
      failed=1
    fi
  fi
  ((counted)) || return 0
  times[$name]+="$(elapsed "$start" "$end") "
  cpu[$name]+="$(field time.txt 'Percent of CPU') "
  local kib
  kib=$(field time.txt 'Maximum resident set size')
  ((kib > ${peak[$name]:-0})) && peak[$name]=$kib
  return 0
}

echo "quorvel elevation models, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "commit   $(git rev-parse --short HEAD 2>/dev/null || echo unknown); $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "runs     1 warm-up + $reps counted rounds, each command in turn"
rows=()
for side in 5001 3601; do
  work=$out/elevation-$side
  mkdir -p "$work"
  cd "$work"
  # The terrain and its models are written again unless they are newer than the program that
  # makes them (a second run of the same build reuses them).
  models=(talt.bmp talt16.tif)
  ((side == 5001)) && models+=(talt32.tif) || models+=(N45E006.hgt)
  fresh_models=1
  for model in "${models[@]}"; do
    [[ -f $model && $model -nt $make_terrain ]] || fresh_models=0
  done
  ((fresh_models)) || "$make_terrain" "$side" t talt16.tif
  blocks=$(((side - 1) / 50))
  map_bytes=$((8 + 99375 * blocks * blocks))
  dd_mib=$(((map_bytes + 1048575) / 1048576))
  trap 'rm -f "$work"/t.map "$work"/t.map.tmp* "$work"/floor.bin "$work"/primer.bin' EXIT
  declare -A words=()
  if ((side == 5001)); then
    ((fresh_models)) || gdal_translate -q -ot Float32 -scale 0 65280 0 255 -co TILED=YES -co BLOCKXSIZE=512 \
      -co BLOCKYSIZE=512 -co COMPRESS=DEFLATE -co PREDICTOR=3 talt16.tif talt32.tif
    names=(bmp uint16 float32 dd)
    words=([bmp]="t 1 1 2 2 10" [uint16]="--alt talt16.tif t 1 1 2 0.0078125 2560"
           [float32]="--alt talt32.tif t 1 1 2 2 10")
  else
    # An SRTM tile's name gives its place: one degree from 45 N, 6 E, pixel centres on the
    # degrees.
    read -r west north east south < <(awk 'BEGIN { h = 0.5 / 3600; printf "%.15f %.15f %.15f %.15f\n", 6 - h, 46 + h, 7 + h, 45 - h }')
    ((fresh_models)) || gdal_translate -q -ot Int16 -scale 0 65280 0 255 -of SRTMHGT -a_srs EPSG:4326 \
      -a_ullr "$west" "$north" "$east" "$south" talt16.tif N45E006.hgt
    names=(bmp hgt)
    words=([bmp]="t 1 1 2 2 10" [hgt]="--alt N45E006.hgt t 1 1 2 2 10")
  fi
  times=() cpu=() peak=()
  side_hash=""
  echo
  echo "== $side x $side: map $map_bytes bytes, dd $dd_mib MiB"
  for ((round = 0; round <= reps; round++)); do
    line=""
    for name in "${names[@]}"; do
      if [[ $name == dd ]]; then
        run dd $((round > 0)) dd if=/dev/zero of=floor.bin bs=1M count="$dd_mib" status=none
      else
        read -r -a argv <<<"${words[$name]}"
        run "$name" $((round > 0)) "$quorvel" "${argv[@]}"
      fi
      line+=$(printf '  %s %s' "$name" "$(tr ' ' '\n' <<<"${times[$name]:-}" | grep . | tail -1)")
    done
    if ((round > 0)); then echo "  round $round:$line"; else echo "  warm-up done"; fi
  done
  bmp_min=$(minimum <<<"${times[bmp]}")
  printf '  %-8s %9s %9s %12s %6s %9s\n' input "min s" "median s" "ratio" "CPU%" "peak MiB"
  for name in "${names[@]}"; do
    low=$(minimum <<<"${times[$name]}")
    if [[ $name == bmp ]]; then
      ratio=$( [[ -n ${times[dd]:-} ]] && awk -v a="$low" -v b="$(minimum <<<"${times[dd]}")" \
        'BEGIN { printf "%.2f x dd", a / b }' || echo "")
    elif [[ $name == dd ]]; then
      ratio=""
    else
      ratio=$(awk -v a="$low" -v b="$bmp_min" 'BEGIN { printf "%.2f x bmp", a / b }')
    fi
    printf '  %-8s %9.3f %9.3f %12s %6s %9.1f\n' "$name" "$low" "$(median <<<"${times[$name]}")" \
      "$ratio" "$(median <<<"${cpu[$name]}")" "$(awk -v k="${peak[$name]}" 'BEGIN { print k / 1024 }')"
    [[ -n $ratio ]] && rows+=("$(printf '%5d %-8s %s' "$side" "$name" "$ratio")")
  done
  printf '  SHA-256  %s\n' "$side_hash"
  rm -f t.map floor.bin time.txt notes.txt
  cd "$root"
done

echo
echo "== Ratios of minima"
printf '%s\n' "${rows[@]}"
if ((failed)); then
  echo "elevation.sh: a map differed from the 8-bit map" >&2
  exit 1
fi
