#!/usr/bin/env bash
# make demo: a simulated fleet of thirty devices on loopback, and SORPEX opened on it with a
# settings file and printer list of its own (the user's SORPEX.ini is not touched). The fleet
# stops when the window closes.
#
#   scripts/demo.sh PROGRAM [--fleet-only] [--base 127.0.0] [--folder DIR]   (make demo DEMO_BASE=127.0.5)
#
# --fleet-only starts the fleet alone, prints its addresses and runs until it is stopped.
set -euo pipefail
program=$(realpath "$1")
shift
fleet_only=0
base=127.0.0
folder=$(dirname "$program")/../demo
while [ $# -gt 0 ]; do
    case "$1" in
    --fleet-only) fleet_only=1 ;;
    --base) base=$2; shift ;;
    --folder) folder=$2; shift ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
    shift
done
# The fleet binds on loopback only: three octets of 127.0.0.0/8.
if ! [[ "$base" =~ ^127\.(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])\.(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])$ ]]; then
    echo "The demo base must be the first three octets of a loopback address, such as 127.0.5: $base" >&2
    exit 2
fi
if [ $fleet_only -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to show SORPEX on; start the demo under Xvfb with: xvfb-run -a -s '-screen 0 1280x800x24' make demo" >&2
    exit 1
fi

rm -rf "$folder"
mkdir -p "$folder"
folder=$(realpath "$folder")
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t addresses < <(/usr/bin/python3 "$here/demo_fleet.py" --base "$base" --folder "$folder")

mkdir -p "$folder/cache"
chmod 755 "$folder" "$folder/data" "$folder/data/public"
chmod 644 "$folder"/data/public/*
chmod 777 "$folder/cache"
args=(--v2c-arch --data-dir="$folder/data" --cache-dir="$folder/cache"
      --logging-method=file:"$folder/cache/snmpsimd.log")
if [ "$(id -u)" -eq 0 ]; then
    args+=(--process-user=nobody --process-group=nogroup)
fi
for address in "${addresses[@]}"; do
    args+=(--agent-udpv4-endpoint="$address:1161")
done
snmpsimd "${args[@]}" >"$folder/snmpsimd.out" 2>&1 &
fleet=$!
trap 'kill $fleet 2>/dev/null || true; wait $fleet 2>/dev/null || true' EXIT
trap 'exit 0' TERM INT

# Wait until the first agent answers.
for _ in $(seq 1 100); do
    if snmpget -v1 -c public -t 0.3 -r 0 "${addresses[0]}:1161" 1.3.6.1.2.1.1.5.0 >/dev/null 2>&1; then
        break
    fi
    kill -0 $fleet 2>/dev/null || { cat "$folder/snmpsimd.out" >&2; exit 1; }
    sleep 0.2
done

echo "Demo fleet on port 1161: ${addresses[0]} ... ${addresses[-1]} answer;" \
     "$base.27 ... $base.30 stay silent. Settings and list in $folder."
if [ $fleet_only -eq 1 ]; then
    printf '%s\n' "${addresses[@]}"
    echo ready
    while true; do sleep 1 & wait $!; done
fi
cd "$folder"
"$program"
