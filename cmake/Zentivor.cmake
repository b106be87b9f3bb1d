# Shared build rules: warnings, sanitizers and one library per source folder.

set(ZV_WARNINGS -Wall -Wextra -Wpedantic -Wno-unused-parameter -Wno-missing-field-initializers)
if(ZENTIVOR_WERROR)
  list(APPEND ZV_WARNINGS -Werror)
endif()

if(ZENTIVOR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ZENTIVOR_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(ZENTIVOR_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ZENTIVOR_FUZZ needs clang (CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# The sanitizer build (ZENTIVOR_SANITIZE) is for the code that reads outside bytes, writes files,
# locks or runs threads: it builds and runs every test executable and fuzz replay except the
# window tests (zv_test ... WINDOWS), which run in the ordinary build only. Those tests carry the
# CTest label "sanitize" and their executables are the dependencies of the target
# zv_sanitize_tests; scripts/test.sh builds that target and runs `ctest -L sanitize`. A new test
# folder needs its zv_test line and nothing else.
add_custom_target(zv_sanitize_tests)

# moc runs only for folders that declare Qt meta-objects: it costs a scan step per target.
function(zv_moc_if_needed target folder)
  file(GLOB files ${CMAKE_SOURCE_DIR}/${folder}/*.h ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  foreach(file ${files})
    file(STRINGS ${file} meta REGEX "Q_OBJECT|Q_GADGET")
    if(meta)
      set_target_properties(${target} PROPERTIES AUTOMOC ON)
      return()
    endif()
  endforeach()
endfunction()

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
    zv_moc_if_needed(${name} ${folder})
  endif()
endfunction()

# zv_test(name folder [WINDOWS] DEPS targets...): one GoogleTest executable for the .cpp files of
# a test folder. WINDOWS marks tests that drive windows: they run in the ordinary build only
# (label "windows"); every other test executable also runs in the sanitizer build (label
# "sanitize"). Test code is compiled at -O1: its speed does not matter, its build time does.
function(zv_test name folder)
  cmake_parse_arguments(ARG "WINDOWS" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_options(${name} PRIVATE ${ZV_WARNINGS} -O1)
  target_compile_definitions(${name} PRIVATE
    ZV_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    ZV_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/${folder}/data"
    ZV_STAGE_DIR="${ZV_STAGE_DIR}")
  zv_moc_if_needed(${name} ${folder})
  if(ARG_WINDOWS)
    set(label windows)
  else()
    set(label sanitize)
    add_dependencies(zv_sanitize_tests ${name})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${label} ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# Builds the executable straight into the staged program folder.
function(zv_stage_executable target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ZV_STAGE_DIR})
endfunction()

# Form descriptions compiled into the program: every resources/forms/*.form file becomes a
# resource of zv_classes (FindFormResource in platform/classes/FormResources.h). The table is
# written at configure time; a changed, added or removed form file re-runs the configure step.
function(zv_embed_forms)
  if(NOT TARGET zv_classes)
    return()
  endif()
  file(GLOB forms CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/forms/*.form)
  list(SORT forms)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${forms})
  set(arrays "")
  set(entries "")
  set(index 0)
  foreach(form ${forms})
    get_filename_component(file_name ${form} NAME)
    get_filename_component(form_name ${form} NAME_WE)
    file(READ ${form} bytes HEX)
    string(LENGTH "${bytes}" hex_length)
    math(EXPR length "${hex_length} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${bytes}")
    string(APPEND arrays "const char form${index}[] = {${bytes}'\\0'};\n")
    string(APPEND entries "        {\"${form_name}\", \"${file_name}\", std::string_view(form${index}, ${length})},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  set(source "// Generated from resources/forms by cmake/Zentivor.cmake; do not edit.\n#include \"platform/classes/FormResources.h\"\n\nnamespace {\n${arrays}}  // namespace\n\nconst std::vector<TFormResource>& FormResources()\n{\n    static const std::vector<TFormResource> resources = {\n${entries}    };\n    return resources;\n}\n")
  set(output ${CMAKE_BINARY_DIR}/generated/FormResourceTable.cpp)
  if(EXISTS ${output})
    file(READ ${output} previous)
  endif()
  if(NOT "${previous}" STREQUAL "${source}")
    file(WRITE ${output} "${source}")
  endif()
  target_sources(zv_classes PRIVATE ${output})
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL zv_embed_forms)
