# qm_add_test(<name> LABEL <area> SOURCES ... [LIBRARIES ...] [DATABASE] [GUI])
#
# One GoogleTest executable registered as one CTest test with its area label. DATABASE makes the
# test require the private MariaDB fixture; GUI gives it a QApplication main (offscreen), otherwise
# it gets a QCoreApplication main.
function(qm_add_test name)
  cmake_parse_arguments(T "DATABASE;GUI" "LABEL;TIMEOUT" "SOURCES;LIBRARIES" ${ARGN})
  if(NOT T_LABEL)
    message(FATAL_ERROR "qm_add_test(${name}): LABEL is required")
  endif()
  add_executable(${name} ${T_SOURCES})
  if(T_GUI)
    target_link_libraries(${name} PRIVATE qm_test_main_gui qm_test_support_gui)
    if(QM_SANITIZE)
      target_link_libraries(${name} PRIVATE qm_test_webengine_sanitizer)
    endif()
  else()
    target_link_libraries(${name} PRIVATE qm_test_main_core)
  endif()
  target_link_libraries(${name} PRIVATE qm_test_support ${T_LIBRARIES} qm_warnings)
  add_test(NAME ${name} COMMAND ${name})
  set(env "QT_QPA_PLATFORM=offscreen" "QTWEBENGINE_DISABLE_SANDBOX=1"
          "QM_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "QM_PROGRAM_DIR=${QM_PROGRAM_DIR}")
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABEL}" ENVIRONMENT "${env}")
  if(T_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  else()
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  endif()
  if(T_DATABASE)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED mariadb)
  endif()
endfunction()

# Adds every sub-folder of the current folder that has a CMakeLists.txt, in name order, except
# "support" (added first by the caller) and the folders named in QM_SKIP_TEST_DIRS.
function(qm_add_area_folders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(NOT child IN_LIST QM_SKIP_TEST_DIRS AND NOT child STREQUAL "support"
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
