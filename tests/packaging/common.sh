# Shared by the packaging checks: a temporary folder removed at the end, and
# failing with a reason.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fail() { echo "FAILED: $*" >&2; exit 1; }

# The files of a tree under $1 (relative, sorted) against expected_files.txt;
# with $2 = library, also the library's files (expected_library_files.txt,
# the build type's name in a file name as CONFIG), include/marbleck/marbleck.h,
# every header it includes under include/marbleck (kinds.h among them) and
# each kind's own header, engine/kinds/<kind>/<Name>Kind.h.
check_files() {
    local expected=$work/expected_files.txt
    cp "$here/expected_files.txt" "$expected"
    if [ "${2:-}" = library ]; then
        cat "$here/expected_library_files.txt" >> "$expected"
        echo include/marbleck/marbleck.h >> "$expected"
        sed -n 's|^#include "\([^"]*\)".*|include/marbleck/\1|p' "$here/../../marbleck/marbleck.h" >> "$expected"
        (cd "$here/../.." && printf 'include/marbleck/%s\n' engine/kinds/*/*Kind.h) >> "$expected"
    fi
    diff -u <(LC_ALL=C sort "$expected") \
        <(cd "$1" && find . -type f | sed 's|^\./||; s|MarbleckTargets-[a-z]*\.cmake$|MarbleckTargets-CONFIG.cmake|' | LC_ALL=C sort) ||
        fail "the installed files differ from the expected ones (- missing, + unexpected)"
}

# The staged programs start, without the build tree, and know their version;
# the window opens (offscreen) and is still running a few seconds later.
check_starts() {
    local version status=0
    version=$(env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY "$1/bin/marbleck" --version) ||
        fail "the installed marbleck does not answer --version without a display"
    [[ $version == "Marbleck 0."* ]] || fail "marbleck --version printed '$version'"
    env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work" \
        timeout 3 "$1/bin/marbleck" > "$work/marbleck.log" 2>&1 || status=$?
    [[ $status == 124 ]] || { cat "$work/marbleck.log" >&2; fail "the installed marbleck ended with status $status"; }
    env -u LD_LIBRARY_PATH "$1/bin/marbleck-cli" --version > /dev/null || fail "the installed marbleck-cli does not start"
}
