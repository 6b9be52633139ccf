# Runs one golden session through pdehost and compares its standard output, standard error and
# exit status with the expected files next to the session.
#
# Called as: cmake -DPDEHOST=<program> -DSESSION=<file.session> -DSAMPLES=<dir> -DDATA=<dir>
#                  -DSOURCE=<dir> -DBUILD=<dir> -P RunSession.cmake
# Directives in the session, each on a line of its own:
#   #> args: ARGUMENTS   more arguments, after --script SESSION (a later --script wins)
#   #> exit: N           the expected exit status (0 when absent)
#   #> stdin             pass the session on standard input, as --script -
#   #> demo              pass no --script: the program runs its bundled demo
#   #> no-script         pass no --script either (the other arguments choose the session)
#   #> json-lines        standard output must be JSON Lines: every line one JSON object
#   #> env: NAME=VALUE   run the program with this in its environment
# ARGUMENTS may use @SAMPLES@, @DATA@ and @HERE@ (the session's directory).
# Expected output: <name>.out (standard output) and <name>.err (standard error, in which the
# source and build directories read @SOURCE@ and @BUILD@).
cmake_minimum_required(VERSION 3.25)

get_filename_component(here ${SESSION} DIRECTORY)
get_filename_component(name ${SESSION} NAME_WE)
file(STRINGS ${SESSION} directives REGEX "^#> ")

set(arguments "")
set(jsonLines FALSE)
set(expectedExit 0)
set(mode script)
set(environment "")
foreach(directive IN LISTS directives)
  if(directive MATCHES "^#> args: (.*)$")
    set(text "${CMAKE_MATCH_1}")
    string(REPLACE "@SAMPLES@" "${SAMPLES}" text "${text}")
    string(REPLACE "@DATA@" "${DATA}" text "${text}")
    string(REPLACE "@HERE@" "${here}" text "${text}")
    separate_arguments(more UNIX_COMMAND "${text}")
    list(APPEND arguments ${more})
  elseif(directive MATCHES "^#> exit: ([0-9]+)$")
    set(expectedExit ${CMAKE_MATCH_1})
  elseif(directive MATCHES "^#> env: ([A-Za-z_][A-Za-z0-9_]*=.*)$")
    list(APPEND environment "${CMAKE_MATCH_1}")
  elseif(directive STREQUAL "#> stdin")
    set(mode stdin)
  elseif(directive STREQUAL "#> demo" OR directive STREQUAL "#> no-script")
    set(mode demo)
  elseif(directive STREQUAL "#> json-lines")
    set(jsonLines TRUE)
  else()
    message(FATAL_ERROR "${SESSION}: unknown directive: ${directive}")
  endif()
endforeach()

set(input "")
if(mode STREQUAL "script")
  set(arguments --script ${SESSION} ${arguments})
elseif(mode STREQUAL "stdin")
  set(arguments --script - ${arguments})
  set(input INPUT_FILE ${SESSION})
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E env ${environment} ${PDEHOST} --check-leaks ${arguments}
  ${input}
  OUTPUT_VARIABLE actualOut
  ERROR_VARIABLE actualErr
  RESULT_VARIABLE actualExit)

string(REPLACE "${BUILD}" "@BUILD@" actualErr "${actualErr}")
string(REPLACE "${SOURCE}" "@SOURCE@" actualErr "${actualErr}")
file(READ ${here}/${name}.out expectedOut)
file(READ ${here}/${name}.err expectedErr)

set(failed FALSE)
if(NOT actualExit STREQUAL expectedExit)
  message(SEND_ERROR "exit status ${actualExit}, expected ${expectedExit}")
  set(failed TRUE)
endif()
foreach(stream Out Err)
  if(NOT actual${stream} STREQUAL expected${stream})
    string(TOLOWER ${stream} extension)
    file(WRITE ${name}.actual.${extension} "${actual${stream}}")
    message(SEND_ERROR "standard stream differs from ${name}.${extension}; "
      "got (also in ${CMAKE_CURRENT_BINARY_DIR}/${name}.actual.${extension}):\n"
      "${actual${stream}}")
    set(failed TRUE)
  endif()
endforeach()
if(jsonLines)
  string(REPLACE ";" "\\;" lines "${actualOut}")
  string(REGEX REPLACE "\n$" "" lines "${lines}")
  string(REPLACE "\n" ";" lines "${lines}")
  foreach(line IN LISTS lines)
    string(JSON type ERROR_VARIABLE jsonError TYPE "${line}")
    if(jsonError OR NOT type STREQUAL "OBJECT")
      message(SEND_ERROR "not a JSON object on a line of its own: ${line} (${jsonError})")
      set(failed TRUE)
    endif()
  endforeach()
endif()
if(failed)
  message(FATAL_ERROR "${SESSION}: pdehost --check-leaks ${arguments}")
endif()
