# Installs Meterling from its build folder into a fresh prefix, then configures, builds and runs
# a small project that finds it with find_package(Meterling) and links Meterling::Meterling.
# Run with cmake -P; the build folder must already be built.
foreach(required METERLING_BINARY_DIR CONSUMER_SOURCE_DIR WORK_DIR GENERATOR CXX_COMPILER)
  if(NOT ${required})
    message(FATAL_ERROR "${required} is not set")
  endif()
endforeach()

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${output}")
  endif()
  message(STATUS "${what}: done")
  set(step_output "${output}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(consumer_build ${WORK_DIR}/consumer-build)
file(REMOVE_RECURSE ${WORK_DIR})

# The library, what a developer builds against and the Designer plugin: one install component
# when Meterling is built alone, one each when the whole tree packages them apart.
if(NOT COMPONENTS)
  set(COMPONENTS Meterling)
endif()
list(REMOVE_DUPLICATES COMPONENTS)
foreach(component IN LISTS COMPONENTS)
  run_step("install ${component} into ${prefix}"
    ${CMAKE_COMMAND} --install ${METERLING_BINARY_DIR} --prefix ${prefix} --component ${component})
endforeach()

file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
foreach(expected
    "include/meterling/meterling\\.h"
    "include/meterling/meterling_property_bag\\.h"
    "cmake/Meterling/MeterlingConfig\\.cmake"
    "cmake/Meterling/MeterlingConfigVersion\\.cmake"
    "cmake/Meterling/MeterlingTargets\\.cmake"
    "libmeterling\\.so"
    "designer/libmeterling_designer\\.so")
  if(NOT installed MATCHES "${expected}")
    message(FATAL_ERROR "not installed: ${expected}\ninstalled: ${installed}")
  endif()
endforeach()

set(configure_args -S ${CONSUMER_SOURCE_DIR} -B ${consumer_build} -G ${GENERATOR}
  -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix})
if(BUILD_TYPE)
  list(APPEND configure_args -DCMAKE_BUILD_TYPE=${BUILD_TYPE})
endif()
if(EXTRA_FLAGS)
  list(APPEND configure_args "-DCMAKE_CXX_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_FLAGS}")
endif()
run_step("configure the consumer" ${CMAKE_COMMAND} ${configure_args})
run_step("build the consumer" ${CMAKE_COMMAND} --build ${consumer_build})

set(ENV{QT_QPA_PLATFORM} offscreen)
run_step("run the consumer" ${consumer_build}/meterling_consumer)
message(STATUS "${step_output}")
if(NOT step_output MATCHES "consumer: ok")
  message(FATAL_ERROR "the consumer did not report success")
endif()
