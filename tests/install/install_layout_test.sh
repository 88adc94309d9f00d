#!/usr/bin/env bash
# Installs the build into a fresh prefix (and once more through DESTDIR) and checks what a desktop
# needs: the programs beside their skin, help page and modules, the commands in bin reaching
# them, a valid desktop entry naming the installed program, and the icon in the hicolor theme.
# usage: install_layout_test.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in lib/quorvel/quorvel lib/quorvel/quorvel-cli lib/quorvel/mp3enc.dll \
         lib/quorvel/help/Quorvel.html lib/quorvel/libvcedit.so lib/quorvel/libwmaudsdk.so \
         share/icons/hicolor/scalable/apps/quorvel.svg share/applications/quorvel.desktop \
         share/quorvel/translations/quorvel_de.qm; do
    [[ -s "$prefix/$f" ]] || fail "missing $f"
done
for size in 16 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/quorvel.png"
    [[ -s "$png" ]] || fail "missing ${size}x${size} icon"
    [[ "$(identify -format '%wx%h' "$png")" == "${size}x${size}" ]] || fail "$png has the wrong size"
done

desktop="$prefix/share/applications/quorvel.desktop"
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
grep -qx "Exec=$prefix/bin/quorvel %F" "$desktop" || fail "Exec does not name the installed program"
grep -qx "Icon=quorvel" "$desktop" || fail "Icon is not the theme name"

# The commands in bin are links that reach the programs, which find what lies beside them.
[[ "$(readlink -f "$prefix/bin/quorvel")" == "$(readlink -f "$prefix/lib/quorvel/quorvel")" ]] ||
    fail "bin/quorvel does not reach the program"
export XDG_CONFIG_HOME="$work/config"
"$prefix/bin/quorvel-cli" settings | grep -q '^OutputFormat=0$' || fail "quorvel-cli does not run"
# Writing Vorbis comments needs the vcedit module beside the program: run it through the link.
if "$prefix/bin/quorvel-cli" tags "$work/none.ogg" 2>&1 | grep -qi 'vcedit'; then
    fail "quorvel-cli cannot find its modules"
fi

# A packager's staged install: the files under DESTDIR, the entry naming the final path.
DESTDIR="$work/stage" cmake --install "$build" --prefix /opt/quorvel >/dev/null
grep -qx "Exec=/opt/quorvel/bin/quorvel %F" "$work/stage/opt/quorvel/share/applications/quorvel.desktop" ||
    fail "staged entry does not name the final path"
[[ -L "$work/stage/opt/quorvel/bin/quorvel-cli" ]] || fail "staged link missing"
echo "install layout: ok"
