# qm_warnings: the compiler warnings every target of the tree is built with. Each library,
# executable, plugin, test and benchmark links it PRIVATE, so the flags reach only our own
# sources; headers of imported targets (Qt, GoogleTest, the client library) come in as system
# includes and stay quiet. QM_WARNINGS_AS_ERRORS adds -Werror.
add_library(qm_warnings INTERFACE)
target_compile_options(qm_warnings INTERFACE -Wall -Wextra -Wshadow -Wpedantic)
if(QM_WARNINGS_AS_ERRORS)
  target_compile_options(qm_warnings INTERFACE -Werror)
endif()
