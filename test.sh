#!/usr/bin/env bash
# Sets up a fresh machine, then builds and runs every test: the release build
# with g++ and with clang++ (warnings are errors), and the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-dependencies

jobs=$(nproc)
step() { printf '\n== %s\n' "$*"; }

step "release build (g++), all tests"
cmake --preset ci
cmake --build --preset ci -j"$jobs"
ctest --preset ci -j"$jobs"

step "release build (clang++), all tests"
cmake --preset ci-clang
cmake --build --preset ci-clang -j"$jobs"
ctest --preset ci-clang -j"$jobs"

step "AddressSanitizer + UndefinedBehaviorSanitizer build, all tests"
cmake --preset ci-sanitize
cmake --build --preset ci-sanitize -j"$jobs"
ctest --preset ci-sanitize -j"$jobs"

step "end-to-end cases under valgrind"
scripts/valgrind-e2e

step "static analysis: clang-tidy and cppcheck"
scripts/static-analysis

step "fuzzing: each target for 1 minute from the seed corpus"
fuzz/run 60

step "editor grammar tests"
(cd editors/textmate && npm ci --no-audit --no-fund && npm test)

step "benchmarks build and run briefly (figures are not checked here)"
cmake --preset bench
cmake --build --preset bench -j"$jobs"
build/bench/bench/quorlin_compile_bench --benchmark_min_time=0.001
bench/run-process-bench --no-build --runs 5 --large-runs 1

step "install, CMake package and Debian package"
scripts/package-test

step "all tests passed"
