#!/bin/sh
# Exits 0 when this machine can run 32-bit programs, and so 32-bit Wine. Some
# kernels are built or booted without 32-bit support.
exec /usr/lib/wine/wine --version >/dev/null 2>&1
