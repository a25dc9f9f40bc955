# shellcheck shell=bash
# shellcheck disable=SC2317  # functions reached through "cw_$cmd"
# The caching world of dnslab (sourced by tests/dnslab/dnslab; see its README).
#
# Two authoritative Knot servers, ns1 and ns2, each with its own copy of the
# zone example.test., and one caching Unbound per resolver address with a stub
# zone to both. Every other name is answered by the resolvers themselves, so
# nothing is ever sent beyond the two Knot servers.

CW_AUTH=(ns1 ns2)
CW_RESOLVERS=(system cloudflare google quad9)
CW_ZONE=example.test.
# The refuser refuses every question; a resolver told to ask it for a name
# answers SERVFAIL at once (fail ... servfail).
ADDR+=([ns1]=127.0.1.1 [ns2]=127.0.1.2 [refuser]=127.0.1.3)
# What a fresh world's zone starts with; long enough that no test sees the
# NS, glue or SOA expire by accident.
CW_INFRA_TTL=3600
CW_DEFAULT_NEGTTL=30

cw_usage() {
    cat <<'EOF'
inside a caching world ("$DNSLAB <command>"); AUTH is ns1, ns2, one of their
addresses, or all; RESOLVER is system, cloudflare, google, quad9, one of their
addresses, or all; SERVER is either, or all (all six):
  set AUTH NAME TYPE TTL [RDATA...]    replace NAME's records of TYPE (one
                                       RDATA per record, zone-file syntax;
                                       none: remove them); serial + 1, live
  negttl AUTH SECONDS                  negative-caching time (SOA minimum and
                                       the SOA's own TTL); serial + 1, live
  prime RESOLVER NAME [TYPE]           ask the resolver now (fills its cache)
  flush RESOLVER [NAME]                empty the cache (or NAME and below)
  ttl RESOLVER NAME [TYPE]             the cached answer's remaining TTL in
                                       seconds, read from the cache without a
                                       query; nothing when not cached
  fail RESOLVER NAME refused|timeout|servfail|none
                                       the resolver answers NAME (and below)
                                       so; none ends it
  stop SERVER | start SERVER           unreachable (port closed) / back again
  freeze SERVER | thaw SERVER          silent (SIGSTOP) / answering again
  unplug RESOLVER | plug RESOLVER      its address leaves the network: no
                                       route to it (not system) / back again
  reset                                fresh zone, empty caches, all running
  status                               servers, states, serials and zone data
EOF
}

# Servers named by one argument, left in SEL. $2 limits the choice: auth,
# resolver or any.
cw_servers_of() {
    local arg=$1 kind=$2 s
    local -a pool=()
    [[ $kind != resolver ]] && pool+=("${CW_AUTH[@]}")
    [[ $kind != auth ]] && pool+=("${CW_RESOLVERS[@]}")
    SEL=()
    if [[ $arg == all ]]; then
        SEL=("${pool[@]}")
        return
    fi
    for s in "${pool[@]}"; do
        if [[ $arg == "$s" || $arg == "${ADDR[$s]}" ]]; then
            SEL=("$s")
            return
        fi
    done
    case $kind in
    auth) die "unknown authoritative server '$arg' (ns1, ns2 or all)" ;;
    resolver) die "unknown resolver '$arg' (system, cloudflare, google, quad9 or all)" ;;
    *) die "unknown server '$arg' (ns1, ns2, system, cloudflare, google, quad9 or all)" ;;
    esac
}

cw_is_auth() { [[ $1 == ns1 || $1 == ns2 ]]; }

# The program a server runs, as /proc/PID/comm names it.
cw_comm_of() {
    if cw_is_auth "$1"; then
        COMM=knotd
    elif [[ $1 == refuser ]]; then
        COMM=dnsmasq
    else
        COMM=unbound
    fi
}

cw_is_ours() {
    local pid=$1 comm
    [[ -n $pid ]] || return 1
    { read -r comm <"/proc/$pid/comm"; } 2>/dev/null || return 1
    [[ $comm == "$COMM" ]] && is_alive "$pid"
}

