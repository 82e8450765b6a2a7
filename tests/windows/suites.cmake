# The Windows build's tests: the suites that need no POSIX call, in one
# executable that scripts/test-windows runs under Wine, and the stand-in music
# player that the suites and the end-to-end checks of vellora.exe start.
add_library(vellora_test_support STATIC
  support/temp_dir.cpp support/app_fixture.cpp support/folder_listing.cpp support/simulated_loop.cpp support/player_log.cpp
  windows/recording_player.cpp)
target_include_directories(vellora_test_support PUBLIC . ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(vellora_test_support PUBLIC vellora_core GTest::gtest)
target_compile_definitions(vellora_test_support PUBLIC
  VELLORA_RECORDER="$<TARGET_FILE_NAME:vellora-recorder>"
  VELLORA_HOSTILE_TAG_HELPER="$<TARGET_FILE_NAME:hostile-tag-helper>")

# The tag helper told to crash, spin or allocate: run from the tests' folder.
add_executable(hostile-tag-helper helpers/hostile_tag_helper.cpp ${VELLORA_TAG_HELPER_SOURCES})
target_link_libraries(hostile-tag-helper PRIVATE vellora_core)

add_executable(vellora-recorder WIN32 windows/recorder.cpp)  # no console: it takes no focus
target_link_libraries(vellora-recorder PRIVATE shell32)
# Starts a command line from the registry as Explorer does (the installer's checks).
add_executable(run-command-line WIN32 windows/run_command_line.cpp)
target_link_libraries(run-command-line PRIVATE shell32)

add_executable(windows_tests
  app/ini_reader_test.cpp app/pacing_test.cpp app/input_test.cpp app/window_test.cpp
  app/type_to_find_test.cpp app/settings_check_test.cpp render/caption_test.cpp render/cover_strip_test.cpp render/hit_test_test.cpp
  render/help_overlay_test.cpp render/text_layout_test.cpp library/albums_loader_test.cpp library/album_changes_test.cpp
  library/folder_rules_test.cpp library/library_walk_test.cpp texture/texture_loader_test.cpp
  texture/to_cstring_test.cpp library/tag_reader_test.cpp texture/thumbnail_cache_test.cpp library/library_index_test.cpp
  library/indexed_folders_test.cpp library/album_order_test.cpp app/album_orders_test.cpp
  windows/platform_win32_test.cpp windows/folder_watch_win32_test.cpp windows/resources_win32_test.cpp
  ${CMAKE_SOURCE_DIR}/tools/icon/icon_drawing.cpp)
target_include_directories(windows_tests PRIVATE ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(windows_tests PRIVATE vellora_test_support GTest::gtest_main version)
add_dependencies(windows_tests vellora vellora-recorder hostile-tag-helper run-command-line)
