#!/bin/sh
# Proves the README's two commands on a fresh Debian 12 machine: builds a
# minimal Debian 12 root from Debian's packages, copies a clean clone of HEAD
# into it (and ../shared beside the clone when it exists, as CI lays it out),
# and runs, as root inside it, exactly what the README tells a person to run:
# `make run` without a display, then `make test`. Reports the closing test
# counts and the packages the set-up installed.
#
# It takes long (everything is downloaded and built from nothing) and is no
# part of `make test` or CI. Run it before calling done any change to the
# dependencies, the set-up, or tests that touch fonts, locales, time zones or
# the network.
set -eu

usage() {
  cat <<'EOF'
Usage: scripts/fresh-check.sh [--keep] [--work DIR]

Builds a minimal Debian 12 (bookworm) root with mmdebstrap, copies a clean
clone of HEAD into it (uncommitted changes are not part of it), and runs
`make run` (no display) and then `make test` in it as root, as the README
says. Prints the packages the set-up installed and the closing test counts;
the full logs stay in the work folder.

Needs root on a Debian machine that reaches Debian's package mirror. When
mmdebstrap is missing it is installed on this machine first with
`apt-get install mmdebstrap` (or install it yourself beforehand).

  --work DIR  where the root and the logs go (default: a new folder under
              /var/tmp); it must not exist yet
  --keep      leave the root in place afterwards (default: removed, logs kept)
  --help      this text

The fresh machine starts with Debian's minimal set plus `make` and `git`, the
two things a person brings to run the README's commands. Services that
packages would start on installation are not started in the root (a policy
file forbids it, as in any container), so nothing is left running.

Exit status: 0 when both commands succeeded, 1 otherwise.
EOF
}

keep=false
work=""
while [ $# -gt 0 ]; do
  case "$1" in
  --keep) keep=true ;;
  --work)
    [ $# -ge 2 ] || { echo "fresh-check: --work needs a folder" >&2; exit 2; }
    work=$2
    shift
    ;;
  --help | -h)
    usage
    exit 0
    ;;
  *)
    echo "fresh-check: unknown argument '$1' (see --help)" >&2
    exit 2
    ;;
  esac
  shift
done

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-check: run as root (it builds a root file system and runs chroot)" >&2
  exit 1
fi

repo=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
head=$(git -C "$repo" rev-parse HEAD)
if [ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ]; then
  echo "fresh-check: note: uncommitted changes are not checked; HEAD is ($head)" >&2
fi

if ! command -v mmdebstrap >/dev/null 2>&1; then
  echo "fresh-check: installing mmdebstrap on this machine"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap
fi

if [ -z "$work" ]; then
  work=$(mktemp -d /var/tmp/ov-fresh-check.XXXXXX)
else
  if [ -e "$work" ]; then
    echo "fresh-check: $work exists already; name a new folder" >&2
    exit 2
  fi
  mkdir -p "$work"
fi
work=$(cd "$work" && pwd)
root="$work/root"
check=/srv/check
mounted=""

cleanup() {
  # Whatever was started inside the root is ended (by process id) so that
  # its mounts can go.
  for p in /proc/[0-9]*; do
    if [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ]; then
      kill -9 "${p#/proc/}" 2>/dev/null || true
    fi
  done
  for m in $mounted; do
    umount -l "$m" 2>/dev/null || true
  done
  if [ "$keep" = false ] && [ -d "$root" ]; then
    # Never into a mount that is still there (the host's /dev, /sys).
    if grep -q " $root/" /proc/mounts; then
      echo "fresh-check: mounts remain under $root; it is left in place" >&2
    else
      rm -rf --one-file-system "$root"
    fi
  fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

log() { echo "fresh-check: $*"; }

log "building a minimal Debian 12 root in $root"
mmdebstrap --variant=minbase --include=make,git,ca-certificates bookworm "$root" \
  "deb http://deb.debian.org/debian bookworm main" \
  "deb http://deb.debian.org/debian bookworm-updates main" \
  "deb http://deb.debian.org/debian-security bookworm-security main" >"$work/mmdebstrap.log" 2>&1 || {
  echo "fresh-check: mmdebstrap failed; see $work/mmdebstrap.log" >&2
  tail -n 20 "$work/mmdebstrap.log" >&2
  exit 1
}
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

log "copying a clean clone of $head"
mkdir -p "$root$check"
git clone -q --no-checkout "$repo" "$root$check/repo"
git -C "$root$check/repo" checkout -q "$head"
shared="$repo/../shared"
if [ -d "$shared" ]; then
  # As CI has it: a copy beside the clone, without write bits.
  cp -rL "$shared" "$root$check/shared"
  chmod -R a-w "$root$check/shared"
  log "copied ../shared beside the clone"
fi

mount_in_root() { # TARGET MOUNT-ARGUMENTS...
  target="$root/$1"
  shift
  mkdir -p "$target"
  mount "$@" "$target" || { echo "fresh-check: cannot mount $target" >&2; exit 1; }
  mounted="$target $mounted"
}
mount_in_root proc -t proc proc
mount_in_root sys --rbind /sys
mount_in_root dev --bind /dev
mount_in_root dev/pts --bind /dev/pts
mount_in_root run -t tmpfs tmpfs

# A login's environment, no display, and nothing of this machine's.
in_root() {
  env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/sh TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    chroot "$root" /bin/sh -c "cd $check/repo && $1" </dev/null
}

chroot "$root" dpkg-query -W -f='${Package}\n' | sort >"$work/packages-before.txt"

status=0
log "make run (log: $work/make-run.log)"
if in_root "make run" >"$work/make-run.log" 2>&1; then
  run_result="succeeded"
else
  run_result="FAILED (exit $?)"
  status=1
fi
chroot "$root" dpkg-query -W -f='${Package}\n' | sort >"$work/packages-after.txt"
comm -13 "$work/packages-before.txt" "$work/packages-after.txt" >"$work/packages-installed.txt"

test_result="not run"
if [ $status -eq 0 ]; then
  log "make test (log: $work/make-test.log)"
  if in_root "make test" >"$work/make-test.log" 2>&1; then
    test_result="succeeded"
  else
    test_result="FAILED (exit $?)"
    status=1
  fi
fi

echo
echo "== fresh Debian 12 check of $head"
requested=$(sed -n 's/^setup: installing *//p' "$work/make-run.log" | head -n 1)
echo "setup installed: ${requested:-nothing}"
echo "with their dependencies: $(wc -l <"$work/packages-installed.txt") packages" \
  "(list: $work/packages-installed.txt)"
echo "make run: $run_result"
if [ "$run_result" != succeeded ]; then
  tail -n 20 "$work/make-run.log"
fi
echo "make test: $test_result"
if [ -f "$work/make-test.log" ]; then
  grep -E 'tests passed|tests failed out of' "$work/make-test.log" | tail -n 1 || true
  sed -n '/The following tests FAILED/,$p' "$work/make-test.log" | head -n 40
fi
echo "logs: $work"
exit $status
