# tools/bench's programs: the probe that times, and the yardsticks that Dawnbell is timed
# against. Built only when asked for (the bench_programs target), in the same build as the
# release programs and with their flags, so that both sides are built alike.
add_executable(ring_window WIN32 EXCLUDE_FROM_ALL tools/bench-src/ring_window.cpp
                                                  resources/dawnbell.rc)
target_link_libraries(ring_window PRIVATE platform_desktop)
add_executable(hand_over WIN32 EXCLUDE_FROM_ALL tools/bench-src/hand_over.cpp)
foreach(yardstick ring_window hand_over)
    target_compile_options(${yardstick} PRIVATE -fno-exceptions -fno-rtti)
    target_link_options(${yardstick} PRIVATE -municode -static)
    if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
        set_target_properties(${yardstick} PROPERTIES INTERPROCEDURAL_OPTIMIZATION ON)
        target_compile_options(${yardstick} PRIVATE ${RELEASE_SIZE_FLAGS})
        target_link_options(${yardstick} PRIVATE ${RELEASE_LINK_FLAGS})
    endif()
endforeach()

add_executable(probe EXCLUDE_FROM_ALL tools/bench-src/probe.cpp tests/e2e/e2e_support.cpp
                                      tests/e2e/e2e_dialogs.cpp)
target_link_libraries(probe PRIVATE runat_store)
target_link_options(probe PRIVATE -municode -static)

add_custom_target(bench_programs DEPENDS dawnbell dawnbell_runat ring_window hand_over probe)
