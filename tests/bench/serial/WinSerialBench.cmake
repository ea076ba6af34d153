# serial_bench under Wine: run it with build-win/host/tidehaul-pty-far-end -- wine serial_bench.exe
add_executable(serial_bench ${CMAKE_CURRENT_SOURCE_DIR}/WinSerialBench.cpp
               ${CMAKE_SOURCE_DIR}/tests/serial/win/FarEnd.cpp
               ${CMAKE_SOURCE_DIR}/tests/serial/Pump.cpp)
target_compile_options(serial_bench PRIVATE ${TIDEHAUL_WARNINGS})
target_link_libraries(serial_bench PRIVATE tidehaul_core ws2_32)
