# enter.sh QEMU TRAP_MEND COMMAND...: inside a fresh user and mount namespace,
# registers QEMU for i386 ELF files with binfmt_misc's F flag (the interpreter
# is opened now, so it need not be visible to the programs) and runs COMMAND.
set -euo pipefail
qemu=$1 trap_mend=$2
shift 2
mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":svcgate-i386:M::$magic:$mask:$qemu:F" >/proc/sys/fs/binfmt_misc/register
# qemu sets it in the emulated process alone, and the library takes it out of
# the process's environment again: a 64-bit program never sees a 32-bit library,
# and each 32-bit child gets it from its own qemu.
export QEMU_SET_ENV=LD_PRELOAD=$trap_mend
exec "$@"
