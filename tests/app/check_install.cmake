# cmake -DBUILD=<build dir> -DPREFIX=<fresh folder> -P check_install.cmake
# Installs the build into the folder and checks that the program, its desktop entry (naming
# the program and the icon) and its icon are where a desktop looks for them.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
    RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
    message(FATAL_ERROR "cmake --install failed")
endif()
foreach(file bin/dovrix share/applications/dovrix.desktop
        share/icons/hicolor/32x32/apps/dovrix.png)
    if(NOT EXISTS "${PREFIX}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
file(READ "${PREFIX}/share/applications/dovrix.desktop" entry)
foreach(line "Desktop Entry]\n" "\nType=Application\n" "\nExec=dovrix\n" "\nIcon=dovrix\n")
    string(FIND "${entry}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the desktop entry lacks ${line}")
    endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
