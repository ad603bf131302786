# Script mode: runs carmaseq-score on the files of this folder and checks its output, its
# messages and its exit codes. Variables: PROGRAM, DATA (this folder), WORK_DIR.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# Runs the program with ARGN; checks the exit code and that stderr holds `message` (when given).
function(expect_run code message)
  execute_process(COMMAND ${PROGRAM} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT rc STREQUAL code)
    message(FATAL_ERROR "${ARGN}: exit ${rc}, expected ${code}\n${out}\n${err}")
  endif()
  if(message AND NOT err MATCHES "${message}")
    message(FATAL_ERROR "${ARGN}: stderr lacks \"${message}\":\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

function(expect_same_file actual expected)
  file(READ ${actual} a)
  file(READ ${expected} e)
  if(NOT a STREQUAL e)
    message(FATAL_ERROR "${actual} differs from ${expected}:\n${a}\n---- expected ----\n${e}")
  endif()
endfunction()

# Both formats, to a file and to standard output.
expect_run(0 "" ${DATA}/lattice.xml ${DATA}/records.csv --output ${WORK_DIR}/out.csv)
expect_same_file(${WORK_DIR}/out.csv ${DATA}/expected.csv)
expect_run(0 "" ${DATA}/lattice.xml ${DATA}/records.jsonl)
file(WRITE ${WORK_DIR}/out.jsonl "${last_output}")
expect_same_file(${WORK_DIR}/out.jsonl ${DATA}/expected.jsonl)
expect_run(0 "" --input-format=jsonl --output-format csv ${DATA}/lattice.xml ${DATA}/records.jsonl)
if(NOT last_output MATCHES "^id,target,predictions\nc1,currentItems,1:0.6:0.6:1 ")
  message(FATAL_ERROR "jsonl to csv:\n${last_output}")
endif()

expect_run(0 "" --help)
if(NOT last_output MATCHES "Usage: carmaseq-score")
  message(FATAL_ERROR "--help:\n${last_output}")
endif()

# Every failure names its cause and has its own exit code.
expect_run(2 "unknown option --frobnicate" --frobnicate ${DATA}/lattice.xml)
expect_run(2 "missing argument")
expect_run(3 "cannot load the scoring plug-in" --plugin ${WORK_DIR}/none.so
           ${DATA}/lattice.xml ${DATA}/records.csv)
expect_run(1 "cannot open the lattice document" ${WORK_DIR}/none.xml ${DATA}/records.csv)
expect_run(1 "cannot open the records" ${DATA}/lattice.xml ${WORK_DIR}/none.csv)

file(READ ${DATA}/lattice.xml lattice)
string(SUBSTRING "${lattice}" 0 600 truncated)
file(WRITE ${WORK_DIR}/truncated.xml "${truncated}")
expect_run(4 "truncated.xml is not well-formed XML: line" ${WORK_DIR}/truncated.xml
           ${DATA}/records.csv)
string(REPLACE "<Item id=\"3\"" "<Item id=\"4\"" rejected "${lattice}")
file(WRITE ${WORK_DIR}/rejected.xml "${rejected}")
expect_run(4 "rejected the lattice document .*Item 3: id 4 outside 1..3" ${WORK_DIR}/rejected.xml
           ${DATA}/records.csv)

file(WRITE ${WORK_DIR}/bad.csv "id,sequence\nc1,(1)\n\nc2,(2),extra\n")
expect_run(5 "bad.csv: malformed record at line 4: 3 fields, but the header names 2"
           ${DATA}/lattice.xml ${WORK_DIR}/bad.csv)
file(WRITE ${WORK_DIR}/bad.jsonl "{\"id\": \"c1\"}\n{\"id\": true}\n")
expect_run(5 "bad.jsonl: malformed record at line 2: only strings and numbers"
           ${DATA}/lattice.xml ${WORK_DIR}/bad.jsonl)

# Progress: off when standard error is not a terminal, forced by --progress as one line per
# tenth of each step that knows its share, silenced by --quiet (which wins).
set(many "")
foreach(i RANGE 1 100)
  string(APPEND many "{\"id\": \"c${i}\", \"sequence\": \"(1)\", \"returnType\": \"futureItems\"}\n")
endforeach()
file(WRITE ${WORK_DIR}/many.jsonl "${many}")
execute_process(COMMAND ${PROGRAM} ${DATA}/lattice.xml ${WORK_DIR}/many.jsonl
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE plain)
execute_process(COMMAND ${PROGRAM} --progress ${DATA}/lattice.xml ${WORK_DIR}/many.jsonl
                RESULT_VARIABLE rc OUTPUT_VARIABLE forced_out ERROR_VARIABLE forced)
execute_process(COMMAND ${PROGRAM} --progress --quiet ${DATA}/lattice.xml ${WORK_DIR}/many.jsonl
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE quiet)
if(NOT plain STREQUAL "" OR NOT quiet STREQUAL "")
  message(FATAL_ERROR "progress without --progress or with --quiet:\n${plain}\n${quiet}")
endif()
if(NOT forced_out STREQUAL out)
  message(FATAL_ERROR "--progress changed the results:\n${forced_out}\n---\n${out}")
endif()
set(steps "reading the lattice document [^\n]*lattice.xml: 100%"
    "reading the lattice document [^\n]*: done in" "building the model: done in")
foreach(tenth 1 2 3 4 5 6 7 8 9)
  list(APPEND steps "scoring [^\n]*many.jsonl: [0-9]+ records, +${tenth}[0-9]%")
endforeach()
list(APPEND steps "scoring [^\n]*many.jsonl: 100 records, 100%" "scoring [^\n]*many.jsonl: done in")
foreach(step IN LISTS steps)
  if(NOT forced MATCHES "${step}")
    message(FATAL_ERROR "--progress lacks \"${step}\":\n${forced}")
  endif()
endforeach()
string(REGEX MATCHALL "\n" lines "${forced}")
list(LENGTH lines count)
# Reading: its only tenth and its end; building: its end; scoring: ten tenths and its end.
if(NOT count EQUAL 14)
  message(FATAL_ERROR "--progress: ${count} lines, expected 14:\n${forced}")
endif()
