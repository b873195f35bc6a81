#!/bin/sh
# Shows that `make dist` is reproducible: clones the last commit twice, into
# folders of different names and path lengths, builds each in turn and
# compares every file of the two build/dist folders byte for byte. Uncommitted
# changes are not part of the check. Usage: check-reproducible.sh [JOBS]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${1:-2}
commit=$(git -C "$root" rev-parse HEAD)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

first=$work/a
second=$work/second-clone-in-a-longer-path/b
for clone in "$first" "$second"; do
    git clone -q "$root" "$clone"
    git -C "$clone" checkout -q --detach "$commit"
    echo "check-reproducible: building $commit in $clone"
    # Signing adds a signing time, so this checks the unsigned release.
    env -u SIGN_CERT -u SIGN_KEY make -C "$clone" dist JOBS="$jobs" >"$clone.log" 2>&1 || {
        tail -n 40 "$clone.log" >&2
        echo "check-reproducible: make dist failed in $clone" >&2
        exit 1
    }
done

(cd "$first/build/dist" && find . -type f | sort) >"$work/first.list"
(cd "$second/build/dist" && find . -type f | sort) >"$work/second.list"
if ! cmp -s "$work/first.list" "$work/second.list"; then
    echo "check-reproducible: the two builds wrote different files:" >&2
    diff "$work/first.list" "$work/second.list" >&2 || true
    exit 1
fi
status=0
while read -r file; do
    if cmp -s "$first/build/dist/$file" "$second/build/dist/$file"; then
        echo "same      $(sha256sum "$first/build/dist/$file" | cut -c1-16)  $file"
    else
        echo "DIFFERENT $(cmp "$first/build/dist/$file" "$second/build/dist/$file" | head -n 1)"
        status=1
    fi
done <"$work/first.list"
[ "$status" -eq 0 ] && echo "check-reproducible: both builds of $commit are byte-identical"
exit $status
