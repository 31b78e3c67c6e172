# The desktop program: Qt 6 Widgets over the core.

find_package(Qt6 6.2 REQUIRED COMPONENTS Widgets Test)

# Every window and control of the program, as a library so the GUI tests link
# the real windows.
set(EDAMAKI_GUI_SOURCES
    text/QtShiftJis.cpp
    controls/JapaneseFont.cpp
    controls/TextWidthTable.cpp
    controls/TFormPanel.cpp
    controls/TplBrowseFolder.cpp
    create/LogListModel.cpp
    create/TForm3.cpp
    tree/FolderTreeModel.cpp
    tree/TForm1.cpp
    app/TMainForm.cpp
    resources/edamaki.qrc
)

add_library(edamaki_gui STATIC ${EDAMAKI_GUI_SOURCES})
set_target_properties(edamaki_gui PROPERTIES AUTOMOC ON AUTORCC ON)
target_link_libraries(edamaki_gui PUBLIC edamaki_core Qt6::Widgets)

# The program, with its help page beside it (where it looks for the page).
add_executable(edamaki app/main.cpp)
target_link_libraries(edamaki PRIVATE edamaki_gui)
add_custom_command(TARGET edamaki POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
        ${CMAKE_CURRENT_SOURCE_DIR}/docs/Ramuspan.html $<TARGET_FILE_DIR:edamaki>/Ramuspan.html)
install(TARGETS edamaki RUNTIME DESTINATION bin)
install(FILES docs/Ramuspan.html DESTINATION bin)
install(FILES resources/edamaki.desktop DESTINATION share/applications)
install(FILES resources/images/edamaki.png DESTINATION share/icons/hicolor/256x256/apps)
foreach(size IN ITEMS 16 32 48)
    install(FILES resources/images/edamaki-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
        RENAME edamaki.png)
endforeach()

# Redraws the images in resources/images: edamaki_draw_images resources/images
add_executable(edamaki_draw_images EXCLUDE_FROM_ALL resources/DrawImages.cpp)
target_link_libraries(edamaki_draw_images PRIVATE Qt6::Gui)

# Screenshots of the windows: scripts/screenshots.sh
add_executable(edamaki_screenshots EXCLUDE_FROM_ALL tests/gui/TakeScreenshots.cpp)
target_link_libraries(edamaki_screenshots PRIVATE edamaki_gui)

# GUI tests: GoogleTest with a QApplication on the offscreen platform.
add_executable(edamaki_gui_tests
    tests/gui/GuiTestMain.cpp
    tests/gui/QtShiftJisTest.cpp
    tests/gui/TMainFormTest.cpp
    tests/gui/TForm1Test.cpp
    tests/gui/TForm3Test.cpp
    tests/gui/TFormPanelTest.cpp
    tests/gui/TplBrowseFolderTest.cpp
)
set_target_properties(edamaki_gui_tests PROPERTIES AUTOMOC ON)
target_link_libraries(edamaki_gui_tests PRIVATE edamaki_gui Qt6::Test GTest::gtest)
target_compile_definitions(edamaki_gui_tests PRIVATE EDAMAKI_EXAMPLES_DIR="${CMAKE_CURRENT_SOURCE_DIR}/examples")
gtest_discover_tests(edamaki_gui_tests DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

# Benchmarks of the windows: Google Benchmark with a QApplication.
if(EDAMAKI_BUILD_BENCH AND NOT EDAMAKI_SANITIZE)
    find_package(benchmark REQUIRED)
    add_executable(edamaki_gui_bench
        bench/GuiBenchMain.cpp
        bench/MainWindowBench.cpp
        bench/LogWindowBench.cpp
    )
    target_link_libraries(edamaki_gui_bench PRIVATE edamaki_gui benchmark::benchmark)
endif()
