# Shared by the installation tests: failing with a message, and the list of installed files.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Prints the expected files relative to the prefix; $1 is 1 when the desktop program is built.
expected_files() {
    local with_gui=$1 kind path
    while read -r kind path; do
        case $kind in
            ''|'#'*) continue ;;
            gui) [ "$with_gui" = 1 ] && echo "$path" ;;
            *) echo "$kind" ;;
        esac
    done < "$(dirname "${BASH_SOURCE[0]}")/installed-files.txt"
}
