# bash completion for varnel-cli                         -*- shell-script -*-

# Entry names of the archive given to the command, for patterns and names.
_varnel_cli_entries()
{
    local archive=$1
    [[ -f $archive ]] || return
    local IFS=$'\n'
    COMPREPLY+=($(compgen -W "$(varnel-cli list -- "$archive" 2>/dev/null)" -- "$cur"))
}

_varnel_cli()
{
    local cur prev words cword
    _init_completion -s || return

    local commands="list extract cat create add delete rename move check convert help"
    local common="--help --quiet --keep-case --spaces="

    # The command: the first word that is not an option.
    local i command="" command_at=0
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} != -* ]]; then
            command=${words[i]}
            command_at=$i
            break
        fi
    done

    case $prev in
        -o | --output | -C | --directory | --quake)
            _filedir -d
            return
            ;;
        --palette)
            _filedir lmp
            return
            ;;
        --spaces)
            COMPREPLY=($(compgen -W "keep delete underscore" -- "$cur"))
            return
            ;;
        --to)
            return
            ;;
    esac
    if [[ $cur == --spaces=* ]]; then
        COMPREPLY=($(compgen -W "keep delete underscore" -- "${cur#--spaces=}"))
        return
    fi

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$common --version" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    local options=""
    case $command in
        list) options="-l --long --json" ;;
        extract) options="-o --output --flat --skip-existing --overwrite" ;;
        create) options="-C --directory -f --force" ;;
        add) options="-C --directory --to --replace --skip" ;;
        move) options="--to" ;;
        check) options="--json" ;;
        convert) options="--palette --quake" ;;
        help)
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            return
            ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$common $options" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    # The operands so far, options and their values left out.
    local operands=() skip=0
    for ((i = command_at + 1; i < cword; i++)); do
        if ((skip)); then
            skip=0
            continue
        fi
        case ${words[i]} in
            -o | --output | -C | --directory | --to | --spaces | --palette | --quake) skip=1 ;;
            -*) ;;
            *) operands+=("${words[i]}") ;;
        esac
    done

    if [[ $command == convert ]]; then
        # A picture in, a picture out: lumps and the image files Qt reads
        # and writes (lossless ones first), TGA by the program itself.
        _filedir '@(lmp|png|bmp|tga|gif|tif|tiff|webp|jpg|jpeg)'
        return
    fi
    if ((${#operands[@]} == 0)); then
        # The archive, or for create the new one.
        _filedir pak
        return
    fi
    case $command in
        extract | cat | delete | rename | move)
            _varnel_cli_entries "${operands[0]}"
            ;;
        create | add | check)
            _filedir
            ;;
    esac
} &&
    complete -F _varnel_cli varnel-cli

# ex: filetype=sh
