# Test registrations, one line per test executable.
conversor_add_test(tst_firebird_server SOURCES tst_firebird_server.cpp
  LIBS Qt6::Sql Qt6::Network ${FBCLIENT_LIBRARY})
target_include_directories(tst_firebird_server PRIVATE ${FBCLIENT_INCLUDE_DIR})
conversor_add_test(tst_database SOURCES tst_database.cpp LIBS conversor_database Qt6::Sql)
conversor_add_test(tst_form3 SOURCES tst_form3.cpp LIBS conversor_gui Qt6::Sql)
conversor_add_test(tst_cli SOURCES tst_cli.cpp LIBS conversor_cli PkgConfig::XLSXWRITER
  ENV "CONVERSOR_EXE=$<TARGET_FILE:conversor>")
conversor_add_test(tst_category_converter SOURCES tst_category_converter.cpp LIBS conversor_converters Qt6::Sql)
conversor_add_test(tst_funcoes SOURCES tst_funcoes.cpp LIBS conversor_services)
conversor_add_test(tst_readings SOURCES tst_readings.cpp LIBS conversor_services)
conversor_add_test(tst_pictures SOURCES tst_pictures.cpp LIBS conversor_services Qt6::Gui)
conversor_add_test(tst_lookups SOURCES tst_lookups.cpp LIBS conversor_services Qt6::Sql)
conversor_add_test(tst_cell_text SOURCES tst_cell_text.cpp LIBS conversor_intake ENV TZ=America/Sao_Paulo)
conversor_add_test(tst_xlsx_reader SOURCES tst_xlsx_reader.cpp LIBS conversor_intake PkgConfig::XLSXWRITER)
conversor_add_test(tst_postal_code_lookup SOURCES tst_postal_code_lookup.cpp support/FakeViaCep.cpp support/LoopbackHttpServer.cpp
  LIBS conversor_services Qt6::Network)
conversor_add_test(tst_ods_reader SOURCES tst_ods_reader.cpp LIBS conversor_intake)
conversor_add_test(tst_xls_reader SOURCES tst_xls_reader.cpp LIBS conversor_intake)
conversor_add_test(tst_csv_reader SOURCES tst_csv_reader.cpp LIBS conversor_intake)
conversor_add_test(tst_workbook_errors SOURCES tst_workbook_errors.cpp LIBS conversor_intake PkgConfig::XLSXWRITER)
conversor_add_test(tst_client_converter SOURCES tst_client_converter.cpp LIBS conversor_converters Qt6::Sql)
conversor_add_test(tst_supplier_converter SOURCES tst_supplier_converter.cpp support/FakeViaCep.cpp support/LoopbackHttpServer.cpp
  LIBS conversor_converters Qt6::Sql Qt6::Network)
conversor_add_test(tst_telegram_api SOURCES tst_telegram_api.cpp support/FakeBotApi.cpp support/LoopbackHttpServer.cpp
  LIBS conversor_notify Qt6::Network)
conversor_add_test(tst_conversion_notices SOURCES tst_conversion_notices.cpp support/FakeBotApi.cpp support/LoopbackHttpServer.cpp
  LIBS conversor_gui conversor_cli Qt6::Sql Qt6::Network)
conversor_add_test(tst_layout_help SOURCES tst_layout_help.cpp LIBS conversor_gui conversor_cli)
conversor_add_test(tst_undo_window SOURCES tst_undo_window.cpp LIBS conversor_gui Qt6::Sql)
# The window and the command line post their notices and ask for postal codes; in tests only to a
# closed loopback port.
foreach(_notifying tst_form3 tst_cli tst_undo_window)
  if(TEST ${_notifying})
    set_property(TEST ${_notifying} APPEND PROPERTY ENVIRONMENT
      "CONVERSOR_TELEGRAM_URL=http://127.0.0.1:9/{BOT_TOKEN}" "CONVERSOR_VIACEP_URL=http://127.0.0.1:9/ws/")
  endif()
endforeach()
conversor_add_test(tst_product_converter SOURCES tst_product_converter.cpp LIBS conversor_converters Qt6::Sql)
conversor_add_test(tst_service_converter SOURCES tst_service_converter.cpp LIBS conversor_converters Qt6::Sql)
conversor_add_test(tst_undo SOURCES tst_undo.cpp LIBS conversor_converters conversor_cli Qt6::Sql Qt6::Gui
  ENV "CONVERSOR_EXE=$<TARGET_FILE:conversor>")
conversor_add_test(tst_tax_number SOURCES tst_tax_number.cpp LIBS conversor_converters)
conversor_add_test(tst_run_report SOURCES tst_run_report.cpp LIBS conversor_converters)
conversor_add_test(tst_failed_rows SOURCES tst_failed_rows.cpp
  LIBS conversor_converters Qt6::Sql PkgConfig::XLSXWRITER)
