# Benchmark executables, one block per benchmark.
add_executable(bench_categories bench_categories.cpp)
target_link_libraries(bench_categories PRIVATE conversor_options conversor_converters Qt6::Sql)
add_executable(bench_load bench_load.cpp)
target_link_libraries(bench_load PRIVATE conversor_options conversor_intake PkgConfig::XLSXWRITER Qt6::Core)
target_compile_definitions(bench_load PRIVATE CONVERSOR_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_executable(bench_products bench_products.cpp)
target_link_libraries(bench_products PRIVATE conversor_options conversor_converters Qt6::Sql)
add_executable(bench_clients_suppliers bench_clients_suppliers.cpp ${PROJECT_SOURCE_DIR}/tests/support/FakeViaCep.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/LoopbackHttpServer.cpp)
target_include_directories(bench_clients_suppliers PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_link_libraries(bench_clients_suppliers PRIVATE conversor_options conversor_converters Qt6::Sql Qt6::Network)
