# bash completion of hashkeep: the commands, each command's options, the
# values of -a and --on-error, folders after -C, hash lists after verify
# ("-", standard input, is typed as it is).
# Installed as share/bash-completion/completions/hashkeep; bash-completion
# loads it when hashkeep is first completed, or source it by hand.

_hashkeep_lists() {
    # Folders, and files named as hash lists (any case).
    local candidate lower
    while IFS= read -r candidate; do
        lower=${candidate,,}
        case ${lower##*/} in
        *.sfv | *.md5 | *.sha1 | *.sha256 | *.md5sum | *.sha1sum | *.sha256sum | md5sums | sha1sums | sha256sums | \
        md5sums.txt | sha1sums.txt | sha256sums.txt | shasums256 | shasums256.txt | checksums | checksums.txt)
            COMPREPLY+=("$candidate") ;;
        *) [ -d "$candidate" ] && COMPREPLY+=("$candidate") ;;
        esac
    done < <(compgen -f -- "$1")
}

_hashkeep() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command=${COMP_WORDS[1]} options
    COMPREPLY=()
    if [ "$COMP_CWORD" -eq 1 ]; then
        mapfile -t COMPREPLY < <(compgen -W 'create verify compare demo --help --version' -- "$cur")
        return
    fi
    case $prev in
    -a | --algorithm)
        mapfile -t COMPREPLY < <(compgen -W 'crc32 md5 sha1 sha256' -- "$cur")
        return ;;
    --on-error)
        mapfile -t COMPREPLY < <(compgen -W 'skip abort' -- "$cur")
        return ;;
    -C | --directory)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return ;;
    -j | --jobs | --digest)
        return ;;
    -o | --output)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return ;;
    esac
    local common='-j --jobs -q --quiet -v --verbose --quiet-ok --status --on-error -h --help'
    case $command in
    create) options="-a --algorithm -C --directory -r --recursive -o --output --separate --force --text --crlf $common" ;;
    verify) options="-a --algorithm -C --directory --digest --ignore-missing $common" ;;
    compare) options="-a --algorithm -r --recursive $common" ;;
    demo) options='-h --help' ;;
    *) return ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    compopt -o filenames 2>/dev/null
    case $command in
    verify) _hashkeep_lists "$cur" ;;
    demo) mapfile -t COMPREPLY < <(compgen -d -- "$cur") ;;
    *) mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
    esac
}

complete -F _hashkeep hashkeep
