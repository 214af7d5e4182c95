# Installs the build in BUILD_DIR under PREFIX and checks what a desktop finds there: the program
# (which answers --version), a desktop entry that desktop-file-validate accepts and whose Exec and
# Icon name what was installed, and the icon in the hicolor theme.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(result)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

set(entry "${PREFIX}/share/applications/bramblet.desktop")
execute_process(COMMAND "${VALIDATE}" "${entry}" RESULT_VARIABLE result OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(result)
  message(FATAL_ERROR "the desktop entry is not valid:\n${report}")
endif()

file(READ "${entry}" content)
if(NOT content MATCHES "\nExec=bramblet %F\n" OR NOT content MATCHES "\nMimeType=inode/directory;\n")
  message(FATAL_ERROR "the entry must start the program with the folders it is handed:\n${content}")
endif()
file(STRINGS "${entry}" icon REGEX "^Icon=")
string(REPLACE "Icon=" "" icon "${icon}")
foreach(file "bin/bramblet" "share/icons/hicolor/scalable/apps/${icon}.svg"
             "share/icons/hicolor/scalable/apps/${icon}-dark.svg" "share/icons/hicolor/256x256/apps/${icon}.png")
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

execute_process(COMMAND "${PREFIX}/bin/bramblet" --version RESULT_VARIABLE result OUTPUT_VARIABLE version)
if(result OR NOT version STREQUAL "Bramblet ${VERSION}\n")
  message(FATAL_ERROR "the installed program does not run: ${result} ${version}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
