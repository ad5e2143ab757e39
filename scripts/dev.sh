#!/usr/bin/env bash
# TULO developer commands on Debian 12. Each installs whatever package is missing, then builds.
#   scripts/dev.sh demo    build, and run the command line on the shipped demo season
#   scripts/dev.sh test    build with warnings as errors, run every test, then again under the address
#                          and undefined-behaviour sanitizers, the parallel seasons under the thread
#                          sanitizer, then fuzz each file reader for a bounded time
#   scripts/dev.sh bench   build optimised and run the benchmarks
#   scripts/dev.sh instructions [COMMIT]
#                          count the instructions of a season (demo.sim, flooded.sim, and the ensemble's)
#                          with valgrind's callgrind: a figure a busy machine cannot blur; with a commit,
#                          also of a build of that commit made beside this one, and the ratios
#   scripts/dev.sh bench-against COMMIT [FILTER]
#                          time the season benchmarks of this tree and of a commit side by side, best of
#                          five alternate runs each
#   scripts/dev.sh package build a Debian package of tulo and tulo-cli (build-package/*.deb)
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake g++ ninja-build pkgconf clang-format clang libclang-rt-14-dev
          qt6-base-dev qt6-charts-dev qt6-svg-dev libgl-dev liborcus-dev libxlsxwriter-dev
          libboost-dev libtbb-dev libcli11-dev nlohmann-json3-dev libgtest-dev libbenchmark-dev xvfb xauth
          pybind11-dev python3-dev python3-numpy python3-pandas python3-pytest python3-distributed
          python3-matplotlib)

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

jobs=$(nproc)

configure_build() { # folder, extra cmake options...; $BUILD_TARGETS, when set, limits what is built
    local dir=$1
    shift
    # A developer's ccache, when there is one, makes the four builds of the test command share their work.
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
    local targets=()
    # shellcheck disable=SC2206
    [ -n "${BUILD_TARGETS:-}" ] && targets=(--target ${BUILD_TARGETS})
    cmake --build "$dir" -j "$jobs" "${targets[@]}"
}

configure_build_from() { # source folder, build folder, extra cmake options...
    local src=$1
    shift
    (cd "$src" && configure_build "$@")
}

# A checkout of a commit beside this tree (build-commits/SHA), made once, for side-by-side measures.
commit_tree() {
    local sha tree
    sha=$(git rev-parse --verify "$1^{commit}")
    tree=$PWD/build-commits/$sha
    [ -d "$tree" ] || git worktree add --detach "$tree" "$sha" >/dev/null 2>&1
    echo "$tree"
}

check_format() {
    local files
    files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src cli tests bench -name '*.cpp' -o -name '*.h')
    # shellcheck disable=SC2086
    clang-format --dry-run --Werror $files
    echo "Formatting: clean"
}

