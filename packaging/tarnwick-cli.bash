# bash completion for tarnwick-cli. The commands and options are read from the program's own
# --help, so commands added to the program complete without a change here.
_tarnwick_cli() {
    local cur prev cmd i words_help
    COMPREPLY=()
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    local prog=${COMP_WORDS[0]}

    # The command: the first word that is no option and no option's value.
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            --virtual) ((i++)) ;;
            -*) ;;
            *) cmd=${COMP_WORDS[i]}; break ;;
        esac
    done

    case $prev in
        --virtual)
            COMPREPLY=($(compgen -W "E=dvd-rom: E=cd-rom: R=dvd-r: R=dvd+r: R=dvd-rw: R=dvd+rw: R=cd-r: R=cd-rw: R=dvd-ram:" -- "$cur"))
            compopt -o nospace 2>/dev/null
            return ;;
        --settings|--aspi-library)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        -d|--device)
            COMPREPLY=($(compgen -W "$("$prog" devices --json 2>/dev/null |
                sed -n 's/^ *"letter": "\(.\)",*$/\1:/p')" -- "$cur"))
            return ;;
        --cache-size|-s|--write-speed|--volume-id|--system-id|--volume-set-id|--publisher|--preparer|--application-id|--copyright-file|--abstract-file|--bibliographic-file)
            return ;;
    esac

    if [[ -z $cmd ]]; then
        if [[ $cur == -* ]]; then
            words_help=$("$prog" --help 2>/dev/null | grep -o -- '--[a-z][a-z-]*' | sort -u)
        else
            # Commands are listed under "Subcommands:", one a line.
            words_help=$("$prog" --help 2>/dev/null | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z-]*\).*/\1/p')
        fi
        COMPREPLY=($(compgen -W "$words_help" -- "$cur"))
        return
    fi
    if [[ $cur == -* ]]; then
        words_help=$("$prog" "$cmd" --help 2>/dev/null | grep -oE -- '(^|[ ,!])--?[a-zA-Z][a-z-]*' | sed 's/^[ ,!]//' | sort -u)
        COMPREPLY=($(compgen -W "$words_help --virtual" -- "$cur"))
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _tarnwick_cli tarnwick-cli
