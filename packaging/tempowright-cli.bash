# Bash completion for tempowright-cli: options, the values of --format, --key-notation, --theme
# and --scale, the profile and plot commands, pictures after -o, and files and folders everywhere
# else.

_tempowright_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=
    (( COMP_CWORD > 0 )) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    case $prev in
        --format)
            mapfile -t COMPREPLY < <(compgen -W 'table tsv json' -- "$cur")
            return ;;
        --key-notation)
            mapfile -t COMPREPLY < <(compgen -W 'standard wheel' -- "$cur")
            return ;;
        --theme)
            mapfile -t COMPREPLY < <(compgen -W 'light dark' -- "$cur")
            return ;;
        --scale)
            mapfile -t COMPREPLY < <(compgen -W '1 2' -- "$cur")
            return ;;
        --range|--jobs|-j|--width|--height|--from|--to)
            return ;;
        -o|--output)
            mapfile -t COMPREPLY < <(compgen -f -X '!*.@(svg|png)' -- "$cur"; compgen -d -- "$cur")
            return ;;
        --export)
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return ;;
    esac

    # After "--" or the profile command every word is a path; the plot command has options of
    # its own.
    local i options=1 plot=0
    for (( i = 1; i < COMP_CWORD; i++ )); do
        case ${COMP_WORDS[i]} in
            --) options=0 ;;
            profile) (( i == 1 )) && options=0 ;;
            plot) (( i == 1 )) && plot=1 ;;
        esac
    done

    if (( options && plot )) && [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--output --width --height --from --to --theme
            --scale --no-store --help' -- "$cur")
        return
    fi
    if (( options )) && [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--no-write --no-store --export --format --key-notation
            --range --jobs --nice --quiet --help --version --output --width --height --from --to
            --theme --scale --' -- "$cur")
        return
    fi
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    # The command words, unless a file of that name already offers them.
    if (( COMP_CWORD == 1 )); then
        local command
        for command in profile plot; do
            [[ $command == "$cur"* && ! -e $command ]] && COMPREPLY+=("$command")
        done
    fi
}

complete -o filenames -F _tempowright_cli tempowright-cli
