# logged_build NAME CMAKE_BUILD_ARG...: runs "cmake --build" with these arguments, its output shown
# and kept in build/NAME-build.log, then counts the log's "warning:" lines and fails on any. The
# compilers already treat warnings as errors; the count also catches what -Werror does not reach,
# such as the linker's and the resource compiler's warnings. With QUIET=1 the output only goes to
# the log, which is shown when the build fails.
logged_build() {
    local name=$1 log=build/$1-build.log status=0 count outcome=done
    shift
    mkdir -p build
    if [ "${QUIET:-}" = 1 ]; then
        cmake --build "$@" > "$log" 2>&1 || status=$?
        [ "$status" -eq 0 ] || cat "$log"
    else
        cmake --build "$@" 2>&1 | tee "$log" || status=$?
    fi
    count=$(grep -c 'warning:' "$log" || true)
    [ "$status" -eq 0 ] || outcome=failed
    echo "== $name: build $outcome, $count warnings ($log)"
    if [ "$status" -ne 0 ]; then
        return "$status"
    fi
    if [ "$count" -ne 0 ]; then
        grep 'warning:' "$log" >&2
        echo "The $name build warns; every build must be free of warnings." >&2
        return 1
    fi
}
