# A private Firebird server on 127.0.0.1:3050 for scripts/test and bench/run.
# Sourced, after common.sh; the caller installs firebird3.0-server first.
# The server and its tools run as user firebird with the system's lock
# folder, never a caller's FIREBIRD_LOCK (a folder of the caller's own).

SERVER_PORT=3050
SECURITY_DATABASE=/var/lib/firebird/3.0/system/security3.fdb
SERVER_START_TIMEOUT=30   # seconds

SERVER_PID=""
SERVER_DIR=""

port_answers() {
    (exec 3<>"/dev/tcp/127.0.0.1/$SERVER_PORT") 2>/dev/null
}

# Stops only the server this script started, and removes its folder.
stop_server() {
    if [[ -n $SERVER_PID ]]; then
        kill -TERM "$SERVER_PID" 2>/dev/null || true
        wait "$SERVER_PID" 2>/dev/null || true
        wait_for_port_to_close
        SERVER_PID=""
    fi
    if [[ -n $SERVER_DIR ]]; then
        as_root rm -rf "$SERVER_DIR"
        SERVER_DIR=""
    fi
}

wait_for_port_to_close() {
    local deadline=$((SECONDS + SERVER_START_TIMEOUT))
    while port_answers && ((SECONDS < deadline)); do sleep 0.2; done
}

# start_server PASSWORD LOG: sets SYSDBA's password in the security
# database, then starts the server, as user firebird, with its database
# folder SERVER_DIR (owned by firebird) and its output in LOG.
start_server() {
    local password=$1 log=$2
    # Where the package's own scripts start the system server on installation,
    # that server is ours to stop: we just installed it.
    if port_answers && [[ " ${JUST_INSTALLED[*]} " == *" firebird3.0-server "* ]]; then
        say "Stopping the Firebird server that the package installation started"
        as_root invoke-rc.d firebird3.0 stop || true
        wait_for_port_to_close
    fi
    if port_answers; then
        die "something already listens on port $SERVER_PORT. The server tests and" \
            "benchmarks need a Firebird server of their own there: stop the running one (for the system" \
            "server: systemctl stop firebird3.0) and try again."
    fi
    # The SYSDBA password can only be set this way while no server runs.
    say "Setting the SYSDBA password of the private server"
    echo "create or alter user SYSDBA password '$password' using plugin Srp; commit;" |
        as_root env -u FIREBIRD_LOCK runuser -u firebird -- isql-fb -q -user SYSDBA "$SECURITY_DATABASE" ||
        die "could not set the SYSDBA password in $SECURITY_DATABASE"

    # The server runs as user firebird: its databases must be that user's.
    SERVER_DIR="$(mktemp -d "${TMPDIR:-/tmp}/gravelin-server.XXXXXX")"
    as_root chown firebird:firebird "$SERVER_DIR"
    as_root chmod 0770 "$SERVER_DIR"

    say "Starting the Firebird server on 127.0.0.1:$SERVER_PORT"
    root_prefix
    "${ROOT_PREFIX[@]}" env -u FIREBIRD_LOCK setpriv --reuid=firebird --regid=firebird --init-groups \
        /usr/sbin/fbguard -forever -pidfile "$SERVER_DIR/firebird.pid" \
        >"$log" 2>&1 &
    SERVER_PID=$!

    local deadline=$((SECONDS + SERVER_START_TIMEOUT))
    until port_answers; do
        if ! kill -0 "$SERVER_PID" 2>/dev/null; then
            SERVER_PID=""
            cat "$log" >&2 || true
            die "the Firebird server stopped right after starting"
        fi
        ((SECONDS < deadline)) || die "the Firebird server did not answer within ${SERVER_START_TIMEOUT}s"
        sleep 0.2
    done
}

