#!/usr/bin/env bash
# How this machine runs 32-bit (i386) Linux programs, Wine's 32-bit loader
# among them, and so the shipped 32-bit build. Prints one line:
#   native          the kernel runs them itself
#   qemu            binfmt_misc hands them to qemu-i386-static (about a
#                   minute per Windows process start: only the i686 smoke
#                   set of the tests runs)
#   none: REASON    they cannot run here
#
#   scripts/i386-runtime.sh            report
#   scripts/i386-runtime.sh --enable   first register qemu-user-static for
#                                      i386 programs where the kernel cannot
#                                      run them (root or sudo; mounts
#                                      binfmt_misc when it is not mounted)
# Exit status 0 for native and qemu, 1 for none.
set -uo pipefail
binfmt=/proc/sys/fs/binfmt_misc
qemu=/usr/bin/qemu-i386-static
loader=/usr/lib/wine/wine
entry=qemu-i386
# ELF, 32-bit, little endian, executable or shared object, machine 3 (i386).
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo -n "$@"; fi; }

# An enabled binfmt_misc entry that hands i386 programs to qemu.
qemu_registered() {
  local f
  for f in "$binfmt"/*; do
    [ -f "$f" ] || continue
    case "${f##*/}" in register|status) continue ;; esac
    grep -qx enabled "$f" 2>/dev/null || continue
    grep -q '^interpreter .*qemu-i386' "$f" 2>/dev/null || continue
    grep -q '^magic 7f454c4601010100000000000000000002000300' "$f" 2>/dev/null && return 0
  done
  return 1
}

loader_runs() { "$loader" --version >/dev/null 2>&1; }

report() {
  if qemu_registered; then
    if loader_runs; then echo qemu; return 0; fi
    echo "none: i386 programs are handed to qemu, but Wine's 32-bit loader ($loader) does not start"
    return 1
  fi
  if loader_runs; then echo native; return 0; fi
  if [ ! -x "$loader" ]; then
    echo "none: Wine's 32-bit loader is not installed (package wine32:i386; scripts/setup.sh installs it)"
  else
    echo "none: this kernel cannot run 32-bit programs and no qemu entry for them is registered in binfmt_misc (scripts/setup.sh registers one)"
  fi
  return 1
}

# The kernel refuses i386 programs (as opposed to a loader that is missing
# or broken): only then is qemu registered, since the entry would also
# slow down every 32-bit program of a kernel that runs them itself.
kernel_refuses_i386() {
  [ -x "$loader" ] || return 1
  # 126: the shell found the program but could not execute it (on such a
  # kernel: "Exec format error").
  "$loader" --version >/dev/null 2>&1
  [ $? = 126 ]
}

enable() {
  qemu_registered && return 0
  loader_runs && return 0
  kernel_refuses_i386 || return 0
  if [ ! -x "$qemu" ]; then
    echo "none: $qemu is missing (package qemu-user-static; scripts/setup.sh installs it)"
    return 1
  fi
  local out
  if [ ! -e "$binfmt/register" ]; then
    if ! out=$(as_root mount -t binfmt_misc binfmt_misc "$binfmt" 2>&1); then
      echo "none: binfmt_misc cannot be mounted on $binfmt (${out:-no reason given}); 32-bit programs cannot run"
      return 1
    fi
  fi
  if [ -e "$binfmt/$entry" ]; then
    # Ours or someone's, disabled: switch it on rather than replace it.
    as_root sh -c "echo 1 > $binfmt/$entry" 2>/dev/null
  else
    # F: the interpreter is opened now, so it also works inside chroots and
    # containers that do not have it.
    if ! out=$(as_root sh -c "printf '%s' ':$entry:M::$magic:$mask:$qemu:F' > $binfmt/register" 2>&1); then
      echo "none: the i386 entry cannot be registered in binfmt_misc (${out:-no reason given})"
      return 1
    fi
  fi
  return 0
}

if [ "${1:-}" = --enable ]; then
  enable || exit 1
fi
report
