# tools/bench's programs: the probe that times, and the yardsticks that Dawnbell is timed
# against. Built only when asked for (the bench_programs target), in the same build as the
# release programs and with their flags, so that both sides are built alike.
add_executable(ring_window WIN32 EXCLUDE_FROM_ALL tools/bench-src/ring_window.cpp
                                                  resources/dawnbell.rc)
target_link_libraries(ring_window PRIVATE platform_desktop)
add_executable(hand_over WIN32 EXCLUDE_FROM_ALL tools/bench-src/hand_over.cpp)
dawnbell_flags(ring_window PROGRAM_CODE WIDE_MAIN)
dawnbell_flags(hand_over PROGRAM_CODE WIDE_MAIN)

add_executable(probe EXCLUDE_FROM_ALL tools/bench-src/probe.cpp tests/e2e/e2e_support.cpp
                                      tests/e2e/e2e_dialogs.cpp)
target_link_libraries(probe PRIVATE runat_store)
dawnbell_flags(probe WIDE_MAIN)

add_custom_target(bench_programs DEPENDS dawnbell dawnbell_runat ring_window hand_over probe)
