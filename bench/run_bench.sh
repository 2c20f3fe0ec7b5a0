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
wide_fleet=()
version_fleet=()
cleanup() {
    # The fleet ends by our SIGTERM; its status (143) must not become the script's.
    [ -n "$fleet" ] && kill "$fleet" 2>/dev/null && wait "$fleet" 2>/dev/null || true
    stop_wide_fleet
    stop_version_fleet
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

# Runs a command under /usr/bin/time; prints "seconds peak-kB" (its output is left in out.txt).
measure() {
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1 || { cat "$work/out.txt" >&2; return 1; }
    cat "$work/time.txt"
}

# Waits until the agent at ADDRESS:1161 answers (150 tries); NAME says which one did not start.
wait_for_agent() {
    for _ in $(seq 1 150); do
        snmpget -v1 -c public -t 0.3 -r 0 "$1:1161" 1.3.6.1.2.1.1.5.0 >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    echo "$2 did not start" >&2
    return 1
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
    wait_for_agent "$base.$1" snmpsimd
}

# --- More than ten printers in flight: the Parallel setting on large fleets and sweeps. ---
# 127.0.21.x ... 127.0.25.x hold the 1023 printers, 127.0.26.x the sweep. The printers are one
# net-snmp snmpd listening on all their addresses: one snmpsimd answers some 600 requests a
# second, so a wide run would measure snmpsimd rather than SORPEX.

# Ends the processes whose ids the named array holds, and empties it.
stop_processes() {
    local -n pids=$1
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    pids=()
}

stop_wide_fleet() { stop_processes wide_fleet; }

# The address of printer N (1 ... 1023) of the wide fleet.
wide_address() { echo "127.0.$((21 + ($1 - 1) / 254)).$((($1 - 1) % 254 + 1))"; }

# The snmpd configuration lines that make an agent answer as a printer named prn-NAME.
printer_config() {
    cat <<CONF
dontLogTCPWrappersConnects yes
sysName prn-$1
sysContact admin@example.test
sysLocation floor-3
sysDescr PALIVOX firmware 3.0
override 1.3.6.1.2.1.25.3.2.1.3.1 octet_str "PALIVOX LX-3000"
override 1.3.6.1.2.1.25.3.2.1.5.1 integer 2
override 1.3.6.1.2.1.25.3.5.1.1.1 integer 3
override 1.3.6.1.2.1.25.3.5.1.2.1 octet_str 0x00
override 1.3.6.1.2.1.43.10.2.1.4.1.1 counter 54321
override 1.3.6.1.2.1.43.18.1.1.8.1 octet_str "OK"
CONF
}

# Starts one snmpd that answers as a printer on every given address.
start_wide_fleet() {
    stop_wide_fleet
    local address endpoints=()
    mkdir -p "$work/snmpd"
    {
        echo 'rocommunity public 127.0.0.0/8'
        printer_config wide
    } >"$work/snmpd/snmpd.conf"
    for address in "$@"; do endpoints+=("udp:$address:1161"); done
    SNMP_PERSISTENT_DIR="$work/snmpd" snmpd -f -Lf /dev/null -C -c "$work/snmpd/snmpd.conf" -m '' \
        -p "$work/snmpd/pid" "${endpoints[@]}" >"$work/snmpd/out" 2>&1 &
    wide_fleet+=($!)
    wait_for_agent "$1" snmpd
}

wide_settings() { printf '[AppParam]\r\nTimeOut=1\r\nRetry=0\r\nSnmpPort=1161\r\nParallel=%d\r\n' "$1" >"$work/wide.ini"; }

# 1023 printers, one in ten silent (drawn with a fixed seed), through the batch mode.
bench_wide_fleet() {
    local n silent answering=() floor
    mapfile -t silent < <(/usr/bin/python3 -c "import random; random.seed(7); print('\n'.join(map(str, sorted(random.sample(range(1, 1024), 102)))))")
    for n in $(seq 1 1023); do [[ " ${silent[*]} " == *" $n "* ]] || answering+=("$(wide_address "$n")"); done
    {
        echo "Comment,IP Address,Community Name,Printer Model,Count,System Name,System Location,System Contact,System Descr"
        for n in $(seq 1 1023); do printf '"p%d",%s,public,"",,"","","",""\n' "$n" "$(wide_address "$n")"; done
    } | sed 's/$/\r/' >"$work/wide.csv"
    start_wide_fleet "${answering[@]}"
    floor=$(printf '%s\n' "${silent[@]}" | awk '{print int(($1 - 1) / 10)}' | sort -u | wc -l)
    for parallel in 10 64 256; do
        wide_settings "$parallel"
        read -r s_time s_mem < <(measure "$build/app/sorpex" --acquire "$work/wide.csv" --output "$work/wide-$parallel.csv" \
            --settings "$work/wide.ini")
        local note="floor $floor s"
        [ "$parallel" -ne 10 ] && note="report $(cmp -s "$work/wide-10.csv" "$work/wide-$parallel.csv" && echo same || echo DIFFERS)"
        printf '%-52s %10s %10s %12s   %s\n' "1023 printers, 10% silent, Parallel $parallel" "$s_time" "" "$s_mem" "$note"
    done
    stop_wide_fleet
}

# IPアドレス範囲取得 over 127.0.26.1 ... 127.0.26.254 with 20 printers in it.
bench_wide_sweep() {
    local printers=() n
    for n in $(seq 12 12 240); do printers+=("127.0.26.$n"); done
    start_wide_fleet "${printers[@]}"
    for parallel in 10 256; do
        wide_settings "$parallel"
        read -r s_time s_mem < <(measure "$build/bench/sorpex_sweep_bench" "$work/wide.ini" 127.0.26.1 127.0.26.254 \
            "$work/sweep-$parallel.csv")
        local found
        found=$(cat "$work/out.txt")
        local note="$found rows kept"
        [ "$parallel" -ne 10 ] && note="$note, report $(cmp -s "$work/sweep-10.csv" "$work/sweep-$parallel.csv" && echo same || echo DIFFERS)"
        printf '%-52s %10s %10s %12s   %s\n' "sweep of a /24 with 20 printers, Parallel $parallel" "$s_time" "" "$s_mem" "$note"
    done
    stop_wide_fleet
}

# --- SNMP v1, v2c and v3: requests on the wire per printer, and the fleet over each. ---
# The printers are one net-snmp snmpd on 127.0.27.1 ... 127.0.27.250 answering all three
# versions (snmpsimd would be measured instead of SORPEX, as above); 127.0.27.251 relays to the
# first of them and counts what reaches it.
v3_keys=(benchuser authpass-256 privpass-aes)

stop_version_fleet() { stop_processes version_fleet; }

start_version_fleet() {
    stop_version_fleet
    local endpoints=() n
    mkdir -p "$work/vsnmpd"
    cat >"$work/vsnmpd/snmpd.conf" <<CONF
rocommunity public 127.0.0.0/8
createUser ${v3_keys[0]} SHA-256 ${v3_keys[1]} AES ${v3_keys[2]}
rouser ${v3_keys[0]} priv
CONF
    printer_config version >>"$work/vsnmpd/snmpd.conf"
    for n in $(seq 1 "$count"); do endpoints+=("udp:127.0.27.$n:1161"); done
    SNMP_PERSISTENT_DIR="$work/vsnmpd" snmpd -f -Lf /dev/null -C -c "$work/vsnmpd/snmpd.conf" -m '' \
        -p "$work/vsnmpd/pid" "${endpoints[@]}" >"$work/vsnmpd/out" 2>&1 &
    version_fleet+=($!)
    /usr/bin/python3 "$here/udp_relay.py" 127.0.27.251 1161 127.0.27.1 1161 "$work/relay-count" &
    version_fleet+=($!)
    wait_for_agent 127.0.27.1 "snmpd (v1, v2c, v3)"
}

version_settings() {
    printf '[AppParam]\r\nTimeOut=1\r\nRetry=0\r\nSnmpPort=1161\r\n' >"$work/version.ini"
    case "$1" in
    2c) printf '\r\n[SnmpParam]\r\nVersion=2c\r\n' >>"$work/version.ini" ;;
    3) printf '\r\n[SnmpParam]\r\nVersion=3\r\nV3User=%s\r\nV3AuthProtocol=SHA-256\r\nV3AuthPassword=%s\r\nV3PrivProtocol=AES\r\nV3PrivPassword=%s\r\n' \
        "${v3_keys[@]}" >>"$work/version.ini" ;;
    esac
}

