# Sourced by the window benchmarks: a scratch folder ($work), the processes to stop at exit
# ($pids), a private Xvfb with openbox ($DISPLAY), and each process's CPU and wake-ups.
# The programs it drives could reach the stored device address: it runs only inside a
# network namespace that has only loopback (its callers re-run themselves under unshare -n).
if [ "$(ip -o link show | awk -F": " "{print \$2}")" != lo ]; then
    echo "x_desktop.sh: not in a loopback-only network namespace (unshare -n)" >&2
    exit 2
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

exec 5>"$work/displayfd"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
exec 5>&-
for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n1 "$work/displayfd")
openbox >/dev/null 2>&1 &
pids+=($!)

# CPU time (ns, all threads) and voluntary context switches (each one a sleep, so a wake-up).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {print s + 0}'; }
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/^voluntary_ctxt_switches/ {s += $2} END {print s + 0}'
}
