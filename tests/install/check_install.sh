#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks what landed there, and
# starts the installed game for a moment: it must find all its assets in the
# installed data folder and write no "not found" line. Arial must resolve to a
# metric-compatible font.
set -euo pipefail
build=${1:?usage: check_install.sh BUILD_FOLDER}
prefix=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install: $*" >&2; exit 1; }
[ -x "$prefix/bin/tarrowmead" ] || fail "no binary in bin/"
count=$(find "$prefix/share/tarrowmead" -maxdepth 1 \( -name '*.png' -o -name '*.wav' \) | wc -l)
[ "$count" -eq 27 ] || fail "expected 27 asset files in share/tarrowmead, found $count"
for size in 16 32 48 256; do
  [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/tarrowmead.png" ] || fail "no ${size}px icon"
done
desktop="$prefix/share/applications/tarrowmead.desktop"
[ -f "$desktop" ] || fail "no desktop file"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop file does not validate"
fi

# The layouts fit only with a font metric-compatible with Arial: a system where
# Arial falls back to another family clips labels and buttons.
command -v fc-match >/dev/null || fail "fc-match (package fontconfig) is needed to check the fonts"
arial=$(fc-match -f '%{family}' Arial)
case ",$arial," in
  *,Arial,* | *,"Liberation Sans",* | *,Arimo,*) ;;
  *) fail "Arial resolves to \"$arial\", which is not metric-compatible; install fonts-liberation" ;;
esac

# The installed program, away from the build tree's assets.
set +e
HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen \
  timeout 3 "$prefix/bin/tarrowmead" 2>"$home/stderr"
status=$?
set -e
[ "$status" -eq 124 ] || fail "the installed game ended early with status $status: $(cat "$home/stderr")"
if grep -q "not found" "$home/stderr"; then
  fail "assets missing when installed: $(grep 'not found' "$home/stderr")"
fi
echo "install: binary, 27 assets, icons and desktop file in place; Arial is $arial; the installed game runs"
