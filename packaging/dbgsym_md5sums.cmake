# Run by cpack once it has packed. The debugging symbols' package lists its
# files in md5sums under the folder that cpack packed them in, where dpkg
# looks for them under /, and that folder's path made every build's package
# differ. The list is made relative, and the package packed again by dpkg-deb,
# which takes its dates from SOURCE_DATE_EPOCH.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.ddeb$")
        continue()
    endif()
    set(tree "${CPACK_TOPLEVEL_DIRECTORY}/dbgsym-tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb --raw-extract "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
    file(READ "${tree}/DEBIAN/md5sums" sums)
    string(REGEX REPLACE "  /[^\n]*-dbgsym/" "  " sums "${sums}")
    file(WRITE "${tree}/DEBIAN/md5sums" "${sums}")
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build "${tree}" "${package}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
endforeach()
