# Tests of what a user installs and starts: scripts/run and the launcher,
# the tree `cmake --install` makes, and the Debian package. They are shell
# scripts in install/, each working in a scratch folder of its own.
set(install_tests ${CMAKE_CURRENT_SOURCE_DIR}/install)

add_test(NAME tst_run_script COMMAND bash ${install_tests}/tst_run_script.sh ${PROJECT_SOURCE_DIR})

add_test(NAME tst_installed_tree
  COMMAND bash ${install_tests}/tst_installed_tree.sh ${CMAKE_COMMAND} ${PROJECT_BINARY_DIR} ${PROJECT_VERSION})

# A package of sanitizer-instrumented programs is not what ships, and
# dpkg-shlibdeps would make it depend on the sanitizer runtimes; the release
# build's run of the tests checks the package.
if(NOT LUMO_SANITIZE)
  add_test(NAME tst_package
    COMMAND bash ${install_tests}/tst_package.sh ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR} ${PROJECT_VERSION})
endif()

# `cmake --install` and cpack both write install_manifest.txt in the build
# folder.
set_tests_properties(tst_run_script tst_installed_tree PROPERTIES TIMEOUT 120)
set_property(TEST tst_installed_tree PROPERTY RESOURCE_LOCK lumo_install)
if(TEST tst_package)
  set_tests_properties(tst_package PROPERTIES TIMEOUT 300 RESOURCE_LOCK lumo_install)
endif()
