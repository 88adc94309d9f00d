#!/usr/bin/env bash
# Checks what an installed Quorvel gives a desktop and a shell beside the programs: the manual
# pages render and cover every command and option of the help texts, the completion scripts
# load in bash, zsh and fish and complete commands, options, format names and every audio
# extension the program reads, and the software-centre data and desktop entry validate and name
# the audio types the program reads.
# usage: check_installed.sh PREFIX SOURCE_DIR   (PREFIX as /usr, or a staged .../usr)
set -euo pipefail
prefix="$1"
source_dir="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
for tool in man bash zsh fish appstreamcli desktop-file-validate identify; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/setup test)" >&2; exit 1; }
done
export XDG_CONFIG_HOME="$work/config"

# What the programs say they take, to hold the pages and scripts to: the commands of the
# top-level help, the options of every command's own.
cli_help="$("$prefix/bin/quorvel-cli" --help)"
mapfile -t commands < <(sed -n 's/^  \([a-z]\+\)\( .*\)\?$/\1/p' <<<"$cli_help" | sort -u)
for command in "${commands[@]}"; do
    command_help="$("$prefix/bin/quorvel-cli" "$command" --help)" ||
        fail "quorvel-cli $command --help exited with $?"
    [[ "$command_help" == "Usage: quorvel-cli $command"* ]] ||
        fail "quorvel-cli $command --help does not start with its usage line"
    cli_help+=$'\n'"$command_help"
