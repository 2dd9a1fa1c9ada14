# SPDX-License-Identifier: MIT
# Installs the build into a scratch prefix and checks that the programs, the desktop entry
# and its icon land where a desktop finds them, and kolvaner-cli i2c's client where
# kolvaner-cli looks for it.
# cmake -DBUILD_DIR=... -DPREFIX=... -DBINDIR=bin -DDATADIR=share -DLIBDIR=lib -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(file ${BINDIR}/kolvaner ${BINDIR}/kolvaner-cli
             ${DATADIR}/applications/kolvaner.desktop
             ${DATADIR}/icons/hicolor/scalable/apps/kolvaner.svg
             ${LIBDIR}/kolvaner/libkolvaner-i2c.so)
    if(NOT EXISTS "${PREFIX}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
file(STRINGS "${PREFIX}/${DATADIR}/applications/kolvaner.desktop" entry REGEX "^(Exec|Icon)=")
if(NOT entry STREQUAL "Exec=kolvaner;Icon=kolvaner")
    message(FATAL_ERROR "desktop entry starts '${entry}', not the installed kolvaner")
endif()
file(REMOVE_RECURSE "${PREFIX}")