version_list() { # NET FIRST LAST
    {
        echo "Comment,IP Address,Community Name,Printer Model,Count,System Name,System Location,System Contact,System Descr"
        for n in $(seq "$2" "$3"); do printf '"p%d",%s.%d,public,"",,"","","",""\n' "$n" "$1" "$n"; done
    } | sed 's/$/\r/'
}

bench_versions() {
    start_version_fleet
    local version counts=() times=() mems=()
    for version in 1 2c 3; do
        version_settings "$version"
        version_list 127.0.27 251 251 >"$work/one.csv"
        local before after
        before=$(cat "$work/relay-count")
        measure "$build/app/sorpex" --acquire "$work/one.csv" --output "$work/one-$version.csv" \
            --settings "$work/version.ini" >/dev/null
        after=$(cat "$work/relay-count")
        counts+=("$((after - before))")
        version_list 127.0.27 1 "$count" >"$work/fleet-$version.csv"
        read -r s_time s_mem < <(measure "$build/app/sorpex" --acquire "$work/fleet-$version.csv" \
            --output "$work/report-$version.csv" --settings "$work/version.ini")
        times+=("$s_time")
        mems+=("$s_mem")
    done
    printf '%-52s %10s %10s %12s   %s\n' "requests per answering printer, v1 / v2c / v3" "" "" "" \
        "${counts[0]} / ${counts[1]} / ${counts[2]}"
    local same
    same=$(cmp -s "$work/report-1.csv" "$work/report-2c.csv" && cmp -s "$work/report-1.csv" "$work/report-3.csv" &&
        echo same || echo DIFFER)
    printf '%-52s %10s %10s %12s\n' "$count printers, Parallel 10, v1" "${times[0]}" "" "${mems[0]}"
    printf '%-52s %10s %10s %12s   %s x faster than v1\n' "$count printers, Parallel 10, v2c" "${times[1]}" "" "${mems[1]}" \
        "$(awk "BEGIN { printf \"%.1f\", ${times[0]} / ${times[1]} }")"
    printf '%-52s %10s %10s %12s   %s x faster than v1, reports %s\n' "$count printers, Parallel 10, v3" "${times[2]}" "" \
        "${mems[2]}" "$(awk "BEGIN { printf \"%.1f\", ${times[0]} / ${times[2]} }")" "$same"
    stop_version_fleet
}