done
mapfile -t options < <(grep -o -- '--[a-z][a-z-]*' <<<"$cli_help" | sort -u)
mapfile -t formats < <(grep -oE -- '--format [a-z0-9]+(\|[a-z0-9]+)+' <<<"$cli_help" | head -1 | cut -d' ' -f2 | tr '|' '\n')
((${#commands[@]} >= 6 && ${#options[@]} >= 15 && ${#formats[@]} >= 6)) ||
    { echo "FAIL: cannot read the commands, options and formats from quorvel-cli --help" >&2; exit 1; }
# The extensions of the input families, as the open dialog offers them.
mapfile -t extensions < <(sed -n '/InputFamilies()/,/^}/p' "$source_dir/filelist/input_formats.cpp" |
    grep -o 'QStringLiteral("[a-z0-9]*")' | sed 's/QStringLiteral("\(.*\)")/\1/' | sort -u)
((${#extensions[@]} >= 20)) || { echo "FAIL: cannot read the input extensions" >&2; exit 1; }

# --- Manual pages ---
for page in quorvel quorvel-cli; do
    file="$prefix/share/man/man1/$page.1.gz"
    [[ -s "$file" ]] || { fail "missing $file"; continue; }
    # As lintian checks pages: groff's warnings, then the text a reader sees.
    if ! LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$file" >/dev/null 2>"$work/$page.err" ||
        [[ -s "$work/$page.err" ]]; then
        fail "man -l $page: $(cat "$work/$page.err")"
    fi
    LC_ALL=C.UTF-8 MANWIDTH=100 man -l "$file" >"$work/$page.txt" 2>/dev/null || fail "man -l $page failed"
    for heading in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" EXAMPLES "SEE ALSO"; do
        [[ "$page" == quorvel-cli && "$heading" == OPTIONS ]] && heading="CONVERT OPTIONS"
        grep -q "^$heading" "$work/$page.txt" || fail "$page(1) has no $heading section"
    done
done
for command in "${commands[@]}" settings tags probe configure convert loudness; do
    grep -qE "^ +$command( |$)" "$work/quorvel-cli.txt" || fail "quorvel-cli(1) does not describe the command $command"
done
for option in "${options[@]}" --version; do
    grep -q -- "$option\b" "$work/quorvel-cli.txt" || fail "quorvel-cli(1) does not mention $option"
done
for option in $(QT_QPA_PLATFORM=offscreen "$prefix/bin/quorvel" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option\b" "$work/quorvel.txt" || fail "quorvel(1) does not mention $option"
done
grep -q '\[Nor\] vol' "$work/quorvel-cli.txt" || fail "quorvel-cli(1) does not list the settings keys"

# --- Shell completion ---
bash_script="$prefix/share/bash-completion/completions/quorvel-cli"
zsh_script="$(ls "$prefix"/share/zsh/*/_quorvel-cli 2>/dev/null | head -1)"
fish_script="$prefix/share/fish/vendor_completions.d/quorvel-cli.fish"
for script in "$bash_script" "$zsh_script" "$fish_script"; do
    [[ -s "$script" ]] || fail "missing completion script ${script:-_quorvel-cli for zsh}"
done
bash -n "$bash_script" || fail "bash -n $bash_script"
zsh -n "$zsh_script" || fail "zsh -n $zsh_script"
fish --no-execute "$fish_script" || fail "fish -n $fish_script"

# A folder with one file per audio extension (upper case for one), a text file and a sub-folder.
files="$work/files"
mkdir -p "$files/sub"
for extension in "${extensions[@]}"; do
    touch "$files/song.$extension"
done
mv "$files/song.mp3" "$files/song.MP3"
touch "$files/notes.txt" "$files/album.cue"

# bash: the script's function called as readline would call it, with COMP_WORDS set.
bash_complete() {
    (cd "$files" && bash -c 'source "$1"; shift
        COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _quorvel_cli quorvel-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        ((${#COMPREPLY[@]} == 0)) || printf "%s\n" "${COMPREPLY[@]}"' bash "$bash_script" quorvel-cli "$@" | sort | tr '\n' ' ')
}
# fish: complete -C with the script loaded.
fish_complete() {
    (cd "$files" && fish -c 'source $argv[1]; complete -C "quorvel-cli $argv[2]"' "$fish_script" "$1" |
        cut -f1 | sort | tr '\n' ' ')
}
sorted() { printf '%s\n' "$@" | sort | tr '\n' ' '; }
mapfile -t all_audio < <(printf 'song.%s\n' "${extensions[@]}" | sed 's/^song\.mp3$/song.MP3/')
tag_files=(song.MP3 song.ogg song.oga song.opus song.flac song.m4a song.m4b song.mp4 song.wv song.ape
           song.aif song.aiff song.aifc song.wma)
# words typed | bash's answer | fish's answer ("=" : the same as bash's)
while IFS='|' read -r typed want_bash want_fish; do
    read -r -a words <<<"$typed"
    [[ "$typed" == *' ' ]] && words+=("")
    got="$(bash_complete "${words[@]}")"
    [[ "$got" == "$want_bash" ]] || fail "bash: quorvel-cli $typed<TAB> gave '$got', not '$want_bash'"
    [[ "$want_fish" == "=" ]] && want_fish="$want_bash"
    [[ -z "$want_fish" ]] && continue
    got="$(fish_complete "$typed")"
    [[ "$got" == "$want_fish" ]] || fail "fish: quorvel-cli $typed<TAB> gave '$got', not '$want_fish'"
done <<EOF_TABLE
conv|convert |=
 |$(sorted "${commands[@]}" help --help --version)|$(sorted "${commands[@]}" help)
convert --fo|--format |=
convert --format |$(sorted "${formats[@]}")|=
convert --existing |number skip update |=
convert |$(sorted sub album.cue "${all_audio[@]}")|$(sorted sub/ album.cue "${all_audio[@]}")
convert song.flac --norm|--normalize |=
convert -- --j||
tags |$(sorted sub "${tag_files[@]}")|$(sorted sub/ "${tag_files[@]}")
probe su|sub |sub/ 
EOF_TABLE
# Every option of convert and every format name is offered by each shell's script.
convert_options="$(bash_complete convert --)"
for option in "${options[@]}"; do
    [[ "$option" == --help || "$option" == --version || "$option" == --set || "$option" == --all ]] && continue
    [[ " $convert_options " == *" $option "* ]] || fail "bash does not complete convert $option"
    grep -q -- "$option\[" "$zsh_script" || fail "zsh does not complete convert $option"
    grep -q -- "-l ${option#--} " "$fish_script" || fail "fish does not complete convert $option"
done
for format in "${formats[@]}"; do
    grep -q "\b$format\b" "$zsh_script" || fail "zsh does not complete the format $format"
done

# --- Desktop entry and software-centre data ---
desktop="$prefix/share/applications/quorvel.desktop"
metainfo="$prefix/share/metainfo/quorvel.metainfo.xml"
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate --no-net $metainfo"
desktop_types="$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | grep . | sort | tr '\n' ' ')"
meta_types="$(grep -o '<mediatype>[^<]*' "$metainfo" | cut -d'>' -f2 | sort | tr '\n' ' ')"
[[ -n "$desktop_types" && "$desktop_types" == "$meta_types" ]] ||
    fail "the desktop entry's types ($desktop_types) are not the metainfo's ($meta_types)"
# Each extension's audio type in the shared MIME database (where it has one) is listed.
globs=/usr/share/mime/globs
[[ -s "$globs" ]] || { echo "FAIL: $globs missing (shared-mime-info)" >&2; exit 1; }
for extension in "${extensions[@]}"; do
    for type in $(grep -i ":\*\.$extension\$" "$globs" | cut -d: -f1 | grep '^audio/' |
        grep -v 'x-flac+ogg\|x-speex+ogg'); do
        [[ " $desktop_types " == *" $type "* ]] || fail "the desktop entry does not list $type (*.$extension)"
    done
done
grep -q '<launchable type="desktop-id">quorvel.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch quorvel.desktop"
# The screenshots it names are the repository's, at the sizes it gives.
while read -r width height name; do
    png="$source_dir/resources/screenshots/$name"
    [[ -s "$png" ]] || { fail "screenshot $name is not in resources/screenshots"; continue; }
    [[ "$(identify -format '%wx%h' "$png")" == "${width}x${height}" ]] || fail "$name is not ${width}x${height}"
done < <(sed -n 's|.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">.*/screenshots/\([^<]*\)</image>.*|\1 \2 \3|p' "$metainfo")
grep -c '<screenshot' "$metainfo" | grep -qv '^0$' || fail "the metainfo has no screenshot"

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed data: ok"
