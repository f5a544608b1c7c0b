// The texts themselves are generated into SampleSchemaText.cpp from the files in sql/.
#include "SampleSchema.h"
