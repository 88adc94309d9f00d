# fish completion for quorvel-cli: commands, options, format names, and files by extension.

set -l commands settings tags probe configure convert loudness help
set -l audio mp3 mp2 wav flac ogg oga opus m4a mp4 aac m4b aif aiff aifc wv wma ape mka webm ac3 au caf w64 tta mpc

# Folders, and the files with one of the given extensions (any case), for the token at the cursor.
function __quorvel_cli_files
    set -l extensions (string join '|' -- $argv)
    for path in (complete -C "__fish_command_without_completions "(commandline -ct))
        set path (string split -f1 \t -- $path)
        if string match -q -- '*/' $path; or string match -qri -- "\.($extensions)\$" $path
            echo $path
        end
    end
end

complete -c quorvel-cli -f
complete -c quorvel-cli -n "not __fish_seen_subcommand_from $commands" -a settings -d 'Print the seven settings start-up would load'
complete -c quorvel-cli -n "not __fish_seen_subcommand_from $commands" -a tags -d 'Print or change the tag record of a file'
complete -c quorvel-cli -n "not __fish_seen_subcommand_from $commands" -a probe -d 'Print the list row and record of each file'
complete -c quorvel-cli -n "not __fish_seen_subcommand_from $commands" -a configure -d 'Print the calls the encoder configuration makes'
complete -c quorvel-cli -n "not __fish_seen_subcommand_from $commands" -a convert -d 'Convert or normalise files'
complete -c quorvel-cli -n "not __fish_seen_subcommand_from $commands" -a loudness -d 'Print loudness and true peak (EBU R128)'
complete -c quorvel-cli -n "not __fish_seen_subcommand_from $commands" -a help -d 'Show the usage text'
complete -c quorvel-cli -n "not __fish_seen_subcommand_from $commands" -l help -d 'Show the usage text'
complete -c quorvel-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'
complete -c quorvel-cli -n "__fish_seen_subcommand_from $commands; and not __fish_seen_subcommand_from help" -s h -l help -d 'Show the help of the command'
complete -c quorvel-cli -n "__fish_seen_subcommand_from help; and test (count (commandline -opc)) -eq 2" -a 'settings tags probe configure convert loudness' -d 'Show the help of the command'

complete -c quorvel-cli -n '__fish_seen_subcommand_from tags; and not __fish_seen_argument -l set' -a '(__quorvel_cli_files mp3 ogg oga opus flac m4a m4b mp4 wv ape aif aiff aifc wma)'
complete -c quorvel-cli -n '__fish_seen_subcommand_from tags' -l set -d 'Change the named fields'
complete -c quorvel-cli -n '__fish_seen_subcommand_from tags; and __fish_seen_argument -l set' -a 'Title= Artist= Album= Year= Track= Comment= Genre='

complete -c quorvel-cli -n '__fish_seen_subcommand_from configure' -l format -x -a 'mp3 wav flac ogg opus m4a alac aiff wavpack 0 1 2 3 4 5 6 7 8 9 10' -d 'Output format or stored code'
complete -c quorvel-cli -n '__fish_seen_subcommand_from configure' -l all -d 'Every format, one by one'

complete -c quorvel-cli -n '__fish_seen_subcommand_from loudness' -a "(__quorvel_cli_files $audio)"
# convert and probe take cue sheets too.
complete -c quorvel-cli -n '__fish_seen_subcommand_from probe convert' -a "(__quorvel_cli_files $audio cue)"
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l normalize -d 'Write normalised copies'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l format -x -a 'mp3 wav flac ogg opus m4a alac aiff wavpack' -d 'Output format'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l output -x -a '(__fish_complete_directories)' -d 'Output folder'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l lame-options -x -d 'LAME switches'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l jobs -x -a '1 2 3 4 6 8 12 16' -d 'Files at a time'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l split -d 'Encode parts of a long file on free jobs'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l no-split -d 'Encode every file on one job'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l json -d 'One JSON object per input'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l receipts -r -F -d 'Append every output\'s check to a file'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l pattern -x -d 'Name outputs by a pattern'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l existing -x -a 'number skip update' -d 'What an existing output means'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l originals -x -a 'keep trash' -d 'Move converted inputs to the Trash'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l recursive -d 'Walk sub-folders'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l mirror -d 'Keep the folder structure'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l beside -d 'Save each output next to its input'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l from -r -F -d 'Paths one a line (- for stdin)'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l loudness -x -a '-14 -16 -18 -23' -d 'Target loudness in LUFS'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l true-peak -x -a '-1 -2 0' -d 'True-peak ceiling in dBTP'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l album -d 'One gain for all files'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l replaygain -d 'Write ReplayGain tags'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l bitrate -x -a '96 128 160 192 256 320' -d 'Bit rate in kbps, this run'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l quality -x -d 'Encoder quality, this run'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l level -x -a '0 1 2 3 4 5 6 7 8' -d 'Compression level, this run'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l vbr -x -a '0 1' -d 'Variable bit rate, this run'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l rate -x -a '0 22050 44100 48000 96000' -d 'Sample rate in Hz, this run'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l bits -x -a '0 16 24 32' -d 'Bit depth, this run'
complete -c quorvel-cli -n '__fish_seen_subcommand_from convert' -l dither -x -a '0 1' -d 'Dither a lower depth, this run'
