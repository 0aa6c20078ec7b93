#!/usr/bin/env bash
# Pictures of Tolvex for the documentation: scripts/screenshots.sh DIR
# Runs the program built by ./run (build/bin, or TOLVEX_BIN) under a virtual X display on a
# practice station wired to the TNC simulator, made the net control station so its console is
# open, and writes into DIR: main.png (with the practice station's first received message),
# compose.png, net-control.png and log.png. Fails when a picture is missing or empty.
set -euo pipefail
TOLVEX_ROOT=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: scripts/screenshots.sh DIR}
bin=${TOLVEX_BIN:-$TOLVEX_ROOT/build/bin}
size=${TOLVEX_SCREEN:-1280x1024}
mkdir -p "$out"
out=$(cd "$out" && pwd)
for program in tolvex tncsim; do
  [ -x "$bin/$program" ] || { echo "no $bin/$program: build it first (./run builds build/bin)" >&2; exit 1; }
done

work=$(mktemp -d)
sim=
trap '[ -z "$sim" ] || kill $sim 2>/dev/null || true; rm -rf "$work"' EXIT
station=$work/station
cp -r "$bin/station-default" "$station"
# A callsign skips the first-run window; the station runs the net so the control console opens.
sed -i -e 's/^Callsign=.*/Callsign=N0TLV/' -e 's/^FCC=.*/FCC=N0TLV/' -e 's/^SSID=.*/SSID=N0TLV-1/' \
  -e 's/^NetOperation=.*/NetOperation=1/' -e 's/^ThisNCS=.*/ThisNCS=1/' \
  -e 's/^NCSCallsign=.*/NCSCallsign=N0TLV/' -e 's/^GroupAd(0)=.*/GroupAd(0)=EOC Emergency operations/' \
  "$station/Parms.inf"
rm -f "$out"/{main,compose,net-control,log}.png

"$bin/tncsim" --echo --node NOD1:N0NOD1 --node NOD2:N0NOD2 \
  --script "$TOLVEX_ROOT/tools/tncsim/practice.script" "$station=N0TLV" >"$work/sim.log" 2>&1 &
sim=$!
for _ in $(seq 100); do
  grep -q "tncsim ready" "$work/sim.log" && break
  kill -0 $sim 2>/dev/null || { cat "$work/sim.log" >&2; echo "The TNC simulator did not start." >&2; exit 1; }
  sleep 0.1
done

# The program takes the pictures itself once its windows are up, then ends.
status=0
TOLVEX_SCREENSHOT_DIR=$out XDG_RUNTIME_DIR=$work timeout 150 \
  xvfb-run -a -s "-screen 0 ${size}x24" "$bin/tolvex" "$station" >"$work/tolvex.log" 2>&1 || status=$?

missing=0
for picture in main compose net-control log; do
  if [ ! -s "$out/$picture.png" ]; then
    echo "missing or empty: $out/$picture.png" >&2
    missing=1
  fi
done
if [ $status != 0 ] || [ $missing != 0 ]; then
  cat "$work/tolvex.log" >&2
  echo "screenshots failed (exit $status)" >&2
  exit 1
fi
echo "Pictures in $out: main.png compose.png net-control.png log.png"
