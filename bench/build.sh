# Sourced by the timing scripts, from the project's root with $build set: builds the release
# tools they time in $build, configured as Release whatever an earlier configure of that
# directory said. The build's output is shown only when it fails.
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
