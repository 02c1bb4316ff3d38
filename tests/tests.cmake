# Test executables: one per folder of the program, all run under Wine through CTest.
enable_testing()

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
# GoogleTest is built from source with the same cross compiler; Debian's googletest package puts
# it here.
set(DAWNBELL_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest's source folder")
add_subdirectory(${DAWNBELL_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The recording fake device and the shared test helpers.
file(GLOB FAKE_SOURCES CONFIGURE_DEPENDS tests/support/*.cpp)
# Object files, not a library: the program's code calls the fake and the fake's helpers call the
# program, so both must be linked whole.
add_library(fake_device OBJECT ${FAKE_SOURCES})
target_link_libraries(fake_device PUBLIC gtest)
# The Windows and GoogleTest headers are most of every test file's compile: parsed once, here,
# for every test program that links GoogleTest.
target_precompile_headers(fake_device PRIVATE ${CMAKE_SOURCE_DIR}/platform/win.h <gtest/gtest.h>
                          <functional> <string> <vector>)
function(dawnbell_test_headers target)
    target_precompile_headers(${target} REUSE_FROM fake_device)
endfunction()

# A suite of the program's code against the fake device and the real resources.
function(dawnbell_suite name)
    file(GLOB sources CONFIGURE_DEPENDS tests/${name}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${name}_tests ${sources} ${CMAKE_SOURCE_DIR}/resources/dawnbell.rc)
    target_link_libraries(${name}_tests PRIVATE fake_device dawnbell_core gtest_main)
    dawnbell_flags(${name}_tests)
    dawnbell_test_headers(${name}_tests)
    add_test(NAME ${name} COMMAND ${name}_tests)
    # Suites that run the main window create the single-instance mutex and a window titled
    # "Dawnbell": two at once would see each other as a running instance.
    if(NOT name MATCHES "^(model|store)$")
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK dawnbell_instance)
    endif()
endfunction()

foreach(suite model store app cycle alerts settings)
    dawnbell_suite(${suite})
endforeach()

# The desktop stand-ins, tested for real.
file(GLOB DESKTOP_TEST_SOURCES CONFIGURE_DEPENDS tests/platform/*.cpp)
if(DESKTOP_TEST_SOURCES)
    add_executable(platform_tests ${DESKTOP_TEST_SOURCES})
    target_link_libraries(platform_tests PRIVATE platform_desktop gtest_main)
    dawnbell_flags(platform_tests)
    dawnbell_test_headers(platform_tests)
    target_compile_definitions(platform_tests PRIVATE
        DAWNBELL_DELAYLOAD_DIR="${CMAKE_SOURCE_DIR}/platform/desktop/delayload")
    add_test(NAME platform COMMAND platform_tests)
    set_tests_properties(platform PROPERTIES RUN_SERIAL TRUE)
endif()

# The run-at-time service as real processes: the service and a program for it to start sit
# beside runat_tests.exe. Each test runs a service instance of its own.
file(GLOB RUNAT_TEST_SOURCES CONFIGURE_DEPENDS tests/runat/*.cpp)
add_executable(runat_tests ${RUNAT_TEST_SOURCES})
target_link_libraries(runat_tests PRIVATE platform_desktop gtest_main)
dawnbell_flags(runat_tests)
dawnbell_test_headers(runat_tests)
add_executable(runat_probe WIN32 tests/runat/probe/runat_probe.cpp)
target_link_libraries(runat_probe PRIVATE runat_store)
dawnbell_flags(runat_probe WIDE_MAIN)
add_dependencies(runat_tests dawnbell_runat runat_probe)
add_test(NAME runat COMMAND runat_tests --gtest_filter=-WallClock.*:DaylightSavingNight.*)
# The wall-clock rule against the real conversions, in each zone of its table: Wine takes the
# zone from TZ, and each test process has its own.
foreach(zone America/New_York Europe/Berlin Australia/Sydney Asia/Kolkata)
    string(REGEX REPLACE "^.*/" "" city "${zone}")
    string(TOLOWER "${city}" city)
    add_test(NAME wall_clock_${city} COMMAND runat_tests --gtest_filter=WallClock.*)
    set_tests_properties(wall_clock_${city} PROPERTIES ENVIRONMENT "TZ=${zone}")
endforeach()
# The real service starting a program on the daylight-saving nights, on a faked clock.
add_test(NAME daylight_saving COMMAND bash ${CMAKE_SOURCE_DIR}/tests/runat/dst_nights.sh
                                      $<TARGET_FILE:runat_tests> ${CMAKE_SOURCE_DIR}/tools/wine-run)
set_tests_properties(daylight_saving PROPERTIES TIMEOUT 240)

# End-to-end: the built dawnbell.exe as real processes. These share the prefix's registry,
# so they run alone.
file(GLOB E2E_SOURCES CONFIGURE_DEPENDS tests/e2e/*.cpp)
if(E2E_SOURCES)
    add_executable(e2e_tests ${E2E_SOURCES})
    target_link_libraries(e2e_tests PRIVATE runat_store gtest_main shell32 ole32 uuid)
    dawnbell_flags(e2e_tests)
    dawnbell_test_headers(e2e_tests)
    # Another program with look-alike windows, for the hand-over to pass by.
    add_executable(lookalike WIN32 tests/e2e/lookalike/lookalike.cpp)
    dawnbell_flags(lookalike WIDE_MAIN)
    add_dependencies(e2e_tests dawnbell dawnbell_runat lookalike)
    add_test(NAME e2e COMMAND e2e_tests)
    # The programs under test sit beside e2e_tests.exe in the build folder. They run in a Wine
    # prefix of their own, so that they meet neither the suites that run the main window in
    # their own process nor those suites' run-at-time services, and can run beside them.
    set_tests_properties(e2e PROPERTIES ENVIRONMENT "DAWNBELL_WINE_INSTANCE=e2e")
endif()

# The Windows installer: tools/package makes it, and it is installed and uninstalled silently in
# a fresh prefix of its own, with the installed program opened and armed in between.
add_executable(install_probe tests/package/install_probe.cpp tests/e2e/e2e_support.cpp)
dawnbell_flags(install_probe WIDE_MAIN)
target_link_libraries(install_probe PRIVATE runat_store shell32 advapi32)
add_test(NAME package COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/check_install.sh
                              $<TARGET_FILE:install_probe>)
set_tests_properties(package PROPERTIES TIMEOUT 900)

# The ring is heard: the real program under Wine with the pulse driver, recorded from a private
# sound server's null sink (tests/audio/ring_heard.py). The driver plays the user's part, one
# step at a time as the judge hears it.
if(E2E_SOURCES)
    add_executable(audio_driver tests/audio/audio_driver.cpp tests/e2e/e2e_support.cpp
                                tests/e2e/e2e_dialogs.cpp)
    target_link_libraries(audio_driver PRIVATE runat_store)
    dawnbell_flags(audio_driver WIDE_MAIN)
    add_dependencies(audio_driver dawnbell)
    add_test(NAME audio COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/audio/ring_heard.py
                                ${CMAKE_BINARY_DIR})
endif()

# Whatever a suite's program starts ends with it (tools/wine-run), also when it crashes first: a
# program left running would hold the suite's output open and keep CTest waiting. The installer
# check is the exception: the programs that its installer starts are what it checks next, and it
# ends its whole prefix itself.
get_property(all_tests DIRECTORY PROPERTY TESTS)
list(REMOVE_ITEM all_tests package)
set_property(TEST ${all_tests} APPEND PROPERTY ENVIRONMENT DAWNBELL_END_LEFTOVERS=1)

# On a fresh machine CTest knows nothing of how long each suite takes, and would start the longest
# last: these start first, so that the short ones fill the other core beside them.
set_tests_properties(e2e PROPERTIES COST 90)
set_tests_properties(runat PROPERTIES COST 40)
set_tests_properties(package PROPERTIES COST 35)
set_tests_properties(audio PROPERTIES COST 30)
set_tests_properties(daylight_saving PROPERTIES COST 20)
