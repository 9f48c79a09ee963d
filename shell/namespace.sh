#!/usr/bin/env bash
# Runs a command in a user and mount namespace of its own, as root there, so
# that it may mount things that vanish with it.
#
#   namespace.sh [--i386] COMMAND [ARG...]
#
# With --i386, 32-bit x86 Linux programs run there under qemu's user-mode
# emulation, which this kernel cannot run itself and 32-bit Wine is made of.
# The emulator is registered with the namespace's own binfmt_misc, never the
# machine's, so nothing else on the machine runs any differently.
#
# Exits with the command's status, or 125 naming the step that failed.
set -u

# qemu's own registration for i386 ELF files (magic, then mask): ELF, 32-bit,
# little-endian, an executable or shared object for the 386. "F" opens the emulator now, so
# that it is found whatever root the programs see later.
I386_BINFMT=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_BINFMT+=':\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
I386_BINFMT+=':/usr/bin/qemu-i386:F'
BINFMT_DIR=/proc/sys/fs/binfmt_misc

# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"
DIE_STATUS=125

register_i386() {
    [ -x /usr/bin/qemu-i386 ] ||
        die "/usr/bin/qemu-i386 is missing (Debian package qemu-user, from bookworm-backports)"
    mount -t binfmt_misc binfmt_misc "$BINFMT_DIR" ||
        die "could not mount binfmt_misc on $BINFMT_DIR in the namespace (the kernel may not give namespaces their own)"
    # As text: binfmt_misc decodes the \x escapes itself.
    printf '%s' "$I386_BINFMT" >"$BINFMT_DIR/register" ||
        die "could not register qemu-i386 with the namespace's binfmt_misc"
    grep -qx enabled "$BINFMT_DIR/qemu-i386" 2>/dev/null ||
        die "qemu-i386 is registered but not enabled in the namespace's binfmt_misc"
}

if [ "${1:-}" = --inside ]; then
    shift
    if [ "${1:-}" = --i386 ]; then
        shift
        register_i386
    fi
    exec "$@"
fi
if [ $# -eq 0 ] || { [ "$1" = --i386 ] && [ $# -eq 1 ]; }; then
    echo "usage: $0 [--i386] COMMAND [ARG...]" >&2
    exit 2
fi

# Why this machine gives no namespace, when one of its settings says so:
# those of Debian's kernels, upstream Linux and Ubuntu's AppArmor.
refusal_reason() {
    local setting value
    for setting in kernel.unprivileged_userns_clone user.max_user_namespaces \
        kernel.apparmor_restrict_unprivileged_userns; do
        value=$(cat "/proc/sys/${setting//.//}" 2>/dev/null) || continue
        case $setting=$value in
            *userns_clone=0 | *max_user_namespaces=0 | *restrict_unprivileged_userns=1)
                printf ' Here %s is %s.' "$setting" "$value" ;;
        esac
    done
    [ "$(id -u)" -eq 0 ] ||
        printf ' A user who is not root needs unprivileged user namespaces (docs/testing.md).'
}

# No --fork: the command then takes unshare's place, so a timeout or a kill
# aimed at it reaches it, and its exit status is this script's.
if ! error=$(unshare --user --map-root-user --mount true 2>&1); then
    die "could not make a user and mount namespace (unshare --user --map-root-user --mount: ${error:-no message}).$(refusal_reason)"
fi
exec unshare --user --map-root-user --mount bash "$0" --inside "$@"
