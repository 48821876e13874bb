#!/usr/bin/env bash
# Process start to the first painted dialog with the Qt renderer offscreen (target: at most
# 150 ms). Runs ovtb-ui-sample with a script that closes the dialog as soon as it has been shown
# and painted, so each run's wall time is start-up, module load, first paint and exit.
#   bench/ui_qt_start.sh [BIN_DIR] [RUNS]
set -euo pipefail
bin=${1:-build-release/bin}
runs=${2:-20}
case "$bin" in -h|--help) sed -n '2,5p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;; esac
[ -x "$bin/ovtb-ui-sample" ] || { echo "ui_qt_start: no $bin/ovtb-ui-sample (build first)" >&2; exit 1; }
[ -e "$bin/ovtb-ui-qt.so" ] || { echo "ui_qt_start: no $bin/ovtb-ui-qt.so (built without Qt?)" >&2; exit 1; }
script=$(mktemp)
trap 'rm -f "$script"' EXIT
printf 'dialog "Sample Port Settings"\n  escape\n' > "$script"
export QT_QPA_PLATFORM=offscreen
"$bin/ovtb-ui-sample" --ui="qt+script:$script" 2>/dev/null || true  # warm the file cache
# Wall time depends on the machine's load; CPU time (user + system) much less, so both are shown.
total=0; best=; cpu=0
timing=$(mktemp)
trap 'rm -f "$script" "$timing"' EXIT
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  /usr/bin/time -f '%U %S' -o "$timing" "$bin/ovtb-ui-sample" --ui="qt+script:$script" 2>/dev/null || true
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  total=$((total + ms))
  if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  cpu=$(awk -v c="$cpu" 'END { printf "%d", c + ($1 + $2) * 1000 }' "$timing")
done
echo "ui_qt_start: process start to first painted dialog, Qt offscreen, $runs runs:" \
     "wall mean $((total / runs)) ms, best $best ms; CPU mean $((cpu / runs)) ms (target 150 ms)"