{
    echo "Comment,IP Address,Community Name,Printer Model,Count,System Name,System Location,System Contact,System Descr"
    for n in $(seq 1 $count); do printf '"p%d",%s.%d,public,"",,"","","",""\n' "$n" "$base" "$n"; done
} | sed 's/$/\r/' >"$work/list.csv"
printf '[AppParam]\r\nTimeOut=1\r\nRetry=0\r\nSnmpPort=1161\r\n' >"$work/SORPEX.ini"
printf '[AppParam]\r\nTimeOut=1\r\nRetry=0\r\nSnmpPort=1161\r\nSupplies=1\r\n' >"$work/supplies.ini"

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

# A year of daily reports of 1023 printers: the usage table beside a Python csv script doing the
# same sum.
bench_usage() {
    /usr/bin/python3 "$here/usage_reports.py" "$work/reports" 365 1023
    read -r s_time s_mem < <(measure "$build/app/sorpex" --usage "$work/reports" --from 2025-01-01 --to 2025-12-31 \
        --output "$work/usage.csv")
    read -r p_time _ < <(measure /usr/bin/python3 "$here/usage_sum.py" "$work/reports")
    local script_sum ours
    script_sum=$(cat "$work/out.txt")
    ours="$(awk -F, 'NR > 1 && $9 != "" { n++; s += $9 } END { print n, s }' "$work/usage.csv")"
    printf '%-52s %10s %10s %12s   ratio %s, sums %s\n' "usage of 365 reports x 1023 printers" "$s_time" "$p_time" "$s_mem" \
        "$(awk "BEGIN { printf \"%.2f\", $s_time / $p_time }")" "$([ "$ours" = "$script_sum" ] && echo agree || echo DIFFER)"
    rm -rf "$work/reports"
}

printf '%-52s %10s %10s %12s\n' "measure" "SORPEX s" "script s" "peak kB"

if [ "${SORPEX_BENCH_ONLY:-}" = usage ]; then
    bench_usage
    exit 0
fi
if [ "${SORPEX_BENCH_ONLY:-}" = wide ]; then
    bench_wide_fleet
    bench_wide_sweep
    exit 0
fi
if [ "${SORPEX_BENCH_ONLY:-}" = versions ]; then
    bench_versions
    exit 0
fi

start_fleet $(seq 1 $count)
read -r s_time s_mem < <(measure "${sorpex[@]}")
read -r p_time _ < <(measure bash -c "$(declare -f peer); peer")
printf '%-52s %10s %10s %12s   ratio %s\n' "fleet poll, $count answering printers" "$s_time" "$p_time" "$s_mem" \
    "$(awk "BEGIN { printf \"%.2f\", $s_time / $p_time }")"
# The same fleet with Supplies=1: the serial number and five supply rows (a GETNEXT and three
# GETs each, and the GETNEXT that leaves the table) add 22 requests to a printer's 10.
off_time=$s_time
read -r s_time s_mem < <(measure "$build/app/sorpex" --acquire "$work/list.csv" --output "$work/supplies.csv" \
    --settings "$work/supplies.ini")
printf '%-52s %10s %10s %12s   %s\n' "fleet poll, $count printers, Supplies=1 (5 supplies)" "$s_time" "" "$s_mem" \
    "$(awk "BEGIN { printf \"%.2f\", $s_time / $off_time }") x off, lines $(grep -c ',"SN' "$work/supplies.csv")"

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

bench_usage
bench_wide_fleet
bench_wide_sweep
bench_versions
