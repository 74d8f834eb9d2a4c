#!/usr/bin/env bash
# The exporter benchmark: zvk_exporter (connect per probe, and --probe.keep-connection) and
# Debian's prometheus-blackbox-exporter side by side, probing the same simulated thermometers
# at a steady rate, each target every 15 s, then faster. Prints figures and asserts nothing.
# Runs in a network namespace that has only loopback (as root: it unshares).
# Usage: tools/bench/exporter_bench.sh [BUILD_DIR]
# Environment: COUNTS ("1000 10000"), SUBJECTS ("blackbox zvk zvk-keep"), WARMUP (15 s,
# one whole round, not measured), MEASURE (30 s), FAST (5: the faster run's rate factor),
# FAST_MEASURE (15 s), ROUNDS (1; the table shows medians, and the range of p99),
# NICE (-5: the machine is shared; the other users' builds shift latencies), ZVK_EXPORTER (default: found in BUILD_DIR), RAW (a file for the
# driver's raw lines).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ -z "${ZVK_BENCH_NETNS:-}" ]; then
    exec unshare -n env ZVK_BENCH_NETNS=1 bash "$0" "$build"
fi
ip link set dev lo up
renice -n "${NICE:--5}" -p $$ >/dev/null 2>&1 || true
if ip -o link show | grep -qv ': lo:'; then
    echo "exporter_bench: an interface other than loopback is present; stopping" >&2
    exit 1
fi

counts=${COUNTS:-1000 10000}
subjects=${SUBJECTS:-blackbox zvk zvk-keep}
warmup=${WARMUP:-15}
measure=${MEASURE:-30}
fast=${FAST:-5}
fast_measure=${FAST_MEASURE:-15}
rounds=${ROUNDS:-1}
probe_load=$build/tools/bench/probe_load
thermosim=$build/tools/thermosim/thermosim
exporter=${ZVK_EXPORTER:-$build/exporter/zvk_exporter}
[ -x "$exporter" ] || exporter=""
work=$(mktemp -d)
raw=${RAW:-$work/raw.txt}
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
ulimit -n "$(ulimit -Hn)"

cat >"$work/blackbox.yml" <<'EOF'
modules:
  zvk:
    prober: tcp
    timeout: 5s
    tcp:
      preferred_ip_protocol: ip4
      query_response:
        - expect: "^\\*B"
EOF

wait_http() { # URL: polls up to 15 s
    for _ in $(seq 150); do
        curl -sf -o /dev/null "$1" && return 0
        sleep 0.1
    done
    echo "exporter_bench: nothing answers at $1" >&2
    return 1
}

# Starts the simulators for COUNT thermometers on consecutive ports from 20000, split over
# as many processes as the descriptor limit needs (a listener and a client per device).
start_sims() {
    local count=$1 per processes port=20000 i
    per=$((($(ulimit -Hn) - 64) / 2))
    processes=$(((count + per - 1) / per))
    per=$(((count + processes - 1) / processes))
    sim_pids=()
    : >"$work/targets"
    for ((i = 0; i < processes; i++)); do
        local n=$((count - i * per < per ? count - i * per : per))
        "$thermosim" --devices "$n" --port "$port" >"$work/sim$i" &
        pids+=($!)
        sim_pids+=($!)
        port=$((port + n))
    done
    for ((i = 0; i < processes; i++)); do
        for _ in $(seq 300); do
            [ "$(wc -l <"$work/sim$i")" -ge $((count - i * per < per ? count - i * per : per)) ] && break
            sleep 0.1
        done
        cat "$work/sim$i" >>"$work/targets"
    done
    [ "$(wc -l <"$work/targets")" -eq "$count" ]
}

stop() {
    kill "$@" 2>/dev/null || true
    for pid in "$@"; do
        while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
    done
}

