# velorix_check_links(<target> FORBID <regex>... )
# velorix_check_links(<target> LEAF)
#
# Proves that <target> links none of the libraries matching the regexes (or,
# for a LEAF, no library at all),
# directly or through any library it links (a static library passes its
# private dependencies on to whoever links it). The closure is written at
# configure time beside the build; a ctest named LinkCheck.<target> reads it
# and fails naming every forbidden library and the target that brought it in.

function(_velorix_link_closure target out_var)
    set(seen "")
    set(lines "")
    set(queue ${target})
    while(queue)
        list(POP_FRONT queue current)
        if(NOT TARGET ${current} OR current IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${current})
        get_target_property(aliased ${current} ALIASED_TARGET)
        if(aliased)
            list(APPEND queue ${aliased})
            continue()
        endif()
        set(deps "")
        get_target_property(type ${current} TYPE)
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(direct ${current} LINK_LIBRARIES)
            if(direct)
                list(APPEND deps ${direct})
            endif()
        endif()
        get_target_property(iface ${current} INTERFACE_LINK_LIBRARIES)
        if(iface)
            list(APPEND deps ${iface})
        endif()
        foreach(dep ${deps})
            # $<LINK_ONLY:x> is how a static library passes on a private dependency.
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" dep "${dep}")
            list(APPEND lines "${current} -> ${dep}")
            list(APPEND queue ${dep})
        endforeach()
    endwhile()
    set(${out_var} ${lines} PARENT_SCOPE)
endfunction()

function(velorix_check_links target)
    cmake_parse_arguments(L "LEAF" "" "FORBID" ${ARGN})
    if(NOT TARGET ${target})
        return()
    endif()
    _velorix_link_closure(${target} lines)
    set(file ${CMAKE_BINARY_DIR}/link-closure/${target}.txt)
    list(JOIN lines "\n" text)
    file(WRITE ${file} "${text}\n")
    add_test(NAME LinkCheck.${target}
             COMMAND ${CMAKE_COMMAND} -DCLOSURE=${file} "-DFORBID=${L_FORBID}" -DLEAF=${L_LEAF}
                     -P ${CMAKE_SOURCE_DIR}/cmake/VelorixLinkCheckRun.cmake)
endfunction()
