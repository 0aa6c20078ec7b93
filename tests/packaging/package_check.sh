#!/usr/bin/env bash
# Checks the installed program's files.
#   package_check.sh tree BUILD_DIR SOURCE_DIR   installs BUILD_DIR into a temporary DESTDIR, checks
#                                                the file list and the validators, and starts the
#                                                installed program once on a fresh user folder
#   package_check.sh deb PACKAGE.deb SOURCE_DIR  checks the package's file list and dependencies
set -euo pipefail
mode=$1 input=$2 src=$3
id=io.github.tolvex.Tolvex
work=$(mktemp -d)
program=
trap '[ -z "$program" ] || kill "$program" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Every file the program installs, under the prefix; the station template is the sources'.
expected_files() {
  echo usr/bin/tolvex
  echo usr/share/applications/$id.desktop
  echo usr/share/metainfo/$id.metainfo.xml
  echo usr/share/icons/hicolor/scalable/apps/$id.svg
  for s in 16 22 24 32 48 64 128 256; do echo "usr/share/icons/hicolor/${s}x$s/apps/$id.png"; done
  (cd "$src/station" && find Parms.inf MsgNo.inf callsign.lst Forms Help -type f) |
    sed 's#^#usr/share/tolvex/station-default/#'
  echo usr/share/tolvex/station-default/pmr.wav
}

compare_files() { # the actual list on stdin
  sort >"$work/actual"
  expected_files | sort >"$work/expected"
  diff -u "$work/expected" "$work/actual" || fail "installed files differ from the expected list (- expected, + installed)"
}

case $mode in
tree)
  dest=$work/dest
  DESTDIR=$dest cmake --install "$input" --prefix /usr >/dev/null
  (cd "$dest" && find . -type f | sed 's#^\./##') | compare_files
  [ -d "$dest/usr/share/tolvex/station-default/Messages" ] || fail "no Messages folder in the station template"
  desktop-file-validate "$dest/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
  appstreamcli validate --no-net "$dest/usr/share/metainfo/$id.metainfo.xml" >"$work/appstream" 2>&1 ||
    { cat "$work/appstream" >&2; fail "appstreamcli validate"; }
  for s in 16 256; do
    [ -s "$dest/usr/share/icons/hicolor/${s}x$s/apps/$id.png" ] || fail "empty ${s}px icon"
  done

  # Started from the install with no station named, the program makes the operator's own station
  # from the installed template and writes nothing under the prefix.
  before=$(cd "$dest" && find . -printf '%p %s %T@ %m\n' | sort | md5sum)
  XDG_DATA_HOME=$work/data QT_QPA_PLATFORM=offscreen "$dest/usr/bin/tolvex" >"$work/log" 2>&1 &
  program=$!
  station=$work/data/Tolvex/station
  for _ in $(seq 300); do
    [ -s "$station/Parms.inf" ] && [ -s "$station/pmr.wav" ] && break
    kill -0 $program 2>/dev/null || { cat "$work/log" >&2; fail "the installed program ended"; }
    sleep 0.1
  done
  [ -s "$station/pmr.wav" ] || fail "no station made in $station"
  kill $program
  wait $program 2>/dev/null || true
  program=
  cmp -s "$dest/usr/share/tolvex/station-default/Parms.inf" "$station/Parms.inf" || fail "station not from the template"
  after=$(cd "$dest" && find . -printf '%p %s %T@ %m\n' | sort | md5sum)
  [ "$before" = "$after" ] || fail "the program wrote under the prefix"
  ;;
deb)
  dpkg-deb -c "$input" >"$work/listing"
  grep '^-' "$work/listing" | awk '{print $6}' | sed 's#^\./##' | compare_files
  grep -q ' \./usr/share/tolvex/station-default/Messages/$' "$work/listing" || fail "no Messages folder in the package"
  depends=$(dpkg-deb -f "$input" Depends)
  echo "Depends: $depends"
  for lib in libqt6widgets6 libqt6serialport6 libqt6multimedia6 libqt6network6 libqt6printsupport6 gstreamer1.0-plugins-good; do
    grep -q "$lib" <<<"$depends" || fail "$lib missing from Depends"
  done
  # Nothing of the build: no headers, sanitizer runtimes or test frameworks.
  if grep -Eo '[a-z0-9.+-]*(-dev|asan|ubsan|lsan|gtest|gmock|benchmark)[a-z0-9.+-]*' <<<"$depends"; then
    fail "build-time packages in Depends"
  fi
  ;;
*) fail "unknown mode $mode" ;;
esac
echo "ok: $mode"
