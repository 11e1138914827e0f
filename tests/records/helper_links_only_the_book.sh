#!/bin/sh
# The set-group-id helper links the record book and the numbered errors, and
# nothing else of the game: every symbol of ours that it defines must be one
# of these. Prints what it found otherwise.
set -u
allowed='^tavola::((RecordBook|RecordFolder|UniqueFd|RuntimeError)(::|$)|(ReadAt|FileSizeAllows|WriteWhole|Rewrite|FileError|NotAFileError)$|anonymous::(FirstLine|DecodeBody|LogSpan|Writable|TitleOf)(::|$))'
# Each symbol's own name, before its arguments; instances of the standard
# library's templates over our types are the standard library's.
found=$(nm -C --defined-only "$1" | cut -d' ' -f3- |
    sed -E 's/^(typeinfo (name )?for |vtable for |guard variable for )//; s/\(anonymous namespace\)/anonymous/g; s/\(.*//; s/[ &*]+$//' |
    grep -E '^tavola::' | grep -v 'std::' | grep -Ev "$allowed")
if [ -n "$found" ]; then
    echo "$found"
    exit 1
fi
nm -C --defined-only "$1" | grep -q 'tavola::RecordBook::Offer' || { echo "no record book in $1"; exit 1; }
