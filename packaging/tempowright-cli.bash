# Bash completion for tempowright-cli: options, the values of --format and --key-notation, the
# profile command,
# and files and folders everywhere else.

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
        --range|--jobs|-j)
            return ;;
        --export)
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return ;;
    esac

    # After "--" or the profile command every word is a path.
    local i options=1
    for (( i = 1; i < COMP_CWORD; i++ )); do
        case ${COMP_WORDS[i]} in
            --) options=0 ;;
            profile) (( i == 1 )) && options=0 ;;
        esac
    done

    if (( options )) && [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--no-write --no-store --export --format --key-notation
            --range --jobs --nice --quiet --help --version --' -- "$cur")
        return
    fi
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    # The command word, unless a file of that name already offers it.
    if (( COMP_CWORD == 1 )) && [[ profile == "$cur"* && ! -e profile ]]; then
        COMPREPLY+=(profile)
    fi
}

complete -o filenames -F _tempowright_cli tempowright-cli
