# bash completion for quorvel-cli: commands, options, format names, and files by extension.

# The extensions of the audio files convert, probe and loudness take (filelist/input_formats.cpp).
_quorvel_cli_audio="mp3 mp2 wav flac ogg oga opus m4a mp4 aac m4b aif aiff aifc wv wma ape mka webm ac3 au caf w64 tta mpc"
# convert and probe take cue sheets too.
_quorvel_cli_inputs="$_quorvel_cli_audio cue"

# Adds the folders and the files with one of the extensions (any case) that start with $1.
_quorvel_cli_files() {
    local cur="$1" extensions="$2" path extension
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    for path in $(compgen -d -- "$cur"); do
        COMPREPLY+=("$path")
    done
    for path in $(compgen -f -- "$cur"); do
        [[ -d "$path" ]] && continue
        for extension in $(IFS=' '; printf '%s\n' $extensions); do
            if [[ "${path,,}" == *."$extension" ]]; then
                COMPREPLY+=("$path")
                break
            fi
        done
    done
}

_quorvel_cli() {
    local cur="${COMP_WORDS[COMP_CWORD]}"
    local prev=""
    ((COMP_CWORD > 0)) && prev="${COMP_WORDS[COMP_CWORD - 1]}"
    COMPREPLY=()
    local IFS=$'\n'

    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W $'settings\ntags\nprobe\nconfigure\nconvert\nloudness\nhelp\n--help\n--version' -- "$cur"))
        return 0
    fi

    local command="${COMP_WORDS[1]}" word i
    case "$command" in
    help)
        ((COMP_CWORD == 2)) && COMPREPLY=($(compgen -W $'settings\ntags\nprobe\nconfigure\nconvert\nloudness' -- "$cur"))
        ;;
    tags)
        if ((COMP_CWORD == 2)) && [[ "$cur" == -* ]]; then
            COMPREPLY=($(compgen -W $'--help\n--' -- "$cur"))
        elif ((COMP_CWORD == 2)) || [[ "$prev" == "--" && COMP_CWORD -eq 3 ]]; then
            _quorvel_cli_files "$cur" "mp3 ogg oga opus flac m4a m4b mp4 wv ape aif aiff aifc wma"
        elif ((COMP_CWORD == 3)); then  # --set comes first
            COMPREPLY=($(compgen -W "--set" -- "$cur"))
        else
            compopt -o nospace 2>/dev/null
            COMPREPLY=($(compgen -W $'--set\nTitle=\nArtist=\nAlbum=\nYear=\nTrack=\nComment=\nGenre=' -- "$cur"))
        fi
        ;;
    configure)
        case "$prev" in
        --format) COMPREPLY=($(compgen -W $'mp3\nwav\nflac\nogg\nopus\nm4a\nalac\naiff\nwavpack\n0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10' -- "$cur")) ;;
        *) COMPREPLY=($(compgen -W $'--format\n--all\n--help' -- "$cur")) ;;
        esac
        ;;
    probe | loudness)
        if [[ "$cur" == -* && " ${COMP_WORDS[*]:2:COMP_CWORD-2} " != *" -- "* ]]; then
            COMPREPLY=($(compgen -W $'--help\n--' -- "$cur"))
        elif [[ "${COMP_WORDS[1]}" == probe ]]; then
            _quorvel_cli_files "$cur" "$_quorvel_cli_inputs"
        else
            _quorvel_cli_files "$cur" "$_quorvel_cli_audio"
        fi
        ;;
    convert)
        # After "--" every word is a file or folder.
        for ((i = 2; i < COMP_CWORD; i++)); do
            if [[ "${COMP_WORDS[i]}" == "--" ]]; then
                _quorvel_cli_files "$cur" "$_quorvel_cli_inputs"
                return 0
            fi
        done
        case "$prev" in
        --format) COMPREPLY=($(compgen -W $'mp3\nwav\nflac\nogg\nopus\nm4a\nalac\naiff\nwavpack' -- "$cur")) ;;
        --output)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -d -- "$cur"))
            ;;
        --receipts)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            ;;
        --from)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            [[ "-" == "$cur"* ]] && COMPREPLY+=("-")
            ;;
        --existing) COMPREPLY=($(compgen -W $'number\nskip\nupdate' -- "$cur")) ;;
        --originals) COMPREPLY=($(compgen -W $'keep\ntrash' -- "$cur")) ;;
        --jobs) COMPREPLY=($(compgen -W $'1\n2\n3\n4\n6\n8\n12\n16' -- "$cur")) ;;
        --loudness) COMPREPLY=($(compgen -W $'-14\n-16\n-18\n-23' -- "$cur")) ;;
        --true-peak) COMPREPLY=($(compgen -W $'-1\n-2\n0' -- "$cur")) ;;
        --vbr | --dither) COMPREPLY=($(compgen -W $'0\n1' -- "$cur")) ;;
        --rate) COMPREPLY=($(compgen -W $'0\n22050\n44100\n48000\n96000' -- "$cur")) ;;
        --bits) COMPREPLY=($(compgen -W $'0\n16\n24\n32' -- "$cur")) ;;
        --pattern | --lame-options | --bitrate | --quality | --level) ;;
        *)
            if [[ "$cur" == -* ]]; then
                COMPREPLY=($(compgen -W $'--normalize\n--format\n--output\n--lame-options\n--jobs\n--split\n--no-split\n--json\n--receipts\n--pattern\n--existing\n--originals\n--recursive\n--mirror\n--beside\n--from\n--loudness\n--true-peak\n--album\n--replaygain\n--bitrate\n--quality\n--level\n--vbr\n--rate\n--bits\n--dither\n--help\n--' -- "$cur"))
            else
                _quorvel_cli_files "$cur" "$_quorvel_cli_inputs"
            fi
            ;;
        esac
        ;;
    esac
    return 0
}

complete -F _quorvel_cli quorvel-cli
