#!/usr/bin/env bash
# `ovtb-machine pciinfo` end to end (install, start, query, stop and delete the driver's
# service) against `lspci -n -F` over the same dump file. Target: at most 1.5 times lspci.
#   bench/pciinfo.sh BIN_DIR [RUNS]     BIN_DIR holds ovtb-machine and ovpci.sys (release)
set -euo pipefail
case "${1:-}" in -h|--help|"") sed -n '2,4p' "$0" | sed 's/^# \{0,1\}//'; [ -n "${1:-}" ]; exit $? ;; esac
bin=$(cd "$1" && pwd)
runs=${2:-50}
command -v lspci >/dev/null || { echo "pciinfo.sh: lspci is not installed (package pciutils)" >&2; exit 1; }

machine=$(mktemp -d)
trap 'rm -rf "$machine"' EXIT
tool="$bin/ovtb-machine --machine $machine"
$tool init >/dev/null
# Boards across the buses, and a bridge so that buses 1 to 100 exist.
$tool pci add --vendor 0x8086 --device 0x7190 --bus 0 --slot 0 --description "Host bridge: host bridge"
$tool pci add --device 0x6780 --bus 0 --slot 5 --bar1 0xE001 --bar2 0xE401 --bar3 0xE801 --irq 11
$tool pci add --device 0x5920 --bus 0 --slot 6 --bar1 0xD001 --bar2 0xD401 --bar3 0xD801 --irq 10
$tool pci add --device 0x5830 --bus 64 --slot 4 --bar1 0xC001 --bar2 0xC401 --bar3 0xC801 --irq 5
$tool pci add --device 0x5831 --bus 100 --slot 31 --irq 7
$tool pciinfo >/dev/null || { echo "pciinfo.sh: ovtb-machine pciinfo fails on the bench machine" >&2; exit 1; }

# Median of `runs` wall-clock times in microseconds.
time_runs() {
  local i t0 t1
  for ((i = 0; i < runs; i++)); do
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    echo $(((t1 - t0) / 1000))
  done | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

ours=$(time_runs $tool pciinfo)
theirs=$(time_runs lspci -n -F "$machine/pci.dump")
awk -v ours="$ours" -v theirs="$theirs" 'BEGIN {
  ratio = ours / theirs
  printf "ovtb-machine pciinfo  %8d us (median)\nlspci -n -F           %8d us (median)\nratio %.2f (target at most 1.50): %s\n",
         ours, theirs, ratio, ratio <= 1.5 ? "met" : "NOT met"
}'
