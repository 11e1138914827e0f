# The version that a build shows and its package carries: the release, then
# the number of commits and the last one (1.0.0+212.g89ce5728ab01), so that
# every later commit of main sorts above the one before and its package
# installs over it. A shallow clone counts fewer commits than there are, so
# it, like a source without its history, is the release alone; `make package`
# refuses it. Run as a script (cmake -DSOURCE=DIR -P version.cmake) it prints
# the version and the last commit's time.
set(TAVOLA_RELEASE 1.0.0)

function(tavola_version source version_out epoch_out)
    set(version ${TAVOLA_RELEASE})
    set(epoch "")
    find_package(Git QUIET)
    if(GIT_FOUND AND EXISTS ${source}/.git)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --is-shallow-repository
                        WORKING_DIRECTORY ${source} OUTPUT_VARIABLE shallow
                        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct%n%h --abbrev=12
                        WORKING_DIRECTORY ${source} OUTPUT_VARIABLE last
                        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
                        WORKING_DIRECTORY ${source} OUTPUT_VARIABLE commits
                        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(last MATCHES "^([0-9]+)\n([0-9a-f]+)$")
            set(epoch ${CMAKE_MATCH_1})
            set(hash ${CMAKE_MATCH_2})
            if(shallow STREQUAL "false" AND commits MATCHES "^[0-9]+$")
                set(version ${TAVOLA_RELEASE}+${commits}.g${hash})
            endif()
        endif()
    endif()
    set(${version_out} ${version} PARENT_SCOPE)
    set(${epoch_out} ${epoch} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    tavola_version(${SOURCE} version epoch)
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${version} ${epoch}")
endif()
