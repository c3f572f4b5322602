#!/usr/bin/env bash
# A run that selects no test fails, in scripts/alsa-vm --ctest and in the
# suite of scripts/test and scripts/test-sanitized (vaskor_run_suite), unless
# ctest's own --no-tests=ignore is among the options. Every selection here is
# empty, so nothing is run and no virtual machine is started.
#
#   EmptySelectionTest.sh <source folder> <build folder>
set -uo pipefail
root="$1"
export VASKOR_BUILD="$2"
none='^NoTestHasThisName$'

suite() {
    bash -c 'source "$0/scripts/common.sh" && vaskor_run_suite "$@"' "$root" "$@"
}

failures=0
# <fails|passes> <what> <command ...>: a failure must say that no test was
# selected, so that it cannot come from anything else.
expect() {
    local want="$1" what="$2" output status=0
    shift 2
    output="$("$@" 2>&1)" || status=$?
    if [ "$want" = fails ] && { [ "$status" -eq 0 ] || ! grep -qi "no test.*selected" <<<"$output"; }; then
        echo "FAILED: $what: exit status $status, expected a failure for no test selected; output:"
        echo "$output"
        failures=$((failures + 1))
    elif [ "$want" = passes ] && [ "$status" -ne 0 ]; then
        echo "FAILED: $what: exit status $status, expected 0; output:"
        echo "$output"
        failures=$((failures + 1))
    else
        echo "ok: $what"
    fi
}

expect fails "alsa-vm, a name no test has" "$root/scripts/alsa-vm" --ctest -R "$none"
expect fails "alsa-vm, no ALSA test" "$root/scripts/alsa-vm" --ctest -LE alsa-vm
expect passes "alsa-vm, a name no test has, --no-tests=ignore" "$root/scripts/alsa-vm" --ctest -R "$none" --no-tests=ignore
expect fails "alsa-vm, --no-tests=ignore given back by --no-tests=error" \
    "$root/scripts/alsa-vm" --ctest -R "$none" --no-tests=ignore --no-tests=error
expect fails "suite, a name no test has" suite -R "$none"
expect passes "suite, a name no test has, --no-tests=ignore" suite -R "$none" --no-tests=ignore
[ "$failures" -eq 0 ]
