# Google Benchmark over the decoder's hot paths (native builds only), for profiling.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  add_executable(korvo_bench ${BENCH_SOURCES})
  target_link_libraries(korvo_bench PRIVATE korvo_core benchmark::benchmark)
else()
  message(STATUS "Google Benchmark not found: korvo_bench is not built")
endif()
