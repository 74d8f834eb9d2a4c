#!/bin/sh
# Runs a test inside a network namespace that has only loopback, so that nothing it starts
# (the exporter, simulators, prometheus) can reach or be reached from another network.
# Exit 77 (skipped) where no namespace can be made.
if [ -z "$ZVK_IN_LOOPBACK_NS" ]; then
    export ZVK_IN_LOOPBACK_NS=1
    if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
        exec unshare -n "$0" "$@"
    elif unshare -rn true 2>/dev/null; then
        exec unshare -rn "$0" "$@"
    fi
    echo "SKIP: no network namespace can be made here (unshare -n / unshare -rn)"
    exit 77
fi
ip link set dev lo up || exit 1
exec "$@"
