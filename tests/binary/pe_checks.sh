# Checks shared by the shipped binaries' tests, sourced by them. Each takes
# the file and objdump's private headers of it, prints what is wrong and
# returns non-zero.

# The threads library's imports: nothing a game plugin or a console tool of
# ours has any business with.
check_no_thread_library_imports() {
    local banned
    if banned=$(grep -owE 'SuspendThread|ResumeThread|GetThreadContext|SetThreadContext|AddVectoredExceptionHandler|RemoveVectoredExceptionHandler|SetProcessAffinityMask' <<<"$2" | sort -u | tr '\n' ' ') && [ -n "$banned" ]; then
        echo "$1 imports $banned(the threads library is linked in)"
        return 1
    fi
}

# Stripped: no symbol table.
check_stripped() {
    if ! "$objdump" -t "$1" | grep -q '^no symbols'; then
        echo "$1 has a symbol table: the shipped binaries are stripped"
        return 1
    fi
}
