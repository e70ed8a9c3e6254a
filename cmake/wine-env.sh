# Sourced by every script that starts Wine. Where the kernel cannot run 32-bit
# programs, scripts/install-deps.sh runs them through qemu-i386 and builds a
# preload that Wine's 32-bit processes need there; ld.so expands $LIB to pick
# the 32-bit or the 64-bit copy.
perinax_qemu_preload=/usr/local/lib/perinax-qemu
if [ -d "$perinax_qemu_preload" ]; then
  export LD_PRELOAD="$perinax_qemu_preload/"'$LIB'"/trapfix.so${LD_PRELOAD:+:$LD_PRELOAD}"
fi
