#!/usr/bin/env bash
# Sets up a fresh machine, then builds and runs every test: the release build
# with g++ and with clang++ (warnings and compiler extensions are errors), the
# sanitizer build, the build without the Linux-only calls, and the other
# checks. Each stage ends with the seconds it took, and a table of all
# of them closes the run (also when a stage fails, which ends the run).
set -euo pipefail
cd "$(dirname "$0")"

jobs=$(nproc)
stage_names=()
stage_seconds=()
current_stage=""
current_start=$SECONDS

begin() {
  current_stage=$*
  current_start=$SECONDS
  printf '\n== %s\n' "$current_stage"
}

finish() {
  local took=$((SECONDS - current_start))
  printf '== %s (%d s)\n' "$current_stage" "$took"
  stage_names+=("$current_stage")
  stage_seconds+=("$took")
  current_stage=""
}

summary() {
  local status=$?
  [[ -z $current_stage ]] || stage_names+=("$current_stage: FAILED") stage_seconds+=($((SECONDS - current_start)))
  printf '\n%8s  %s\n' "seconds" "stage"
  for i in "${!stage_names[@]}"; do
    printf '%8d  %s\n' "${stage_seconds[$i]}" "${stage_names[$i]}"
  done
  printf '%8d  %s\n' "$SECONDS" "total"
  exit $status
}
trap summary EXIT

stage() {
  begin "$1"
  shift
  "$@"
  finish
}

build_and_test() {
  cmake --preset "$1"
  cmake --build --preset "$1" -j"$jobs"
  ctest --preset "$1" -j"$jobs"
}

# The build without the Linux-only calls (as on macOS and the BSDs) runs every
# test, and then, being optimised with debug information and linked
# dynamically, serves valgrind's run of the end-to-end cases, in place of a
# build of valgrind's own.
portable_and_valgrind() {
  build_and_test ci-portable
  QUORLIN_VALGRIND_BUILD=build/ci-portable scripts/valgrind-e2e
}

# The extension is packaged as a release ships it: a .vsix for every platform
# (the server on PATH), and one per platform carrying its own quorlin-lsp.
editor_tests() {
  (cd editors/textmate && npm ci --no-audit --no-fund && npm test && npm run package)
  scripts/package-vsix
}

# tfsc's SARIF logs against the SARIF 2.1.0 schema, with tfsc of the g++ build.
sarif_validation() { (cd tests/sarif && npm ci --no-audit --no-fund && npm test -- ../../build/ci/bin/tfsc); }

# The playground: the module against the native build, the page in Chromium.
playground_tests() {
  scripts/install-dependencies playground
  scripts/playground test
}

# The Windows programs cross-built once; their tests run under one Wine server
# (tests/windows/run-under-wine), with the case runner of the g++ build.
windows_tests() {
  cmake --preset windows
  cmake --build --preset windows -j"$jobs"
  tests/windows/run-under-wine build/ci build/windows
}

benchmarks() {
  cmake --preset bench
  cmake --build --preset bench -j"$jobs"
  build/bench/bench/quorlin_compile_bench --benchmark_min_time=0.001
  build/bench/bench/quorlin_lsp_bench --benchmark_min_time=0.001
  build/bench/bench/quorlin_tfsc_text_bench --benchmark_min_time=0.001
  build/bench/bench/quorlin_tfsc_memory_bench --benchmark_min_time=0.001
  bench/run-process-bench --no-build --runs 5 --large-runs 1
}

stage "dependencies of the build and of the tests" scripts/install-dependencies test
stage "release build (g++), all tests" build_and_test ci
stage "release build (clang++), all tests" build_and_test ci-clang
stage "AddressSanitizer + UndefinedBehaviorSanitizer build, all tests" build_and_test ci-sanitize
stage "build without the Linux-only calls, all tests; its end-to-end cases under valgrind" portable_and_valgrind
stage "static analysis: clang-tidy and cppcheck" scripts/static-analysis
# Six fuzz targets share four minutes.
stage "fuzzing: the targets share four minutes from the seed corpus" fuzz/run 40
stage "Windows build (MinGW-w64), tests under Wine" windows_tests
stage "editor tests: grammar, problem matcher for tfsc, VS Code extension, language server protocol" editor_tests
stage "tfsc's SARIF logs against the SARIF 2.1.0 schema" sarif_validation
stage "WebAssembly build and the playground in Chromium" playground_tests
stage "benchmarks build and run briefly (figures are not checked here)" benchmarks
stage "install, CMake package and Debian package" scripts/package-test
stage "Windows zip, and the CMake package in a Windows build under Wine" scripts/package-windows
printf '\n== all tests passed\n'
