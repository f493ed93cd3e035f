#!/usr/bin/env bash
# Checks that executables are built hardened as Debian builds its programs:
# relocations read-only (GNU_RELRO) and bound at start (BIND_NOW), stack
# canaries, and, where optimised, the checked string and memory calls. The
# compiler checks only calls whose buffer sizes it knows, so a small program
# may have none: the checked calls are looked for in the executables together
# (the flags are the same for all).
# Usage: check_hardening.sh yes|no EXECUTABLE...   (yes: expect the checked calls)
set -euo pipefail
fortify=$1
shift
passed=0
failed=0
checked=0
# check DESCRIPTION COMMAND...: one check, counted.
check() {
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); else
        echo "FAIL: $what" >&2
        failed=$((failed + 1))
    fi
}
for exe in "$@"; do
    name=$(basename "$exe")
    headers=$(readelf -lW "$exe")
    dynamic=$(readelf -dW "$exe")
    symbols=$(readelf --dyn-syms -W "$exe")
    check "$name: no read-only relocations (relro)" grep -q GNU_RELRO <<<"$headers"
    check "$name: symbols not bound at start (now)" grep -Eq 'BIND_NOW|FLAGS_1.*NOW' <<<"$dynamic"
    check "$name: not position-independent" grep -q 'FLAGS_1.*PIE' <<<"$dynamic"
    check "$name: no stack protector" grep -q '__stack_chk_fail' <<<"$symbols"
    if grep -Eq '__[a-z]+_chk@' <<<"$symbols"; then checked=$((checked + 1)); fi
done
[ "$fortify" = yes ] && check "no checked calls (_FORTIFY_SOURCE)" [ "$checked" -gt 0 ]
echo "hardening: $passed passed, $failed failed"
[ "$failed" = 0 ]
