# Compiler settings and the helpers every folder uses to declare its targets.

add_library(vantora_warnings INTERFACE)
target_compile_options(vantora_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror
  # GCC 12 reports false overlaps inside std::string and false bounds in
  # std::copy at -O2 and above; keep the bounds warnings, not as errors.
  $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict -Wno-error=array-bounds>)

add_library(vantora_sanitizers INTERFACE)
if(VANTORA_SANITIZE)
  target_compile_options(vantora_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(vantora_sanitizers INTERFACE -fsanitize=address,undefined)
endif()

# vantora_target_defaults(<target>): our warnings and, in the debug preset, the sanitizers.
function(vantora_target_defaults target)
  target_link_libraries(${target} PRIVATE vantora_warnings vantora_sanitizers)
endfunction()

# vantora_sees(<target> <PUBLIC|PRIVATE> <path>...): the target's include
# folder is a view of the repository holding only the given folders and
# headers (paths from the root, linked in the build tree), so that including
# anything else fails to build. PUBLIC hands the view on to the targets that
# link this one; libraries depend only downwards, so nothing below sees
# what is above it.
function(vantora_sees target scope)
  set(view ${CMAKE_BINARY_DIR}/include-views/${target}/${scope})
  file(REMOVE_RECURSE ${view})
  foreach(path ${ARGN})
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${path})
      message(FATAL_ERROR "vantora_sees(${target}): no ${path} in the repository")
    endif()
    get_filename_component(parent ${view}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${path} ${view}/${path} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${view}>)
endfunction()

# vantora_test(<name> SOURCES ... LIBS ... [ENV VAR=VALUE ...])
# A GoogleTest executable registered with CTest; each test case runs on its own.
function(vantora_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  # Tests look inside the libraries they test: they see the whole tree.
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  vantora_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  # Test discovery passes properties on as a flat list, so at most one
  # environment variable can be given.
  if(T_ENV)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "${T_ENV}" TIMEOUT 120)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 120)
  endif()
endfunction()
