cmake_minimum_required(VERSION 3.25)
# The window program's --help and --version from a command prompt: the text on standard
# output, exit status 0, no window; the first of the two wins, other arguments don't count.
# cmake -DPROGRAM=kolvaner.exe -DVERSION=x.y.z [-DWINE_RUN=wine-run -DPREFIX=dir]
#       -P window_answers_check.cmake
set(run ${PROGRAM})
if(WINE_RUN)
    set(run ${WINE_RUN} ${PREFIX} ${PROGRAM})
endif()

function(check_answer pattern)
    execute_process(COMMAND ${run} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
                    ERROR_VARIABLE err TIMEOUT 300)
    if(NOT status EQUAL 0 OR NOT out MATCHES "${pattern}")
        message(FATAL_ERROR "kolvaner ${ARGN}: status ${status}, printed '${out}'\n${err}")
    endif()
endfunction()

check_answer("^Usage: kolvaner \\[--help \\| --version\\]\n" notes.txt --help)
string(REPLACE "." "\\." version "${VERSION}")
check_answer("^kolvaner ${version}\n$" --version --help)
message(STATUS "kolvaner --help and --version answer")
