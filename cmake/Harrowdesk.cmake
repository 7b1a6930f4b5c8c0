# Helpers shared by the folder CMake files: a library per source folder,
# and one test executable per test file, labelled by kind.

# harrowdesk_library(NAME FOLDER [DEPS ...]): a static library of every .cpp in src/FOLDER.
function(harrowdesk_library name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# harrowdesk_tests(FOLDER [DEPS ...]): one executable per tests/FOLDER/*_test.cpp.
# Files ending in _conformance_test.cpp are labelled conformance, tests in e2e/ are
# labelled e2e, the rest unit. Every test runs with TMPDIR inside the build tree.
function(harrowdesk_tests folder)
  include(GoogleTest)
  file(GLOB tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${folder}/*_test.cpp)
  foreach(test_source ${tests})
    get_filename_component(stem ${test_source} NAME_WE)
    set(target test_${folder}_${stem})
    string(REPLACE "/" "_" target ${target})
    add_executable(${target} ${test_source})
    target_link_libraries(${target} PRIVATE harrowdesk_test_support ${ARGN} GTest::gtest GTest::gtest_main)
    if(folder MATCHES "^e2e")
      set(label e2e)
    elseif(stem MATCHES "_conformance_test$")
      set(label conformance)
    else()
      set(label unit)
    endif()
    gtest_discover_tests(${target}
      PROPERTIES LABELS ${label}
                 ENVIRONMENT "TMPDIR=${PROJECT_BINARY_DIR}/test-tmp"
      DISCOVERY_TIMEOUT 60)
  endforeach()
endfunction()
