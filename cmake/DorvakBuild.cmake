# How every target of the tree is compiled and linked: the debug info, the
# linker, the internal libraries as shared objects, sanitizers, warnings.

# A tree configured before the lean defaults (see LeanDebugInfo.cmake)
# holds CMake's stock flags, or the lean ones without the shared libraries'
# compression: both become the lean set. Flags of one's own choosing stay.
if(CMAKE_CXX_FLAGS_RELWITHDEBINFO STREQUAL "-O2 -g -DNDEBUG"
   OR CMAKE_CXX_FLAGS_RELWITHDEBINFO STREQUAL CMAKE_CXX_FLAGS_RELWITHDEBINFO_INIT)
  set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "${CMAKE_CXX_FLAGS_RELWITHDEBINFO_INIT}" CACHE STRING "" FORCE)
  foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_RELWITHDEBINFO "${CMAKE_${kind}_LINKER_FLAGS_RELWITHDEBINFO_INIT}" CACHE STRING "" FORCE)
  endforeach()
endif()

# lld links the test programs several times faster than ld.bfd.
option(DORVAK_USE_LLD "Link with lld where the compiler can use it" ON)
if(DORVAK_USE_LLD)
  include(CheckLinkerFlag)
  check_linker_flag(CXX -fuse-ld=lld DORVAK_HAVE_LLD)
  if(DORVAK_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
  endif()
endif()

# The internal libraries are shared objects in build/lib: each program then
# carries its own code only, not a copy of the libraries (a static tree was
# 425 MB of programs). Programs find them through their run path, so they
# start from the build tree as they are. Registration is explicit
# (registerXxx), so nothing depends on which objects a static link keeps.
option(DORVAK_SHARED_LIBS "Build the internal libraries as shared libraries" ON)
set(BUILD_SHARED_LIBS ${DORVAK_SHARED_LIBS})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
if(DORVAK_SHARED_LIBS)
  # The internal libraries are loaded with their programs, never opened
  # later, and nothing outside replaces their functions. So their
  # thread-local variables are read as a program reads its own (the general
  # model called __tls_get_addr at each read: 14 % of a script call's
  # instructions), and the compiler inlines and calls within a library as
  # within a program. The everyday tree's interpreter took 1.2-1.4 times
  # as long as the static release build's; now within its noise.
  add_compile_options(-ftls-model=initial-exec)
  include(CheckCXXCompilerFlag)
  check_cxx_compiler_flag(-fno-semantic-interposition DORVAK_HAVE_NO_INTERPOSITION)
  if(DORVAK_HAVE_NO_INTERPOSITION)
    add_compile_options(-fno-semantic-interposition)
  endif()
endif()
if(DORVAK_SHARED_LIBS AND NOT DORVAK_SANITIZE)
  # A library links everything it uses, so a layer that calls up instead
  # of down fails here rather than when some program loads it. (Sanitizer
  # runtimes are linked into the programs only, so not there.)
  add_link_options("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,SHARED_LIBRARY>:LINKER:--no-undefined>")
endif()

# Sources compile in groups of about eight (unity builds): most of a file's
# compile time is the headers it parses, and a group parses them once. This
# halves a fresh build. A source's group follows from a hash of its path,
# so that a new file joins one group and regroups no others (until its
# target doubles). A source that cannot share a group (a helper named like
# another file's, a name Qt's keywords take) is listed with
# SKIP_UNITY_BUILD_INCLUSION in its folder's CMakeLists.txt. make sanitize
# compiles file by file, so that every file still builds on its own.
option(DORVAK_UNITY_BUILD "Compile the sources in groups (unity builds)" ON)
set(CMAKE_UNITY_BUILD ${DORVAK_UNITY_BUILD})
set(CMAKE_UNITY_BUILD_MODE GROUP)

# Called once every target of the tree is there.
function(dorvak_unity_groups)
  if(NOT DORVAK_UNITY_BUILD)
    return()
  endif()
  set(dirs ${PROJECT_SOURCE_DIR})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(sources ${target} SOURCES)
      if(NOT sources)
        continue()
      endif()
      set(files)
      foreach(source ${sources})
        if(source MATCHES "\\.cpp$" AND NOT source MATCHES "^\\$<")
          get_filename_component(path ${source} ABSOLUTE BASE_DIR ${dir})
          list(APPEND files ${path})
        endif()
      endforeach()
      list(LENGTH files count)
      # Groups: the power of two at or above count / 8.
      set(groups 1)
      while(groups LESS count AND groups LESS 1024)
        math(EXPR per "${count} / ${groups}")
        if(per LESS_EQUAL 8)
          break()
        endif()
        math(EXPR groups "${groups} * 2")
      endwhile()
      foreach(path ${files})
        file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${path})
        string(MD5 hash "${name}")
        string(SUBSTRING ${hash} 0 6 hash)
        math(EXPR group "0x${hash} % ${groups}")
        set_source_files_properties(${path} TARGET_DIRECTORY ${target} PROPERTIES UNITY_GROUP "${target}_${group}")
      endforeach()
    endforeach()
  endwhile()
endfunction()

# make sanitize and make fuzz: every target, libraries and tools included,
# so that a fault is found wherever it lies. Undefined behaviour stops the
# program like an address fault does.
if(DORVAK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(DORVAK_LIBFUZZER)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "libFuzzer needs clang: configure with CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Our own code builds without warnings; third-party headers come in as SYSTEM.
# GCC 12 at -O3 reports overlapping copies inside libstdc++'s own string
# code wherever a literal is joined to or assigned to a string (GCC bug
# 105329, mended in GCC 13): in release builds of GCC 12 alone that one
# check is off; the tests' build keeps it.
function(dorvak_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Wno-restrict>)
  endif()
endfunction()

# A developer tool: build/tools/<name>.
function(dorvak_tool name)
  add_executable(${name} ${ARGN})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
  dorvak_warnings(${name})
endfunction()

# Fails the configure step where the target links Qt, directly or through
# another library.
function(dorvak_check_no_qt target)
  set(pending ${target})
  set(seen)
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(links ${current} LINK_LIBRARIES)
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    foreach(link IN LISTS links interface)
      if(link MATCHES "Qt[0-9]*::|Qt[0-9]*Core|Qt[0-9]*Gui|Qt[0-9]*Widgets")
        message(FATAL_ERROR "${target} must not link Qt, but ${current} links ${link}")
      endif()
      if(link AND NOT link MATCHES "-NOTFOUND$")
        list(APPEND pending ${link})
      endif()
    endforeach()
  endwhile()
endfunction()
