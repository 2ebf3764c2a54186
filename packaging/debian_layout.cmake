# Run by CPack on the staged files before the .deb is made: Debian keeps game
# programs in /usr/games. korvex finds its data as ../share/korvex from its
# own folder, which holds from /usr/games as from /usr/bin.
file(GLOB staged_roots "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(root IN LISTS staged_roots)
  if(EXISTS "${root}/usr/bin/korvex")
    file(MAKE_DIRECTORY "${root}/usr/games")
    file(RENAME "${root}/usr/bin/korvex" "${root}/usr/games/korvex")
    file(GLOB left "${root}/usr/bin/*")
    if(NOT left)
      file(REMOVE_RECURSE "${root}/usr/bin")
    endif()
  endif()
endforeach()
