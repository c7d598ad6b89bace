#include "TemporaryHomeEnvironment.h"

// Reports fall back to folders under HOME; none of these tests may touch the real one.
static testing::Environment* const temporaryHome =
    testing::AddGlobalTestEnvironment (new testsupport::TemporaryHomeEnvironment);
