# Shared build rules: warnings, sanitizers and one library per source folder.

set(ZV_WARNINGS -Wall -Wextra -Wpedantic -Wno-unused-parameter -Wno-missing-field-initializers)
if(ZENTIVOR_WERROR)
  list(APPEND ZV_WARNINGS -Werror)
endif()

if(ZENTIVOR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ZENTIVOR_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ZENTIVOR_FUZZ needs clang (CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The staged program folder: the executable and everything that lies beside it.
set(ZV_STAGE_DIR ${CMAKE_BINARY_DIR}/zentivor CACHE INTERNAL "")

# zv_library(name folder [DEPS targets...] [EXCLUDE files...])
# Every .cpp directly inside the folder belongs to the library.
function(zv_library name folder)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  foreach(ex ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/${folder}/${ex})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
  else()
    add_library(${name} INTERFACE)
  endif()
  get_target_property(type ${name} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  else()
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    target_compile_options(${name} PRIVATE ${ZV_WARNINGS})
  endif()
endfunction()

# zv_test(name folder DEPS targets...): one GoogleTest executable for the .cpp files of a test folder.
function(zv_test name folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_options(${name} PRIVATE ${ZV_WARNINGS})
  target_compile_definitions(${name} PRIVATE
    ZV_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    ZV_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/${folder}/data"
    ZV_STAGE_DIR="${ZV_STAGE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# Builds the executable straight into the staged program folder.
function(zv_stage_executable target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ZV_STAGE_DIR})
endfunction()
