# Test registrations, one line per test executable.
conversor_add_test(tst_funcoes SOURCES tst_funcoes.cpp LIBS conversor_services)
conversor_add_test(tst_readings SOURCES tst_readings.cpp LIBS conversor_services)
conversor_add_test(tst_pictures SOURCES tst_pictures.cpp LIBS conversor_services Qt6::Gui)
conversor_add_test(tst_lookups SOURCES tst_lookups.cpp LIBS conversor_services Qt6::Sql)
