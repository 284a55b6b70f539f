# Installs the npm packages of the web tests into the build folder (DIR), from the package files
# of the source folder (SOURCE), when they are missing or older than the lock file. The source
# tree never gets a node_modules folder.
foreach(name package.json package-lock.json)
  file(COPY_FILE ${SOURCE}/${name} ${DIR}/${name} ONLY_IF_DIFFERENT)
endforeach()
set(marker ${DIR}/node_modules/.package-lock.json)
if(EXISTS ${marker} AND NOT ${DIR}/package-lock.json IS_NEWER_THAN ${marker})
  return()
endif()
execute_process(COMMAND ${NPM} ci --no-audit --no-fund WORKING_DIRECTORY ${DIR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "npm ci failed in ${DIR}")
endif()
