# Runs one test program whole, every case in one process, from an empty
# folder of its own: ctest's per-case entries give each case a fresh process,
# which hides whatever one case leaves behind for the next.
#
#   cmake -DPROGRAM=path -DMODE=order|shuffled -DFOLDER=path [-DENTRY=name -DBUILD_DIR=path]
#         -P RunWhole.cmake
#
# The shuffled run takes a fresh seed each time and prints it; KV_TEST_SEED
# forces one (1 to 99999). A failure prints the command line that repeats it.

if(NOT PROGRAM OR NOT MODE OR NOT FOLDER)
  message(FATAL_ERROR "RunWhole.cmake needs PROGRAM, MODE and FOLDER")
endif()

set(args)
if(MODE STREQUAL "shuffled")
  if(DEFINED ENV{KV_TEST_SEED} AND NOT "$ENV{KV_TEST_SEED}" STREQUAL "")
    set(seed "$ENV{KV_TEST_SEED}")
    if(NOT seed MATCHES "^[1-9][0-9]*$" OR seed GREATER 99999)
      message(FATAL_ERROR "KV_TEST_SEED must be a number from 1 to 99999, not '${seed}'")
    endif()
  else()
    # Five random digits; 0 would have the program pick a seed it keeps to itself.
    string(RANDOM LENGTH 5 ALPHABET 0123456789 seed)
    math(EXPR seed "${seed} % 99999 + 1")
  endif()
  set(args --gtest_shuffle --gtest_random_seed=${seed})
  message("shuffled with seed ${seed}")
elseif(NOT MODE STREQUAL "order")
  message(FATAL_ERROR "MODE is order or shuffled, not '${MODE}'")
endif()

# A neutral folder, empty at the start, so nothing a case finds there was
# left by another run; and a home of its own, so that what a case might write
# into the user's folders never meets the per-case entries running beside.
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}/work" "${FOLDER}/home/.config")
set(ENV{HOME} "${FOLDER}/home")
set(ENV{XDG_CONFIG_HOME} "${FOLDER}/home/.config")

execute_process(COMMAND "${PROGRAM}" ${args} WORKING_DIRECTORY "${FOLDER}/work" RESULT_VARIABLE result)

if(NOT result EQUAL 0)
  list(JOIN args " " shown)
  string(STRIP "${PROGRAM} ${shown}" command)
  string(CONCAT again "to run it again: mkdir -p \"${FOLDER}/work\" \"${FOLDER}/home/.config\" && cd \"${FOLDER}/work\" && "
            "HOME=\"${FOLDER}/home\" XDG_CONFIG_HOME=\"${FOLDER}/home/.config\" ${command}")
  if(ENTRY AND BUILD_DIR)
    string(REPLACE "." "\\." pattern "${ENTRY}")
    set(through "ctest --test-dir \"${BUILD_DIR}\" -R '^${pattern}$' --output-on-failure")
    if(MODE STREQUAL "shuffled")
      set(through "KV_TEST_SEED=${seed} ${through}")
    endif()
    string(APPEND again "\n  or through ctest: ${through}")
  endif()
  message(FATAL_ERROR "${PROGRAM} run whole (${MODE}) failed: ${result}\n  ${again}")
endif()
file(REMOVE_RECURSE "${FOLDER}")
