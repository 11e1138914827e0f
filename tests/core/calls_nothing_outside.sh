#!/bin/sh
# Fails when a library archive calls Qt or a system call of the files, the
# folders or the processes; prints what it found.
set -u
found=$(nm -uC "$@" | grep -E ' U (Q[A-Z][A-Za-z]*::|q[A-Z][A-Za-z]*\(|(open|openat|close|read|write|pread|pwrite|lseek|flock|fcntl|fsync|fdatasync|ftruncate|stat|fstat|lstat|fstatat|mkdir|mkdirat|unlink|unlinkat|rename|renameat|opendir|readdir|posix_spawn|fork|execve|pipe2|waitpid|dlopen)(64)?$)')
if [ -n "$found" ]; then
    echo "$found"
    exit 1
fi
