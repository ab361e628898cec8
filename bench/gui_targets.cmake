# The window program's book generator (for screenshots and timing).
add_executable(tallyvane-gui-book gui_book.cpp)
target_link_libraries(tallyvane-gui-book PRIVATE tallyvane_ledger)
target_compile_definitions(tallyvane-gui-book PRIVATE TALLYVANE_BENCH_TEMPLATE="${TALLYVANE_SHARE_DIR}/tallyvane-0.vdb")
add_dependencies(tallyvane-gui-book template_data)

# The import review window on the import benchmarks' book.
if(TARGET tallyvane_gui)
  add_executable(bench_review_window review_window_bench.cpp)
  target_link_libraries(bench_review_window PRIVATE tallyvane_gui)
  target_compile_definitions(bench_review_window PRIVATE TALLYVANE_BENCH_TEMPLATE="${TALLYVANE_SHARE_DIR}/tallyvane-0.vdb")
  add_dependencies(bench_review_window template_data)
endif()

# The reconciliation window on the benchmark book.
add_executable(bench_reconcile_window reconcile_window_bench.cpp)
target_link_libraries(bench_reconcile_window PRIVATE tallyvane_gui)
