#!/usr/bin/env bash
# Starts 64-bit Wine's loader ($WINE_LOADER) with the arguments given, with the
# address layout of the process fixed (no randomization), which the programs
# it starts inherit.
#
# Why: Debian's 64-bit Wine has no preloader to reserve the addresses Windows
# programs need before anything else takes them. The C library's heap begins
# at a random place up to 1 GiB above the loader (0x7d000000); when it happens
# to begin just below 0x7ffe0000, where Wine must map the page Windows shares
# with every process, the program dies before its first instruction ("failed
# to map the shared user data: c0000018"): once in some 4,800 starts counted.
# Without randomization the heap always begins right after the loader, 47 MiB
# below that page.
set -u
exec setarch "$(uname -m)" --addr-no-randomize "$WINE_LOADER" "$@"
