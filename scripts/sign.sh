#!/bin/sh
# Signs Windows programs in place with SHA-256 Authenticode. The certificate
# (with its chain) and the key come from SIGN_CERT and SIGN_KEY, PEM files;
# SIGN_PASS is the key's password, SIGN_TIMESTAMP_URL an RFC 3161 time-stamp
# server. Usage: SIGN_CERT=cert.pem SIGN_KEY=key.pem sign.sh EXE...
set -eu
if [ -z "${SIGN_CERT:-}" ] || [ -z "${SIGN_KEY:-}" ]; then
    echo "sign: SIGN_CERT and SIGN_KEY must both be given" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -n "${SIGN_PASS:-}" ]; then
    # Through a file, so the password never shows in the process list.
    (umask 077 && printf '%s' "$SIGN_PASS" >"$work/pass")
fi

sign_one() {
    set -- -certs "$SIGN_CERT" -key "$SIGN_KEY" -h sha256 -n "Pelmora Installer"
    [ -z "${SIGN_PASS:-}" ] || set -- "$@" -readpass "$work/pass"
    [ -z "${SIGN_TIMESTAMP_URL:-}" ] || set -- "$@" -ts "$SIGN_TIMESTAMP_URL"
    # No input: a wrong password fails rather than waiting at a prompt.
    osslsigncode sign "$@" -in "$exe" -out "$work/signed.exe" </dev/null >"$work/log" 2>&1 || {
        cat "$work/log" >&2
        echo "sign: cannot sign $exe" >&2
        exit 1
    }
    # Copied over the original, which keeps its mode.
    cp "$work/signed.exe" "$exe"
    rm "$work/signed.exe"
    echo "sign: signed $exe"
}

for exe in "$@"; do
    sign_one
done
