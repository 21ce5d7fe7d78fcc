# Sourced by scripts that need the headless sound server and a virtual display.
# start_services / stop_services; both are safe to call twice.

KIV_RUN_DIR="${KIV_RUN_DIR:-/tmp/kiv-services-$$}"

start_sound_server() {
    mkdir -p "$KIV_RUN_DIR/runtime"
    chmod 700 "$KIV_RUN_DIR/runtime"
    export XDG_RUNTIME_DIR="$KIV_RUN_DIR/runtime"
    export PULSE_RUNTIME_PATH="$XDG_RUNTIME_DIR/pulse"
    unset PULSE_SERVER
    if pactl info >/dev/null 2>&1; then
        return 0
    fi
    pulseaudio -D -n --exit-idle-time=-1 --disallow-exit --disable-shm=false \
        --load="module-native-protocol-unix auth-anonymous=1" \
        --load="module-null-sink sink_name=nullsink" \
        --load="module-remap-source master=nullsink.monitor source_name=mic" \
        --log-target=file:"$KIV_RUN_DIR/pulseaudio.log" 2>>"$KIV_RUN_DIR/pulseaudio.log" || true
    for _ in $(seq 50); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    if ! pactl info >/dev/null 2>&1; then
        echo "services: the sound server did not start (see $KIV_RUN_DIR/pulseaudio.log)" >&2
        return 1
    fi
    pactl set-default-sink nullsink
    pactl set-default-source mic
    # A steady low-latency stream keeps the null sink moving in small blocks instead of ~2 s ones.
    pacat --playback --latency-msec=20 --raw /dev/zero >/dev/null 2>&1 &
    echo $! >"$KIV_RUN_DIR/pacat.pid"
    # The sink settles into small blocks only after a few seconds; the first recordings wait for that.
    sleep 3
    export KIV_SOUND_SERVER=1
}

start_display() {
    if [ -n "${KIV_XVFB_STARTED:-}" ]; then
        return 0
    fi
    local n pid
    mkdir -p "$KIV_RUN_DIR"
    for n in $(seq 90 120); do
        [ -e "/tmp/.X${n}-lock" ] && continue
        # -noreset: by default the server resets when its last client goes, and refuses the next program
        # that connects meanwhile.
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$KIV_RUN_DIR/xvfb.log" 2>&1 &
        pid=$!
        echo "$pid" >"$KIV_RUN_DIR/xvfb.pid"
        export DISPLAY=":$n"
        # The display is ours only when our server holds its lock: two runs that chose the same number at
        # the same moment would otherwise share the winner's server, and lose it when that run stops.
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            if [ "$(cat "/tmp/.X${n}-lock" 2>/dev/null | tr -d '[:space:]')" = "$pid" ] && xdpyinfo >/dev/null 2>&1; then
                export KIV_XVFB_STARTED=1
                return 0
            fi
            sleep 0.1
        done
        kill "$pid" 2>/dev/null || true
    done
    echo "services: Xvfb did not start" >&2
    return 1
}

# A private CUPS server (its own socket, spool and logs under KIV_RUN_DIR) with one PDF queue, so tests
# print the way a user's printer does. Exports CUPS_SERVER, KIV_TEST_PRINTER (the queue's name) and
# KIV_TEST_PRINTS (the folder its PDF files land in). Needs root: the PDF backend runs only as root.
start_print_queue() {
    if [ -n "${KIV_TEST_PRINTER:-}" ]; then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ] || ! command -v cupsd >/dev/null || [ ! -x /usr/lib/cups/backend/cups-pdf ]; then
        echo "services: no print queue (needs root, cups and printer-driver-cups-pdf)" >&2
        return 1
    fi
    local c="$KIV_RUN_DIR/cups" queue="KIV_$$"
    mkdir -p "$c/etc" "$c/spool" "$c/cache" "$c/state" "$c/tmp" "$c/log" "$c/pdf" "$c/pdf-spool"
    # The filters run as lp: they must reach the spool and the temporary files, as in a system install.
    chmod 755 "$KIV_RUN_DIR" "$c"
    chgrp lp "$c/spool" && chmod 0710 "$c/spool"
    chmod 1777 "$c/tmp" "$c/pdf" "$c/pdf-spool"
    cat >"$c/etc/cupsd.conf" <<EOF
Listen $c/cups.sock
LogLevel warn
WebInterface No
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
    cat >"$c/etc/cups-files.conf" <<EOF
ServerRoot $c/etc
RequestRoot $c/spool
CacheDir $c/cache
StateDir $c/state
TempDir $c/tmp
AccessLog $c/log/access_log
ErrorLog $c/log/error_log
PageLog $c/log/page_log
Printcap $c/printcap
Sandboxing Relaxed
EOF
    # The PDF backend reads its settings only from /etc/cups, by the name in the device URI: one file
    # per run, removed again by stop_print_queue.
    cat >"/etc/cups/cups-pdf-$queue.conf" <<EOF
Out $c/pdf
AnonDirName $c/pdf
Spool $c/pdf-spool
Log $c/log
Grp root
EOF
    echo "$queue" >"$KIV_RUN_DIR/cups.queue"
    cupsd -f -c "$c/etc/cupsd.conf" -s "$c/etc/cups-files.conf" >>"$c/log/cupsd.out" 2>&1 &
    echo $! >"$KIV_RUN_DIR/cupsd.pid"
    export CUPS_SERVER="$c/cups.sock"
    for _ in $(seq 50); do
        lpstat -r >/dev/null 2>&1 && break
        sleep 0.1
    done
    if ! lpadmin -p "$queue" -E -v "cups-pdf:/$queue" -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
        2>>"$c/log/lpadmin.log"; then
        echo "services: the print queue did not start (see $c/log)" >&2
        return 1
    fi
    export KIV_TEST_PRINTER="$queue" KIV_TEST_PRINTS="$c/pdf"
}

stop_print_queue() {
    if [ -f "$KIV_RUN_DIR/cupsd.pid" ]; then
        kill "$(cat "$KIV_RUN_DIR/cupsd.pid")" 2>/dev/null || true
        rm -f "$KIV_RUN_DIR/cupsd.pid"
    fi
    if [ -f "$KIV_RUN_DIR/cups.queue" ]; then
        local queue
        queue="$(cat "$KIV_RUN_DIR/cups.queue")"
        rm -f "/etc/cups/cups-pdf-$queue.conf" "/var/log/cups/cups-pdf-${queue}_log" "$KIV_RUN_DIR/cups.queue"
    fi
    unset CUPS_SERVER KIV_TEST_PRINTER KIV_TEST_PRINTS
}

start_services() {
    mkdir -p "$KIV_RUN_DIR"
    start_sound_server || true
    start_display || true
    start_print_queue || true
}

stop_services() {
    stop_print_queue
    if [ -f "$KIV_RUN_DIR/pacat.pid" ]; then
        kill "$(cat "$KIV_RUN_DIR/pacat.pid")" 2>/dev/null || true
        rm -f "$KIV_RUN_DIR/pacat.pid"
    fi
    if [ -n "${XDG_RUNTIME_DIR:-}" ] && [ -n "${KIV_SOUND_SERVER:-}" ]; then
        pulseaudio --kill 2>/dev/null || true
        unset KIV_SOUND_SERVER
    fi
    if [ -f "$KIV_RUN_DIR/xvfb.pid" ]; then
        kill "$(cat "$KIV_RUN_DIR/xvfb.pid")" 2>/dev/null || true
        rm -f "$KIV_RUN_DIR/xvfb.pid"
        unset KIV_XVFB_STARTED
    fi
    rm -rf "$KIV_RUN_DIR"
}
