# Installs what Tolvex needs from Debian's packages when any of it is missing.
# Sourced by ./run and ./test.
tolvex_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev qt6-multimedia-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  xvfb xauth clang-format poppler-utils
)
# scripts/fuzz.sh (and so ./test) adds clang and libclang-rt-14-dev for the libFuzzer targets.

tolvex_setup() {
  local missing=()
  local p
  for p in "${tolvex_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures (once) and builds one build folder: tolvex_build DIR [cmake options...]
tolvex_build() {
  local dir=$1
  shift
  # Configured every time, so a changed option reaches a build folder made earlier.
  cmake -S "$TOLVEX_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}
