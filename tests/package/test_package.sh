#!/usr/bin/env bash
# Builds the Debian package from a build folder, as a user would with `cpack -G DEB`, and checks
# what it would put on their machine: its files, its control fields, the desktop entry, the
# manual pages, and that the programs run from the unpacked package. It installs nothing and
# needs no root: the package is only built into and unpacked in a temporary folder.
#
#   test_package.sh BUILD_DIR SOURCE_DIR VERSION [CPACK]
set -uo pipefail

build_dir=$1
source_dir=$2
version=$3
cpack=${4:-cpack}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

for tool in dpkg-deb dpkg desktop-file-validate update-mime-database appstreamcli lintian "$cpack"; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAIL: $tool is missing (scripts/common.sh installs it)" >&2
    exit 1
  fi
done

# Into a folder of its own, so neither the build folder nor a package made by hand is touched.
if ! (cd "$build_dir" && "$cpack" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack -G DEB failed" >&2
  exit 1
fi

arch=$(dpkg --print-architecture)
deb="$work/out/velka_${version}_${arch}.deb"
if [ ! -f "$deb" ]; then
  echo "FAIL: no package velka_${version}_${arch}.deb; cpack made:" >&2
  ls "$work/out" >&2
  exit 1
fi

# --- the file list -------------------------------------------------------------------------
programs=(velka velka-cli velka-sim)
expected=(
  ./usr/bin/velka
  ./usr/bin/velka-cli
  ./usr/bin/velka-sim
  ./usr/share/man/man1/velka.1.gz
  ./usr/share/man/man1/velka-cli.1.gz
  ./usr/share/man/man1/velka-sim.1.gz
  ./usr/share/applications/velka.desktop
  ./usr/share/mime/packages/velka.xml
  ./usr/share/metainfo/example.velka_funk.velka.metainfo.xml
  ./usr/share/doc/velka/copyright
  ./usr/share/doc/velka/changelog.gz
  ./usr/share/icons/hicolor/scalable/apps/velka.svg
  ./usr/lib/udev/rules.d/60-velka-adapter.rules
)
dpkg-deb -c "$deb" >"$work/contents" || fail "dpkg-deb -c cannot list the package"
# Regular files only ('-' in the mode column); the name is the sixth field.
awk '$1 ~ /^-/ { print $6 }' "$work/contents" | sort >"$work/files"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
if ! diff -u "$work/expected" "$work/files" >"$work/files.diff"; then
  fail "the package holds other files than expected (- missing, + unexpected):"
  cat "$work/files.diff" >&2
fi
for program in "${programs[@]}"; do
  grep -Eq "^-rwxr-xr-x .* \./usr/bin/$program\$" "$work/contents" \
    || fail "usr/bin/$program is not an executable for everyone"
done

# --- the control fields --------------------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = velka ] || fail "Package is '$(field Package)', not velka"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)', not $arch"
[ "$(field Section)" = electronics ] || fail "Section is '$(field Section)', not electronics"
[[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] \
  || fail "Maintainer '$(field Maintainer)' is not 'Name <address>'"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
[ -n "$depends" ] || fail "no Depends: the libraries were not worked out"
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6; do
  [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] \
    || fail "Depends lacks $library: $depends"
done

# --- Debian's own checker: no error; what else it says is shown -----------------------------
# (Run as root it says so first; that line is no finding.)
if ! lintian --fail-on error "$deb" >"$work/lintian" 2>&1; then
  fail "lintian finds errors:"
  cat "$work/lintian" >&2
else
  grep -v 'root privileges' "$work/lintian" || true
fi

# --- unpacked: desktop entry, icon, udev rule, manual pages, programs -----------------------
root="$work/root"
dpkg-deb -x "$deb" "$root" || { fail "dpkg-deb -x cannot unpack the package"; exit 1; }

desktop="$root/usr/share/applications/velka.desktop"
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" >"$work/validate" 2>&1 || {
    fail "desktop-file-validate rejects velka.desktop:"
    cat "$work/validate" >&2
  }
  exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$root/usr/bin/$exec_program" ] || fail "the desktop entry starts '$exec_program', which the package lacks"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] \
    || fail "the desktop entry names the icon '$icon', which the package lacks"
fi
# A double-click on a configuration file opens it in the tool: the entry takes the file and
# declares the type, and the type, folded into a MIME database of its own, claims *.VMC and
# *.vmc under the name the entry declares.
mime_xml="$root/usr/share/mime/packages/velka.xml"
if [ -f "$desktop" ] && [ -f "$mime_xml" ]; then
  grep -Eq '^Exec=velka %f$' "$desktop" || fail "the desktop entry does not pass the file: $(grep '^Exec=' "$desktop")"
  mime_type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$mime_xml")
  grep -Eq "^MimeType=(.*;)?$mime_type;" "$desktop" || fail "the desktop entry does not declare '$mime_type'"
  mkdir -p "$work/mime/packages" && cp "$mime_xml" "$work/mime/packages/"
  if ! XDG_DATA_HOME="$work" update-mime-database "$work/mime" >"$work/mime.log" 2>&1 || [ -s "$work/mime.log" ]; then
    fail "update-mime-database does not take velka.xml cleanly:"
    cat "$work/mime.log" >&2
  fi
  for pattern in '*.VMC' '*.vmc'; do
    grep -qF ":$mime_type:$pattern" "$work/mime/globs2" 2>/dev/null \
      || fail "the MIME database does not give $pattern the type $mime_type"
  done
  grep -q "^$mime_type:velka\$" "$work/mime/icons" 2>/dev/null || fail "the MIME type has not the icon velka"
fi
metainfo="$root/usr/share/metainfo/example.velka_funk.velka.metainfo.xml"
if [ -f "$metainfo" ]; then
  appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 || {
    fail "appstreamcli rejects the metainfo file:"
    cat "$work/appstream" >&2
  }
  grep -q '<launchable type="desktop-id">velka.desktop</launchable>' "$metainfo" \
    || fail "the metainfo file does not launch velka.desktop"
  [ -n "${mime_type:-}" ] && { grep -q "<mediatype>$mime_type</mediatype>" "$metainfo" \
    || fail "the metainfo file does not name the MIME type $mime_type"; }
fi
[ "$(gzip -dc "$root/usr/share/doc/velka/changelog.gz" 2>/dev/null | head -1)" = "velka ($version) stable; urgency=medium" ] \
  || fail "the changelog does not begin with version $version"
if [ -f "$root/usr/share/icons/hicolor/scalable/apps/velka.svg" ]; then
  grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/velka.svg" || fail "velka.svg is no SVG image"
fi
cmp -s "$source_dir/packaging/60-velka-adapter.rules" "$root/usr/lib/udev/rules.d/60-velka-adapter.rules" \
  || fail "the packaged udev rule differs from packaging/60-velka-adapter.rules"

# A page must come from the program itself: its --version on the title line, and words of its
# --help in the text (roff writes a '-' as '\-'), umlauts intact.
declare -A help_words=(
  [velka]="VELKA_COM1 VELKA_USB_ADAPTERS"
  [velka-cli]="ports read write diff firmware qvx-info --json Gerät"
  [velka-sim]="--fault-on --boot-fault --write-firmware"
)
for program in "${programs[@]}"; do
  page="$root/usr/share/man/man1/$program.1.gz"
  [ -f "$page" ] || continue
  if ! gzip -dc "$page" | sed 's/\\-/-/g' >"$work/$program.1"; then
    fail "$program.1.gz is not gzip"
    continue
  fi
  grep -Eq "^\.TH \"?${program^^}\"? \"?1\"? .*\"$program $version\"" "$work/$program.1" \
    || fail "$program.1 has no title line with '$program $version': $(grep -m1 '^\.TH' "$work/$program.1")"
  for word in ${help_words[$program]}; do
    grep -qF -- "$word" "$work/$program.1" || fail "$program.1 does not mention $word"
  done
done

bin="$root/usr/bin"
# Without a display: the window tool must still answer, before it looks for one.
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
for program in "${programs[@]}"; do
  [ -x "$bin/$program" ] || continue
  if ! out=$("${no_display[@]}" "$bin/$program" --version 2>&1); then
    fail "$program --version failed: $out"
  elif [ "$out" != "$program $version" ]; then
    fail "$program --version says '$out', not '$program $version'"
  fi
  if command -v readelf >/dev/null && readelf -d "$bin/$program" | grep -Eq 'R(UN)?PATH'; then
    fail "$program keeps a library search path: $(readelf -d "$bin/$program" | grep -E 'R(UN)?PATH')"
  fi
done

if [ -x "$bin/velka-cli" ]; then
  if ! out=$("$bin/velka-cli" --help 2>&1); then
    fail "velka-cli --help failed: $out"
  else
    for command in ports read write diff firmware qvx-info; do
      grep -Eq "^  $command( |\$)" <<<"$out" || fail "velka-cli --help does not list the command $command"
    done
  fi
fi
if [ -x "$bin/velka-sim" ]; then
  if ! out=$("$bin/velka-sim" --help 2>&1); then
    fail "velka-sim --help failed: $out"
  else
    grep -q -- '--write-firmware' <<<"$out" || fail "velka-sim --help does not describe --write-firmware"
  fi
fi
if [ -x "$bin/velka" ]; then
  if ! out=$("${no_display[@]}" "$bin/velka" --help 2>&1); then
    fail "velka --help without a display failed: $out"
  else
    grep -q '^Usage: velka' <<<"$out" || fail "velka --help gives no usage: $out"
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) of the package failed" >&2
  exit 1
fi
echo "package $(basename "$deb") checked: $(wc -l <"$work/files") files, Depends: $depends"
