# The OFX benchmark and its statement generator. bench/CMakeLists.txt takes
# them in with include(ofx_targets.cmake).
add_library(tallyvane_bench_ofx_generate STATIC ${CMAKE_CURRENT_LIST_DIR}/ofx_generate.cpp)

add_executable(bench_ofx ${CMAKE_CURRENT_LIST_DIR}/ofx_bench.cpp)
target_link_libraries(bench_ofx PRIVATE tallyvane_import tallyvane_bench_ofx_generate benchmark::benchmark)

# Writes generated statements to files, to time tallyvane-cli ofx show (and
# other readers) on them: ofx_generate sgml|xml TRANSACTIONS FILE
add_executable(ofx_generate ${CMAKE_CURRENT_LIST_DIR}/ofx_generate_main.cpp)
target_link_libraries(ofx_generate PRIVATE tallyvane_bench_ofx_generate)
