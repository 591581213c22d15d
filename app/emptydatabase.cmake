# SPDX-License-Identifier: MIT
# Writes an empty Verbrio database at DATABASE with the deck tool DECK_TOOL,
# unless a file is already there: it may hold a user's entries.
if(EXISTS "${DATABASE}")
  return()
endif()
execute_process(COMMAND "${DECK_TOOL}" init "${DATABASE}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Could not write an empty database at ${DATABASE}")
endif()
