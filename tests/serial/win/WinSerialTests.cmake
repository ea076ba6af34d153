# The serial port on Windows, run under Wine: the control block as data, and
# the component on a pseudo-terminal linked into Wine's prefix as a COM port.
add_executable(serial_tests ${CMAKE_CURRENT_SOURCE_DIR}/OutputDrainTest.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/win/DcbTest.cpp)
target_link_libraries(serial_tests PRIVATE tidehaul_test_support GTest::gtest_main)
target_compile_options(serial_tests PRIVATE ${TIDEHAUL_WARNINGS})
gtest_discover_tests(serial_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "serial" TIMEOUT 60)
