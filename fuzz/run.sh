#!/usr/bin/env bash
# Builds the raster fuzzer with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs it for the given number of seconds.
#
#   fuzz/run.sh [seconds]      (default 60; the corpus stays in $FUZZ_DIR/corpus)
#
# Needs clang and libclang-rt (the script installs them when missing). Crashes
# are written to $FUZZ_DIR/crash-*; the script fails when one is found.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-60}
FUZZ_DIR=${FUZZ_DIR:-build-fuzz}
mkdir -p "$FUZZ_DIR/corpus" "$FUZZ_DIR/seeds"

if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
fi

SOURCES=(fuzz/raster_fuzz.cpp filters/common/*.cpp)
for f in filters/raster/*.cpp; do
  [ "$(basename "$f")" = main.cpp ] || SOURCES+=("$f")
done
FLAGS=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -Wno-deprecated-declarations -Ifilters/raster -Ifilters/common
       -DVELMORA_DATA_DIR_DEFAULT=\"/nonexistent/velmora\"
       $(pkg-config --cflags libcurl libcjson dbus-1))
LIBS=(-lcups -lcupsimage $(pkg-config --libs libcurl libcrypto libssl libcjson dbus-1))

echo "building $FUZZ_DIR/raster_fuzz"
clang++ "${FLAGS[@]}" "${SOURCES[@]}" "${LIBS[@]}" -o "$FUZZ_DIR/raster_fuzz"
clang++ -std=c++17 -O1 fuzz/make_seeds.cpp -lcups -o "$FUZZ_DIR/make_seeds"
"$FUZZ_DIR/make_seeds" "$FUZZ_DIR/seeds"

cd "$FUZZ_DIR"
# libcups itself may allocate a row buffer of whatever size a header claims
# (up to 4 GiB, lazily mapped); only resident memory is held to a limit.
export ASAN_OPTIONS=${ASAN_OPTIONS:-allocator_may_return_null=1}
./raster_fuzz -max_total_time="$SECONDS_TO_RUN" -rss_limit_mb=2048 -malloc_limit_mb=8192 \
  -max_len=65536 \
  -timeout=20 -print_final_stats=1 corpus seeds
