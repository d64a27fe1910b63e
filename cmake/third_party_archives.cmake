# The static archives of the image and font libraries, for an executable that carries them
# inside it (kelto-cli): a render farm's machine then needs only the C library, and a short
# render does not spend its first milliseconds loading some twenty shared libraries. Defines
# the target kelto_third_party_archives when every archive is there; without it everything
# links the shared libraries.
option(KELTO_STATIC_CLI "Link kelto-cli's image and font libraries into it" ON)
if(KELTO_STATIC_CLI)
  pkg_check_modules(KELTO_ARCHIVES QUIET fontconfig freetype2 libtiff-4 libjpeg libpng zlib)
  set(kelto_archive_names "")
  set(kelto_archive_paths "")
  set(kelto_archives_missing "")
  foreach(name IN LISTS KELTO_ARCHIVES_STATIC_LIBRARIES)
    if(name MATCHES "^(m|pthread|dl|c)$" OR name IN_LIST kelto_archive_names)
      continue()
    endif()
    list(APPEND kelto_archive_names ${name})
    find_library(KELTO_ARCHIVE_${name} NAMES lib${name}.a
                 HINTS ${KELTO_ARCHIVES_STATIC_LIBRARY_DIRS})
    if(KELTO_ARCHIVE_${name})
      list(APPEND kelto_archive_paths ${KELTO_ARCHIVE_${name}})
    else()
      list(APPEND kelto_archives_missing ${name})
    endif()
  endforeach()
  if(KELTO_ARCHIVES_FOUND AND NOT kelto_archives_missing)
    add_library(kelto_third_party_archives INTERFACE)
    # In a group: the archives need one another in both directions.
    target_link_libraries(kelto_third_party_archives INTERFACE
      -Wl,--start-group ${kelto_archive_paths} -Wl,--end-group m)
  else()
    message(STATUS "kelto-cli links the image and font libraries shared "
                   "(no static archives of: ${kelto_archives_missing})")
  endif()
endif()

# The image and font libraries come to an executable as shared libraries unless it carries
# them inside it (its KELTO_STATIC_THIRD_PARTY property); the libraries that use them link
# the one or the other under these conditions.
set(KELTO_SHARED_THIRD_PARTY "$<NOT:$<BOOL:$<TARGET_PROPERTY:KELTO_STATIC_THIRD_PARTY>>>")
if(TARGET kelto_third_party_archives)
  set(KELTO_THIRD_PARTY_ARCHIVES "$<$<NOT:${KELTO_SHARED_THIRD_PARTY}>:kelto_third_party_archives>")
else()
  set(KELTO_THIRD_PARTY_ARCHIVES "")
endif()
