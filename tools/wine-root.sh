#!/bin/sh
# wine-root.sh ROOT COMMAND [ARG...]: runs COMMAND, one of this machine's
# (the tests, say), with VEK_WINE=ROOT, so that it runs its Wine from the
# Debian root ROOT that tools/setup-wine10.sh made:
#
#   tools/wine-root.sh ~/.cache/vekdll/wine10 tools/python tools/testsuite.py \
#     --unittest tests/e2e /tmp/e2e.json test_paths
#
# COMMAND runs in a mount namespace of its own where everything of this
# machine that is not its system (/tmp, the home folders, /work and any other
# folder at the top) also appears inside ROOT at the same path, so that
# prefixes, programs and X's sockets have one name on both sides; a program
# run with `unshare --root=ROOT` (vek.harness.prefix's wine_command) sees
# them. The mounts are shared between the two sides, so that a file system
# that COMMAND mounts later (the tests of a full disk) appears inside too;
# they all go with the namespace. As root.
set -eu
root=$(cd "$1" && pwd)
shift
exec unshare --mount --propagation private -- sh -eu -c '
  root=$1
  shift
  # The root'"'"'s own /dev, /proc and /sys first, while nothing propagates.
  for name in dev proc sys; do
    mount --rbind "/$name" "$root/$name"
  done
  mount --make-rshared /
  for dir in /*; do
    name=${dir#/}
    case $name in
      bin|boot|dev|etc|lib|lib32|lib64|libx32|lost+found|opt|proc|run|sbin|sys|usr|var|snap) continue ;;
    esac
    [ -d "$dir" ] && [ ! -L "$dir" ] || continue
    mkdir -p "$root/$name"
    mount --rbind "$dir" "$root/$name"
  done
  VEK_WINE=$root exec "$@"
' wine-root "$root" "$@"
