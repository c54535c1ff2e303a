# Headers that moved keep their old installed names for applications written
# against an earlier package: a header at the old place includes the new one.
function(zarvo_install_moved_header old new)
  set(file ${CMAKE_BINARY_DIR}/moved-headers/${old})
  file(CONFIGURE OUTPUT ${file} CONTENT
       "#pragma once\n// Moved to \"${new}\"; this name stays for existing applications.\n#include \"${new}\"\n")
  get_filename_component(folder ${old} DIRECTORY)
  install(FILES ${file} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${folder})
endfunction()
