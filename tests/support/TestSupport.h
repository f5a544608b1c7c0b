#pragma once

#include <QString>

/// Helpers shared by the tests.
namespace TestSupport {

/// The project's source folder (tests use its sql/ and fixtures scripts).
QString sourceDir();

} // namespace TestSupport
