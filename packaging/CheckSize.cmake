# cmake -DFILE=<exe> -DBUDGET=<bytes> -P CheckSize.cmake: fails when the file is larger.
file(SIZE "${FILE}" size)
if(size GREATER BUDGET)
  message(FATAL_ERROR "${FILE} is ${size} bytes, over its budget of ${BUDGET} bytes")
endif()
message(STATUS "${FILE}: ${size} bytes (budget ${BUDGET})")
