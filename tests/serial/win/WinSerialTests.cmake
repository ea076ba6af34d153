# The serial port on Windows, run under Wine: the control block as data, and
# the component on a pseudo-terminal linked into Wine's prefix as a COM port.
# The far end is tidehaul-pty-far-end, a Linux program built with the build
# machine's own compiler; ctest starts each test program under it.
find_program(TIDEHAUL_HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(_far_end ${CMAKE_BINARY_DIR}/host/tidehaul-pty-far-end)
add_custom_command(OUTPUT ${_far_end}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
  COMMAND ${TIDEHAUL_HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -I${CMAKE_SOURCE_DIR}
          -o ${_far_end} ${CMAKE_CURRENT_SOURCE_DIR}/win/host/PtyFarEnd.cpp
          ${CMAKE_SOURCE_DIR}/tools/wine-shim/ModemLineFile.cpp
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/win/host/PtyFarEnd.cpp
          ${CMAKE_SOURCE_DIR}/tools/wine-shim/ModemLineFile.cpp
          ${CMAKE_SOURCE_DIR}/tools/wine-shim/ModemLineFile.h
          ${CMAKE_SOURCE_DIR}/tools/wine-shim/ModemLineState.h
  COMMENT "Building the far-end helper for the build machine")
add_custom_target(tidehaul_pty_far_end ALL DEPENDS ${_far_end})

add_executable(serial_port_holder ${CMAKE_CURRENT_SOURCE_DIR}/win/PortHolder.cpp)
target_include_directories(serial_port_holder PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(serial_port_holder PRIVATE -municode)
target_compile_options(serial_port_holder PRIVATE ${TIDEHAUL_WARNINGS})

add_executable(serial_tests ${CMAKE_CURRENT_SOURCE_DIR}/OutputDrainTest.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/Pump.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/win/CommWatchTest.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/win/DcbTest.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/win/FakeDeviceApi.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/win/FarEnd.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/win/WinModemLinesTest.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/win/WinPortDriverTest.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/win/WinSerialPortTest.cpp)
target_link_libraries(serial_tests PRIVATE tidehaul_test_support GTest::gtest_main ws2_32)
target_compile_options(serial_tests PRIVATE ${TIDEHAUL_WARNINGS})
add_dependencies(serial_tests tidehaul_pty_far_end serial_port_holder)
set_target_properties(serial_tests PROPERTIES
  CROSSCOMPILING_EMULATOR "${_far_end};--;${CMAKE_CROSSCOMPILING_EMULATOR}")
# Each test program links its own pseudo-terminal as COM10 in the shared
# prefix: one at a time.
gtest_discover_tests(serial_tests DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS "serial" TIMEOUT 60 RESOURCE_LOCK wine_com10)
