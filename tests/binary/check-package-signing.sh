#!/usr/bin/env bash
# Checks a signed release package:
#   check-package-signing.sh BUILD_DIR OBJDUMP WINDRES VERSION
# makes a throwaway code-signing certificate under a throwaway root, packages
# the build signed with it, and checks that osslsigncode accepts each program's
# signature against that root (and not against another), that the sums match
# the signed files, that the signed Perinax.exe and trace viewer pass the binary
# checks, and that the signed pair does the whole job under Wine (WINEPREFIX, a
# 64-bit prefix): the registry value, the setup program's arguments, its exit
# code in the log.
set -euo pipefail
build=$(cd "$1" && pwd)
objdump=$2
windres=$3
version=$4
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
. "$source_dir/cmake/wine-env.sh"
work=$build/signing-check
rm -rf "$work"
mkdir -p "$work/pki" "$work/media"
cd "$work/pki"

quiet() { "$@" >/dev/null 2>&1 || { echo "FAIL: $*"; "$@"; exit 1; }; }
certificate() {  # NAME SUBJECT EXTENSIONS [ISSUER]
  quiet openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -subj "$3" -out "$1.csr"
  printf '%s\n' "$4" >"$1.ext"
  if [ -z "${5:-}" ]; then
    quiet openssl x509 -req -in "$1.csr" -signkey "$1.key" -days 2 -extfile "$1.ext" -out "$1.pem"
  else
    quiet openssl x509 -req -in "$1.csr" -CA "$5.pem" -CAkey "$5.key" -CAcreateserial -days 2 \
      -extfile "$1.ext" -out "$1.pem"
  fi
}
ca_ext='basicConstraints=critical,CA:true
keyUsage=critical,keyCertSign,cRLSign'
certificate root root "/CN=Perinax throwaway root" "$ca_ext"
certificate other other "/CN=Another root" "$ca_ext"
certificate signer signer "/CN=Perinax throwaway signer" 'basicConstraints=CA:false
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning' root
quiet openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile root.pem \
  -passout pass:'not a secret' -out signer.p12

PERINAX_SIGN_PKCS12=$work/pki/signer.p12 PERINAX_SIGN_PASSWORD='not a secret' \
  "$source_dir/scripts/make-package.sh" "$build" "$work/dist" >/dev/null
cd "$work/media"
cmake -E tar xf "$work/dist/Perinax-$version-win32.zip"
cd "Perinax-$version"

# shellcheck source=run-check.sh
. "$here/run-check.sh"
fails() { ! "$@"; }
for program in Perinax.exe perinax-trace.exe perinax-trace.com perinax-explain.exe \
  perinax-selftest.exe; do
  check "$program: signature accepted against the throwaway root" \
    osslsigncode verify -CAfile "$work/pki/root.pem" -in "$program"
  check "$program: signature refused against another root" \
    fails osslsigncode verify -CAfile "$work/pki/other.pem" -in "$program"
  check "$program: the signed file is not the built one" fails cmp "$program" "$build/$(
    [ "$program" = Perinax.exe ] || echo tools/)$program"
done
check "SHA256SUMS match the signed files" sha256sum -c SHA256SUMS
check "signed Perinax.exe passes the file checks" \
  "$here/check-perinax-exe.sh" Perinax.exe "$objdump" "$windres" "$version"
check "signed Perinax.exe passes the DLL fence checks" "$here/check-dll-fence.sh" Perinax.exe "$objdump"
for viewer in perinax-trace.exe perinax-trace.com; do
  check "signed $viewer passes the DLL fence checks" \
    "$here/check-dll-fence.sh" "$viewer" "$objdump" msvcrt.dll
done

# The whole job under Wine, the signed viewer running the signed launcher.
cp "$build/tools/perinax-demo-setup.exe" setup.exe
key='SOFTWARE\PerinaxSigned'
printf '[Default]\r\nSetupFile=setup.exe\r\n' >Perinax.ini
for bits in 32 64; do
  printf 'RegPath%sKeyPath=%s\r\nRegPath%sKeyName=Stage\r\nRegPath%sKeyValue=7\r\n' \
    "$bits" "$key" "$bits" "$bits" >>Perinax.ini
done
export WINEDEBUG=-all
wine reg delete "HKLM\\$key" /f /reg:64 >/dev/null 2>&1 || true
status=0
wine perinax-trace.exe --log run.log Perinax.exe /quiet "/x=a b" /exitcode=3010 >/dev/null 2>&1 ||
  status=$?
check "the signed programs end with the setup program's code" grep -q 'exit code 3010 ' run.log
check "the whole trace is in the log" grep -q 'Write VUZA Value' run.log
check "the setup program got the arguments" grep -qx '/quiet "/x=a b" /exitcode=3010' setup-received.txt
check "the registry value is written" \
  sh -c "wine reg query 'HKLM\\$key' /v Stage /reg:64 | grep -q 0x7"
wine reg delete "HKLM\\$key" /f /reg:64 >/dev/null 2>&1 || true
[ "$failures" -eq 0 ] && echo "all checks passed (Wine status $status)"
exit "$failures"
