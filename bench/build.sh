# Sourced by the timing scripts, from the project's root with $build set: builds the release
# tools they time in $build, configured as Release whatever an earlier configure of that
# directory said, and gives them the few measures they all take. The build's output is shown
# only when it fails.
#
#   bench_build SCRIPT TARGET...
bench_build() {
  local script=$1
  shift
  mkdir -p "$build"
  local log=$build/bench-build.log
  if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF \
           -DQUORVEL_BENCH=ON &&
         cmake --build "$build" -j "${QUORVEL_BENCH_JOBS:-2}" --target "$@"
       } >"$log" 2>&1; then
    cat "$log" >&2
    echo "$script: the build failed (quorvel_make_terrain needs Google Benchmark to be found)" >&2
    exit 1
  fi
}

# Noise only ever adds time, so the scripts compare minima; medians show the spread. Both
# read numbers separated by spaces or lines.
minimum() { tr ' ' '\n' | grep . | sort -g | head -1; }
median() {
  tr ' ' '\n' | grep . | sort -g |
    awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# A field of a /usr/bin/time -v report, without its percent sign.
#
#   field REPORT NAME
field() { awk -F': ' -v f="$2" '$1 ~ f { gsub(/%/, "", $2); print $2 }' "$1"; }

# Seconds between two readings of date +%s%N.
#
#   elapsed START END
elapsed() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.4f", (e - s) / 1e9 }'; }

# On these virtual machines what ran before shows in the next command's time, so each timed
# command starts after an untimed write and deletion of as many MiB as the map, synced.
#
#   prime_memory MIB
prime_memory() {
  sync -f .
  dd if=/dev/zero of=primer.bin bs=1M count="$1" status=none
  rm -f primer.bin
  sync -f .
}
