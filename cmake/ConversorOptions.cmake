# One interface target carries the language level, warnings and Qt's safety macros for
# every target of the project.
add_library(conversor_options INTERFACE)
target_compile_features(conversor_options INTERFACE cxx_std_17)
target_compile_definitions(conversor_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_URL_CAST_FROM_STRING
  QT_USE_QSTRINGBUILDER)
target_compile_options(conversor_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor -Wno-missing-field-initializers)
if(CONVERSOR_WARNINGS_AS_ERRORS)
  target_compile_options(conversor_options INTERFACE -Werror)
endif()