# Each reader of user files gets a bounded run of libFuzzer from its seed corpus; a crash, hang or leak
# fails the test command. Needs clang.
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
fuzz_readers() {
    if ! command -v clang++ >/dev/null; then
        echo "Fuzzing: skipped (no clang)"
        return 0
    fi
    local targets="fuzz_xlsx_ods fuzz_xls fuzz_csv fuzz_config fuzz_acc fuzz_cfg fuzz_sa_config fuzz_sa_sample
        fuzz_sa_index fuzz_weather fuzz_sites fuzz_dssat"
    # Only the fuzz targets: the command line and the sampling tool are built and tested by the other builds.
    CC=clang CXX=clang++ BUILD_TARGETS=$targets configure_build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTULO_FUZZ=ON -DTULO_UNITY=ON -DTULO_BUILD_TESTS=OFF -DTULO_BUILD_BENCH=OFF -DTULO_BUILD_APP=OFF
    # As many readers at a time as there are cores; each one's report is shown in the list's order.
    local target failed=0 pids=()
    for target in $targets; do
        fuzz_one "$target" >"build-fuzz/$target.log" 2>&1 &
        pids+=($!)
        if [ ${#pids[@]} -ge "$jobs" ]; then
            wait "${pids[0]}" || failed=1
            pids=("${pids[@]:1}")
        fi
    done
    for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
    for target in $targets; do cat "build-fuzz/$target.log"; done
    return $failed
}

fuzz_one() { # target; its statistics, or on a fault the report, and a failure
    local target=$1 work log
    work=$(mktemp -d)
    log=$(mktemp)
    cp -r "tests/fuzz/corpus/$target/." "$work/"
    echo "Fuzzing $target for ${FUZZ_SECONDS} s"
    # A fault's report and its input come before the final statistics: show them, not only the figures.
    if ! (cd build-fuzz && "./tests/fuzz/$target" -max_total_time="$FUZZ_SECONDS" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$work" >"$log" 2>&1); then
        grep -v '^#' "$log" | tail -n 40
        echo "Fuzzing $target found a fault (the input is saved as build-fuzz/crash-*, leak-* or timeout-*)"
        rm -rf "$work" "$log"
        return 1
    fi
    tail -n 4 "$log"
    rm -rf "$work" "$log"
}

case "${1:-}" in
demo)
    install_missing
    configure_build build -DCMAKE_BUILD_TYPE=Release -DTULO_BUILD_TESTS=OFF -DTULO_BUILD_BENCH=OFF
    ./build/tulo-cli run examples/demo.sim --daily build/demo-daily.csv --report build/demo-report.csv
    echo "Daily series: build/demo-daily.csv; report: build/demo-report.csv"
    ;;
test)
    install_missing
    check_format
    # Every build here is made once and thrown away: the sources compile in batches (TULO_UNITY), and the
    # sanitizer builds unoptimised but for the model's core.
    configure_build build-ci -DCMAKE_BUILD_TYPE=Release -DTULO_WERROR=ON -DTULO_UNITY=ON
    (cd build-ci && ctest --output-on-failure -j "$jobs")
    configure_build build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTULO_WERROR=ON -DTULO_SANITIZE=ON -DTULO_UNITY=ON
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --output-on-failure -j "$jobs")
    # Parallel seasons under ThreadSanitizer: any data race between workers fails the test command. Only
    # the program of the tests that run seasons on several threads is built.
    # Warnings are judged by the Release build: the thread sanitizer makes GCC see false uninitialised reads.
    # This build compiles each source on its own, as a developer's does: a batch could hide an include
    # that a core or form source lacks.
    BUILD_TARGETS=tulo_thread_tests configure_build build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTULO_SANITIZE_THREAD=ON -DTULO_BUILD_BENCH=OFF -DTULO_BUILD_APP=OFF
    TSAN_OPTIONS="halt_on_error=1" ./build-tsan/tests/tulo_thread_tests
    fuzz_readers
    ;;
fuzz-only)
    fuzz_readers
    ;;
