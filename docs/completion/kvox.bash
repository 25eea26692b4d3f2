# bash completion for kvox                                   -*- shell-script -*-

_kvox()
{
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        -o | --output)
            _filedir
            return
            ;;
        -b | --block-size | -T | --threads)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--compress --restore --stdout --output= --force
            --keep --recursive --block-size= --no-verify --checksum --test --list
            --json --salvage --threads= --quiet --verbose --help --version' -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    # The direction chosen so far narrows the files offered; folders are always offered. kvox
    # takes the extensions in any letter case.
    local word recording='[kK][vV][oO]' compressed='[kK][vV][oO][xX]'
    local extensions="@($recording|$compressed)"
    for word in "${words[@]:1:cword-1}"; do
        case $word in
            -z | --compress) extensions=$recording ;;
            -d | --restore | -t | --test | --salvage) extensions=$compressed ;;
            --) break ;;
            --*) ;;
            -*z*) extensions=$recording ;;
            -*[dt]*) extensions=$compressed ;;
        esac
    done
    _filedir "$extensions"
} &&
    complete -F _kvox kvox

# ex: filetype=sh
