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

# The file's properties name the product and the build's version (version
# resource, UTF-16 text).
check_version_resource() {
    local resource field failed=0
    resource=$(strings -el "$1" | tr '\n' ' ')
    for field in "ProductName headview" "FileDescription" "FileVersion $2" "LegalCopyright"; do
        if ! grep -q "$field" <<<"$resource"; then
            echo "$1: version resource lacks: $field"
            failed=1
        fi
    done
    return "$failed"
}

# Under `limit` bytes.
check_size() {
    local size
    size=$(stat -c %s "$1")
    if [ "$size" -ge "$2" ]; then
        echo "$1 is $size bytes; it must stay under $2"
        return 1
    fi
}

# No link time in the PE header: the same commit links the same bytes.
check_no_time_stamp() {
    if ! grep -q 'Time/Date.*1970' <<<"$2"; then
        echo "$1 carries a link time: $(grep 'Time/Date' <<<"$2")"
        return 1
    fi
}