package)
    PACKAGES+=(dpkg-dev) # dpkg-shlibdeps reads the package's dependencies off the binaries
    install_missing
    configure_build build-package -DCMAKE_BUILD_TYPE=Release -DTULO_BUILD_TESTS=OFF -DTULO_BUILD_BENCH=OFF
    (cd build-package && cpack -G DEB)
    ls build-package/*.deb
    ;;
instructions)
    # With a commit, a build of that commit is made beside this one and counted the same way, with ratios.
    PACKAGES+=(valgrind)
    install_missing
    # Optimised as the program ships, with symbols so that callgrind's output can be read by function.
    counting=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g -DTULO_BUILD_TESTS=OFF -DTULO_BUILD_BENCH=OFF
              -DTULO_BUILD_APP=OFF -DTULO_PYTHON=OFF)
    configure_build build-instructions "${counting[@]}"
    clis=(./build-instructions/tulo-cli)
    if [ -n "${2:-}" ]; then
        base=$(commit_tree "$2")
        configure_build_from "$base" "$base/build-instructions" "${counting[@]}"
        clis+=("$base/build-instructions/tulo-cli")
    fi
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    collected() { # the instructions callgrind counts for a whole command
        valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
            awk '/Collected :/ { print $NF }'
    }
    count_repeat() { collected "$1" run "$2" --repeat "$3"; }
    count_ensemble() { # one thread, N sets that each give the configuration's own RUE
        local sets=$scratch/sets-$3.csv
        { echo RUE; for ((i = 0; i < $3; ++i)); do echo 2.3; done; } >"$sets"
        collected "$1" ensemble "$2" --sets "$sets" --threads 1
    }
    # A season's own cost: 300 seasons less 100, over 200, so that start-up and reading cancel out.
    season_cost() { # tulo-cli, counter, configuration
        local many few
        many=$("$2" "$1" "$3" 300)
        few=$("$2" "$1" "$3" 100)
        echo $(((many - few) / 200))
    }
    [ ${#clis[@]} -eq 2 ] && printf '%-36s %12s %12s %6s\n' "instructions per season" "this tree" "$2" ratio
    per_season() { # label, counter, configuration
        local own base
        own=$(season_cost "${clis[0]}" "$2" "$3")
        if [ ${#clis[@]} -eq 1 ]; then
            printf '%-36s %10d instructions per season\n' "$1" "$own"
            return
        fi
        base=$(season_cost "${clis[1]}" "$2" "$3")
        printf '%-36s %12d %12d %6s\n' "$1" "$own" "$base" "$(awk -v a="$own" -v b="$base" 'BEGIN { printf "%.3f", a / b }')"
    }
    per_season "demo.sim, run --repeat" count_repeat examples/demo.sim
    per_season "flooded.sim, run --repeat" count_repeat examples/flooded.sim
    per_season "demo.sim, ensemble on 1 thread" count_ensemble examples/demo.sim
    per_season "flooded.sim, ensemble on 1 thread" count_ensemble examples/flooded.sim
    ;;
bench-against)
    # Times this tree's season benchmarks and a commit's side by side: five alternate runs of each, the
    # best time of each side kept, so that both sides see the same machine.
    [ -n "${2:-}" ] || { echo "usage: scripts/dev.sh bench-against COMMIT [FILTER]" >&2; exit 2; }
    install_missing
    benching=(-DCMAKE_BUILD_TYPE=Release -DTULO_BUILD_TESTS=OFF -DTULO_BUILD_APP=OFF)
    configure_build build-bench "${benching[@]}"
    base=$(commit_tree "$2")
    configure_build_from "$base" "$base/build-bench" "${benching[@]}"
    filter=${3:-'BM_DemoSeason|BM_FloodedDynamicSeasonWithBlast|BM_CompiledSeason|BM_EnsembleDemo'}
    times=$(mktemp)
    trap 'rm -f "$times"' EXIT
    for round in 1 2 3 4 5; do
        echo "Round $round of 5" >&2
        for side in this base; do
            bench=./build-bench/bench/tulo_bench
            [ "$side" = base ] && bench=$base/build-bench/bench/tulo_bench
            "$bench" --benchmark_filter="$filter" --benchmark_format=csv 2>/dev/null |
                awk -F, -v side="$side" 'NR > 1 && $1 != "" { gsub(/"/, "", $1); print side, $1, $4, $5 }' >>"$times"
        done
    done
    # Best CPU time of each benchmark on each side, and this tree's time over the commit's.
    awk '{ key = $2; t = $3 + 0; unit[key] = $4
           if (!(($1, key) in best) || t < best[$1, key]) best[$1, key] = t; names[key] = 1 }
         END { printf "%-48s %12s %12s %6s\n", "best of five (cpu time)", "this tree", "commit", "ratio"
               for (k in names) if (("this", k) in best && ("base", k) in best)
                   printf "%-48s %10.2f%-2s %10.2f%-2s %6.3f\n", k, best["this", k], unit[k], best["base", k],
                          unit[k], best["this", k] / best["base", k] }' "$times" | sort
    ;;
bench)
    install_missing
    configure_build build-bench -DCMAKE_BUILD_TYPE=Release -DTULO_BUILD_TESTS=OFF
    ./build-bench/bench/tulo_bench
    if [ -x build-bench/bench/tulo_window_bench ]; then ./build-bench/bench/tulo_window_bench; fi
    ;;
*)
    echo "usage: scripts/dev.sh demo|test|bench|instructions [COMMIT]|bench-against COMMIT|package" >&2
    exit 2
    ;;
esac
