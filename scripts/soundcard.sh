# Two sound-card modems joined by a private PulseAudio "air", for trying Tolvex's AGW link
# without radios. Sourced by ./run --soundcard and the end-to-end tests.
#
#   soundcard_start DIR AGWPORT_A AGWPORT_B CALL_A CALL_B [cdigipeat-a|cdigipeat-b]
#   soundcard_stop DIR
#
# With cdigipeat-a or cdigipeat-b that modem also repeats connected-mode frames addressed through
# its call (CDIGIPEAT; its plain DIGIPEAT repeats only UI frames), so a link can run via it.
#
# Everything lives under DIR (config, socket, logs, PIDs), so several pairs can run side by side
# as long as their ports differ (each modem also takes AGWPORT+1 for KISS).

# Sink volume that gives the modems an audio level near 64 (full volume is "too high").
soundcard_volume=45000

# Runs a command (replacing the shell it runs in, so a background job's $! is its PID) with the
# private sound server and a home of its own, so nothing touches a desktop's sound server.
_soundcard_exec() {
  local dir=$1
  shift
  HOME="$dir/home" XDG_RUNTIME_DIR="$dir/xdg" PULSE_SERVER="unix:$dir/pulse.sock" \
    PULSE_CLIENTCONFIG="$dir/client.conf" exec "$@"
}

# Writes one modem's config: _soundcard_modem FILE CALL LISTEN_SINK TRANSMIT_SINK AGWPORT [digi]
_soundcard_modem() {
  cat >"$1" <<EOF
ADEVICE pulse:$3.monitor pulse:$4
ARATE 44100
ACHANNELS 1
CHANNEL 0
MYCALL $2
MODEM 1200
TXDELAY 10
TXTAIL 3
DWAIT 0
SLOTTIME 1
PERSIST 255
FRACK 2
RETRY 3
AGWPORT $5
KISSPORT $(($5 + 1))
EOF
  if [ "${6:-}" = digi ]; then
    echo "CDIGIPEAT 0 0" >>"$1"
  fi
}

soundcard_start() {
  if [ $# -lt 5 ] || [ $# -gt 6 ]; then
    echo "usage: soundcard_start DIR AGWPORT_A AGWPORT_B CALL_A CALL_B [cdigipeat-a|cdigipeat-b]" >&2
    return 2
  fi
  local dir=$1 portA=$2 portB=$3 callA=$4 callB=$5 digiA= digiB=
  case "${6:-}" in
    "") ;;
    cdigipeat-a) digiA=digi ;;
    cdigipeat-b) digiB=digi ;;
    *)
      echo "soundcard: unknown option $6 (cdigipeat-a or cdigipeat-b)" >&2
      return 2
      ;;
  esac
  local p
  # Dire Wolf takes AGW and KISS ports from 1024 to 49151 and quietly uses 8000 for any other.
  for p in "$portA" "$portB"; do
    if ! [[ $p =~ ^[0-9]+$ ]] || [ "$p" -lt 1024 ] || [ "$p" -gt 49150 ]; then
      echo "soundcard: AGW port $p is outside 1024-49150 (the modem also takes the port after it)" >&2
      return 2
    fi
  done
  for p in direwolf pulseaudio; do
    command -v "$p" >/dev/null || { echo "soundcard: $p is not installed" >&2; return 1; }
  done
  mkdir -p "$dir/home" "$dir/xdg" || return 1
  chmod 700 "$dir/xdg"
  rm -f "$dir/pids" "$dir/pulse.sock" "$dir/pulse.log" "$dir/modem-a.log" "$dir/modem-b.log"
  local started=$(date +%s%N)

  echo "autospawn = no" >"$dir/client.conf"
  cat >"$dir/air.pa" <<EOF
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/pulse.sock
load-module module-null-sink sink_name=air_a rate=44100 channels=1
load-module module-null-sink sink_name=air_b rate=44100 channels=1
set-sink-volume air_a $soundcard_volume
set-sink-volume air_b $soundcard_volume
EOF
  _soundcard_modem "$dir/modem-a.conf" "$callA" air_b air_a "$portA" "$digiA"
  _soundcard_modem "$dir/modem-b.conf" "$callB" air_a air_b "$portB" "$digiB"

  _soundcard_exec "$dir" pulseaudio -n -F "$dir/air.pa" --daemonize=no --exit-idle-time=-1 \
    </dev/null >"$dir/pulse.log" 2>&1 &
  echo $! >>"$dir/pids"
  local i
  for i in $(seq 50); do
    [ -S "$dir/pulse.sock" ] && break
    sleep 0.1
  done
  if [ ! -S "$dir/pulse.sock" ]; then
    echo "soundcard: PulseAudio did not start; its log ($dir/pulse.log):" >&2
    tail -n 5 "$dir/pulse.log" >&2
    soundcard_stop "$dir"
    return 1
  fi

  local side
  for side in a b; do
    _soundcard_exec "$dir" direwolf -c "$dir/modem-$side.conf" -t 0 \
      </dev/null >"$dir/modem-$side.log" 2>&1 &
    echo $! >>"$dir/pids"
  done

  local readyA=0 readyB=0
  for i in $(seq 150); do
    grep -q "Ready to accept AGW client application 0 on port $portA" "$dir/modem-a.log" && readyA=1
    grep -q "Ready to accept AGW client application 0 on port $portB" "$dir/modem-b.log" && readyB=1
    [ $readyA = 1 ] && [ $readyB = 1 ] && break
    grep -q "Bind failed" "$dir/modem-a.log" "$dir/modem-b.log" && break
    sleep 0.1
  done
  if [ $readyA != 1 ] || [ $readyB != 1 ]; then
    if grep -q "Address already in use" "$dir/modem-a.log" "$dir/modem-b.log"; then
      echo "soundcard: a port of $portA, $portB (or the KISS port after each) is already in use." >&2
    else
      echo "soundcard: the modems were not ready for AGW clients within 15 s (A ready: $readyA, B ready: $readyB)." >&2
    fi
    for side in a b; do
      echo "--- $dir/modem-$side.log" >&2
      tail -n 8 "$dir/modem-$side.log" >&2
    done
    soundcard_stop "$dir"
    return 1
  fi
  # A frame sent in the modem's first second is lost while its audio settles.
  sleep 1.2
  echo "soundcard ready: modem A ($callA) AGW port $portA, modem B ($callB) AGW port $portB," \
    "in $((($(date +%s%N) - started) / 1000000)) ms"
}

soundcard_stop() {
  local dir=$1
  [ -f "$dir/pids" ] || return 0
  local pid pids
  pids=$(cat "$dir/pids")
  for pid in $pids; do
    kill "$pid" 2>/dev/null || true
  done
  local i
  for i in $(seq 30); do
    local alive=0
    for pid in $pids; do
      kill -0 "$pid" 2>/dev/null && alive=1
    done
    [ $alive = 0 ] && break
    sleep 0.1
  done
  for pid in $pids; do
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -f "$dir/pids"
  return 0
}
