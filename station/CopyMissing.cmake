# cmake -DFROM=dir -DTO=dir -DFILES="a|b/c" -DDIRS="Messages" -P CopyMissing.cmake
#
# Puts the default station files beside the program without touching anything already there:
# the operator's Parms.inf, message counter, destination list and forms survive every rebuild.
# DIRS are created (empty) when missing.
if(NOT FROM OR NOT TO)
  message(FATAL_ERROR "CopyMissing.cmake needs FROM and TO")
endif()
string(REPLACE "|" ";" FILES "${FILES}")
string(REPLACE "|" ";" DIRS "${DIRS}")
foreach(dir IN LISTS DIRS)
  if(NOT IS_DIRECTORY "${TO}/${dir}")
    file(MAKE_DIRECTORY "${TO}/${dir}")
  endif()
endforeach()
foreach(rel IN LISTS FILES)
  if(NOT EXISTS "${TO}/${rel}")
    get_filename_component(sub "${rel}" DIRECTORY)
    file(MAKE_DIRECTORY "${TO}/${sub}")
    file(COPY_FILE "${FROM}/${rel}" "${TO}/${rel}")
  endif()
endforeach()
