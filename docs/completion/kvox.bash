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

    # The direction chosen so far narrows the files offered; folders are always offered.
    local word extensions='@(kvo|kvox)'
    for word in "${words[@]:1:cword-1}"; do
        case $word in
            -z | --compress) extensions='kvo' ;;
            -d | --restore | -t | --test | --salvage) extensions='kvox' ;;
            --) break ;;
            --*) ;;
            -*z*) extensions='kvo' ;;
            -*[dt]*) extensions='kvox' ;;
        esac
    done
    _filedir "$extensions"
} &&
    complete -F _kvox kvox

# ex: filetype=sh
