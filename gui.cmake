# The desktop program: Qt 6 Widgets over the core.

find_package(Qt6 6.2 REQUIRED COMPONENTS Widgets Test)

# Every window and control of the program, as a library so the GUI tests link
# the real windows.
set(EDAMAKI_GUI_SOURCES
    text/QtShiftJis.cpp
    controls/JapaneseFont.cpp
    controls/TFormPanel.cpp
    controls/TplBrowseFolder.cpp
    create/LogListModel.cpp
    create/TForm3.cpp
    tree/FolderTreeModel.cpp
    tree/TForm1.cpp
)

add_library(edamaki_gui STATIC ${EDAMAKI_GUI_SOURCES})
set_target_properties(edamaki_gui PROPERTIES AUTOMOC ON AUTORCC ON)
target_link_libraries(edamaki_gui PUBLIC edamaki_core Qt6::Widgets)

# GUI tests: GoogleTest with a QApplication on the offscreen platform.
add_executable(edamaki_gui_tests
    tests/gui/GuiTestMain.cpp
    tests/gui/QtShiftJisTest.cpp
)
set_target_properties(edamaki_gui_tests PROPERTIES AUTOMOC ON)
target_link_libraries(edamaki_gui_tests PRIVATE edamaki_gui Qt6::Test GTest::gtest)
target_compile_definitions(edamaki_gui_tests PRIVATE EDAMAKI_EXAMPLES_DIR="${CMAKE_CURRENT_SOURCE_DIR}/examples")
gtest_discover_tests(edamaki_gui_tests DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
