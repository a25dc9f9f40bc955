# Run by cpack on its staging folder before it packs it: the package's
# folders are 0755 whatever the umask of the one building (the install
# creates folders through the umask, so 077 would give 0700 ones).
cmake_minimum_required(VERSION 3.24)

file(GLOB_RECURSE entries LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
set(folders "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY "${entry}" AND NOT IS_SYMLINK "${entry}")
        list(APPEND folders "${entry}")
    endif()
endforeach()
file(CHMOD ${folders} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
