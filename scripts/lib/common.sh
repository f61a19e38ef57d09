# Sourced by the scripts in scripts/: the opening they share. Runs from the repository's root.
# shellcheck shell=bash

cd "$(dirname "${BASH_SOURCE[0]}")/../.."

# The packages of the named lists in scripts/lib/ (comments left out).
packages() { grep -hv '^#' "${@/#/scripts/lib/}"; }

# Installs what the named package lists hold and is missing.
ensure_lists() {
    # shellcheck disable=SC2046
    scripts/lib/ensure-packages $(packages "$@")
}

# Configures and builds a preset; extra arguments go to the configure step.
build_preset() {
    local preset=$1
    shift
    cmake --preset "$preset" "$@" >/dev/null
    cmake --build --preset "$preset"
}
