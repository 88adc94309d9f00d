#!/usr/bin/env bash
# Checks the Debian package as a user gets it: lintian finds no error, the control fields and
# the file name carry the project's version and computed Depends, and unpacked into a
# temporary root its programs report that version, convert from there (finding their modules
# beside them), and its pages, completion, desktop entry and software-centre data pass
# check_installed.sh and appstreamcli's check of the whole tree.
# usage: package_test.sh PACKAGE.deb SOURCE_DIR
set -euo pipefail
deb="$(realpath "$1")"
source_dir="$2"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in dpkg-deb dpkg-parsechangelog lintian appstreamcli ffmpeg ffprobe; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup test)"
done
[[ -s "$deb" ]] || fail "no package at $deb (scripts/package builds it)"

version="$(dpkg-parsechangelog -l "$source_dir/packaging/changelog" -S Version)"
arch="$(dpkg --print-architecture)"
[[ "$(basename "$deb")" == "quorvel_${version}_${arch}.deb" ]] ||
    fail "$(basename "$deb") is not quorvel_${version}_${arch}.deb"
[[ "$(dpkg-deb -f "$deb" Package)" == quorvel ]] || fail "Package is not quorvel"
[[ "$(dpkg-deb -f "$deb" Version)" == "$version" ]] || fail "Version is not $version"
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libc6 libqt6core6 libqt6widgets6 libmp3lame0 libavcodec59 libtag1v5 libqt6svg6; do
    [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

lintian_status=0
lintian --fail-on error "$deb" >"$work/lintian.txt" 2>&1 || lintian_status=$?
echo "lintian:"
grep -v 'running with root privileges' "$work/lintian.txt" | sed 's/^/  /' || true
((lintian_status == 0)) || fail "lintian reports an error"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/lib/quorvel/quorvel usr/lib/quorvel/quorvel-cli usr/lib/quorvel/libvcedit.so \
         usr/lib/quorvel/libwmaudsdk.so usr/lib/quorvel/mp3enc.dll usr/lib/quorvel/help/Quorvel.html \
         usr/share/doc/quorvel/copyright usr/share/doc/quorvel/changelog.gz \
         usr/share/quorvel/translations/quorvel_de.qm; do
    [[ -s "$root/$f" ]] || fail "the package lacks /$f"
done
if ldd "$root/usr/lib/quorvel/quorvel" "$root/usr/lib/quorvel/quorvel-cli" | grep -q 'not found'; then
    fail "a library of the programs is missing: $(ldd "$root/usr/lib/quorvel/quorvel" | grep 'not found')"
fi
grep -qx 'Exec=/usr/bin/quorvel %F' "$root/usr/share/applications/quorvel.desktop" ||
    fail "the desktop entry does not start /usr/bin/quorvel"

export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
[[ "$("$root/usr/bin/quorvel-cli" --version)" == "quorvel-cli $version" ]] ||
    fail "quorvel-cli --version: $("$root/usr/bin/quorvel-cli" --version)"
[[ "$(env -u DISPLAY "$root/usr/bin/quorvel" --version)" == "quorvel $version" ]] ||
    fail "quorvel --version does not say quorvel $version"

# A tagged FLAC through the unpacked quorvel-cli into Ogg Vorbis (tags through the vcedit module
# beside the program) and MP3.
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=3" -ac 2 -ar 44100 \
    -metadata title="Unpacked" -metadata artist="Package Test" "$work/in.flac"
for format in ogg mp3; do
    result="$("$root/usr/bin/quorvel-cli" convert --format "$format" --output "$work/out" "$work/in.flac")" ||
        fail "convert --format $format from the unpacked package failed: $result"
    output="$(cut -f3 <<<"$result")"
    [[ "$(cut -f1 <<<"$result")" == finish && -s "$output" ]] || fail "convert --format $format: $result"
    probe="$(ffprobe -v error -show_entries stream=codec_name:stream_tags=title:format=duration:format_tags=title \
        -of default=nw=1 "$output")"
    codec="$([[ $format == ogg ]] && echo vorbis || echo mp3)"
    grep -qx "codec_name=$codec" <<<"$probe" || fail "$output is not $codec: $probe"
    grep -qix "TAG:title=Unpacked" <<<"$probe" || fail "$output lost its title: $probe"
    duration="$(sed -n 's/^duration=//p' <<<"$probe")"
    awk -v d="$duration" 'BEGIN { exit !(d > 2.9 && d < 3.2) }' || fail "$output lasts $duration s, not 3"
done

# The whole tree: the metainfo with the desktop entry it launches. The file keeps the name
# quorvel.metainfo.xml that the install layout gives it, so the one warning that its name is
# not the id is let through; anything else fails.
appstreamcli validate-tree --no-net "$root" >"$work/tree.txt" 2>&1 || true
if grep -E '^ *[EW]:' "$work/tree.txt" | grep -qv 'metainfo-filename-cid-mismatch'; then
    fail "appstreamcli validate-tree of the unpacked package: $(cat "$work/tree.txt")"
fi
"$here/check_installed.sh" "$root/usr" "$source_dir"
echo "package: ok"