# A name in the zone, fully qualified and lower-cased, left in FQDN.
cw_fqdn() {
    local name=${1,,}
    check_name "${name%.}"
    [[ $name == *. ]] || name+=.
    [[ $name == "$CW_ZONE" || $name == *."$CW_ZONE" ]] ||
        die "'$1' is not in the zone $CW_ZONE"
    FQDN=$name
}

# ------------------------------------------------------------ the zone --

# Writes the zone file of an authoritative server from its records, with
# the serial one higher than last time.
cw_render_zone() {
    local dir=$DNSLAB_DIR/servers/$1 serial neg f text
    read -r serial <"$dir/serial"
    serial=$((serial + 1))
    read -r neg <"$dir/negttl"
    text="\$ORIGIN $CW_ZONE"$'\n'
    text+="@ $neg IN SOA ns1 hostmaster $serial 3600 600 86400 $neg"$'\n'
    for f in "$dir"/records/*; do
        slurp "$f"
        text+=$TEXT
    done
    printf '%s' "$text" >"$dir/tmp/zone"
    mv -f "$dir/tmp/zone" "$dir/example.test.zone"
    printf '%s\n' "$serial" >"$dir/serial"
}

# Loads the zone file again; waits until the server answers from it.
cw_reload() {
    local s=$1 dir=$DNSLAB_DIR/servers/$1 out
    state_of "$s"
    # A stopped server reads its zone when it starts; a frozen one could
    # not answer knotc.
    [[ $STATE == running ]] || return 0
    out=$(knotc -s "$dir/knot.sock" -b -t 10 zone-reload "$CW_ZONE" 2>&1) ||
        { RELOAD_ERROR="$s: $out"; return 1; }
}

cw_write_record() {
    local s=$1 key=$2
    shift 2
    local file=$DNSLAB_DIR/servers/$s/records/$key
    if (($# == 0)); then
        rm -f "$file"
    else
        printf '%s\n' "$@" >"$file"
    fi
}

# Keeps the record files and serial of a server, so that a change Knot
# refuses can be undone.
cw_backup() {
    local dir=$DNSLAB_DIR/servers/$1
    rm -rf "$dir/backup"
    cp -a "$dir/records" "$dir/backup"
    cp -p "$dir/negttl" "$dir/backup.negttl"
}

cw_restore() {
    local dir=$DNSLAB_DIR/servers/$1
    rm -rf "$dir/records"
    mv "$dir/backup" "$dir/records"
    mv -f "$dir/backup.negttl" "$dir/negttl"
}

cw_apply() {
    local s=$1 why
    cw_render_zone "$s"
    cw_reload "$s" && return 0
    why=$RELOAD_ERROR
    cw_restore "$s"
    cw_render_zone "$s"
    cw_reload "$s" || die "$why; going back failed too: $RELOAD_ERROR"
    die "$why (the change was not made)"
}

cw_set() {
    (($# >= 4)) || die "usage: set AUTH NAME TYPE TTL [RDATA...]"
    local srv=$1 type=${3^^} ttl=$4 s r
    cw_fqdn "$2"
    shift 4
    [[ $type =~ ^[A-Z][A-Z0-9]*$ ]] || die "not a record type: '$type'"
    [[ $type != SOA ]] || die "the SOA is the lab's; use negttl"
    [[ $ttl =~ ^[0-9]{1,7}$ ]] || die "TTL is whole seconds: '$ttl'"
    local -a lines=()
    for r in "$@"; do
        [[ $r != *$'\n'* && -n $r ]] || die "RDATA is one non-empty line"
        lines+=("$FQDN $ttl IN $type $r")
    done
    cw_servers_of "$srv" auth
    for s in "${SEL[@]}"; do
        cw_backup "$s"
        cw_write_record "$s" "$FQDN$type" "${lines[@]}"
        cw_apply "$s"
    done
}

cw_negttl() {
    (($# == 2)) || die "usage: negttl AUTH SECONDS"
    [[ $2 =~ ^[0-9]{1,7}$ ]] || die "SECONDS is whole seconds: '$2'"
    local s
    cw_servers_of "$1" auth
    for s in "${SEL[@]}"; do
        cw_backup "$s"
        printf '%s\n' "$2" >"$DNSLAB_DIR/servers/$s/negttl"
        cw_apply "$s"
    done
}

# A fresh zone: SOA, NS records and their glue, nothing else.
cw_fresh_zone() {
    local s=$1 dir=$DNSLAB_DIR/servers/$1 t=$CW_INFRA_TTL
    rm -rf "$dir/records"
    mkdir -p "$dir/records"
    printf '%s\n' "$CW_DEFAULT_NEGTTL" >"$dir/negttl"
    [[ -f $dir/serial ]] || printf '0\n' >"$dir/serial"
    cw_write_record "$s" "${CW_ZONE}NS" "@ $t IN NS ns1" "@ $t IN NS ns2"
    cw_write_record "$s" "ns1.${CW_ZONE}A" "ns1 $t IN A ${ADDR[ns1]}"
    cw_write_record "$s" "ns2.${CW_ZONE}A" "ns2 $t IN A ${ADDR[ns2]}"
    cw_render_zone "$s"
}

# ------------------------------------------------------------ the servers --

cw_knot_conf() {
    local s=$1 dir=$DNSLAB_DIR/servers/$1
    cat >"$dir/knot.conf" <<EOF
server:
    rundir: "$dir"
    pidfile: "$dir/knot.pid"
    listen: ${ADDR[$s]}@53
    udp-workers: 1
    tcp-workers: 1
    background-workers: 1
control:
    listen: "$dir/knot.sock"
log:
  - target: "$dir/log"
    any: info
database:
    storage: "$dir/db"
template:
  - id: default
    storage: "$dir"
    # The zone file is the only truth: nothing is written back to it and
    # nothing is kept between loads.
    zonefile-sync: -1
    zonefile-load: whole
    journal-content: none
zone:
  - domain: $CW_ZONE
    file: "$dir/example.test.zone"
EOF
}

cw_unbound_conf() {
    local s=$1 dir=$DNSLAB_DIR/servers/$1
    cat >"$dir/unbound.conf" <<EOF
server:
    interface: ${ADDR[$s]}
    port: 53
    do-ip6: no
    access-control: 0.0.0.0/0 allow
    # Root of the namespace, no chroot, everything in the state directory.
    username: ""
    chroot: ""
    directory: "$dir"
    pidfile: "$dir/unbound.pid"
    logfile: "$dir/log"
    use-syslog: no
    verbosity: 1
    log-servfail: yes
    do-daemonize: no
    num-threads: 1
    so-reuseport: no
    msg-cache-size: 1m
    rrset-cache-size: 1m
    key-cache-size: 1m
    infra-cache-numhosts: 100
    outgoing-range: 64
    num-queries-per-thread: 32
    # A cache as the public resolvers' are seen from outside: an entry
    # lives its TTL and is fetched again only when asked after that.
    module-config: "iterator"
    prefetch: no
    serve-expired: no
    cache-min-ttl: 0
    qname-minimisation: no
    target-fetch-policy: "0 0 0 0 0"
    # The authoritative servers are on loopback addresses.
    do-not-query-localhost: no
    # An authoritative server slowed down by a busy machine is waited for
    # and asked again, rather than taken for down (that would be SERVFAIL).
    outbound-msg-retry: 3
    infra-cache-max-rtt: 1000
    infra-keep-probing: yes
    # Every name outside the test zone is answered here (NXDOMAIN), so
    # nothing is asked beyond the lab; the root hints name a local address
    # where nothing listens.
    root-hints: "$DNSLAB_DIR/root.hints"
    local-zone: "." static
    local-zone: "$CW_ZONE" transparent
stub-zone:
    name: "$CW_ZONE"
    stub-addr: ${ADDR[ns1]}
    stub-addr: ${ADDR[ns2]}
remote-control:
    control-enable: yes
    control-interface: "$dir/unbound.sock"
EOF
}

cw_start_server() {
    local s=$1 dir=$DNSLAB_DIR/servers/$1 pid t0
    cw_comm_of "$s"
    if cw_is_auth "$s"; then
        rm -f "$dir/knot.sock"
        knotd -c "$dir/knot.conf" </dev/null >"$dir/stderr" 2>&1 9>&- {NAPFD}>&- &
    elif [[ $s == refuser ]]; then
        # No upstream servers: every question is refused.
        dnsmasq --keep-in-foreground --no-resolv --no-hosts --no-poll --bind-interfaces \
            "--listen-address=${ADDR[$s]}" --port=53 --user=root --group= \
            "--pid-file=$dir/dnsmasq.pid" "--log-facility=$dir/log" --conf-file=/dev/null \
            </dev/null >"$dir/stderr" 2>&1 9>&- {NAPFD}>&- &
    else
        unbound -d -c "$dir/unbound.conf" </dev/null >"$dir/stderr" 2>&1 9>&- {NAPFD}>&- &
    fi
    pid=$!
    printf '%s\n' "$pid" >"$dir/pid"
    clock
    t0=$NOW
    # Ready once its port is bound (Knot has its zone loaded by then: it
    # loads zones before it binds).
    until udp_bound "${ADDR[$s]}"; do
        if ! is_alive "$pid"; then
            slurp "$dir/stderr" 2>/dev/null
            die "$COMM for $s (${ADDR[$s]}) did not start: ${TEXT//$'\n'/ }"
        fi
        clock
        if ((NOW - t0 > 5000)); then
            cw_kill_server "$s"
            die "$COMM for $s did not bind ${ADDR[$s]}:53"
        fi
        nap
    done
    if cw_is_auth "$s"; then
        # Answering once the zone is loaded.
        until knotc -s "$dir/knot.sock" -t 1 zone-status "$CW_ZONE" 2>/dev/null | grep -q 'serial: [0-9]'; do
            clock
            ((NOW - t0 < 5000)) || die "knotd for $s did not load $CW_ZONE"
            nap 0.01
        done
    fi
}

cw_kill_server() {
    local s=$1 t0
    read_pid "$s" || return 0
    rm -f "$DNSLAB_DIR/servers/$s/pid"
    cw_comm_of "$s"
    cw_is_ours "$PID" || return 0
    kill -CONT "$PID" 2>/dev/null
    kill -TERM "$PID" 2>/dev/null
    clock
    t0=$NOW
    while cw_is_ours "$PID"; do
        clock
        ((NOW - t0 > 3000)) && kill -KILL "$PID" 2>/dev/null
        nap
    done
    while udp_bound "${ADDR[$s]}"; do
        clock
        ((NOW - t0 < 5000)) || break
        nap
    done
}

# unbound-control for one resolver.
cw_control() {
    local s=$1
    shift
    unbound-control -c "$DNSLAB_DIR/servers/$s/unbound.conf" "$@"
}

# After an authoritative server comes back, the resolvers ask it at once,
# instead of waiting out what they remember of it being down.
cw_forget_infra() {
    local s
    for s in "${CW_RESOLVERS[@]}"; do
        state_of "$s"
        [[ $STATE == running ]] && cw_control "$s" flush_infra all >/dev/null
    done
}

cw_stop() {
    local s
    cw_servers_of "$1" any
    for s in "${SEL[@]}"; do
        cw_kill_server "$s"
        set_state "$s" stopped
    done
}

cw_start() {
    local s back=
    cw_servers_of "$1" any
    for s in "${SEL[@]}"; do
        state_of "$s"
        cw_comm_of "$s"
        case $STATE in
        stopped) cw_start_server "$s" ;;
        frozen) read_pid "$s" && cw_is_ours "$PID" && kill -CONT "$PID" ;;
        *) continue ;;
        esac
        set_state "$s" running
        cw_is_auth "$s" && back=1
    done
    [[ -z $back ]] || cw_forget_infra
}

cw_freeze() {
    local s
    cw_servers_of "$1" any
    for s in "${SEL[@]}"; do
        state_of "$s"
        [[ $STATE == stopped ]] && die "$s is stopped; start it first"
        cw_comm_of "$s"
        if ! read_pid "$s" || ! cw_is_ours "$PID"; then
            die "$s has no running $COMM"
        fi
        kill -STOP "$PID"
        set_state "$s" frozen
    done
}

cw_thaw() {
    local s back=
    cw_servers_of "$1" any
    for s in "${SEL[@]}"; do
        state_of "$s"
        [[ $STATE == frozen ]] || continue
        cw_comm_of "$s"
        read_pid "$s" && cw_is_ours "$PID" && kill -CONT "$PID"
        set_state "$s" running
        cw_is_auth "$s" && back=1
    done
    [[ -z $back ]] || cw_forget_infra
}

# The public addresses are on lo only because the lab put them there; without
# one, dig finds no route to it.
cw_plug() {
    local s want=$1 on
    cw_servers_of "$2" resolver
    for s in "${SEL[@]}"; do
        [[ $s != system ]] || { [[ $2 == all ]] && continue; die "the system resolver is on 127.0.0.0/8, which is always routed"; }
        on=$(ip -4 addr show dev lo)
        if [[ $on == *" ${ADDR[$s]}/32 "* ]]; then
            [[ $want == plug ]] || ip addr del "${ADDR[$s]}/32" dev lo || die "cannot remove ${ADDR[$s]}"
            # The lab's default route over loopback would still take the
            # packets; an unreachable route is what a lost network looks like.
            [[ $want == plug ]] || ip route add unreachable "${ADDR[$s]}/32" ||
                die "cannot cut the route to ${ADDR[$s]}"
        else
            [[ $want == unplug ]] || ip route del unreachable "${ADDR[$s]}/32" 2>/dev/null || true
            [[ $want == unplug ]] || ip addr add "${ADDR[$s]}/32" dev lo || die "cannot add ${ADDR[$s]}"
        fi
    done
}

cw_running_resolver() {
    state_of "$1"
    [[ $STATE == running ]] || die "$1 is $STATE"
}

cw_prime() {
    (($# == 2 || $# == 3)) || die "usage: prime RESOLVER NAME [TYPE]"
    local s
    cw_servers_of "$1" resolver
    for s in "${SEL[@]}"; do
        cw_running_resolver "$s"
        /usr/bin/dig -r +time=3 +tries=1 +short "@${ADDR[$s]}" "$2" "${3:-A}" >/dev/null ||
            die "prime: $s did not answer"
    done
}

cw_flush() {
    (($# == 1 || $# == 2)) || die "usage: flush RESOLVER [NAME]"
    local s zone=.
    [[ $# == 2 ]] && { check_name "${2%.}"; zone=$2; }
    cw_servers_of "$1" resolver
    for s in "${SEL[@]}"; do
        cw_running_resolver "$s"
        cw_control "$s" flush_zone "$zone" >/dev/null || die "flush: $s did not answer"
        cw_control "$s" flush_negative >/dev/null
    done
}

# The message cache holds what a query is answered with; its entry's TTL is
# the smallest of the answer's records (for a negative answer, the SOA's).
cw_ttl() {
    (($# == 2 || $# == 3)) || die "usage: ttl RESOLVER NAME [TYPE]"
    local name=${2,,} type=${3:-A} line
    type=${type^^}
    [[ $name == *. ]] || name+=.
    cw_servers_of "$1" resolver
    ((${#SEL[@]} == 1)) || die "ttl: one resolver"
    cw_running_resolver "${SEL[0]}"
    local dump
    dump=$(cw_control "${SEL[0]}" dump_cache) || die "ttl: ${SEL[0]} did not answer"
    # The entry lasts while its message and every record set it names do.
    awk -v name="$name" -v type="$type" '
        /^START_RRSET_CACHE/ { sec = "rrset"; next }
        /^START_MSG_CACHE/ { sec = "msg"; next }
        /^END_/ { sec = ""; next }
        sec == "rrset" && /^;rrset/ { ttl = $2; want = 1; next }
        sec == "rrset" && want { rr[tolower($1) " " $4] = ttl; want = 0; next }
        sec == "msg" && $1 == "msg" {
            if (found) exit
            if (tolower($2) == name && $3 == "IN" && $4 == type) { found = 1; min = $7 }
            next
        }
        sec == "msg" && found {
            key = tolower($1) " " $3
            if (!(key in rr)) { min = -1; exit }
            if (rr[key] < min) min = rr[key]
        }
        END { if (found && min >= 0) print min }' <<<"$dump"
}

cw_fail() {
    (($# == 3)) || die "usage: fail RESOLVER NAME refused|timeout|servfail|none"
    local s name=$2
    check_name "${name%.}"
    cw_servers_of "$1" resolver
    for s in "${SEL[@]}"; do
        cw_running_resolver "$s"
        # Local zones come before the cache and the stub.
        cw_control "$s" local_zone_remove "$name" >/dev/null
        cw_control "$s" stub_remove "$name" >/dev/null
        cw_control "$s" flush_zone "$name" >/dev/null
        case $3 in
        refused) cw_control "$s" local_zone "$name" always_refuse >/dev/null ;;
        timeout) cw_control "$s" local_zone "$name" deny >/dev/null ;;
        # A stub to the refuser: its only server refuses, and the resolver
        # answers SERVFAIL at once.
        servfail) cw_control "$s" stub_add "$name" "${ADDR[refuser]}" >/dev/null ;;
        none) ;;
        *) die "fail: refused, timeout, servfail or none, not '$3'" ;;
        esac
    done
}

cw_reset() {
    local s
    cw_plug plug all
    for s in "${CW_AUTH[@]}"; do
        state_of "$s"
        [[ $STATE == frozen ]] && cw_kill_server "$s" && set_state "$s" stopped
        cw_fresh_zone "$s"
        state_of "$s"
        if [[ $STATE == stopped ]]; then
            cw_start_server "$s"
            set_state "$s" running
        else
            cw_reload "$s" || die "$RELOAD_ERROR"
        fi
    done
    # A new resolver has an empty cache and has heard of no fault.
    for s in "${CW_RESOLVERS[@]}"; do
        cw_kill_server "$s"
        cw_start_server "$s"
        set_state "$s" running
    done
}

cw_status() {
    local s dir serial
    for s in "${CW_AUTH[@]}" "${CW_RESOLVERS[@]}" refuser; do
        dir=$DNSLAB_DIR/servers/$s
        read_pid "$s"
        state_of "$s"
        cw_comm_of "$s"
        printf '%-11s %-10s %-8s pid %-6s %s\n' "$s" "${ADDR[$s]}" "$COMM" "${PID:--}" "$STATE"
        if cw_is_auth "$s"; then
            while IFS= read -r line; do printf '    %s\n' "$line"; done <"$dir/example.test.zone"
        fi
    done
}

# ------------------------------------------------------ world start and end --

cw_up() {
    printf '. %s IN NS lab-root.\nlab-root. %s IN A 127.0.0.1\n' "$CW_INFRA_TTL" "$CW_INFRA_TTL" \
        >"$DNSLAB_DIR/root.hints"
    local s dir
    for s in refuser "${CW_AUTH[@]}" "${CW_RESOLVERS[@]}"; do
        dir=$DNSLAB_DIR/servers/$s
        mkdir -p "$dir/tmp" "$dir/db"
        if cw_is_auth "$s"; then
            cw_knot_conf "$s"
            cw_fresh_zone "$s"
        elif [[ $s != refuser ]]; then
            cw_unbound_conf "$s"
        fi
        set_state "$s" running
        cw_start_server "$s"
    done
}

cw_down() {
    local s
    for s in "${CW_RESOLVERS[@]}" "${CW_AUTH[@]}" refuser; do
        cw_kill_server "$s"
    done
}

# Control commands of the caching world.
cw_main() {
    local cmd=$1
    shift
    case $cmd in
    set | negttl | prime | flush | ttl | fail) require_lab; "cw_$cmd" "$@" ;;
    stop | start | freeze | thaw)
        (($# == 1)) || die "usage: $cmd SERVER"
        require_lab
        "cw_$cmd" "$1"
        ;;
    unplug | plug)
        (($# == 1)) || die "usage: $cmd RESOLVER"
        require_lab
        cw_plug "$cmd" "$1"
        ;;
    reset) require_lab; cw_reset ;;
    status) require_lab; cw_status ;;
    *) die "'$cmd' is a command of the static world; this lab is the caching world (see dnslab help)" ;;
    esac
}

# ---------------------------------------------------------------- selftest --

# dig's long form as the resolver code runs it: the response status (or
# "failed N" for exit status N) in RCODE, the answer's data in OUT (sorted,
# one line each), time in MS.
cw_dig() {
    local t0 t1 line
    t0=${EPOCHREALTIME/[.,]/}
    TEXT=$(/usr/bin/dig -r +time=3 +tries=1 +noall +comments +answer "$@" 2>/dev/null)
    RC=$?
    t1=${EPOCHREALTIME/[.,]/}
    MS=$(((10#$t1 - 10#$t0) / 1000))
    RCODE="failed $RC" OUT=
    ((RC == 0)) || return 0
    local -a data=()
    while IFS= read -r line; do
        if [[ $line == *'status: '* ]]; then
            RCODE=${line#*status: }
            RCODE=${RCODE%%,*}
        elif [[ -n $line && $line != \;* ]]; then
            read -r _ _ _ _ line <<<"$line"
            data+=("$line")
        fi
    done <<<"$TEXT"
    ((${#data[@]})) && OUT=$(printf '%s\n' "${data[@]}" | sort)
}

cw_check() {
    local what=$1 ok=$2 detail=${3:-}
    if ((ok)); then
        PASSED=$((PASSED + 1))
        printf 'ok    %-52s %5d ms\n' "$what" "$MS"
    else
        FAILED=$((FAILED + 1))
        printf 'FAIL  %-52s %s\n' "$what" "$detail"
    fi
}

# The status and data of one query; extra words after "--" are the wanted
# time window in ms (min max).
cw_expect() {
    local what=$1 rcode=$2 out=$3 lo=0 hi=2500
    shift 3
    local -a args=()
    while (($#)) && [[ $1 != -- ]]; do args+=("$1"); shift; done
    (($#)) && lo=$2 hi=$3
    cw_dig "${args[@]}"
    cw_check "$what" "$([[ $RCODE == "$rcode" && $OUT == "$out" ]] && ((MS >= lo && MS <= hi)) && echo 1 || echo 0)" \
        "got $RCODE ${OUT//$'\n'/ } in $MS ms (wanted $rcode ${out//$'\n'/ } in $lo..$hi ms)"
}

cw_ctl() {
    "$DNSLAB" "$@" || cw_check "dnslab $*" 0 "status $?"
}

# Waits (polling the cache, not the resolver) until NAME's entry on RESOLVER
# is gone; the time it took in MS.
cw_wait_expiry() {
    local t0 t1 left
    t0=${EPOCHREALTIME/[.,]/}
    while left=$("$DNSLAB" ttl "$1" "$2") && [[ -n $left ]]; do nap 0.05; done
    t1=${EPOCHREALTIME/[.,]/}
    MS=$(((10#$t1 - 10#$t0) / 1000))
}

cw_selftest() {
    local s t
    PASSED=0 FAILED=0
    open_nap
    cw_ctl reset
    cw_expect "the zone's SOA from ns1" NOERROR "$(printf 'ns1.example.test. hostmaster.example.test. %s 3600 600 86400 %s' \
        "$(<"$DNSLAB_DIR/servers/ns1/serial")" "$CW_DEFAULT_NEGTTL")" "@${ADDR[ns1]}" example.test SOA
    local soa=$OUT
    for s in "${CW_RESOLVERS[@]}"; do
        cw_expect "the same through $s" NOERROR "$soa" "@${ADDR[$s]}" example.test SOA
    done
    cw_expect "other names are answered by the resolver" NXDOMAIN "" @8.8.8.8 example.com A -- 0 500
    cw_ctl set all www.example.test A 2 192.0.2.1
    cw_expect "a record, first asked" NOERROR 192.0.2.1 @1.1.1.1 www.example.test A
    t=$("$DNSLAB" ttl cloudflare www.example.test)
    cw_check "its remaining TTL, read from the cache" "$([[ $t == [12] ]] && echo 1 || echo 0)" "got '$t'"
    cw_ctl set all www.example.test A 2 192.0.2.2
    cw_expect "changed: the cache keeps the old value" NOERROR 192.0.2.1 @1.1.1.1 www.example.test A
    cw_wait_expiry cloudflare www.example.test
    cw_check "the entry expires within its TTL + 1 s" "$((MS <= 3200))" "after $MS ms"
    cw_expect "then the new value" NOERROR 192.0.2.2 @1.1.1.1 www.example.test A
    cw_ctl set ns2 www.example.test A 2 192.0.2.3
    cw_expect "ns2 lags" NOERROR 192.0.2.3 @"${ADDR[ns2]}" www.example.test A
    cw_expect "ns1 does not" NOERROR 192.0.2.2 @"${ADDR[ns1]}" www.example.test A
    cw_ctl negttl all 2
    cw_expect "negative answer" NXDOMAIN "" @9.9.9.9 new.example.test A
    t=$("$DNSLAB" ttl quad9 new.example.test)
    cw_check "its remaining TTL is the SOA minimum" "$([[ $t == [12] ]] && echo 1 || echo 0)" "got '$t'"
    cw_ctl set all new.example.test A 60 192.0.2.4
    cw_expect "a new name stays unseen while cached" NXDOMAIN "" @9.9.9.9 new.example.test A
    cw_wait_expiry quad9 new.example.test
    cw_expect "then it appears" NOERROR 192.0.2.4 @9.9.9.9 new.example.test A
    cw_ctl prime google new.example.test
    cw_ctl flush google
    t=$("$DNSLAB" ttl google new.example.test)
    cw_check "prime, then flush empties the cache" "$([[ -z $t ]] && echo 1 || echo 0)" "got '$t'"
    cw_ctl fail system bad.example.test refused
    cw_expect "REFUSED" REFUSED "" bad.example.test A
    cw_ctl fail cloudflare bad.example.test servfail
    cw_expect "SERVFAIL" SERVFAIL "" @1.1.1.1 bad.example.test A -- 0 500
    cw_ctl stop ns1
    cw_ctl stop ns2
    cw_dig @8.8.8.8 down.example.test A
    cw_check "both authoritative servers down: SERVFAIL or no answer" \
        "$([[ $RCODE == SERVFAIL || $RCODE == "failed 9" ]] && echo 1 || echo 0)" "got $RCODE"
    cw_ctl start all
    cw_ctl stop cloudflare
    cw_expect "stopped resolver fails at once" "failed 9" "" @1.1.1.1 www.example.test A -- 0 1000
    cw_ctl start cloudflare
    cw_ctl freeze quad9
    cw_expect "frozen resolver times out" "failed 9" "" @9.9.9.9 www.example.test A -- 2900 4000
    cw_ctl thaw quad9
    cw_expect "thawed" NOERROR 192.0.2.4 @9.9.9.9 new.example.test A
    cw_ctl unplug google
    cw_expect "unplugged resolver: no route" "failed 9" "" @8.8.8.8 new.example.test A -- 0 1000
    cw_ctl plug google
    cw_expect "plugged in again" NOERROR 192.0.2.4 @8.8.8.8 new.example.test A
    local out
    out=$(ip route show table all | grep -v ' dev lo ')
    out+=$(ip -6 route show table all | grep -v ' dev lo ')
    MS=0
    cw_check "only loopback routes" "$([[ -z $out ]] && echo 1 || echo 0)" "$out"
    cw_ctl reset
    printf 'selftest (caching world): %d passed, %d failed\n' "$PASSED" "$FAILED"
    ((FAILED == 0))
}
