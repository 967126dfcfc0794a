# Virtual keys for demo scripts. Source this file from bash, then:
#   vkey_begin                 take /tmp/quenlix-e2e.lock, start pcscd when none answers
#   vkey_insert PORT [ARGS]    insert a card (run.py ARGS) into reader PORT (0 or 1) and wait
#                              until pcscd reports it
#   vkey_remove PORT           pull it out again
# Everything is undone when the script exits: cards pulled, pcscd stopped if started here,
# lock released.

VKEY_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
VKEY_PYTHON=/usr/bin/python3
VKEY_PCSCD_PID=""
VKEY_WORK=""
declare -A VKEY_CARD_PIDS=()

vkey_begin() {
    exec {VKEY_LOCK_FD}>/tmp/quenlix-e2e.lock
    if ! flock -n "$VKEY_LOCK_FD"; then
        echo "waiting for /tmp/quenlix-e2e.lock (an e2e run or another demo holds it)" >&2
        flock "$VKEY_LOCK_FD"
    fi
    trap vkey_end EXIT
    VKEY_WORK=$(mktemp -d)
    if ! "$VKEY_PYTHON" "$VKEY_DIR/pcscd_ctl.py" answers; then
        /usr/sbin/pcscd -f -a >"$VKEY_WORK/pcscd.log" 2>&1 &
        VKEY_PCSCD_PID=$!
    fi
    "$VKEY_PYTHON" "$VKEY_DIR/pcscd_ctl.py" wait-readers || {
        echo "pcscd shows no virtual readers" >&2
        return 1
    }
}

vkey_insert() {
    local port=$1
    shift
    vkey_remove "$port"
    local out="$VKEY_WORK/card$port.out"
    "$VKEY_PYTHON" "$VKEY_DIR/run.py" --port "$port" "$@" >"$out" &
    VKEY_CARD_PIDS[$port]=$!
    local tries
    for tries in $(seq 150); do
        grep -q '^ready' "$out" && return 0
        sleep 0.1
    done
    echo "the virtual card in reader $port did not come up" >&2
    return 1
}

vkey_remove() {
    local pid=${VKEY_CARD_PIDS[$1]:-}
    if [[ -n $pid ]]; then
        kill -TERM "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        unset "VKEY_CARD_PIDS[$1]"
    fi
}

vkey_end() {
    local port
    for port in "${!VKEY_CARD_PIDS[@]}"; do
        vkey_remove "$port"
    done
    if [[ -n $VKEY_PCSCD_PID ]]; then
        kill -TERM "$VKEY_PCSCD_PID" 2>/dev/null || true
        wait "$VKEY_PCSCD_PID" 2>/dev/null || true
        VKEY_PCSCD_PID=""
    fi
    [[ -n $VKEY_WORK ]] && rm -rf "$VKEY_WORK"
    VKEY_WORK=""
    if [[ -n ${VKEY_LOCK_FD:-} ]]; then
        exec {VKEY_LOCK_FD}>&-
        VKEY_LOCK_FD=""
    fi
}
