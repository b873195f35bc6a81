#!/bin/sh
# Signs copies of the built installer and kwpack.exe the way `make dist` does,
# with a throwaway certificate whose key has a password; checks that both
# verify against that certificate (and that an unsigned copy does not); then
# installs the demo package with the signed installer under Wine and checks
# the installed folder with the signed kwpack.exe.
# Usage: signed-install.sh WINEPREFIX INSTALLER_EXE KWPACK_EXE PROGRAM_EXE WALKTHROUGH_EXE WORK_FOLDER
set -eu
prefix=$1
installer=$2
kwpack=$3
program=$4
walkthrough=$5
work=$6
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
installed='C:\Program\KW\Pelmora'

fail() {
    echo "signed-install: $1" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work/app" "$work/release" "$work/shots"
openssl req -x509 -newkey rsa:2048 -sha256 -days 1 -subj "/CN=Pelmora test signer" \
    -addext extendedKeyUsage=codeSigning -passout pass:throwaway \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>"$work/openssl.log" || {
    cat "$work/openssl.log" >&2
    fail "openssl could not make the certificate"
}
cp "$installer" "$work/release/PelmoraInstaller.exe"
cp "$kwpack" "$work/release/kwpack.exe"

if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/release/PelmoraInstaller.exe" >/dev/null 2>&1; then
    fail "an unsigned installer passed verification"
fi
SIGN_CERT="$work/cert.pem" SIGN_KEY="$work/key.pem" SIGN_PASS=throwaway \
    "$root/scripts/sign.sh" "$work/release/PelmoraInstaller.exe" "$work/release/kwpack.exe"
for exe in PelmoraInstaller.exe kwpack.exe; do
    osslsigncode verify -CAfile "$work/cert.pem" -in "$work/release/$exe" >"$work/verify-$exe.log" 2>&1 || {
        cat "$work/verify-$exe.log" >&2
        fail "$exe does not verify against its certificate"
    }
    grep -q "Signature verification: ok" "$work/verify-$exe.log" || fail "$exe: no good signature reported"
    grep -qi "digest algorithm *: *sha256" "$work/verify-$exe.log" || fail "$exe is not signed with SHA-256"
    echo "signed-install: $exe verifies, SHA-256"
done

cp "$root"/demo/files/* "$work/app/"
cp "$program" "$work/app/pelmora.exe"
"$root/cmake/wine-run" "$prefix" "$work/release/kwpack.exe" pack "Z:$work/app" -o "Z:$work/release" ||
    fail "the signed kwpack.exe could not pack the demo"

# The walk-through expects the question to create the folder.
rm -rf "$prefix/drive_c/Program/KW/Pelmora"
"$here/with-display.sh" "$prefix" \
    "$root/cmake/wine-run" "$prefix" "$walkthrough" "$work/release/PelmoraInstaller.exe" "$work/shots" ||
    fail "the signed installer did not install"
"$root/cmake/wine-run" "$prefix" "$work/release/kwpack.exe" verify "Z:$work/release" "$installed" ||
    fail "the installed folder does not match the package"
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
echo "signed-install: the signed installer installed the demo, and the folder matches the package"
