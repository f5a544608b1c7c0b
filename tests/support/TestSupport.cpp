#include "TestSupport.h"

#include <QtGlobal>

namespace TestSupport {

QString sourceDir() { return qEnvironmentVariable("CONVERSOR_SOURCE_DIR"); }

} // namespace TestSupport
