#include "TemporaryHomeEnvironment.h"

// The processor's default report folder lies under HOME; no test may touch the real one.
static testing::Environment* const temporaryHome =
    testing::AddGlobalTestEnvironment (new testsupport::TemporaryHomeEnvironment);
