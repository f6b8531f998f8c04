# Sourced by the packaging checks: fail says what failed and counts it (the check exits with
# the count), step says what comes next and how long the check has run.
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
started=$SECONDS
step() {
    echo "[$((SECONDS - started)) s] $*"
}
