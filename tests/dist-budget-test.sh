#!/bin/sh
# make dist's check refuses an installer one byte over its budget, saying so,
# and takes one of exactly the budget.
# Usage: dist-budget-test.sh SOURCE_FOLDER
set -u
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
budget=$((192 * 1024))

dist_of() {
    mkdir -p "$work/$1"
    head -c "$2" /dev/zero >"$work/$1/PelmoraInstaller.exe"
    : >"$work/$1/kwpack.exe"
    : >"$work/$1/kwpack"
}
dist_of within "$budget"
dist_of over $((budget + 1))

"$source/scripts/check-release-files.sh" "$work/within" "$source" >/dev/null 2>&1 || {
    echo "an installer of exactly the budget was refused" >&2
    exit 1
}
if "$source/scripts/check-release-files.sh" "$work/over" "$source" 2>"$work/message" >/dev/null; then
    echo "an installer over the budget was taken" >&2
    exit 1
fi
grep -q "PelmoraInstaller.exe is $((budget + 1)) bytes, over its budget of $budget" "$work/message" || {
    echo "the refusal does not say why:" >&2
    cat "$work/message" >&2
    exit 1
}
