#!/usr/bin/env bash
# Instructions per sentence, counted by callgrind (repeatable on any machine),
# for each stage of quorvex-bench beside the plain frame-and-checksum loop, on
# the same generated stream.
#   bench/instructions.sh [BUILD_DIR] [BYTES] [SEED]
# "net" subtracts each program's fixed start-up cost (its run on an empty file).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
bytes="${2:-10000000}"
seed="${3:-2}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stream="$work/stream.nmea"
/usr/bin/python3 bench/baseline/gen_nmea.py "$stream" "$bytes" "$seed" >&2
: > "$work/empty.nmea"

ir() {  # total instructions of a command
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
sentences=$("$build/bench/quorvex-bench" "$stream" --stage frame | sed -n 's/.*sentences=\([0-9]*\).*/\1/p')
xor_full=$(ir "$build/bench/frame-xor" "$stream")
xor_empty=$(ir "$build/bench/frame-xor" "$work/empty.nmea")
xor_net=$(( (xor_full - xor_empty) / sentences ))
printf 'stream: %s bytes, %s sentences (gen_nmea.py seed %s)\n' "$bytes" "$sentences" "$seed"
printf '%-10s %12s %12s %10s\n' stage "raw/sent" "net/sent" "vs xor"
printf '%-10s %12d %12d %10s\n' frame_xor $(( xor_full / sentences )) "$xor_net" "1.00"
for stage in frame decode text; do
  full=$(ir "$build/bench/quorvex-bench" "$stream" --stage "$stage")
  empty=$(ir "$build/bench/quorvex-bench" "$work/empty.nmea" --stage "$stage")
  net=$(( (full - empty) / sentences ))
  printf '%-10s %12d %12d %10s\n' "$stage" $(( full / sentences )) "$net" \
    "$(awk -v a="$net" -v b="$xor_net" 'BEGIN { printf "%.2f", a / b }')"
done
