# The tests of what a user installs, run by CTest from the build folder: the programs'
# links, the manual pages against --help, the install tree and the versions
# (tests/e2e/installation_test.py), and the Debian package end to end
# (tests/e2e/debian_package_test.py, about a minute: it packs, unpacks and runs both
# programs). A sanitizer build makes programs no one installs, so it skips the package.
set(install_test_environment
    "HARROWDESK_BUILD_DIR=${PROJECT_BINARY_DIR}/"
    "HARROWDESK_PROJECT_VERSION=${PROJECT_VERSION}"
    "TMPDIR=${PROJECT_BINARY_DIR}/test-tmp")

add_test(NAME installation COMMAND /usr/bin/python3 ${PROJECT_SOURCE_DIR}/tests/e2e/installation_test.py)
set_tests_properties(installation PROPERTIES LABELS e2e ENVIRONMENT "${install_test_environment}" TIMEOUT 300)

if(NOT HARROWDESK_SANITIZE)
  add_test(NAME debian_package COMMAND /usr/bin/python3 ${PROJECT_SOURCE_DIR}/tests/e2e/debian_package_test.py)
  set_tests_properties(debian_package PROPERTIES LABELS e2e ENVIRONMENT "${install_test_environment}" TIMEOUT 300
                       RUN_SERIAL ON)
endif()
