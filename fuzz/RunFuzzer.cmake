# Runs a fuzz target for a fixed number of inputs, starting from its seed corpus; any finding
# fails. New inputs go to a fresh work folder so the seed corpus is never changed.
# Arguments: FUZZER, CORPUS, WORK, RUNS, MAX_LEN.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(
    COMMAND "${FUZZER}" -runs=${RUNS} -seed=1 -max_len=${MAX_LEN} -print_final_stats=1
            "-artifact_prefix=${WORK}/" "${WORK}" "${CORPUS}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${FUZZER} failed (${result}); the input is in ${WORK}")
endif()
