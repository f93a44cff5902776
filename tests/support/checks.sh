# Sourced by the shell tests: check DESCRIPTION COMMAND... counts COMMAND's
# success, says FAIL with the description otherwise; checks_end prints the
# closing "N passed, N failed" line and gives the test's exit status.
passed=0
failed=0
check() {
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $what"
    fi
}
checks_end() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
