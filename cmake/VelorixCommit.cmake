# Writes OUTPUT from INPUT with VELORIX_COMMIT set to COMMIT when given (a
# package built from a source tarball), else to the abbreviated hash of the
# checkout at SOURCE_DIR, else to "unknown". configure_file leaves OUTPUT
# untouched when its text is the same.
#   cmake -DSOURCE_DIR=... -DINPUT=... -DOUTPUT=... [-DCOMMIT=...] -P VelorixCommit.cmake
set(VELORIX_COMMIT "${COMMIT}")
if(NOT VELORIX_COMMIT)
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short=12 HEAD
                        WORKING_DIRECTORY ${SOURCE_DIR}
                        OUTPUT_VARIABLE VELORIX_COMMIT
                        OUTPUT_STRIP_TRAILING_WHITESPACE
                        ERROR_QUIET)
    endif()
endif()
if(NOT VELORIX_COMMIT)
    set(VELORIX_COMMIT unknown)
endif()
configure_file(${INPUT} ${OUTPUT} @ONLY)
