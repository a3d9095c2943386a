#!/usr/bin/env bash
# Fails when a Windows executable lacks ASLR or DEP, or has a section that is both writable and executable.
# Usage: check-pe.sh OBJDUMP FILE.exe...
set -u
objdump=$1
shift
status=0
for exe in "$@"; do
  header=$("$objdump" -p "$exe") || { echo "$exe: cannot read the PE header"; status=1; continue; }
  dll=$(printf '%s\n' "$header" | awk '/^DllCharacteristics/ {print $2}')
  flags=$((16#${dll:-0}))
  (( flags & 0x40 )) || { echo "$exe: no DYNAMIC_BASE (ASLR)"; status=1; }
  (( flags & 0x100 )) || { echo "$exe: no NX_COMPAT (DEP)"; status=1; }
  # objdump -h prints each section's flags on the line after it.
  wx=$("$objdump" -h "$exe" | awk 'prev && /CODE/ && !/READONLY/ {print name} {prev = ($1 ~ /^[0-9]+$/); name = $2}')
  if [ -n "$wx" ]; then
    echo "$exe: writable and executable section(s): $wx"
    status=1
  fi
  [ $status -eq 0 ] && echo "$exe: DllCharacteristics 0x$dll, no W+X section"
done
exit $status
