# Shared by ./run and ./test: package installation and the build.

BUILD_DIR="${VELKA_BUILD_DIR:-$here/build}"

# help2man makes the manual pages, part of every build.
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libgl-dev help2man)
RUN_PACKAGES=(fonts-liberation qt6-qpa-plugins)
# The package test builds the Debian package: dpkg-dev (dpkg-shlibdeps) and file work out its
# Depends, desktop-file-utils checks its desktop entry, shared-mime-info its MIME type,
# appstream its metainfo file and lintian the whole package; poppler-utils reads the text of
# a PDF report.
TEST_PACKAGES=(fonts-liberation qt6-qpa-plugins dpkg-dev file desktop-file-utils shared-mime-info appstream lintian
               poppler-utils)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"
  elif command -v sudo >/dev/null 2>&1; then sudo "$@"
  else echo "need root rights to run: $*" >&2; return 1
  fi
}

ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing missing packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! as_root apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    as_root apt-get update -q
    as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

# Builds in $BUILD_DIR. Arguments are cache settings (-DNAME=VALUE) the folder must have; they
# are applied again to a folder configured before, so it cannot build without them.
build_project() {
  local generator=()
  command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$BUILD_DIR" "${generator[@]}" -DCMAKE_BUILD_TYPE="${VELKA_BUILD_TYPE:-RelWithDebInfo}" "$@"
  elif [ $# -gt 0 ]; then
    cmake -S "$here" -B "$BUILD_DIR" "$@"
  fi
  cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}
