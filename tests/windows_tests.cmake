# The Windows build's tests, run under Wine (the emulator of the toolchain
# file). Without libpng and vorbis for mingw, the tests that compare with
# libpng or decode voices stay with the Linux build; PngSuite parity with
# Linux is checked by tools/windows-check.sh instead.
add_library(vptestsupport STATIC support/test_support.cpp support/test_support_win32.cpp)
target_include_directories(vptestsupport PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/support)
target_link_libraries(vptestsupport PUBLIC vpcounter_rules GTest::gtest)
target_compile_definitions(vptestsupport PUBLIC PNGSUITE_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data/pngsuite")

# One program per subsystem, run whole: discovering each test would start
# Wine once per test. Static, so Wine needs no runtime libraries beside it.
function(vp_windows_tests name label)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE vptestsupport GTest::gtest_main)
  target_link_options(${name} PRIVATE -static)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "TZ=JST-9;WINEDEBUG=-all" LABELS ${label} TIMEOUT 300)
endfunction()

add_executable(vp-lock-holder support/lock_holder.cpp)
target_link_libraries(vp-lock-holder PRIVATE vpplatform)
target_link_options(vp-lock-holder PRIVATE -static)

vp_windows_tests(png_tests codec png/png_filter_test.cpp)
vp_windows_tests(platform_tests platform platform/platform_files_test.cpp platform/clock_test.cpp platform/termination_test.cpp platform/media_player_test.cpp
  platform/registry_test.cpp
  platform/windows_registry_test.cpp platform/windows_startup_entry_test.cpp
  platform/windows_work_folder_test.cpp)
add_dependencies(platform_tests vp-lock-holder)
vp_windows_tests(state_tests core state/settings_test.cpp state/history_test.cpp state/startup_log_test.cpp)
vp_windows_tests(gamedata_tests core gamedata/ogog_files_test.cpp)
target_link_libraries(gamedata_tests PRIVATE ogog_files)
vp_windows_tests(counter_tests core counter/greeting_test.cpp counter/voice_sequence_test.cpp counter/notice_test.cpp)
vp_windows_tests(shell_tests core shell/picture_drawing_test.cpp shell/notice_banner_test.cpp)
vp_windows_tests(settings_tests core settings/startup_calendar_test.cpp settings/dialog_rules_test.cpp)
target_link_libraries(settings_tests PRIVATE vpsettings_rules)
