# Installs the debug information of the program for the component dbgsym
# (see packaging.cmake), with the variables set there: debug_program, the
# unstripped program; debug_objcopy and debug_readelf, the tools; debug_docdir,
# the program's documentation folder under the prefix.
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C "${debug_readelf}" -n "${debug_program}"
                OUTPUT_VARIABLE notes RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT notes MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
  message(FATAL_ERROR "no build ID found in ${debug_program}")
endif()
set(name ${CMAKE_MATCH_2}.debug)
# file(INSTALL) puts DESTDIR before its destination itself.
set(destination "${CMAKE_INSTALL_PREFIX}/lib/debug/.build-id/${CMAKE_MATCH_1}")
get_filename_component(work "${debug_program}" DIRECTORY)
set(work "${work}/debug-symbols")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
# As Debian's dh_strip does it.
execute_process(COMMAND "${debug_objcopy}" --only-keep-debug --compress-debug-sections
                        "${debug_program}" "${work}/${name}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objcopy could not copy the debug information of ${debug_program}")
endif()
file(INSTALL "${work}/${name}" DESTINATION "${destination}"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# share/doc/tessalux-dbgsym -> tessalux
get_filename_component(docdir_name "${debug_docdir}" NAME)
set(link "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${debug_docdir}-dbgsym")
message(STATUS "Installing: ${link}")
get_filename_component(link_parent "${link}" DIRECTORY)
file(MAKE_DIRECTORY "${link_parent}")
file(CREATE_LINK "${docdir_name}" "${link}" SYMBOLIC)
