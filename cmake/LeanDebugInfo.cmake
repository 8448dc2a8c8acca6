# Read by project() before the flag cache entries exist, so that every tree
# (make test, sanitize, fuzz, a plain cmake -B) starts from these defaults
# and a -D on the command line still wins. Line tables only, compressed:
# full debug info made a build tree 4.4 GB, more than a CI machine had
# free; file and line in a backtrace are all a failing test needs.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(CMAKE_CXX_FLAGS_RELWITHDEBINFO_INIT "-O2 -g1 -gz -DNDEBUG")
  foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_RELWITHDEBINFO_INIT "-gz")
  endforeach()
endif()
