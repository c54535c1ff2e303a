# One step of a check run with cmake -P: runs a command, stops the check with
# its output when it fails, and leaves the output in `output` otherwise.
# CHECK_NAME names the check in what is printed; CHECK_STEP_TIMEOUT bounds a step.
function(step name)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output TIMEOUT ${CHECK_STEP_TIMEOUT})
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${CHECK_NAME}: ${name} failed (${result}):\n${output}")
  endif()
  message(STATUS "${CHECK_NAME}: ${name} done")
  set(output "${output}" PARENT_SCOPE)
endfunction()
