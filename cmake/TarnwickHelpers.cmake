# Globbing keeps "one concern per file" cheap: a new .cpp in a folder is picked up on the
# next configure (CONFIGURE_DEPENDS re-checks the globs at build time).
function(tarnwick_glob out)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp")
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
