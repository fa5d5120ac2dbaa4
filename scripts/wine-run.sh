#!/usr/bin/env bash
# Runs a Windows program under Wine (ctest's cross-compiling emulator).
exec wine "$@"
