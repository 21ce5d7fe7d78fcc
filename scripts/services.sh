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
    local n
    mkdir -p "$KIV_RUN_DIR"
    for n in $(seq 90 120); do
        [ -e "/tmp/.X${n}-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$KIV_RUN_DIR/xvfb.log" 2>&1 &
        echo $! >"$KIV_RUN_DIR/xvfb.pid"
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            xdpyinfo >/dev/null 2>&1 && break
            sleep 0.1
        done
        if xdpyinfo >/dev/null 2>&1; then
            export KIV_XVFB_STARTED=1
            return 0
        fi
        kill "$(cat "$KIV_RUN_DIR/xvfb.pid")" 2>/dev/null || true
    done
    echo "services: Xvfb did not start" >&2
    return 1
}

start_services() {
    mkdir -p "$KIV_RUN_DIR"
    start_sound_server || true
    start_display || true
}

stop_services() {
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