# SUBJECT COUNT: starts the exporter, drives both rates, prints the driver's lines.
run_subject() {
    local subject=$1 count=$2 port path ok pid rate
    case $subject in
    blackbox)
        port=19115 path='/probe?module=zvk&target=' ok='probe_success 1'
        prometheus-blackbox-exporter --config.file="$work/blackbox.yml" \
            --web.listen-address=127.0.0.1:$port --log.level=warn 2>>"$work/exporter.log" &
        ;;
    zvk | zvk-keep)
        [ -n "$exporter" ] || return 0
        port=19116 path='/probe?target=' ok='zvk_up 1'
        local keep=()
        [ "$subject" = zvk-keep ] && keep=(--probe.keep-connection=60s)
        "$exporter" --web.listen-address=127.0.0.1:$port "${keep[@]}" 2>>"$work/exporter.log" &
        ;;
    esac
    pid=$!
    pids+=("$pid")
    wait_http "http://127.0.0.1:$port/metrics"
    rate=$(awk -v n="$count" 'BEGIN { printf "%.3f", n / 15 }')
    for run in base fast; do
        local args=(--rate "$rate" --warmup "$warmup" --duration "$measure")
        [ $run = fast ] && args=(--rate "$(awk -v r="$rate" -v f="$fast" 'BEGIN { print r * f }')" \
            --duration "$fast_measure")
        "$probe_load" --label "$subject/$count/$run" --exporter 127.0.0.1:$port --path "$path" \
            --targets "$work/targets" --ok "$ok" --pid "$pid" \
            --sim-pid "$(IFS=,; echo "${sim_pids[*]}")" "${args[@]}" | tee -a "$raw"
    done
    stop "$pid"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')," \
    "$(uname -sr), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "blackbox: $(prometheus-blackbox-exporter --version 2>&1 | head -1)"
echo "zvk_exporter: ${exporter:-not built}"
echo "rounds: $rounds, nice $(nice)"
: >"$raw"
for ((round = 1; round <= rounds; round++)); do
    for count in $counts; do
        start_sims "$count"
        for subject in $subjects; do
            run_subject "$subject" "$count"
        done
        stop "${sim_pids[@]}"
    done
done

# One table from the driver's key=value lines (medians over the rounds), then the goals.
awk -v fast="$fast" '
{
    label = $1
    if (!(label in rounds))
        order[++n] = label
    r = ++rounds[label]
    for (i = 2; i <= NF; i++) { split($i, kv, "="); val[label, kv[1], r] = kv[2] }
}
function sorted(label, key, a,   m, i, j, t) {
    m = rounds[label]
    for (i = 1; i <= m; i++) a[i] = val[label, key, i] + 0
    for (i = 2; i <= m; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
    return m
}
function v(label, key,   a, m) {
    m = sorted(label, key, a)
    return m % 2 ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2
}
function range(label, key,   a, m) {
    m = sorted(label, key, a)
    return m > 1 ? sprintf(" (%.1f-%.1f)", a[1], a[m]) : ""
}
END {
    print "| exporter | thermometers | each probed every | probes/s | ok % | p50 ms | p99 ms | CPU us/probe | CPU % of a core | RSS / peak MiB | fds | driver wait max ms | driver CPU |"
    print "|---|---|---|---|---|---|---|---|---|---|---|---|---|"
    for (i = 1; i <= n; i++) {
        k = order[i]
        split(k, l, "/")
        name = l[1] == "blackbox" ? "blackbox TCP" : l[1] == "zvk" ? "zvk per-probe" : "zvk keep-conn"
        every = l[3] == "base" ? "15 s" : sprintf("%.0f s", 15 / fast)
        printf "| %s | %s | %s | %.1f | %.2f | %.2f | %.2f%s | %.0f | %.2f | %.1f / %.1f | %d | %.0f | %.1f%% |\n",
            name, l[2], every, v(k, "probes_per_s"), 100 * v(k, "ok") / (v(k, "answered") ? v(k, "answered") : 1),
            v(k, "p50_ms"), v(k, "p99_ms"), range(k, "p99_ms"), v(k, "cpu_us_per_probe"), v(k, "cpu_pct"),
            v(k, "rss_kib") / 1024, v(k, "hwm_kib") / 1024, v(k, "fds"), v(k, "max_queue_ms"), v(k, "driver_cpu_pct")
    }
    print ""
    for (i = 1; i <= n; i++) {
        k = order[i]
        split(k, p, "/")
        b = "blackbox/" p[2] "/" p[3]
        if (p[1] != "blackbox" && (b in rounds))
            printf "%s: CPU per probe %.2fx the blackbox exporter'\''s (goal <= 0.5x)\n", k,
                v(k, "cpu_us_per_probe") / v(b, "cpu_us_per_probe")
    }
    k = "zvk-keep/10000/base"
    if (k in rounds)
        printf "%s: CPU %.2f%% of a core (goal <= 5), peak RSS %.1f MiB (goal <= 100), p99 %.2f ms (goal <= 20)\n",
            k, v(k, "cpu_pct"), v(k, "hwm_kib") / 1024, v(k, "p99_ms")
}' "$raw"
