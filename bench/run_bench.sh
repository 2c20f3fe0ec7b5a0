#!/usr/bin/env bash
# make bench: what SORPEX costs beside what a user would otherwise script. Prints a table;
# asserts nothing about time.
#   bench/run_bench.sh BUILD_DIR
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/sorpex-bench-XXXXXX)
chmod 755 "$work"
fleet=""
cleanup() {
    # The fleet ends by our SIGTERM; its status (143) must not become the script's.
    [ -n "$fleet" ] && kill "$fleet" 2>/dev/null && wait "$fleet" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

base=127.0.20
count=250
oids=(1.3.6.1.2.1.25.3.2.1.3.1 1.3.6.1.2.1.43.10.2.1.4.1.1 1.3.6.1.2.1.1.4.0 1.3.6.1.2.1.1.5.0
      1.3.6.1.2.1.1.6.0 1.3.6.1.2.1.1.1.0 1.3.6.1.2.1.25.3.2.1.5.1 1.3.6.1.2.1.25.3.5.1.1.1
      1.3.6.1.2.1.25.3.5.1.2.1 1.3.6.1.2.1.43.18.1.1.8.1)
# Ten objects each asked once: the short counter form is asked only when the long one gives 0,
# which no benchmark printer does; the eleventh request of a query is therefore never sent.

# Runs a command under /usr/bin/time; prints "seconds peak-kB".
measure() {
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1 || { cat "$work/out.txt" >&2; return 1; }
    cat "$work/time.txt"
}

# Starts snmpsimd serving the agents whose numbers are given (1 ... count).
start_fleet() {
    [ -n "$fleet" ] && kill "$fleet" 2>/dev/null && wait "$fleet" 2>/dev/null || true
    rm -rf "$work/data" "$work/cache"
    mkdir -p "$work/data/public" "$work/cache"
    /usr/bin/python3 "$here/fleet_recordings.py" "$work/recordings" "$count"
    local args=(--v2c-arch --data-dir="$work/data" --cache-dir="$work/cache"
                --logging-method=file:"$work/cache/log")
    [ "$(id -u)" -eq 0 ] && args+=(--process-user=nobody --process-group=nogroup)
    local position=0
    for n in "$@"; do
        cp "$work/recordings/1.3.6.1.6.1.1.$((n - 1)).snmprec" "$work/data/public/1.3.6.1.6.1.1.$position.snmprec"
        args+=(--agent-udpv4-endpoint="$base.$n:1161")
        position=$((position + 1))
    done
    chmod -R a+rX "$work/data"
    chmod 777 "$work/cache"
    snmpsimd "${args[@]}" >"$work/snmpsimd.out" 2>&1 &
    fleet=$!
    for _ in $(seq 1 150); do
        snmpget -v1 -c public -t 0.3 -r 0 "$base.$1:1161" 1.3.6.1.2.1.1.5.0 >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    echo "snmpsimd did not start" >&2
    return 1
}

{
    echo "Comment,IP Address,Community Name,Printer Model,Count,System Name,System Location,System Contact,System Descr"
    for n in $(seq 1 $count); do printf '"p%d",%s.%d,public,"",,"","","",""\n' "$n" "$base" "$n"; done
} | sed 's/$/\r/' >"$work/list.csv"
printf '[AppParam]\r\nTimeOut=1\r\nRetry=0\r\nSnmpPort=1161\r\n' >"$work/SORPEX.ini"

# What a user would script: the same objects per printer with snmpget, ten printers at a time,
# stopping a printer at its first unanswered request.
cat >"$work/peer.sh" <<PEER
#!/bin/sh
for oid in ${oids[*]}; do
    snmpget -v1 -c public -t 1 -r 0 -Oqv "\$1:1161" "\$oid" >/dev/null 2>&1 || exit 0
done
PEER
chmod +x "$work/peer.sh"
export work base count
peer() { seq 1 $count | sed "s/^/$base./" | xargs -P10 -n1 "$work/peer.sh"; }

sorpex=("$build/app/sorpex" --acquire "$work/list.csv" --output "$work/report.csv" --settings "$work/SORPEX.ini")

printf '%-52s %10s %10s %12s\n' "measure" "SORPEX s" "script s" "peak kB"

start_fleet $(seq 1 $count)
read -r s_time s_mem < <(measure "${sorpex[@]}")
read -r p_time _ < <(measure bash -c "$(declare -f peer); peer")
printf '%-52s %10s %10s %12s   ratio %s\n' "fleet poll, $count answering printers" "$s_time" "$p_time" "$s_mem" \
    "$(awk "BEGIN { printf \"%.2f\", $s_time / $p_time }")"

# Every tenth printer on average stays silent: 25 of 250, drawn with a fixed seed.
mapfile -t silent < <(/usr/bin/python3 -c "import random; random.seed(7); print('\n'.join(map(str, sorted(random.sample(range(1, $count + 1), $count // 10)))))")
answering=()
for n in $(seq 1 $count); do [[ " ${silent[*]} " == *" $n "* ]] || answering+=("$n"); done
start_fleet "${answering[@]}"
read -r s_time s_mem < <(measure "${sorpex[@]}")
read -r p_time _ < <(measure bash -c "$(declare -f peer); peer")
# The floor of batches of ten: each batch waits for its slowest member, a silent one 1 s.
floor=$(printf '%s\n' "${silent[@]}" | awk '{print int(($1 - 1) / 10)}' | sort -u | wc -l)
printf '%-52s %10s %10s %12s   floor %d s\n' "fleet poll, 10% silent at time-out 1 s" "$s_time" "$p_time" "$s_mem" "$floor"

QT_QPA_PLATFORM=offscreen "$build/bench/sorpex_bench" "$work" 2>/dev/null | while read -r name value unit rest; do
    case "$name" in
    peak-memory) printf '%-52s %10s %10s %12s\n' "CSV and list of 1023 rows, whole process" "" "" "$value" ;;
    *) printf '%-52s %10s %10s %12s\n' "$name (ms)" "$value" "" "" ;;
    esac
done

"$here/fontconv_bench.sh" "$build/fontconv/zuvfntc" | sed 's/^/zuvfntc /'
head -c 2064016 /dev/urandom >"$work/font.bin"
read -r c_time c_mem < <(measure cp "$work/font.bin" "$work/copy.bin")
printf '%-52s %10s %10s %12s\n' "cp of 2 MB (the size of the -e6 output)" "$c_time" "" "$c_mem"
