# Read by cpack before it builds a package (CPACK_PROJECT_CONFIG_FILE). The
# files and archive members inside the package get the time of the last
# commit, or the release date of data/changelog in a tree without git, so
# that two builds of the same commit give the same bytes. A SOURCE_DATE_EPOCH
# set by the caller wins.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch ${CPACK_TESSALUX_RELEASE_EPOCH})
  if(EXISTS "${CPACK_TESSALUX_SOURCE_DIR}/.git")
    execute_process(COMMAND git -C "${CPACK_TESSALUX_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE git_status ERROR_QUIET)
    if(git_status EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
      set(epoch ${commit_time})
    endif()
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
