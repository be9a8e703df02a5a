# Warnings, assertions and sanitizers shared by every target of the tree.
add_compile_options(-Wall -Wextra -Wpedantic -Wno-missing-field-initializers)

if(CAMTROVE_ASSERTIONS)
  add_compile_options(-UNDEBUG)
endif()

if(CAMTROVE_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(CAMTROVE_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT CAMTROVE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "CAMTROVE_SANITIZE must be empty, 'address' or 'thread'")
endif()

# camtrove_library(name SOURCES ... LINKS ...): one library per folder under src/,
# with src/ as the include root so includes read "filters/dvcodes.h".
function(camtrove_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;PUBLIC_LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LINKS} PRIVATE ${ARG_LINKS})
endfunction()

# camtrove_test(name SOURCES ... LINKS ...): a GoogleTest executable registered with CTest.
# OWN_MAIN: the sources bring their own main() (widget tests that must own their QApplication).
function(camtrove_test name)
  cmake_parse_arguments(ARG "OWN_MAIN" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gmock)
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE
    CAMTROVE_FIXTURES_DIR="${CAMTROVE_FIXTURES_DIR}"
    CAMTROVE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# camtrove_folder_library(name DIRS dir... PUBLIC_LINKS ... LINKS ...): a library of every .cpp in
# the given folders (relative to the calling CMakeLists.txt); nothing is created while they are empty.
function(camtrove_folder_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;LINKS;PUBLIC_LINKS" ${ARGN})
  set(sources)
  foreach(dir ${ARG_DIRS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    camtrove_library(${name} SOURCES ${sources} LINKS ${ARG_LINKS} PUBLIC_LINKS ${ARG_PUBLIC_LINKS})
  endif()
endfunction()

# camtrove_folder_test(name LINKS ... [MAIN file]): one test program of every *_test.cpp in the
# calling folder and its subfolders; links that name targets not yet built are left out. MAIN gives
# a source with the program's own main().
function(camtrove_folder_test name)
  cmake_parse_arguments(ARG "" "MAIN" "LINKS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  set(links)
  foreach(lib ${ARG_LINKS})
    if(TARGET ${lib} OR NOT lib MATCHES "^camtrove_")
      list(APPEND links ${lib})
    endif()
  endforeach()
  if(ARG_MAIN)
    camtrove_test(${name} OWN_MAIN SOURCES ${sources} ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_MAIN} LINKS ${links})
  else()
    camtrove_test(${name} SOURCES ${sources} LINKS ${links})
  endif()
endfunction()
