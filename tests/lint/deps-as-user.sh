#!/usr/bin/env bash
# shell/deps.sh as a user who is not root. With nothing missing it installs
# nothing and asks no sudo; with a package missing it goes through sudo when
# there is one, and otherwise tools/test.sh stops before it builds anything,
# with one message listing the commands for root. dpkg-query, dpkg, apt-get,
# sudo, cmake and shell/namespace.sh are stand-ins that record how they were
# called, so the machine's packages are neither read nor touched.
#
# Started as root (as ctest is, here), it runs itself again as nobody.
set -u
here=$(cd "$(dirname "$0")" && pwd)
tree=$(cd "$here/../.." && pwd)

if [ "$(id -u)" -eq 0 ]; then
    scratch=$(mktemp -d)
    # What the user runs, copied where nobody can read it whatever the tree's modes.
    mkdir -p "$scratch/tree/tools" "$scratch/tree/shell" "$scratch/tree/tests/lint"
    cp "$tree/tools/test.sh" "$scratch/tree/tools/"
    cp "$tree/shell/deps.sh" "$scratch/tree/shell/"
    cp "$tree/shell/title.sh" "$scratch/tree/shell/"
    cp "$0" "$scratch/tree/tests/lint/"
    cp "$tree/tests/checks.sh" "$scratch/tree/tests/"
    chown -R 65534:65534 "$scratch"
    setpriv --reuid=65534 --regid=65534 --clear-groups \
        env -i HOME="$scratch" PATH=/usr/bin:/bin LANG=C.UTF-8 bash "$scratch/tree/tests/lint/deps-as-user.sh"
    status=$?
    rm -rf "$scratch"
    exit $status
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
log=$work/calls.log

# tools/test.sh and deps.sh in a tree of their own, where the namespace check
# that follows the package steps is a stand-in that passes.
mkdir -p "$work/tree/tools" "$work/tree/shell"
cp "$tree/tools/test.sh" "$work/tree/tools/"
cp "$tree/shell/deps.sh" "$work/tree/shell/"
cp "$tree/shell/title.sh" "$work/tree/shell/"
cat >"$work/tree/shell/namespace.sh" <<'EOF'
#!/bin/bash
echo "namespace.sh $*" >>"$CALLS"
EOF
chmod +x "$work/tree/shell/namespace.sh"
tree=$work/tree

# The system's commands, less sudo: a PATH on which there is no sudo.
mkdir "$work/system" "$work/stand-ins" "$work/sudo"
find /usr/bin /bin -maxdepth 1 ! -type d ! -name sudo -exec ln -s -t "$work/system" {} + 2>/dev/null

# dpkg-query: every package installed but those in MISSING; qemu-user at QEMU_VERSION.
cat >"$work/stand-ins/dpkg-query" <<'EOF'
#!/bin/bash
format=$2 package=$3
case " $MISSING " in *" $package "*) echo "dpkg-query: no packages found matching $package" >&2; exit 1 ;; esac
case "$format" in
*Status*) printf 'install ok installed' ;;
*Version*) printf '%s' "$QEMU_VERSION" ;;
esac
EOF
cat >"$work/stand-ins/dpkg" <<'EOF'
#!/bin/bash
case "$1" in
--compare-versions) exec /usr/bin/dpkg "$@" ;;
--print-foreign-architectures) printf '%s\n' $FOREIGN_ARCHITECTURES ;;
*) echo "dpkg $*" >>"$CALLS" ;;
esac
EOF
for command in apt-get cmake; do
    cat >"$work/stand-ins/$command" <<'EOF'
#!/bin/bash
echo "${0##*/} $*" >>"$CALLS"
EOF
done
# sudo runs the command as this same user: the stand-ins above do the rest.
cat >"$work/sudo/sudo" <<'EOF'
#!/bin/bash
echo "sudo $*" >>"$CALLS"
exec "$@"
EOF
chmod +x "$work"/stand-ins/* "$work/sudo/sudo"

# A machine's bookworm entry, for the backports entry made from it.
cat >"$work/debian.sources" <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
backports=$work/bookworm-backports.sources
write_backports="printf '%s\\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm-backports' \
'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' >$backports"

# shellcheck source=../checks.sh
source "$here/../checks.sh"

# run NAME SUDO(yes|no) MISSING FOREIGN_ARCHITECTURES COMMAND...: runs COMMAND
# as this user with the stand-ins; sets status, out (stdout and stderr) and calls.
run() {
    local name=$1 sudo=$2
    export MISSING=$3 FOREIGN_ARCHITECTURES=$4 QEMU_VERSION=1:10.0.4 CALLS=$log
    shift 4
    local path=$work/stand-ins:$work/system
    [ "$sudo" = yes ] && path=$work/sudo:$path
    rm -f "$log" "$backports"
    : >"$log"
    echo "== $name"
    out=$(cd "$work" && PATH=$path BACKPORTS_SOURCES=$backports DEBIAN_SOURCES=$work/debian.sources "$@" 2>&1)
    status=$?
    calls=$(cat "$log")
}

deps=$tree/shell/deps.sh
everything=". '$deps' && install_needed --win32-wine \"\${BUILD_PACKAGES[@]}\""

run "nothing missing, no sudo" no "" i386 bash -c "$everything"
check_lines "status" 0 "$status"
check_lines "output" "" "$out"
check_lines "package steps and sudo" "" "$calls"

run "nothing missing, sudo there" yes "" i386 bash -c "$everything"
check_lines "status" 0 "$status"
check_lines "output" "" "$out"
check_lines "package steps and sudo" "" "$calls"

run "a package missing, sudo there" yes "shellcheck" i386 bash -c "$everything"
check_lines "status" 0 "$status"
check_lines "package steps, through sudo" "sudo env DEBIAN_FRONTEND=noninteractive sh -c apt-get update
apt-get update
sudo env DEBIAN_FRONTEND=noninteractive sh -c apt-get install -y shellcheck
apt-get install -y shellcheck" "$calls"

run "a package missing, no sudo: tools/test.sh" no "shellcheck" i386 "$tree/tools/test.sh"
check_lines "status" 1 "$status"
check_lines "message" "deps.sh: packages are missing, and installing them needs root; this user is not root and has no sudo.
Run as root:
    apt-get update
    apt-get install -y shellcheck
then run this again." "$out"
check_lines "package steps and builds" "" "$calls"

run "32-bit Wine missing, no sudo: tools/test.sh" no "wine32:i386 qemu-user cmake" "" "$tree/tools/test.sh"
check_lines "status" 1 "$status"
check_lines "message" "deps.sh: packages are missing, and installing them needs root; this user is not root and has no sudo.
Run as root:
    $write_backports
    dpkg --add-architecture i386
    apt-get update
    apt-get install -y cmake wine32:i386
    apt-get install -y --no-install-recommends -t bookworm-backports qemu-user
then run this again." "$out"
check_lines "package steps and builds" "" "$calls"

run "qemu-user too old, sudo there" yes "" i386 bash -c ". '$deps' && QEMU_VERSION=1:7.2 install_win32_wine"
check_lines "status" 0 "$status"
check_lines "package steps, through sudo" "sudo env DEBIAN_FRONTEND=noninteractive sh -c $write_backports
sudo env DEBIAN_FRONTEND=noninteractive sh -c apt-get update
apt-get update
sudo env DEBIAN_FRONTEND=noninteractive sh -c apt-get install -y --no-install-recommends -t bookworm-backports qemu-user
apt-get install -y --no-install-recommends -t bookworm-backports qemu-user" "$calls"
check_lines "backports entry written" "Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" "$(cat "$backports" 2>&1)"

checks_done
